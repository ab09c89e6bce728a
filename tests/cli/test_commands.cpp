// The commands as a user runs them: exit statuses, the JSON and GitHub forms, resave and render.

#include <sys/stat.h>

#include <fstream>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "clifixture.h"
#include "pngdecoder.h"

namespace cli_testing {
namespace {

namespace fs = std::filesystem;

const std::string kRound = "start,320,120\r\nbomba,200,40,14,18,1,500\r\n";

struct StatusCase {
    const char* name;
    std::vector<std::string> arguments;
    std::string level;  // levels/Level3.lev; the folder has no levels/ when it is "-"
    int status;
    std::string firstLine;  // of standard error when the status is 2, else of standard output
};

void PrintTo(const StatusCase& c, std::ostream* out) { *out << c.name; }

const StatusCase kStatusCases[] = {
    {"CleanRound", {"check", "3"}, kRound, 0, "1 round checked: 0 errors, 0 warnings"},
    {"WarningsAlone",
     {"check", "3"},
     kRound + "Bomba,1,1\r\n",
     0,
     "levels/Level3.lev:3:1: warning: unknown keyword 'Bomba': the line is skipped; did you mean 'bomba'? [unknown-keyword]"},
    {"WarningsWithWerror",
     {"check", "--werror", "3"},
     kRound + "Bomba,1,1\r\n",
     1,
     "levels/Level3.lev:3:1: warning: unknown keyword 'Bomba': the line is skipped; did you mean 'bomba'? [unknown-keyword]"},
    {"Errors",
     {"check", "3"},
     "start,320,120\r\n",
     1,
     "levels/Level3.lev:1:1: error: the round has a hero but no bomb: the editor refuses to save it (\"You need one bomb at least\") [no-bomb]"},
    {"EveryRoundByDefault",
     {"check"},
     kRound,
     0,
     "levels/Level1.lev: note: the round has no level file: the editor shows it empty [no-level-file]"},
    {"RangeOfRounds",
     {"check", "2-3", "3"},
     kRound,
     0,
     "levels/Level2.lev: note: the round has no level file: the editor shows it empty [no-level-file]"},
    {"RoundOutOfRange",
     {"check", "15"},
     kRound,
     2,
     "blastrix-level: '15' is neither a round (1 to 14, or a range such as 1-4) nor a level file, background or sprite of a game folder"},
    {"BackwardRange",
     {"check", "4-2"},
     kRound,
     2,
     "blastrix-level: '4-2' is neither a round (1 to 14, or a range such as 1-4) nor a level file, background or sprite of a game folder"},
    {"UnknownOption", {"check", "--colour"}, kRound, 2, "blastrix-level: unrecognized option '--colour'"},
    {"ShortOptionAsTyped", {"check", "-3"}, kRound, 2, "blastrix-level: unrecognized option '-3'"},
    {"MissingValue", {"check", "--format"}, kRound, 2, "blastrix-level: option '--format' requires an argument"},
    {"OptionOfAnotherCommand", {"check", "--scale", "2"}, kRound, 2, "blastrix-level: option '--scale' is not one of check's"},
    {"UnknownCode",
     {"check", "--ignore", "odd-coordinate,no-such"},
     kRound,
     2,
     "blastrix-level: unknown code 'no-such' for --ignore ('blastrix-level codes' lists them)"},
    {"MissingCommand", {"-C", "."}, kRound, 2, "blastrix-level: missing command"},
    {"HelpWinsOverBadArguments", {"check", "--bogus", "15", "--help"}, kRound, 0, "Usage: blastrix-level [-C DIR] check [--format FORMAT] [--select CODES] [--ignore CODES]"},
    {"VersionWinsOverAnUnknownCommand", {"lint", "--version", "-3"}, kRound, 0, "blastrix-level 1.0"},
    {"FolderThatDoesNotExist", {"-C", "/nonexistent", "check"}, kRound, 2, "blastrix-level: /nonexistent does not exist"},
    {"EmptyListOfFiles", {"check", "--files0-from=/dev/null"}, kRound, 0, "0 rounds checked: 0 errors, 0 warnings"},
    {"ScaleWithoutPicture",
     {"diff", "--scale", "2", "levels/Level3.lev", "levels/Level3.lev"},
     kRound,
     2,
     "blastrix-level: --scale enlarges the picture of -o, which is not asked for"},
    {"DirectoriesJoinAsCdDoes",
     {"-C", "a", "-C", "b", "check"},
     kRound,
     2,
     "blastrix-level: a/b does not exist"},
    {"UnknownFormat",
     {"check", "--format", "xml"},
     kRound,
     2,
     "blastrix-level: unknown format 'xml' (text, json, github or sarif)"},
    {"UnknownCommand", {"lint"}, kRound, 2, "blastrix-level: unknown command 'lint'"},
    {"NoLevelsDirectory",
     {"check"},
     "-",
     2,
     "blastrix-level: the current directory has no levels directory; a game folder holds levels/ and data/"},
    {"RenderWithoutRounds", {"render"}, kRound, 2, "blastrix-level: render needs the rounds to draw"},
    {"ScaleOutOfRange",
     {"render", "3", "--scale", "9"},
     kRound,
     2,
     "blastrix-level: option '--scale' takes a whole number from 1 to 8"},
    {"ScaleOfTwoDigits",
     {"render", "3", "--scale", "10"},
     kRound,
     2,
     "blastrix-level: option '--scale' takes a whole number from 1 to 8"},
    {"EmptyOutput", {"render", "3", "-o", ""}, kRound, 2, "blastrix-level: the output file name is empty"},
    {"EndOfOptions", {"check", "--", "3"}, kRound, 0, "1 round checked: 0 errors, 0 warnings"},
    {"OneOutputForTwoRounds",
     {"render", "1-2", "-o", "x.png"},
     kRound,
     2,
     "blastrix-level: --output names one picture, but 2 rounds are to be drawn"},
    {"Version", {"--version"}, kRound, 0, "blastrix-level 1.0"},
    {"DiffHasNoSarif",
     {"diff", "--format", "sarif", "levels/Level3.lev", "levels/Level3.lev"},
     kRound,
     2,
     "blastrix-level: unknown format 'sarif' for diff (text, json or github)"},
    {"DiffDriverWithoutGit",
     {"diff", "levels/Level3.lev", "/tmp/a", "1", "100644", "levels/Level3.lev", "2", "100644"},
     kRound,
     2,
     "blastrix-level: diff compares two files, OLD and NEW; as git's diff driver it needs --git: git config "
     "diff.blastrix.command 'blastrix-level diff --git --'"},
};

class StatusTest : public CliTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(StatusTest, ExitsWithItsStatusAndSaysWhy) {
    const StatusCase& c = GetParam();
    if (c.level == "-") {
        fs::remove_all(folder_ / "levels");
    } else {
        Write("levels/Level3.lev", c.level);
        // Rounds 1 and 2 lack their backgrounds, for a finding outside round 3.
        for (int round = 3; round <= 14; ++round)
            WriteBackground("levels/Level" + std::to_string(round) + ".png", 278, 252);
    }
    const ToolRun run = Tool(c.arguments);
    EXPECT_EQ(run.status, c.status);
    const std::string& text = c.status == 2 ? run.err : run.out;
    EXPECT_EQ(text.substr(0, text.find('\n')), c.firstLine);
    if (c.status == 2) {
        EXPECT_EQ(run.out, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Statuses, StatusTest, ::testing::ValuesIn(kStatusCases),
                         [](const ::testing::TestParamInfo<StatusCase>& row) { return std::string(row.param.name); });

TEST_F(CliTest, HelpExistsForTheToolAndEachCommand) {
    for (const char* command : {"check", "render", "resave"}) {
        const ToolRun run = Tool({command, "--help"});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out.rfind(std::string("Usage: blastrix-level [-C DIR] ") + command, 0), 0u) << run.out;
    }
    EXPECT_EQ(Tool({"check", "--help"}).out.find("moved"), std::string::npos) << "diff's codes are not check's";
    const ToolRun tool = Tool({"--help"});
    EXPECT_EQ(tool.status, 0);
    EXPECT_EQ(tool.out.rfind("Usage: blastrix-level [-C DIR] COMMAND", 0), 0u);
}

// --force=no must not force.
TEST_F(CliTest, EveryFlagRefusesAValue) {
    const std::string dropping = kRound + "Bomba,1,1\r\n";
    Write("levels/Level3.lev", dropping);
    const std::pair<const char*, std::string> flags[] = {
        {"check", "--werror"}, {"resave", "--check"}, {"resave", "--force"}, {"resave", "--diff"}, {"diff", "--git"}};
    for (const auto& [command, flag] : flags) {
        const ToolRun run = Tool({command, flag + "=no", "3"});
        EXPECT_EQ(run.status, 2) << flag;
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')), "blastrix-level: option '" + flag + "' doesn't allow an argument");
    }
    EXPECT_EQ(Read("levels/Level3.lev"), dropping);
}

TEST_F(CliTest, JsonGivesEachRoundItsFileCountsAgainstLimitsAndFindings) {
    Write("levels/Level3.lev", kRound + "bomba,201,40\r\nplataforma,300,100,75,10,1,2\r\nplataforma,300,120,50,10,1,1\r\n"
                                        "start,1,1\r\n");
    const ToolRun run = Tool({"-C", folder_.string(), "check", "--format", "json", "3"}, "/");
    EXPECT_EQ(run.status, 0);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out;
    const QJsonObject root = document.object();
    EXPECT_EQ(root["version"].toInt(), 1);
    EXPECT_EQ(root["tool"]["version"].toString(), BLASTRIX_VERSION);
    EXPECT_EQ(root["errors"].toInt(), 0);
    EXPECT_EQ(root["warnings"].toInt(), 3);
    EXPECT_EQ(root["notes"].toInt(), 2);
    const QJsonArray rounds = root["rounds"].toArray();
    ASSERT_EQ(rounds.size(), 1);
    const QJsonObject round = rounds[0].toObject();
    EXPECT_EQ(round["round"].toInt(), 3);
    const QString folder = QString::fromStdString(folder_.string());
    EXPECT_EQ(round["file"].toString(), folder + "/levels/Level3.lev");
    EXPECT_EQ(round["background"].toString(), folder + "/levels/Level3.png");

    QStringList counts;
    for (const QJsonValue kind : round["objects"].toArray()) {
        const QJsonObject k = kind.toObject();
        counts << k["keyword"].toString() + " " + QString::number(k["count"].toInt()) + "/" +
                      (k["limit"].isNull() ? QString("-") : QString::number(k["limit"].toInt()));
        for (const QString& length : k["lengths"].toObject().keys())
            counts.last() += " " + length + ":" + QString::number(k["lengths"][length].toInt());
    }
    EXPECT_EQ(counts.join(", ").toStdString(),
              "bomba 2/20, moneda 0/10, boost 0/1, power 0/1, plataforma 2/10 100:0 50:1 75:1, start 1/1, malo1 0/-, "
              "malo2 0/-");

    const QJsonArray findings = round["findings"].toArray();
    ASSERT_EQ(findings.size(), 5);
    EXPECT_EQ(findings[0]["code"].toString(), "background-missing");
    EXPECT_TRUE(findings[0]["line"].isNull());
    EXPECT_TRUE(findings[0]["column"].isNull());
    const QJsonObject first = findings[1].toObject();
    EXPECT_EQ(first["file"].toString(), folder + "/levels/Level3.lev");
    EXPECT_EQ(first["line"].toInt(), 3);
    EXPECT_EQ(first["column"].toInt(), 7);
    EXPECT_EQ(first["severity"].toString(), "warning");
    EXPECT_EQ(first["code"].toString(), "odd-coordinate");
    EXPECT_EQ(first["message"].toString(),
              "'bomba' at 201,40 has an odd coordinate; a drag places objects on even ones only");
}

TEST_F(CliTest, GithubFormatPrintsWorkflowCommandsWithEscapedText) {
    Write("levels/Level3.lev", kRound + "bomba,20%,40\r\n");
    WriteBackground("levels/Level3.png", 278, 252);
    const ToolRun run = Tool({"check", "--format", "github", "3"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(
        run.Lines(),
        (std::vector<std::string>{
            "::error file=levels/Level3.lev,line=3,col=7,title=not-an-integer::'20%25' is not an integer, so the editor stops reading here",
            "::notice file=levels/Level3.lev,line=3,col=1,title=not-as-saved::the file is not as a save writes it: a save ends the file before this line",
            "1 round checked: 1 error, 0 warnings"}));
}

// A folder name with C0 and C1 control characters, a backslash, colons and an overlong NUL reaches the
// output through the sprite's path.
TEST_F(CliTest, OddFolderNamesKeepEachFormatWhole) {
    if (WindowsTool()) GTEST_SKIP() << kUnixToolOnly;
    const fs::path odd = folder_ / "g\\q::\r\x01\xc0\x80\xc2\x85";
    fs::create_directories(odd / "levels");
    fs::copy(folder_ / "data", odd / "data");
    fs::remove(odd / "data/boost.png");
    for (const char* round : {"3", "4"})
        std::ofstream(odd / "levels" / (std::string("Level") + round + ".lev"), std::ios::binary)
            << kRound << "boost,300,150,14,14,1,0\r\n";

    const ToolRun github = Tool({"-C", odd.string(), "check", "--format", "github", "3-4"});
    EXPECT_EQ(github.status, 1);
    const std::vector<std::string> lines = github.Lines();
    int spriteFindings = 0;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        EXPECT_EQ(lines[i].rfind("::", 0), 0u) << lines[i];
        EXPECT_EQ(lines[i].find('\r'), std::string::npos) << lines[i];
        spriteFindings += lines[i].find("::the sprite cannot be read") != std::string::npos;
    }
    EXPECT_EQ(spriteFindings, 1) << "a sprite is one finding however many rounds use it";
    EXPECT_NE(lines[lines.size() - 2].find("::the sprite cannot be read"), std::string::npos)
        << "a sprite's finding follows the level files'";
    EXPECT_NE(github.out.find("file=" + folder_.string() + "/g\\q%3A%3A%0D\x01\xc0\x80\xc2\x85/data/boost.png,"),
              std::string::npos)
        << github.out;

    const ToolRun json = Tool({"-C", odd.string(), "check", "--format", "json", "3"});
    // A file name ending in a character of two bytes.
    const std::string copy = odd.string() + "/levels/copy\xc2\x85";
    fs::copy_file(odd / "levels/Level3.lev", copy);
    const ToolRun diff = Tool({"diff", "--format", "json", copy, (odd / "levels/Level4.lev").string()});
    for (const ToolRun* run : {&json, &diff}) {
        Write("out.json", run->out);
        EXPECT_EQ(Run({"python3", "-c", "import json, sys; json.load(open(sys.argv[1], 'rb'))", "out.json"}).status, 0)
            << run->out;
    }
    std::string shown = copy;
    shown.replace(shown.find("\xc0\x80"), 2, "\uFFFD\uFFFD");
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(diff.out))["old"].toString().toStdString(), shown);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.out;
    EXPECT_EQ(QString::fromUtf8(json.out).toUtf8().toStdString(), json.out) << "not UTF-8";
    EXPECT_EQ(json.out.find_first_of("\r\x01"), std::string::npos) << "JSON strings escape control characters";
    const QJsonArray findings = document["rounds"][0]["findings"].toArray();
    bool named = false;
    for (const QJsonValue finding : findings)
        named = named || finding["message"].toString().contains(QString::fromUtf8(odd.filename().string()));
    EXPECT_TRUE(named) << json.out;
}

TEST_F(CliTest, ResaveDropsNoLineUnlessForcedAndThenListsEach) {
    const std::string dropping =
        "bomba,200,40\nstart,320,120\n\nBomba,1,1\nstart,2,2\nbomba,99999999999,1\nmoneda,3,3\n";
    const std::string marked = kRound + "bomba,210\r\n\x1a\r\nmoneda,3,3";
    Write("levels/Level3.lev", dropping);
    Write("levels/Level4.lev", "bomba,200,40\r\n");
    Write("levels/Level5.lev", marked);
    Write("levels/Level6.lev", kRound + "\x1a");
    Write("levels/Level7.lev", kRound);
    struct stat before {};
    ASSERT_EQ(stat((folder_ / "levels/Level7.lev").c_str(), &before), 0);
    const std::vector<std::string> drops = {
        "levels/Level3.lev:4:1: %s: a save drops this line: 'Bomba,1,1' [unknown-keyword]",
        "levels/Level3.lev:5:1: %s: a save drops this line: 'start,2,2' [over-limit]",
        "levels/Level3.lev:6:1: %s: a save drops this line: 'bomba,99999999999,1' [out-of-range]",
        "levels/Level3.lev:7:1: %s: a save drops this line: 'moneda,3,3' [unread-lines]"};
    const std::vector<std::string> marks = {
        "levels/Level5.lev:3:1: %s: 'bomba' has no second coordinate: the editor reads the first twice, so it loads at "
        "210,210 [missing-field]",
        "levels/Level5.lev:4:1: %s: a save drops this line: '\\x1a' [end-of-file-mark]",
        "levels/Level5.lev:5:1: %s: a save drops this line: 'moneda,3,3' [end-of-file-mark]"};
    const auto as = [](std::vector<std::string> lines, const std::string& severity) {
        for (std::string& line : lines) line.replace(line.find("%s"), 2, severity);
        return lines;
    };
    const auto joined = [](std::initializer_list<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    const std::vector<std::string> refused = {"levels/Level4.lev: error: not saved, as the editor refuses to save "
                                              "this round: \"Where is Trom?\" [no-hero]"};

    const ToolRun run = Tool({"resave", "3-7"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.Lines(),
              joined({as(drops, "error"), {"levels/Level3.lev: not saved, as a save would drop 4 lines; --force saves without them"},
                      refused, as(marks, "error"),
                      {"levels/Level5.lev: not saved, as a save would drop 2 lines and change what 1 line means; "
                       "--force saves what the editor loads",
                       "levels/Level6.lev:3:1: warning: a save drops this line: '\\x1a' [end-of-file-mark]",
                       "levels/Level6.lev: saved", "5 rounds: 1 saved, 1 unchanged, 3 refused, 0 without a level file"}}));
    EXPECT_EQ(Read("levels/Level3.lev"), dropping);
    EXPECT_EQ(Read("levels/Level5.lev"), marked);
    EXPECT_EQ(Read("levels/Level6.lev"), kRound);

    const ToolRun forced = Tool({"resave", "--force", "3-7"});
    EXPECT_EQ(forced.status, 1);
    EXPECT_EQ(forced.Lines(), joined({as(drops, "warning"), {"levels/Level3.lev: saved"}, refused,
                                      as(marks, "warning"),
                                      {"levels/Level5.lev: saved",
                                       "5 rounds: 2 saved, 2 unchanged, 1 refused, 0 without a level file"}}));
    EXPECT_EQ(Read("levels/Level3.lev"), kRound);
    EXPECT_EQ(Read("levels/Level4.lev"), "bomba,200,40\r\n");
    EXPECT_EQ(Read("levels/Level5.lev"), kRound + "bomba,210,210,14,18,1,500\r\n");
    struct stat after {};
    ASSERT_EQ(stat((folder_ / "levels/Level7.lev").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "an unchanged round was rewritten";

    const std::string oneDropped = kRound + "Bomba,1,1\r\n";
    Write("levels/Level8.lev", oneDropped);
    const ToolRun one = Tool({"resave", "8"});
    EXPECT_EQ(one.status, 1);
    EXPECT_NE(one.out.find("levels/Level8.lev: not saved, as a save would drop 1 line;"), std::string::npos) << one.out;
    EXPECT_EQ(Read("levels/Level8.lev"), oneDropped);
}

TEST_F(CliTest, ResaveCheckNamesEveryLineThatWouldChangeAndDiffShowsThem) {
    const std::string changed = "start,320,120\nbomba,200,40,14,18,1,500\n\nBomba,1,1\nbomba,2,2";
    Write("levels/Level3.lev", changed);
    Write("levels/Level4.lev", kRound + "malo1,240,60,20,24,100,200,1\r\n");
    Write("levels/Level5.lev", kRound);
    const ToolRun run = Tool({"resave", "--check"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(
        run.Lines(),
        (std::vector<std::string>{
            "levels/Level3.lev:1:14: error: the file is not as a save writes it: a save ends this line with CR LF [not-as-saved]",
            "levels/Level3.lev:2:25: error: the file is not as a save writes it: a save ends this line with CR LF [not-as-saved]",
            "levels/Level3.lev:3:1: error: the file is not as a save writes it: a save leaves out this empty line [not-as-saved]",
            "levels/Level3.lev:4:1: error: a save drops this line: 'Bomba,1,1' [unknown-keyword]",
            "levels/Level3.lev:5:1: error: the file is not as a save writes it: a save writes this line as 'bomba,2,2,14,18,1,500' [not-as-saved]",
            "levels/Level3.lev: a resave refuses it, as a save would drop 1 line; --force saves without them",
            "levels/Level4.lev:2:1: error: the file is not as a save writes it: a save writes this line elsewhere, with the other objects of its kind [not-as-saved]",
            "14 rounds: 1 would change, 1 unchanged, 1 refused, 11 without a level file"}));
    EXPECT_EQ(Read("levels/Level3.lev"), changed);

    const ToolRun diff = Tool({"resave", "--diff", "3", "5"});
    EXPECT_EQ(diff.status, 1);
    EXPECT_EQ(diff.out,
              "--- a/levels/Level3.lev\n+++ b/levels/Level3.lev\n@@ -1,5 +1,3 @@\n"
              "-start,320,120\n-bomba,200,40,14,18,1,500\n-\n-Bomba,1,1\n-bomba,2,2\n\\ No newline at end of file\n"
              "+start,320,120\r\n+bomba,200,40,14,18,1,500\r\n+bomba,2,2,14,18,1,500\r\n");
    EXPECT_EQ(diff.err, "2 rounds: 0 would change, 1 unchanged, 1 refused, 0 without a level file\n");
    EXPECT_EQ(Read("levels/Level3.lev"), changed);
    // A folder given absolute names the files from the folder, as git apply takes no absolute path.
    EXPECT_EQ(Tool({"-C", folder_.string(), "resave", "--diff", "3"}).out.rfind("--- a/levels/Level3.lev\n", 0), 0u);

    // Changes more than six lines apart make a hunk each, with three lines of context.
    std::vector<std::string> bombs;
    for (int i = 0; i < 9; ++i) bombs.push_back("bomba," + std::to_string(200 + 2 * i) + ",40,14,18,1,500");
    std::string spaced = "start,320,120\r\n";
    for (int i = 0; i < 9; ++i) spaced += bombs[i] + (i == 0 || i == 8 ? "\n" : "\r\n");
    Write("levels/Level3.lev", spaced);
    std::string hunks = "--- a/levels/Level3.lev\n+++ b/levels/Level3.lev\n@@ -1,5 +1,5 @@\n start,320,120\r\n-" +
                        bombs[0] + "\n+" + bombs[0] + "\r\n";
    for (int i = 1; i < 4; ++i) hunks += " " + bombs[i] + "\r\n";
    hunks += "@@ -7,4 +7,4 @@\n";
    for (int i = 5; i < 8; ++i) hunks += " " + bombs[i] + "\r\n";
    hunks += "-" + bombs[8] + "\n+" + bombs[8] + "\r\n";
    EXPECT_EQ(Tool({"resave", "--diff", "3"}).out, hunks);

    Write("levels/Level3.lev", kRound);
    const ToolRun clean = Tool({"resave", "--check", "--diff", "3", "5"});
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.out, "");
    EXPECT_EQ(clean.err, "2 rounds: 0 would change, 2 unchanged, 0 refused, 0 without a level file\n");
}

// Changes six lines apart share a hunk; after a removal, the new side starts a line earlier; a round
// rewritten whole needs no table of its lines squared (the sanitizers reserve too much address space to
// be held to a limit).
TEST_F(CliTest, ResaveDiffGivesTheHunksOfDiffU) {
    const auto bombs = [](int from, int to, const char* end) {
        std::string lines;
        for (int i = from; i < to; ++i) lines += "bomba," + std::to_string(200 + 2 * i) + ",40,14,18,1,500" + end;
        return lines;
    };
    std::string wholeRewrite = "start,320,120\nbomba,200,40\n";
    for (int i = 0; i < 30000; ++i) wholeRewrite += "malo1,300," + std::to_string(i % 200) + ",20,24,100,200,1\n";
    const std::string rounds[] = {
        "start,320,120\r\n" + bombs(0, 1, "\n") + bombs(1, 7, "\r\n") + bombs(7, 8, "\n"),
        "start,320,120\r\n\r\n" + bombs(0, 8, "\r\n") + bombs(8, 9, "\n"),
        wholeRewrite,
    };
#ifdef BLASTRIX_SANITIZED
    const std::vector<std::string> limit;
#else
    // wine reserves more address space than the limit allows.
    const std::vector<std::string> limit =
        WindowsTool() ? std::vector<std::string>{} : std::vector<std::string>{"prlimit", "--as=1073741824"};
#endif
    const auto hunks = [](const std::string& diff) { return diff.substr(diff.find("\n@@") + 1); };
    for (const std::string& round : rounds) {
        Write("levels/Level3.lev", round);
        Write("old.lev", round);
        const ToolRun diff = Tool({"resave", "--diff", "3"}, {}, limit);
        EXPECT_EQ(diff.status, 0) << diff.err;
        ASSERT_EQ(Tool({"resave", "3"}).status, 0);
        const ToolRun expected = Run({"diff", "-u", "old.lev", "levels/Level3.lev"});
        ASSERT_EQ(expected.status, 1);
        // Not EXPECT_EQ: a round rewritten whole makes megabytes of hunks to print.
        EXPECT_TRUE(hunks(diff.out) == hunks(expected.out)) << "the hunks differ from diff -u's:\n"
                                                            << diff.out.substr(0, 2000);
    }
}

TEST_F(CliTest, RenderGivesTheSameBytesEveryTimeAFileARoundAndScalesByWholePixels) {
    if (!ToolRenders()) GTEST_SKIP() << kRenderOnly;
    Write("levels/Level3.lev", kRound + "malo1,300,100,20,24,100,200,1\r\n");
    WriteBackground("levels/Level3.png", 278, 252);
    ASSERT_EQ(Tool({"render", "3"}).status, 0);
    const std::string first = Read("round3.png");
    ASSERT_EQ(Tool({"render", "3", "-oagain.png"}).status, 0);
    EXPECT_EQ(Read("again.png"), first);
    const ToolRun piped = Tool({"render", "3", "-o", "-"});
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out, first);

    ASSERT_EQ(Tool({"render", "2-3"}).status, 0);
    EXPECT_TRUE(fs::exists(folder_ / "round2.png"));
    EXPECT_EQ(Read("round3.png"), first);

    ASSERT_EQ(Tool({"render", "3", "--scale", "3", "-o", "big.png"}).status, 0);
    const files::RgbaImage small = files::DecodePngFile((folder_ / "round3.png").string());
    const files::RgbaImage big = files::DecodePngFile((folder_ / "big.png").string());
    ASSERT_EQ(small.width, 278);
    ASSERT_EQ(small.height, 252);
    ASSERT_EQ(big.width, 3 * 278);
    ASSERT_EQ(big.height, 3 * 252);
    int differing = 0;
    for (int y = 0; y < big.height; ++y)
        for (int x = 0; x < big.width; ++x)
            for (int c = 0; c < 4; ++c)
                differing += big.pixels[(static_cast<std::size_t>(y) * big.width + x) * 4 + c] !=
                             small.pixels[(static_cast<std::size_t>(y / 3) * small.width + x / 3) * 4 + c];
    EXPECT_EQ(differing, 0);
}

TEST_F(CliTest, RenderToAnUnwritablePlaceFailsWithTheSystemsText) {
    if (!ToolRenders()) GTEST_SKIP() << kRenderOnly;
    Write("levels/Level3.lev", kRound);
    const ToolRun missing = Tool({"render", "3", "-o", "no/such/dir/round.png"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err,
              "blastrix-level: no/such/dir/round.png is not written: finding its folder failed: No such file or "
              "directory\n");
    fs::create_directory(folder_ / "taken.png");
    const ToolRun directory = Tool({"render", "3", "-o", "taken.png"});
    EXPECT_EQ(directory.status, 2);
    EXPECT_EQ(directory.err, "blastrix-level: taken.png is not written: opening it failed: Is a directory\n");
    fs::resize_file(folder_ / "levels/Level3.lev", std::uintmax_t{1} << 40);
    const ToolRun large = Tool({"render", "3"});
    EXPECT_EQ(large.status, 2);
    EXPECT_EQ(large.err, "blastrix-level: levels/Level3.lev is not drawn: it holds 1099511627776 bytes, more than the "
                         "256 MiB this tool reads\n");
}

}  // namespace
TEST_F(CliTest, RenderAndDiffPictureSayTheyNeedQtGuiWhereTheToolHasNone) {
    if (ToolRenders()) GTEST_SKIP() << "the tool under test was built with Qt Gui";
    Write("levels/Level3.lev", kRound);
    const std::string said =
        "blastrix-level: this blastrix-level was built without Qt Gui: render and diff -o are not available\n";
    for (const std::vector<std::string>& picture :
         {std::vector<std::string>{"render", "3"}, {"diff", "levels/Level3.lev", "levels/Level3.lev", "-o", "x.png"}}) {
        const ToolRun run = Tool(picture);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, said);
    }
    EXPECT_FALSE(fs::exists(folder_ / "round3.png"));
}

}  // namespace cli_testing
