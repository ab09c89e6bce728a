// diff as a user and git run it: the words and the exit status, the marked picture against render's,
// and git's own output with the tool set up as its diff driver for level files.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <cstdint>
#include <map>

#include "clifixture.h"
#include "pngdecoder.h"

namespace cli_testing {
namespace {

namespace fs = std::filesystem;

const std::string kOld =
    "start,320,120\r\nmalo1,240,60,20,24,100,200,1\r\nbomba,200,40,14,18,1,500\r\nbomba,400,40,14,18,1,500\r\n";
const std::string kNew =
    "start,320,120\r\nbomba,260,40,14,18,1,500\r\nbomba,400,40,14,18,1,500\r\nmoneda,300,150,14,14,1,200\r\n";

const std::string kRow =
    "start,320,120\r\nmalo1,240,60\r\nmalo1,260,60\r\nbomba,200,40\r\nbomba,300,40\r\nbomba,400,40\r\n";

struct WordsCase {
    const char* name;
    std::string before;
    std::string after;  // "-": new.lev is missing
    int status;
    std::string said;  // standard output, then standard error
};

const WordsCase kWordsCases[] = {
    {"Changed", kOld, kNew, 1,
     "old.lev:2:1: note: removed malo1 at 240,60 [removed]\n"
     "new.lev:2:1: note: moved bomba from 200,40 to 260,40 [moved]\n"
     "new.lev:4:1: note: added moneda at 300,150 [added]\n"
     "1 moved, 1 added, 1 removed, 0 changed\n"},
    {"FormOnly", kOld,
     "start,320,120\nstart,1,1\nmalo1,$F0,60,20,24,100,200,1\nbomba,0xC8,40,14,18,1,500\nBomba,1,1\nbomba,400,40,14,18,1,500\n", 0,
     "new.lev: note: no object changed: the files differ only in form [unchanged]\n0 moved, 0 added, 0 removed, 0 changed\n"},
    // The game reads the fields the editor skips.
    {"FieldsTheGameReads", kOld,
     "start,320,120\r\nmalo1,240,60,20,24,150,90,3\r\nbomba,200,40\r\nbomba,402,40,14,18,1,500,7\r\n", 1,
     "new.lev:2:1: note: changed malo1 at 240,60: 100,200,1 \u2192 150,90,3 [changed]\n"
     "new.lev:3:1: note: changed bomba at 200,40: 14,18,1,500 \u2192 nothing [changed]\n"
     "new.lev:4:1: note: moved bomba from 400,40 to 402,40 [moved]\n"
     "new.lev:4:1: note: changed bomba at 402,40: 500 \u2192 500,7 [changed]\n"
     "1 moved, 0 added, 0 removed, 3 changed\n"},
    {"NewStopsBeingRead", kOld,
     "start,320,120\r\nmalo1,240,60,20,24,100,200,1\r\nbomba,200,40 ,14,18,1,500\r\nbomba,400,40,14,18,1,500\r\n", 1,
     "old.lev:3:1: note: removed bomba at 200,40 [removed]\n"
     "old.lev:4:1: note: removed bomba at 400,40 [removed]\n"
     "new.lev:3:11: error: '40 ' is not an integer, so the editor stops reading here [not-an-integer]\n"
     "new.lev:3:1: note: the editor never reads the 1 line after this one [unread-lines]\n"
     "0 moved, 0 added, 2 removed, 0 changed\n"},
    {"NotALevelFile", kOld, "#include <stdio.h>\nint main(void) { return 0; }\n", 2,
     "blastrix-level: new.lev is not a level file: no line of it starts with a keyword the editor reads\n"},
    {"BinaryFile", std::string("start,320,120\r\n\0\r\n", 17), kOld, 2,
     "blastrix-level: old.lev is not a level file: it holds a zero byte, as binary files do\n"},
    {"PlatformLengthsAreKinds", "plataforma,300,140,50,10,1,1\r\n", "plataforma,300,140,75,10,1,2\r\n", 1,
     "new.lev:1:1: note: added plataforma (75 wide) at 300,140 [added]\n"
     "old.lev:1:1: note: removed plataforma (50 wide) at 300,140 [removed]\n"
     "0 moved, 1 added, 1 removed, 0 changed\n"},
    // As few changes could pair these otherwise: the moves are those of the least distance.
    {"DeletedBeside", kRow, "start,320,120\r\nmalo1,240,60\r\nmalo1,260,60\r\nbomba,200,40\r\nbomba,406,40\r\n", 1,
     "new.lev:5:1: note: moved bomba from 400,40 to 406,40 [moved]\n"
     "old.lev:5:1: note: removed bomba at 300,40 [removed]\n"
     "1 moved, 0 added, 1 removed, 0 changed\n"},
    // The drags made: 260 onto 240 and 200 to 220, not 260 to 220 and 200 to 240.
    {"NearestOfTheFewest", "bomba,260,40\r\nbomba,200,40\r\nbomba,240,40\r\n",
     "bomba,240,40\r\nbomba,220,40\r\nbomba,240,40\r\n", 1,
     "new.lev:2:1: note: moved bomba from 200,40 to 220,40 [moved]\n"
     "new.lev:3:1: note: moved bomba from 260,40 to 240,40 [moved]\n"
     "2 moved, 0 added, 0 removed, 0 changed\n"},
    {"NearestCountsBothAxes", "bomba,200,40\r\nbomba,300,200\r\n", "bomba,300,42\r\nbomba,200,202\r\n", 1,
     "new.lev:1:1: note: moved bomba from 200,40 to 300,42 [moved]\n"
     "new.lev:2:1: note: moved bomba from 300,200 to 200,202 [moved]\n"
     "2 moved, 0 added, 0 removed, 0 changed\n"},
    {"DeletedAndAddedElsewhere", kRow,
     "start,320,120\r\nmalo1,240,60\r\nmalo1,260,60\r\nbomba,300,40\r\nbomba,400,40\r\nbomba,402,42\r\n", 1,
     "new.lev:6:1: note: moved bomba from 200,40 to 402,42 [moved]\n1 moved, 0 added, 0 removed, 0 changed\n"},
    {"Unreadable", kOld, "-", 2, "blastrix-level: cannot read new.lev: no such file\n"},
};

TEST_F(CliTest, DiffTellsTheChangesAndExitsAsDiffDoes) {
    for (const WordsCase& c : kWordsCases) {
        Write("old.lev", c.before);
        fs::remove(folder_ / "new.lev");
        if (c.after != "-") Write("new.lev", c.after);
        const ToolRun run = Tool({"diff", "old.lev", "new.lev"});
        EXPECT_EQ(run.status, c.status) << c.name;
        EXPECT_EQ(run.out + run.err, c.said) << c.name;
    }
}

TEST_F(CliTest, DiffAsJsonGivesTheSameChanges) {
    Write("old.lev", kOld);
    Write("new.lev", kNew + "bomba,x,1\r\n");
    const ToolRun run = Tool({"diff", "--format", "json", "old.lev", "new.lev"});
    EXPECT_EQ(run.status, 1);
    const QJsonObject document = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    EXPECT_EQ(document["moved"].toInt(), 1);
    EXPECT_EQ(document["removed"].toInt(), 1);
    const QJsonObject move = document["changes"].toArray()[1].toObject();
    EXPECT_EQ(move["keyword"].toString(), "bomba");
    EXPECT_EQ(move["from"].toObject()["x"].toInt(), 200);
    EXPECT_EQ(move["to"].toObject()["x"].toInt(), 260);
    EXPECT_EQ(move["to"].toObject()["line"].toInt(), 2);
    EXPECT_EQ(move["to"].toObject()["fields"].toString(), ",14,18,1,500");
    EXPECT_EQ(document["stops"].toArray()[0].toObject()["code"].toString(), "not-an-integer");
}

using Box = std::array<int, 4>;  // left, top, width and height in window coordinates

bool In(const Box& b, int x, int y, int grow = 0) {
    return x >= b[0] - grow && x < b[0] + b[2] + grow && y >= b[1] - grow && y < b[1] + b[3] + grow;
}

TEST_F(CliTest, DiffPictureIsRenderWithTheChangesMarked) {
    if (!ToolRenders()) GTEST_SKIP() << kRenderOnly;
    // The game folder's names in any case, as the editor finds them.
    fs::remove(folder_ / "levels");
    Write("old.lev", kOld);
    Write("LEVELS/Level3.lev", kNew);
    WriteBackground("LEVELS/Level3.png", 278, 252);
    ASSERT_EQ(Tool({"render", "3", "-o", "render.png"}).status, 0);
    ASSERT_EQ(Tool({"diff", "old.lev", "LEVELS/Level3.lev", "-o", "diff.png"}).status, 1);
    // -C: where the paths start, and the game folder holds the art.
    EXPECT_TRUE(Tool({"-C", "LEVELS", "diff", "../old.lev", "Level3.lev", "-o", "-"}).out == Read("diff.png"));
    const files::RgbaImage render = files::DecodePngFile((folder_ / "render.png").string());
    const files::RgbaImage diff = files::DecodePngFile((folder_ / "diff.png").string());
    ASSERT_EQ(diff.width, render.width);
    ASSERT_EQ(diff.height, render.height);
    const auto at = [](const files::RgbaImage& image, int x, int y) {
        const std::uint8_t* p = &image.pixels[(static_cast<std::size_t>(y - 10) * image.width + (x - 191)) * 4];
        return std::vector<int>(p, p + 4);
    };

    // Every pixel is render's but for the outlines of the removed, added and moved objects, the faded
    // objects at their old places and the line of the move, along y 49 from the old bomb's centre.
    const Box removed{240, 60, 20, 24};
    const Box moved{200, 40, 14, 18};
    const std::pair<Box, std::vector<int>> outlines[] = {{removed, {0xff, 0x20, 0x20, 0xff}},
                                                         {{300, 150, 14, 14}, {0x20, 0xe0, 0x20, 0xff}},
                                                         {{260, 40, 14, 18}, {0xff, 0xb0, 0x00, 0xff}}};
    int wrong = 0;
    std::map<const Box*, int> faded;
    for (int y = 10; y < 10 + render.height; ++y)
        for (int x = 191; x < 191 + render.width; ++x) {
            std::vector<int> want = at(render, x, y);
            bool outline = false;
            for (const auto& [box, colour] : outlines)
                if (!outline && In(box, x, y, 1) && !In(box, x, y)) want = colour, outline = true;
            const bool line = y == 49 && x >= 207 && x <= 267;
            for (const Box* box : {&removed, &moved})
                if (!outline && !line && In(*box, x, y)) faded[box] += at(diff, x, y) != want;
            if (outline || !(In(removed, x, y) || In(moved, x, y) || line)) wrong += at(diff, x, y) != want;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(faded[&removed], 0) << "the removed enemy is not shown at its old place";
    EXPECT_GT(faded[&moved], 0) << "the moved bomb is not shown at its old place";

    // From the right edge of the coordinates, the line of a move comes in from the right.
    Write("far.lev", std::string(kNew).replace(kNew.find("260"), 3, "2147483647"));
    ASSERT_EQ(Tool({"diff", "far.lev", "LEVELS/Level3.lev", "-o", "far.png"}).status, 1);
    const files::RgbaImage far = files::DecodePngFile((folder_ / "far.png").string());
    EXPECT_EQ(at(far, 350, 49), (std::vector<int>{0xff, 0xb0, 0x00, 0xff}));
    EXPECT_EQ(at(far, 230, 49), at(render, 230, 49));

    // A picture says what it lacks.
    EXPECT_EQ(Tool({"diff", "old.lev", "far.lev", "-o", "x.png"}).err,
              "blastrix-level: the picture has no background: neither NEW's nor OLD's name is a round's level file "
              "(LevelN.lev)\n");
    EXPECT_EQ(Tool({"-C", "data", "diff", "../old.lev", "../far.lev", "-o", "x.png"}).err,
              "blastrix-level: the picture has no background and no sprites: 'data' is no game folder (it has no "
              "levels directory); name NEW in a game's levels/, or the game folder with -C\n");
}

TEST_F(CliTest, GitDiffSpeaksRoundsWithTheToolAsItsDriver) {
    const fs::path repo = folder_ / "game";
    const auto git = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"git", "-c", "user.name=Designer", "-c", "user.email=d@example.org"});
        return Run(arguments, repo);
    };
    fs::create_directories(repo);
    ASSERT_EQ(git({"init", "-q"}).status, 0);
    ASSERT_EQ(git({"config", "diff.blastrix.command", std::string(BLASTRIX_LEVEL_EXE) + " diff --git --"}).status, 0);
    Write("game/.gitattributes", "*.lev diff=blastrix\n");
    Write("game/levels/Level3.lev", kOld);
    ASSERT_EQ(git({"add", "-A"}).status, 0);
    ASSERT_EQ(git({"commit", "-qm", "round 3"}).status, 0);

