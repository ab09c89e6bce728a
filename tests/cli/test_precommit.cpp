// The repository's pre-commit hooks, run by the real pre-commit in a throw-away game repository, and
// the README's recipes for a game's repository, taken from the README as written.

#include <cctype>
#include <fstream>
#include <iterator>

#include "clifixture.h"

namespace cli_testing {
namespace {

namespace fs = std::filesystem;

const std::string kGood = "start,320,120\r\nbomba,200,40,14,18,1,500\r\n";

class PreCommitTest : public CliTest {
public:
    void SetUp() override {
        CliTest::SetUp();
        fs::create_directories(folder_ / "hooks");
        const fs::path hooks = ".pre-commit-hooks.yaml";
        fs::copy_file(fs::path(BLASTRIX_SOURCE_DIR) / hooks, folder_ / "hooks" / hooks);
        fs::create_directories(folder_ / "repo" / "game");
        fs::rename(folder_ / "data", folder_ / "repo" / "game" / "data");
        fs::rename(folder_ / "levels", folder_ / "repo" / "game" / "levels");
        ASSERT_EQ(Shell("git init -q hooks && cd hooks && git add -A && git commit -qm hooks").status, 0);
        ASSERT_EQ(Shell("git init -q repo").status, 0);
    }

    // Runs `command` with sh in the folder, with the built tool first on PATH and a home of its own;
    // standard error joins standard output.
    ToolRun Shell(const std::string& command) const {
        return Run({"sh", "-c",
                    "export PATH='" + fs::path(BLASTRIX_LEVEL_EXE).parent_path().string() + "':\"$PATH\" HOME='" +
                        folder_.string() + "' PRE_COMMIT_HOME='" + (folder_ / "cache").string() +
                        "' GIT_CONFIG_NOSYSTEM=1 GIT_AUTHOR_NAME=t GIT_AUTHOR_EMAIL=t@t GIT_COMMITTER_NAME=t "
                        "GIT_COMMITTER_EMAIL=t@t; " + command + " 2>&1"});
    }

