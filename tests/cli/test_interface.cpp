// The tool as a game's repository uses it: paths from where it runs, round files as arguments,
// chosen codes, SARIF, statuses when output fails, and one list of codes everywhere.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

#include "clifixture.h"

namespace cli_testing {
namespace {

namespace fs = std::filesystem;

const std::string kHero = "start,320,120\r\n";
const std::string kBomb = "bomba,200,40,14,18,1,500\r\n";
const std::string kCoin = "moneda,300,150,14,14,1,200\r\n";

class InterfaceTest : public CliTest {
public:
    // A second game folder below the first, and the parent of the first to run from.
    void SetUp() override {
        CliTest::SetUp();
        fs::create_directories(folder_ / "b" / "levels");
        fs::copy(folder_ / "data", folder_ / "b" / "data", fs::copy_options::recursive);
        Write("levels/Level3.lev", kHero + kBomb + kCoin);
        Write("levels/Level4.lev", kHero + kBomb);
        Write("b/levels/Level5.lev", kHero + kBomb + "bomba,201,40\r\n");
    }

    std::string Name() const { return folder_.filename().string(); }
    fs::path Parent() const { return folder_.parent_path(); }
};

TEST_F(InterfaceTest, RoundFilesAndNumbersNameTheRoundsOfTheirGameFolders) {
    const std::string g = Name();
    // Round 14 alone uses malo2, and its load stops at boost, whose sprite cannot be read.
    Write("b/levels/Level14.lev", kHero + kBomb + "malo2,300,150\r\nboost,300,150\r\n");
    Write("b/data/boost.png", "not a picture");
    struct Case {
        std::vector<std::string> arguments;
        std::vector<std::string> files;
        int status = 0;
    };
    // Every round, by number in one folder and by file in the other.
    Case everyRound{{"-C", g}, {}, 1};
    for (const std::string folder : {"", "b/"}) {
        for (int round = 1; round <= 14; ++round) {
            const std::string file = "levels/Level" + std::to_string(round) + ".lev";
            everyRound.arguments.push_back(folder.empty() ? std::to_string(round) : folder + file);
            everyRound.files.push_back(g + "/" + folder + file);
        }
    }
    const Case cases[] = {
        {{g + "/levels/Level3.lev", g + "/b/LEVELS/level5.PNG"},
         {g + "/levels/Level3.lev", g + "/b/levels/Level5.lev"}},
        {{"-C", g, "4", "b/levels/Level5.lev", "levels/level4.png"},
         {g + "/levels/Level4.lev", g + "/b/levels/Level5.lev"}},
        {{g + "/data/moneda.png"}, {g + "/levels/Level3.lev"}},
        {{g + "/DATA/Bomba.PNG"}, {g + "/levels/Level3.lev", g + "/levels/Level4.lev"}},
        {{g + "/b/data/malo2.png"}, {g + "/b/levels/Level14.lev"}, 1},
        {{g + "/b/data/boost.png"}, {g + "/b/levels/Level14.lev"}, 1},
        everyRound,
        {{"-C", g, "-C", "b", "5", "levels/Level1.lev"}, {g + "/b/levels/Level1.lev", g + "/b/levels/Level5.lev"}},
        {{g + "/levels/./Level3.lev", g + "//b/levels/Level5.lev"}, {g + "/levels/Level3.lev", g + "/b/levels/Level5.lev"}},
        // Files of levels/ and data/ that no round reads name no round.
        {{g + "/levels/Level15.lev", g + "/levels/Level03.lev", g + "/data/other.png", g + "/levels/Level3.txt",
          g + "/docs/data/logo.png"},
         {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"check", "--format", "json"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const ToolRun run = Tool(arguments, Parent());
        EXPECT_EQ(run.status, c.status) << run.err;
        std::vector<std::string> files;
        for (const QJsonValue round : QJsonDocument::fromJson(QByteArray::fromStdString(run.out))["rounds"].toArray())
            files.push_back(round.toObject()["file"].toString().toStdString());
        EXPECT_EQ(files, c.files) << c.arguments[0];
    }
    for (const std::string& bad : {std::string("Level3.lev"), g + "/other/Level3.lev"}) {
        const ToolRun run = Tool({"check", bad}, Parent());
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_EQ(run.err.rfind("blastrix-level: '" + bad + "' is neither a round", 0), 0u) << run.err;
    }
}

TEST_F(InterfaceTest, EveryFormatAndMessageNamesPathsFromTheCurrentDirectory) {
    const std::string g = Name();
    Write("levels/Level3.lev", kHero + kBomb + "power,250,200\r\n");
    fs::remove(folder_ / "data" / "power.png");
    const std::string level = g + "/levels/Level3.lev";
    const std::multimap<std::string, std::string> expected = {
        {"text", level + ":3:1: error: the sprite " + g + "/data/power.png of 'power' cannot be read"},
        {"text", g + "/data/power.png: error: the sprite cannot be read: Cannot open file \"" + g + "/data/power.png\""},
        {"github", "::error file=" + level + ",line=3,col=1,title=sprite-unreadable::"},
        {"json", "\"file\": \"" + level + "\", \"line\": 3"},
        {"sarif", "\"uri\":\"" + level + "\"},\"region\":{\"startLine\":3,\"startColumn\":1}"},
    };
    for (const auto& [format, part] : expected) {
        for (const std::vector<std::string>& arguments :
             {std::vector<std::string>{"-C", g, "check", "--format", format, "3"},
              std::vector<std::string>{"check", "--format", format, level}}) {
            const ToolRun run = Tool(arguments, Parent());
            EXPECT_EQ(run.status, 1);
            EXPECT_NE(run.out.find(part), std::string::npos) << format << ":\n" << run.out;
        }
    }
}

TEST_F(InterfaceTest, SelectAndIgnoreKeepFindingsByCodeAndWerrorCountsOnlyThoseKept) {
    Write("levels/Level3.lev", kHero + kBomb + "bomba,201,40\r\nBomba,1,1\r\n");
    struct Case {
        std::vector<std::string> options;
        int status;
        std::size_t lines;
        std::string summary;
    };
    const Case cases[] = {
        {{"--werror"}, 1, 4, "0 errors, 3 warnings"},
        {{"--werror", "--select", "odd-coordinate,not-as-saved"}, 1, 2, "0 errors, 1 warning"},
        {{"--werror", "--select", "not-as-saved"}, 0, 1, "0 errors, 0 warnings"},
        {{"--select", "not-an-integer"}, 0, 0, "0 errors, 0 warnings"},
        {{"--werror", "--ignore", "odd-coordinate", "--ignore=unknown-keyword,background-missing"}, 0, 1,
         "0 errors, 0 warnings"},
        {{"--select", "odd-coordinate", "--select", "unknown-keyword", "--ignore", "odd-coordinate"}, 0, 1,
         "0 errors, 1 warning"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"check", "3"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const ToolRun run = Tool(arguments);
        EXPECT_EQ(run.status, c.status) << c.options.back();
        ASSERT_FALSE(run.Lines().empty());
        EXPECT_EQ(run.Lines().back(), "1 round checked: " + c.summary) << run.out;
        EXPECT_EQ(run.Lines().size() - 1, c.lines) << run.out;
    }
}

TEST_F(InterfaceTest, OutputThatCannotBeWrittenExitsWithTwo) {
    const std::vector<std::vector<std::string>> commands = {
        {"--help"}, {"check", "--help"}, {"--version"}, {"codes"}, {"check", "3"}, {"check", "--format", "sarif", "3"},
        {"check", "--format", "json", "3"}, {"resave", "--check", "3"}, {"render", "3", "-o", "-"},
        {"diff", "levels/Level4.lev", "levels/Level3.lev"}};
    for (const std::vector<std::string>& arguments : commands) {
        if (arguments[0] == "render" && !ToolRenders()) continue;
        const ToolRun run = Tool(arguments, {}, {}, "/dev/full");
        EXPECT_EQ(run.status, 2) << arguments[0] << " " << arguments.back();
        EXPECT_EQ(run.err.rfind("blastrix-level: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
    }
}

// One finding of every code a check gives, in a game folder whose name needs percent-encoding: the
// SARIF rules are the codes as `codes` and the manual list them, the results those the text names.
TEST_F(CliTest, SarifOfEveryCodeAgreesWithTheTextTheCodesAndTheManualAndValidates) {
    if (WindowsTool()) GTEST_SKIP() << kUnixToolOnly;
    const std::string game = "game #1";
    fs::create_directories(folder_ / game);
    fs::copy(folder_ / "data", folder_ / game / "data", fs::copy_options::recursive);
    Write(game + "/data/power.png", "not a picture");
    Write(game + "/levels/Level1.lev", kHero + kBomb + "Bomba,1,1\r\nbomba,201,40\r\nbomba,100,40\r\nstart,2,2\r\n" +
                                           "plataforma,300,140,50,10,1,7\r\nbomba,x,1\r\n" + kCoin);
    Write(game + "/levels/Level2.lev", "bomba,200,40\r\n");
    Write(game + "/levels/Level3.lev", kHero);
    Write(game + "/levels/Level4.lev", kHero + kBomb + "power,250,200\r\n");
    Write(game + "/levels/Level5.lev", kHero + kBomb + "\x1a\r\n" + kCoin + kCoin);
    fs::create_directories(folder_ / game / "levels" / "Level6.lev");
    fs::create_symlink("Level7.lev", folder_ / game / "levels" / "Level7.lev");
    Write(game + "/levels/level4.lev", kHero);
    Write(game + "/levels/Level8.lev",
          kHero + kBomb + "bomba,210\r\nmalo2,300,40,32,26,2\r\nbomba,220,4\x1a" "0\r\nbomba,99999999999,40\r\n");
    Write(game + "/levels/Level9.lev", "");
    fs::resize_file(folder_ / game / "levels" / "Level9.lev", std::uintmax_t{1} << 40);
    // A save of round 4 cut short while it rewrote the file in place, and one of round 5 before its rename.
    Write(game + "/levels/.Level4.lev.old", kHero + kBomb);
    Write(game + "/levels/.Level5.lev.a1B2c3", kHero);
    Write(game + "/levels/Level2.png", "not a picture");
    WriteBackground(game + "/levels/Level3.png", 300, 200);

    const ToolRun run = Tool({"-C", game, "check", "--format", "sarif", "1-10"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Tool({"-C", game, "check", "--format", "sarif", "1-10"}).out, run.out);
    const QJsonObject log = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    const QJsonArray rules = log["runs"][0]["tool"]["driver"]["rules"].toArray();
    EXPECT_FALSE(log["runs"][0]["tool"]["driver"].toObject().contains("informationUri")) << "no address of its own";

    std::ifstream in(fs::path(BLASTRIX_SOURCE_DIR) / "blastrix-level" / "blastrix-level.1");
    std::string manual(std::istreambuf_iterator<char>(in), {});
    for (std::size_t at; (at = manual.find("\\-")) != std::string::npos;) manual.erase(at, 1);
    std::replace(manual.begin(), manual.end(), '\n', ' ');
    std::size_t entries = 0;
    for (std::size_t at = 0; (at = manual.find(" \\fR(", at + 1)) != std::string::npos;) ++entries;
    const ToolRun codes = Tool({"codes"});
    EXPECT_EQ(codes.status, 0);
    ASSERT_EQ(static_cast<std::size_t>(rules.size()), codes.Lines().size());
    EXPECT_EQ(entries, codes.Lines().size());
    std::size_t last = 0;
    for (std::size_t i = 0; i < codes.Lines().size(); ++i) {
        std::istringstream fields(codes.Lines()[i]);
        std::string code;
        std::string severity;
        fields >> code >> severity;
        const QJsonObject rule = rules[static_cast<qsizetype>(i)].toObject();
        EXPECT_EQ(rule["id"].toString().toStdString(), code);
        EXPECT_EQ(rule["defaultConfiguration"]["level"].toString().toStdString(), severity);
        // In the manual's order, with the rule's text.
        const std::size_t at = manual.find(".B " + code + " \\fR(" + severity + ") " +
                                           rule["fullDescription"]["text"].toString().toStdString() + " .");
        EXPECT_TRUE(at != std::string::npos && at > last) << code;
        last = at;
    }

    // The results name the files and codes that the text names, in its order.
    std::vector<std::string> named;
    for (const std::string& line : Tool({"-C", game, "check", "1-10"}).Lines()) {
        if (line.find(": ") == std::string::npos || line.back() != ']') continue;
        std::string file = line.substr(0, line.find(':'));
        file.replace(file.find(" #"), 2, "%20%23");
        named.push_back(file + " " + line.substr(line.rfind('[') + 1, line.size() - line.rfind('[') - 2));
    }
    std::vector<std::string> located;
    std::set<std::string> found;
    for (const QJsonValue value : log["runs"][0]["results"].toArray()) {
        const QJsonObject result = value.toObject();
        const std::string code = result["ruleId"].toString().toStdString();
        found.insert(code);
        ASSERT_TRUE(result.contains("ruleIndex")) << code;
        EXPECT_EQ(rules[result["ruleIndex"].toInt()]["id"].toString(), result["ruleId"].toString());
        const QJsonObject location = result["locations"][0]["physicalLocation"].toObject();
        const std::string uri = location["artifactLocation"]["uri"].toString().toStdString();
        located.push_back(uri + " " + code);
        const bool wholeFile = uri.rfind(".png") == uri.size() - 4 || code == "unreadable-file" ||
                               code == "not-a-file" || code == "ambiguous-name" || code == "too-large" ||
                               code == "no-level-file" || code == "background-missing" ||
                               code == "interrupted-save" || code == "save-leftover";
        EXPECT_EQ(location.contains("region"), !wholeFile) << code;
    }
    EXPECT_EQ(located, named);
    std::set<std::string> every;
    for (const QJsonValue rule : rules) every.insert(rule["id"].toString().toStdString());
    // A resave's failure, and what diff tells.
    for (const char* other : {"save-failed", "moved", "added", "removed", "unchanged", "changed"}) every.erase(other);
    EXPECT_EQ(found, every);

    const fs::path schema =
        fs::path(BLASTRIX_SOURCE_DIR).parent_path() / "shared" / "sarif" / "sarif-schema-2.1.0.json";
    if (!fs::exists(schema)) GTEST_SKIP() << "no " << schema;
    Write("log.sarif", run.out);
    const std::string validate = "/usr/bin/python3 -c 'import json, sys, jsonschema; "
                                 "jsonschema.Draft4Validator(json.load(open(sys.argv[1])))"
                                 ".validate(json.load(open(sys.argv[2])))' '" +
                                 schema.string() + "' '" + (folder_ / "log.sarif").string() + "'";
    EXPECT_EQ(std::system(validate.c_str()), 0) << run.out;
}

// The Windows build reads, checks, compares and saves the sample rounds and a broken one as this
// host's build does, to the byte, and takes the paths a Windows user gives.
TEST_F(CliTest, AWindowsBuildAnswersAsThisHostsBuild) {
    if (!WindowsTool()) GTEST_SKIP() << "needs a Windows build of the tool (BLASTRIX_WINDOWS_TOOL)";
    for (const char* side : {"here", "windows"}) {
        fs::create_directories(folder_ / side);
        fs::copy(fs::path(BLASTRIX_SOURCE_DIR) / "levels", folder_ / side / "levels");
        fs::copy(folder_ / "data", folder_ / side / "data");
        Write(std::string(side) + "/levels/Level5.lev",
              kHero + kBomb + "Bomba,1,1\nbomba,201,40,14,18,1,500\r\nstart,2,2\r\nbomba,x,1\r\n" + kCoin);
        Write(std::string(side) + "/old.lev", kHero + kBomb + kCoin + "malo1,240,60,20,24,100,200,1\r\n");
    }
    const ToolRun here = Run({BLASTRIX_LEVEL_EXE, "-C", "here", "codes"});
    ASSERT_EQ(here.status, 0);
    using Command = std::vector<std::string>;
    // This host's command, then the Windows one where a Windows user words it otherwise.
    const std::pair<Command, Command> commands[] = {
        {{"check"}, {}}, {{"check", "--format", "json"}, {}}, {{"check", "3", "5"}, {}}, {{"resave", "--check"}, {}},
        {{"resave", "--diff", "5"}, {}}, {{"diff", "old.lev", "levels/Level5.lev"}, {}},
        {{"diff", "--format", "json", "old.lev", "levels/Level1.lev"}, {}},
        {{"diff", "/dev/null", "levels/Level2.lev"}, {"diff", "NUL", "levels/Level2.lev"}},
        {{"check", "levels/Level5.lev"}, {"check", "levels\\Level5.lev"}}};
    for (const auto& [native, windows] : commands) {
        Command nativeRun = {BLASTRIX_LEVEL_EXE};
        nativeRun.insert(nativeRun.end(), native.begin(), native.end());
        const ToolRun expected = Run(nativeRun, folder_ / "here");
        const ToolRun got = Tool(windows.empty() ? native : windows, folder_ / "windows");
        EXPECT_EQ(got.status, expected.status) << native.back();
        EXPECT_EQ(got.out, expected.out) << native.back();
        EXPECT_EQ(got.err, expected.err) << native.back();
    }
    // wine's drive Z: is the root of this host; a path from a drive is a file: URI with three slashes.
    std::string drive = "Z:" + (folder_ / "windows").string();
    std::replace(drive.begin(), drive.end(), '/', '\\');
    const ToolRun sarif = Tool({"-C", drive, "check", "--format", "sarif", "5"});
    EXPECT_NE(sarif.out.find("\"uri\":\"file:///Z:" + (folder_ / "windows/levels/Level5.lev").string() + "\""),
              std::string::npos)
        << sarif.out;

    EXPECT_EQ(Run({BLASTRIX_LEVEL_EXE, "resave", "--force"}, folder_ / "here").status, 0);
    EXPECT_EQ(Tool({"resave", "--force"}, folder_ / "windows").status, 0);
    for (const auto& entry : fs::directory_iterator(folder_ / "here" / "levels")) {
        const std::string name = "levels/" + entry.path().filename().string();
        EXPECT_EQ(Read("windows/" + name), Read("here/" + name)) << name;
    }
}

}  // namespace
}  // namespace cli_testing