    // A removal is at OLD's line: a/ names OLD, b/ NEW, as in git's own patches.
    Write("game/levels/Level3.lev", kNew);
    const ToolRun changed = git({"diff"});
    EXPECT_EQ(changed.status, 0) << changed.err;
    EXPECT_EQ(changed.out,
              "diff a/levels/Level3.lev b/levels/Level3.lev\n"
              "a/levels/Level3.lev:2:1: note: removed malo1 at 240,60 [removed]\n"
              "b/levels/Level3.lev:2:1: note: moved bomba from 200,40 to 260,40 [moved]\n"
              "b/levels/Level3.lev:4:1: note: added moneda at 300,150 [added]\n"
              "levels/Level3.lev: 1 moved, 1 added, 1 removed, 0 changed\n");

    Write("game/levels/Level4.lev", "start,320,120\r\n");
    Write("game/-draft.lev", "start,320,120\r\n");
    ASSERT_EQ(git({"rm", "-q", "--cached", "levels/Level3.lev"}).status, 0);
    ASSERT_EQ(git({"add", "--", "levels/Level4.lev", "-draft.lev"}).status, 0);
    const ToolRun whole = git({"diff", "--cached"});
    EXPECT_EQ(whole.status, 0) << whole.err;
    EXPECT_EQ(whole.out,
              "diff a/-draft.lev b/-draft.lev\n"
              "b/-draft.lev:1:1: note: added start at 320,120 [added]\n"
              "-draft.lev: 0 moved, 1 added, 0 removed, 0 changed\n"
              "diff a/levels/Level3.lev b/levels/Level3.lev\n"
              "a/levels/Level3.lev:1:1: note: removed start at 320,120 [removed]\n"
              "a/levels/Level3.lev:2:1: note: removed malo1 at 240,60 [removed]\n"
              "a/levels/Level3.lev:3:1: note: removed bomba at 200,40 [removed]\n"
              "a/levels/Level3.lev:4:1: note: removed bomba at 400,40 [removed]\n"
              "levels/Level3.lev: 0 moved, 0 added, 4 removed, 0 changed\n"
              "diff a/levels/Level4.lev b/levels/Level4.lev\n"
              "b/levels/Level4.lev:1:1: note: added start at 320,120 [added]\n"
              "levels/Level4.lev: 0 moved, 1 added, 0 removed, 0 changed\n");

    ASSERT_EQ(git({"commit", "-qm", "round 4"}).status, 0);
    ASSERT_EQ(git({"mv", "levels/Level4.lev", "levels/Level5.lev"}).status, 0);
    for (const std::vector<std::string>& command : {std::vector<std::string>{"diff", "--cached"}, {"diff", "--cached", "-M"}}) {
        const ToolRun renamed = git(command);
        EXPECT_EQ(renamed.status, 0) << renamed.err;
        EXPECT_EQ(renamed.out,
                  "diff a/levels/Level4.lev b/levels/Level5.lev\n"
                  "b/levels/Level5.lev: note: no object changed: the files are the same [unchanged]\n"
                  "levels/Level5.lev: 0 moved, 0 added, 0 removed, 0 changed\n");
    }
}

}  // namespace
}  // namespace cli_testing
