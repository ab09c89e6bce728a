// The repository's pre-commit hooks, run by the real pre-commit in a throw-away game repository.

#include <cctype>

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

}  // namespace
}  // namespace cli_testing