    // Stages everything and runs one hook of the repository on every file.
    ToolRun Hook(const std::string& id) const {
        return Shell("cd repo && git add -A && pre-commit try-repo ../hooks " + id + " --all-files");
    }
};

// The README's fenced block that holds `marker`.
std::string ReadmeBlock(const std::string& marker) {
    std::ifstream in(fs::path(BLASTRIX_SOURCE_DIR) / "README.md");
    const std::string readme(std::istreambuf_iterator<char>(in), {});
    const std::size_t at = readme.find(marker);
    if (at == std::string::npos) return "";
    const std::size_t open = readme.find('\n', readme.rfind("\n```", at) + 1) + 1;
    return readme.substr(open, readme.find("\n```", at) + 1 - open);
}

// The line of a README block that holds `marker`, without the comment at its end.
std::string ReadmeLine(const std::string& marker) {
    const std::string block = ReadmeBlock(marker);
    const std::size_t at = block.find(marker);
    if (at == std::string::npos) return "";
    const std::size_t start = block.rfind('\n', at) + 1;
    std::string line = block.substr(start, block.find('\n', at) - start);
    const std::size_t comment = line.find("   #");
    return line.substr(0, comment == std::string::npos ? line.find(" # ") : comment);
}

TEST_F(PreCommitTest, HooksFailOnARoundThatNeedsWorkShowingWhyAndPassOnceItIsDone) {
    const std::string level = "repo/game/levels/Level3.lev";
    Write(level, kGood + "bomba,x,40\r\n");
    const ToolRun broken = Hook("blastrix-level-check");
    EXPECT_NE(broken.status, 0);
    EXPECT_NE(broken.out.find("game/levels/Level3.lev:3:7: error: 'x' is not an integer"), std::string::npos)
        << broken.out;

    Write(level, "start,320,120\nbomba,200,40,14,18,1,500\n");
    const ToolRun resaved = Hook("blastrix-level-resave");
    EXPECT_NE(resaved.status, 0);
    EXPECT_NE(resaved.out.find("files were modified by this hook"), std::string::npos) << resaved.out;
    EXPECT_EQ(Read(level), kGood);
    EXPECT_EQ(Hook("blastrix-level-resave").status, 0);
    const ToolRun good = Hook("blastrix-level-check");
    EXPECT_EQ(good.status, 0) << good.out;
    EXPECT_NE(good.out.find("Passed"), std::string::npos) << good.out;
}

// Level files, backgrounds and sprites match whatever their case; nothing else does.
TEST_F(PreCommitTest, HooksMatchTheRoundFilesWhateverTheirCase) {
    std::string cases = "0 x/levels/Level15.lev\n0 x/data/other.png\n0 x/levels/Level3.txt\n0 levels/Level0.lev\n";
    for (int round = 1; round <= 14; ++round)
        for (const char* name : {"Level", "LEVEL", "level"})
            for (const char* extension : {".lev", ".png", ".PNG"})
                cases += "1 g/levels/" + std::string(name) + std::to_string(round) + extension + "\n";
    for (const fs::directory_entry& sprite : fs::directory_iterator(fs::path(BLASTRIX_SOURCE_DIR) / "data")) {
        std::string upper = sprite.path().filename().string();
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        cases += "1 data/" + sprite.path().filename().string() + "\n1 g/DATA/" + upper + "\n";
    }
    Write("cases", cases);
    const ToolRun run = Shell(
        "/usr/bin/python3 -c 'import re, sys, yaml\n"
        "for hook in yaml.safe_load(open(sys.argv[1])):\n"
        "    for expected, path in (line.split() for line in open(\"cases\")):\n"
        "        if bool(re.search(hook[\"files\"], path)) != (expected == \"1\"): print(hook[\"id\"], path)' '" +
        (fs::path(BLASTRIX_SOURCE_DIR) / ".pre-commit-hooks.yaml").string() + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
}

// Taken from the README: the changed rounds, the SARIF job's steps, the pre-commit configuration and
// the git driver's set-up, each run in a game's repository as a team copies it.
TEST_F(PreCommitTest, ReadmeRecipesRunAsWrittenInAGameRepository) {
    const std::string changed = ReadmeLine("--name-only -- game/levels game/data");
    ASSERT_NE(changed, "");
    Write("repo/game/levels/Level3.lev", kGood);
    Write("repo/game/data/l\xc3\xb6go 1.png", "a picture no round uses");
    Write("repo/.gitattributes", "* text=auto\n");
    ASSERT_EQ(Shell("cd repo && git add -A && git commit -qm rounds").status, 0);
    EXPECT_EQ(Shell("cd repo && " + changed).out, "0 rounds checked: 0 errors, 0 warnings\n") << "nothing changed";
    Write("repo/game/data/l\xc3\xb6go 1.png", "another picture");
    EXPECT_EQ(Shell("cd repo && " + changed).status, 0) << "a picture no round uses changed";
    Write("repo/game/levels/Level3.lev", kGood + "bomba,x,40\r\n");
    const ToolRun round = Shell("cd repo && " + changed);
    EXPECT_EQ(round.status, 1);
    EXPECT_NE(round.out.find("game/levels/Level3.lev:3:7: error:"), std::string::npos) << round.out;

    // The job's steps that run the tool, as GitHub runs them: 1 goes on to the upload, anything else fails.
    std::vector<std::string> steps;
    const std::string job = ReadmeBlock("upload-sarif");
    for (std::size_t at = 0; (at = job.find("- run: blastrix-level", at)) != std::string::npos; ++at)
        steps.push_back(job.substr(at + 7, job.find('\n', at) - at - 7));
    ASSERT_EQ(steps.size(), 2u) << job;
    Write("sarif-step", steps[0]);
    Write("github-step", steps[1]);
    EXPECT_EQ(Shell("cd repo && bash -eo pipefail ../sarif-step").status, 0);
    EXPECT_NE(Read("repo/rounds.sarif").find("\"ruleId\":\"not-an-integer\""), std::string::npos);
    EXPECT_EQ(Shell("cd repo && bash -eo pipefail ../github-step").status, 1);
    EXPECT_NE(Shell("cd repo && PATH=/usr/bin:/bin bash -eo pipefail ../sarif-step").status, 0) << "no tool";
    EXPECT_NE(Shell("cd repo && mv game/levels levels.away && bash -eo pipefail ../sarif-step").status, 0)
        << "a game folder without levels/";
    ASSERT_EQ(Shell("cd repo && mv levels.away game/levels && rm rounds.sarif").status, 0);

    // The configuration, pinned as the README says, on this repository's hooks.
    std::string config = ReadmeBlock("repos:");
    const std::string url = "https://example.invalid/blastrix-editor.git";
    ASSERT_NE(config.find(url), std::string::npos) << config;
    config.replace(config.find(url), url.size(), (folder_ / "hooks").string());
    Write("repo/.pre-commit-config.yaml", config);
    const ToolRun pinned = Shell("cd repo && " + ReadmeLine("pre-commit autoupdate"));
    EXPECT_EQ(pinned.status, 0) << pinned.out;
    Write("repo/game/levels/Level3.lev", kGood);
    const ToolRun hooks = Shell("cd repo && git add -A && pre-commit run --all-files");
    EXPECT_EQ(hooks.status, 0) << hooks.out;

    // The driver, with a round whose name is in capitals kept as CR LF despite text=auto.
    const std::string setUp = ReadmeBlock("diff.blastrix.command");
    Write("driver", setUp);
    ASSERT_EQ(Shell("cd repo && sh ../driver").status, 0) << setUp;
    Write("repo/game/levels/Level6.LEV", kGood);
    ASSERT_EQ(Shell("cd repo && git add -A && git commit -qm six").status, 0);
    EXPECT_EQ(Shell("cd repo && git show HEAD:game/levels/Level6.LEV").out, kGood) << "stored with LF";
    Write("repo/game/levels/Level6.LEV", "start,320,120\r\nbomba,220,40,14,18,1,500\r\n");
    EXPECT_NE(Shell("cd repo && git diff").out.find("moved bomba from 200,40 to 220,40"), std::string::npos);
}

}  // namespace
}  // namespace cli_testing
