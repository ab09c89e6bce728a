// diff as a user and git run it: the words and the exit status, the marked picture against render's,
// and git's own output with the tool set up as its diff driver for level files.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <cstdint>

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
     "1 moved, 1 added, 1 removed\n"},
    {"FormOnly", kOld, "start,320,120\nstart,1,1\nmalo1,$F0,60\nbomba,0xC8,40\nBomba,1,1\nbomba,400,40\n", 0,
     "new.lev: note: no object changed: the files differ only in form [unchanged]\n0 moved, 0 added, 0 removed\n"},
    {"PlatformLengthsAreKinds", "plataforma,300,140,50,10,1,1\r\n", "plataforma,300,140,75,10,1,2\r\n", 1,
     "new.lev:1:1: note: added plataforma (75 wide) at 300,140 [added]\n"
     "old.lev:1:1: note: removed plataforma (50 wide) at 300,140 [removed]\n"
     "0 moved, 1 added, 1 removed\n"},
    // As few changes could pair these otherwise: an object goes to the nearest place, within its
    // unchanged neighbours first.
    {"DeletedBeside", kRow, "start,320,120\r\nmalo1,240,60\r\nmalo1,260,60\r\nbomba,200,40\r\nbomba,406,40\r\n", 1,
     "new.lev:5:1: note: moved bomba from 400,40 to 406,40 [moved]\n"
     "old.lev:5:1: note: removed bomba at 300,40 [removed]\n"
     "1 moved, 0 added, 1 removed\n"},
    {"DeletedAndAddedElsewhere", kRow,
     "start,320,120\r\nmalo1,240,60\r\nmalo1,260,60\r\nbomba,300,40\r\nbomba,400,40\r\nbomba,402,42\r\n", 1,
     "new.lev:6:1: note: moved bomba from 200,40 to 402,42 [moved]\n1 moved, 0 added, 0 removed\n"},
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
    Write("new.lev", kNew);
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
}

using Box = std::array<int, 4>;  // left, top, width and height in window coordinates

bool In(const Box& b, int x, int y, int grow = 0) {
    return x >= b[0] - grow && x < b[0] + b[2] + grow && y >= b[1] - grow && y < b[1] + b[3] + grow;
}

TEST_F(CliTest, DiffPictureIsRenderWithTheChangesMarked) {
    if (!ToolRenders()) GTEST_SKIP() << kRenderOnly;
    Write("old.lev", kOld);
    Write("levels/Level3.lev", kNew);
    WriteBackground("levels/Level3.png", 278, 252);
    ASSERT_EQ(Tool({"render", "3", "-o", "render.png"}).status, 0);
    ASSERT_EQ(Tool({"diff", "old.lev", "levels/Level3.lev", "-o", "diff.png"}).status, 1);
    EXPECT_EQ(Tool({"diff", "old.lev", "levels/Level3.lev", "-o", "-"}).out, Read("diff.png"));
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
    const std::pair<Box, std::vector<int>> outlines[] = {{removed, {0xff, 0x20, 0x20, 0xff}},
                                                         {{300, 150, 14, 14}, {0x20, 0xe0, 0x20, 0xff}},
                                                         {{260, 40, 14, 18}, {0xff, 0xb0, 0x00, 0xff}}};
    int wrong = 0;
    int faded = 0;
    for (int y = 10; y < 10 + render.height; ++y)
        for (int x = 191; x < 191 + render.width; ++x) {
            std::vector<int> want = at(render, x, y);
            bool outline = false;
            for (const auto& [box, colour] : outlines)
                if (!outline && In(box, x, y, 1) && !In(box, x, y)) want = colour, outline = true;
            if (!outline && In(removed, x, y))
                faded += at(diff, x, y) != want;
            else if (outline || !(In(Box{200, 40, 14, 18}, x, y) || (y == 49 && x >= 207 && x <= 267)))
                wrong += at(diff, x, y) != want;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(faded, 0) << "the removed enemy is not shown at its old place";
}

TEST_F(CliTest, GitDiffSpeaksRoundsWithTheToolAsItsDriver) {
    const fs::path repo = folder_ / "game";
    const auto git = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"git", "-c", "user.name=Designer", "-c", "user.email=d@example.org"});
        return Run(arguments, repo);
    };
    fs::create_directories(repo);
    ASSERT_EQ(git({"init", "-q"}).status, 0);
    ASSERT_EQ(git({"config", "diff.blastrix.command", std::string(BLASTRIX_LEVEL_EXE) + " diff --git"}).status, 0);
    Write("game/.gitattributes", "*.lev diff=blastrix\n");
    Write("game/levels/Level3.lev", kOld);
    ASSERT_EQ(git({"add", "-A"}).status, 0);
    ASSERT_EQ(git({"commit", "-qm", "round 3"}).status, 0);

    Write("game/levels/Level3.lev", kNew);
    const ToolRun changed = git({"diff"});
    EXPECT_EQ(changed.status, 0) << changed.err;
    EXPECT_EQ(changed.out,
              "levels/Level3.lev:2:1: note: removed malo1 at 240,60 [removed]\n"
              "levels/Level3.lev:2:1: note: moved bomba from 200,40 to 260,40 [moved]\n"
              "levels/Level3.lev:4:1: note: added moneda at 300,150 [added]\n"
              "1 moved, 1 added, 1 removed\n");

    Write("game/levels/Level4.lev", "start,320,120\r\n");
    ASSERT_EQ(git({"rm", "-q", "--cached", "levels/Level3.lev"}).status, 0);
    ASSERT_EQ(git({"add", "levels/Level4.lev"}).status, 0);
    const ToolRun whole = git({"diff", "--cached"});
    EXPECT_EQ(whole.status, 0) << whole.err;
    EXPECT_EQ(whole.out,
              "levels/Level3.lev:1:1: note: removed start at 320,120 [removed]\n"
              "levels/Level3.lev:2:1: note: removed malo1 at 240,60 [removed]\n"
              "levels/Level3.lev:3:1: note: removed bomba at 200,40 [removed]\n"
              "levels/Level3.lev:4:1: note: removed bomba at 400,40 [removed]\n"
              "0 moved, 0 added, 4 removed\n"
              "levels/Level4.lev:1:1: note: added start at 320,120 [added]\n"
              "0 moved, 1 added, 0 removed\n");
}

}  // namespace
}  // namespace cli_testing
