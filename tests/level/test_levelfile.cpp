#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bytesread.h"
#include "levelfile.h"
#include "recordinghost.h"
#include "hostlimits.h"

namespace {

using level::ListId;
using testing_support::CrlfLines;
using testing_support::Placements;
using testing_support::ReadFile;
using testing_support::RecordingHost;
using testing_support::TemporaryDirectory;
using Strings = std::vector<std::string>;


const Strings kExample = {"start,320,120",
                          "malo1,240,60,20,24,100,200,1",
                          "malo2,400,200,32,26,1",
                          "bomba,200,40,14,18,1,500",
                          "bomba,420,40,14,18,1,500",
                          "moneda,300,150,14,14,1,200",
                          "plataforma,300,140,50,10,1,1"};

class LevelFileTest : public ::testing::Test {
protected:
    TemporaryDirectory dir;
    RecordingHost host;
    level::Level lvl{host, dir.Path()};

    void Place(int tag, std::int32_t x, std::int32_t y) {
        lvl.pendingX = x;
        lvl.pendingY = y;
        ASSERT_NE(lvl.CreateObject(tag), nullptr) << "tag " << tag;
    }
    std::string Sprite(const char* file) const { return "picture " + dir.Path() + "data/" + file; }
};

TEST_F(LevelFileTest, LoadingThenSavingGivesTheSameBytes) {
    dir.MakeDirectory("levels");
    const std::string bytes = CrlfLines(kExample);
    dir.WriteFile("levels/Level3.lev", bytes);

    level::LoadLevel(lvl, 3);

    EXPECT_EQ(host.calls, (Strings{"busy on",
                                   "make 8 320,120,24x24", Sprite("trom.png"),
                                   "make 9 240,60,20x24", Sprite("malo1.png"),
                                   "make 10 400,200,32x26", Sprite("malo2.png"),
                                   "make 1 200,40,14x18", Sprite("bomba.png"),
                                   "make 1 420,40,14x18", Sprite("bomba.png"),
                                   "make 2 300,150,14x14", Sprite("moneda.png"),
                                   "make 5 300,140,50x10", Sprite("50.png"),
                                   "busy off"}));
    ASSERT_TRUE(level::SaveLevel(lvl, 4));
    EXPECT_EQ(ReadFile(dir.Path() + "levels/Level4.lev"), bytes);
}

TEST_F(LevelFileTest, LineFeedOnlyFileLoadsAlikeAndIsSavedWithCrLf) {
    dir.MakeDirectory("levels");
    std::string lfOnly;
    for (const std::string& line : kExample) lfOnly += line + "\n";
    lfOnly.pop_back();
    dir.WriteFile("levels/Level3.lev", lfOnly);

    level::LoadLevel(lvl, 3);

    EXPECT_EQ(lvl.ObjectCount(), kExample.size());
    ASSERT_TRUE(level::SaveLevel(lvl, 3));
    EXPECT_EQ(ReadFile(dir.Path() + "levels/Level3.lev"), CrlfLines(kExample));
}

TEST_F(LevelFileTest, SavedFileListsHeroFirstAndPlatformsLastWhateverTheCreationOrder) {
    dir.MakeDirectory("levels");
    Place(level::kPlatform100Tag, 15, 16);
    Place(level::kPlatform75Tag, 17, 18);
    Place(level::kPlatform50Tag, 19, 20);
    Place(level::kPowerTag, 13, 14);
    Place(level::kBoostTag, 11, 12);
    Place(level::kCoinTag, 9, 10);
    Place(level::kBombTag, 7, 8);
    Place(level::kEnemy2Tag, 5, 6);
    Place(level::kEnemy1Tag, 3, 4);
    Place(level::kBombTag, -7, -8);
    Place(level::kEnemy1Tag, 30, 40);
    Place(level::kHeroTag, 1, 2);

    ASSERT_TRUE(level::SaveLevel(lvl, 1));

    EXPECT_EQ(ReadFile(dir.Path() + "levels/Level1.lev"),
              "start,1,2\r\n"
              "malo1,3,4,20,24,100,200,1\r\n"
              "malo1,30,40,20,24,100,200,1\r\n"
              "malo2,5,6,32,26,1\r\n"
              "bomba,7,8,14,18,1,500\r\n"
              "bomba,-7,-8,14,18,1,500\r\n"
              "moneda,9,10,14,14,1,200\r\n"
              "boost,11,12,14,14,1,0\r\n"
              "power,13,14,14,14,1,0\r\n"
              "plataforma,15,16,100,10,1,3\r\n"
              "plataforma,17,18,75,10,1,2\r\n"
              "plataforma,19,20,50,10,1,1\r\n");
    EXPECT_EQ(host.calls.back(), "busy off");
    EXPECT_EQ(host.calls[host.calls.size() - 2], "busy on");
}

TEST_F(LevelFileTest, SavingWritesSizesFromTheKindNotFromTheLoadedLine) {
    dir.MakeDirectory("levels");
    dir.WriteFile("levels/Level2.lev",
                  "malo2,1,2,99,99,1\nmalo1,3,4,99,99,5,5,5\nbomba,5,6,1,1,0,0\nstart,7,8,9\n"
                  "plataforma,9,10,100,99,7,1\n");
    level::LoadLevel(lvl, 2);
    ASSERT_TRUE(level::SaveLevel(lvl, 2));
    EXPECT_EQ(ReadFile(dir.Path() + "levels/Level2.lev"),
              "start,7,8\r\nmalo1,3,4,20,24,100,200,1\r\nmalo2,1,2,32,26,1\r\nbomba,5,6,14,18,1,500\r\n"
              "plataforma,9,10,50,10,1,1\r\n");
}

TEST_F(LevelFileTest, SavingAShorterLevelLeavesNothingOfTheLongerOne) {
    dir.MakeDirectory("levels");
    Place(level::kHeroTag, 1, 1);
    for (int i = 0; i < 20; ++i) Place(level::kBombTag, 10 + i, 10);
    ASSERT_TRUE(level::SaveLevel(lvl, 5));
    lvl.Clear();
    Place(level::kHeroTag, 2, 2);
    Place(level::kBombTag, 3, 3);
    ASSERT_TRUE(level::SaveLevel(lvl, 5));
    EXPECT_EQ(ReadFile(dir.Path() + "levels/Level5.lev"), CrlfLines({"start,2,2", "bomba,3,3,14,18,1,500"}));
    EXPECT_EQ(dir.Entries("levels"), Strings{"Level5.lev"});
}

struct RefusalCase {
    const char* name;
    std::vector<int> tags;
    std::string dialog;
};

std::ostream& operator<<(std::ostream& out, const RefusalCase& c) { return out << c.name; }

class SaveRefusalTest : public LevelFileTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(SaveRefusalTest, ShowsTheDialogAndWritesNothing) {
    const RefusalCase& c = GetParam();
    dir.MakeDirectory("levels");
    dir.WriteFile("levels/Level6.lev", "start,1,1\r\n");
    for (const int tag : c.tags) ASSERT_NE(lvl.CreateObject(tag), nullptr);
    host.calls.clear();

    EXPECT_FALSE(level::SaveLevel(lvl, 6));
    EXPECT_FALSE(level::SaveLevel(lvl, 7));

    EXPECT_EQ(host.calls, (Strings{c.dialog, c.dialog}));
    EXPECT_EQ(ReadFile(dir.Path() + "levels/Level6.lev"), "start,1,1\r\n");
    EXPECT_EQ(dir.Entries("levels"), Strings{"Level6.lev"});
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, SaveRefusalTest,
    ::testing::Values(RefusalCase{"EmptyLevel", {}, "dialog Confirmation Where is Trom?"},
                      RefusalCase{"BombsButNoHero", {level::kBombTag, level::kEnemy1Tag}, "dialog Confirmation Where is Trom?"},
                      RefusalCase{"NoHeroNoBomb", {level::kCoinTag, level::kPlatform50Tag, level::kEnemy2Tag}, "dialog Confirmation Where is Trom?"},
                      RefusalCase{"HeroButNoBomb", {level::kHeroTag, level::kCoinTag, level::kBoostTag, level::kPowerTag, level::kEnemy1Tag, level::kPlatform100Tag},
                                  "dialog Information You need one bomb at least"}),
    [](const ::testing::TestParamInfo<RefusalCase>& row) { return row.param.name; });

struct LoadCase {
    const char* name;
    std::string file;
    Strings placements;
    std::int32_t pendingX = 0;
    std::int32_t pendingY = 0;
    const char* failingSprite = nullptr;
};

std::ostream& operator<<(std::ostream& out, const LoadCase& c) { return out << c.name; }

class LoadRuleTest : public LevelFileTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadRuleTest, PlacesTheObjectsOfTheLinesItReads) {
    const LoadCase& c = GetParam();
    dir.MakeDirectory("levels");
    dir.WriteFile("levels/Level9.lev", c.file);
    if (c.failingSprite != nullptr) host.failPicturePath = dir.Path() + "data/" + c.failingSprite;

    level::LoadLevel(lvl, 9);

    EXPECT_EQ(Placements(lvl), c.placements);
    EXPECT_EQ(lvl.pendingX, c.pendingX);
    EXPECT_EQ(lvl.pendingY, c.pendingY);
    ASSERT_FALSE(host.calls.empty());
    EXPECT_EQ(host.calls.front(), "busy on");
    EXPECT_EQ(host.calls.back(), "busy off");
}

std::string Repeated(const std::string& line, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += line;
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LoadRuleTest,
    ::testing::Values(
        LoadCase{"KeywordsAreCaseSensitive",
                 "Start,1,1\nBOMBA,2,2\nbomb,3,3\n\n#x\nplataformas,4,4,1,1,1,1\nmoneda,5,6\n",
                 {"2 5,6,14x14"}},
        LoadCase{"SpacesAroundKeywordMakeItUnknown", " start,1,1\nstart ,2,2\nmalo1,3,3", {"9 3,3,20x24"}},
        LoadCase{"BadLeftStopsReading", "start,1,1\nbomba,zz,2\nmoneda,3,3", {"8 1,1,24x24"}},
        LoadCase{"BadTopStopsReadingWithLeftAlreadySet", "start,1,1\nbomba,2,zz\nmoneda,3,3", {"8 1,1,24x24"}, 2, 0},
        LoadCase{"TrailingSpaceIsBad", "bomba,5 ,6\nmoneda,1,1", {}},
        LoadCase{"KeywordAloneIsBad", "start\nbomba,1,1", {}},
        LoadCase{"MissingTopTakesTheLastField", "bomba,5\n", {"1 5,5,14x18"}},
        LoadCase{"ZeroMeansDefault", "bomba,0,0\nmoneda,0,7\n", {"1 320,120,14x18", "2 320,7,14x14"}},
        LoadCase{"CoordinatesAreNotClamped", "start,10,-5\nmalo1,100000,2147483647\nmalo2,-2147483648,1",
                 {"8 10,-5,24x24", "9 100000,2147483647,20x24", "10 -2147483648,1,32x26"}},
        LoadCase{"HexAndLeadingSpaces", "bomba, $10,  -0x20\r\n", {"1 16,-32,14x18"}},
        LoadCase{"PlatformKindComesFromTheLastField",
                 "plataforma,1,2,100,10,1,1\nplataforma,3,4,50,10,1,2\nplataforma,5,6,50,10,1,3\n",
                 {"5 1,2,50x10", "6 3,4,75x10", "7 5,6,100x10"}},
        LoadCase{"ShortPlatformLineTakesSizeFromItsLastField", "plataforma,300,2", {"6 300,2,75x10"}},
        LoadCase{"UnknownPlatformSizeCreatesNothingButReadingGoesOn",
                 "plataforma,300,140,50,10,1,4\nplataforma,1,1,50,10,1, 1\nplataforma,2,2,50,10,1,01\nmoneda,5,6",
                 {"2 5,6,14x14"}},
        LoadCase{"RefusalDoesNotStopReading", "start,1,1\nstart,2,2\nboost,3,3\nboost,4,4\npower,5,5\nbomba,6,7",
                 {"8 1,1,24x24", "1 6,7,14x18", "3 3,3,14x14", "4 5,5,14x14"}},
        LoadCase{"TwentyFirstBombIsRefused", Repeated("bomba,1,1\r\n", 21) + "moneda,2,2\r\n",
                 [] {
                     Strings p(20, "1 1,1,14x18");
                     p.push_back("2 2,2,14x14");
                     return p;
                 }()},
        LoadCase{"TenPlatformsOfAnySize",
                 Repeated("plataforma,1,1,50,10,1,1\n", 4) + Repeated("plataforma,2,2,75,10,1,2\n", 3) +
                     Repeated("plataforma,3,3,100,10,1,3\n", 4) + "bomba,4,4\n",
                 [] {
                     Strings p = {"1 4,4,14x18"};
                     for (int i = 0; i < 4; ++i) p.push_back("5 1,1,50x10");
                     for (int i = 0; i < 3; ++i) p.push_back("6 2,2,75x10");
                     for (int i = 0; i < 3; ++i) p.push_back("7 3,3,100x10");
                     return p;
                 }()},
        LoadCase{"EndOfFileCharacterStopsReading", "start,1,1\r\n\x1a\r\nbomba,2,2\r\n", {"8 1,1,24x24"}},
        LoadCase{"EndOfFileCharacterCutsTheLine", "bomba,7,8\x1a,x,y\nmoneda,1,2", {"1 7,8,14x18", "2 1,2,14x14"}},
        LoadCase{"CarriageReturnInsideKeywordIsDropped", "sta\rrt,1,1\r\n", {"8 1,1,24x24"}},
        LoadCase{"LastLineWithoutLineEnd", "start,1,1\r\nbomba,2,2", {"8 1,1,24x24", "1 2,2,14x18"}},
        LoadCase{"FailingSpriteStopsReading", "start,1,1\nmoneda,2,2\nbomba,3,3", {"8 1,1,24x24"}, 0, 0,
                 "moneda.png"}),
    [](const ::testing::TestParamInfo<LoadCase>& row) { return row.param.name; });

struct PendingAfterLoadCase {
    const char* name;
    std::string lastLine;
    std::int32_t left;
    std::int32_t top;
};

std::ostream& operator<<(std::ostream& out, const PendingAfterLoadCase& c) { return out << c.name; }

class PendingAfterLoadTest : public LevelFileTest, public ::testing::WithParamInterface<PendingAfterLoadCase> {};

TEST_P(PendingAfterLoadTest, NextCreatedObjectLandsWhereTheFileLeftThePosition) {
    const PendingAfterLoadCase& c = GetParam();
    dir.MakeDirectory("levels");
    dir.WriteFile("levels/Level1.lev", "start,1,1\r\n" + c.lastLine + "\r\n");
    level::LoadLevel(lvl, 1);
    ASSERT_EQ(lvl.ObjectCount(), 1u);

    const level::PlacedObject* coin = lvl.CreateObject(level::kCoinTag);

    ASSERT_NE(coin, nullptr);
    EXPECT_EQ(coin->bounds.left, c.left);
    EXPECT_EQ(coin->bounds.top, c.top);
}

INSTANTIATE_TEST_SUITE_P(Files, PendingAfterLoadTest,
                         ::testing::Values(PendingAfterLoadCase{"UnknownPlatformSize", "plataforma,300,140,50,10,1,4", 300, 140},
                                           PendingAfterLoadCase{"BadTop", "bomba,260,x", 260, 120},
                                           PendingAfterLoadCase{"RefusedSecondHero", "start,44,55", 44, 55}),
                         [](const ::testing::TestParamInfo<PendingAfterLoadCase>& row) { return row.param.name; });

TEST_F(LevelFileTest, LoadEmptiesTheLevelAndKeepsThePendingPosition) {
    dir.MakeDirectory("levels");
    dir.WriteFile("levels/Level2.lev", "moneda,7,8\r\nnothing,1,1\r\n");
    Place(level::kHeroTag, 1, 1);
    Place(level::kBombTag, 2, 2);
    lvl.pendingX = 40;
    lvl.pendingY = 50;

    level::LoadLevel(lvl, 1);
    EXPECT_EQ(lvl.ObjectCount(), 0u);
    EXPECT_EQ(lvl.pendingX, 40);
    EXPECT_EQ(lvl.pendingY, 50);

    Place(level::kHeroTag, 1, 1);
    lvl.pendingX = 40;
    lvl.pendingY = 50;
    level::LoadLevel(lvl, 2);
    EXPECT_EQ(Placements(lvl), Strings{"2 7,8,14x14"});
    EXPECT_EQ(lvl.pendingX, 0);
    EXPECT_EQ(lvl.pendingY, 0);
}

TEST_F(LevelFileTest, MissingFileOrDirectoryLeavesAnEmptyLevelBehindTheBusyCursor) {
    Place(level::kHeroTag, 1, 1);
    host.calls.clear();
    level::LoadLevel(lvl, 3);
    dir.MakeDirectory("levels");
    level::LoadLevel(lvl, 3);
    dir.MakeDirectory("levels/Level3.lev");
    level::LoadLevel(lvl, 3);
    std::size_t loads = 3;
#ifndef _WIN32
    // A pipe with no writer would hold the load for ever, and the alarm ends such a run as a failure;
    // a device that never ends is read until memory runs out, which the count of bytes read tells.
    ASSERT_EQ(mkfifo((dir.Path() + "levels/Level4.lev").c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", (dir.Path() + "levels/Level5.lev").c_str()), 0);
    alarm(10);
    level::LoadLevel(lvl, 4);
    const std::optional<std::uint64_t> before = testing_support::BytesReadByThisProcess();
    level::LoadLevel(lvl, 5);
    const std::optional<std::uint64_t> after = testing_support::BytesReadByThisProcess();
    alarm(0);
    if (before && after) {
        EXPECT_LT(*after - *before, 64u * 1024);
    }
    loads += 2;
#endif
    EXPECT_EQ(lvl.ObjectCount(), 0u);
    Strings busyPerLoad;
    for (std::size_t i = 0; i < loads; ++i) busyPerLoad.insert(busyPerLoad.end(), {"busy on", "busy off"});
    EXPECT_EQ(host.calls, busyPerLoad);
}

struct LookupCase {
    const char* directory;
    const char* file;
    int round;
    bool found;
};

std::ostream& operator<<(std::ostream& out, const LookupCase& c) {
    return out << c.directory << "/" << c.file << " for round " << c.round;
}

class LookupTest : public LevelFileTest, public ::testing::WithParamInterface<LookupCase> {};

TEST_P(LookupTest, LoadFindsTheFileIgnoringCase) {
    const LookupCase& c = GetParam();
    dir.MakeDirectory(c.directory);
    dir.WriteFile(std::string(c.directory) + "/" + c.file, "moneda,7,8\r\n");
    level::LoadLevel(lvl, c.round);
    EXPECT_EQ(Placements(lvl), c.found ? Strings{"2 7,8,14x14"} : Strings{});
}

TEST_P(LookupTest, SaveWritesIntoTheExistingFileOrMakesLevelNDotLev) {
    const LookupCase& c = GetParam();
    dir.MakeDirectory(c.directory);
    const std::string existing = std::string(c.directory) + "/" + c.file;
    dir.WriteFile(existing, "old\r\n");
#ifndef _WIN32
    ASSERT_EQ(chmod((dir.Path() + existing).c_str(), 0640), 0);
#endif
    Place(level::kHeroTag, 1, 2);
    Place(level::kBombTag, 3, 4);

    ASSERT_TRUE(level::SaveLevel(lvl, c.round));

    const std::string saved = CrlfLines({"start,1,2", "bomba,3,4,14,18,1,500"});
    const std::string created = "Level" + std::to_string(c.round) + ".lev";
    Strings entries = dir.Entries(c.directory);
    std::sort(entries.begin(), entries.end());
    if (c.found) {
        EXPECT_EQ(entries, Strings{c.file});
        EXPECT_EQ(ReadFile(dir.Path() + existing), saved);
#ifndef _WIN32
        struct stat st {};
        ASSERT_EQ(stat((dir.Path() + existing).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
#endif
    } else {
        Strings expected = {c.file, created};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(entries, expected);
        EXPECT_EQ(ReadFile(dir.Path() + existing), "old\r\n");
        EXPECT_EQ(ReadFile(dir.Path() + c.directory + "/" + created), saved);
    }
}

INSTANTIATE_TEST_SUITE_P(Spellings, LookupTest,
                         ::testing::Values(LookupCase{"levels", "Level3.lev", 3, true},
                                           LookupCase{"levels", "level3.LEV", 3, true},
                                           LookupCase{"Levels", "level3.lev", 3, true},
                                           LookupCase{"LEVELS", "LEVEL3.LEV", 3, true},
                                           LookupCase{"LeVeLs", "lEvEl14.lEv", 14, true},
                                           LookupCase{"levels", "Level10.lev", 10, true},
                                           LookupCase{"levels", "Level03.lev", 3, false},
                                           LookupCase{"levels", "Level30.lev", 3, false},
                                           LookupCase{"levels", "Level3.lev.bak", 3, false},
                                           LookupCase{"levels", "Level1.lev", 10, false}));

// The umask, and the mode a new level file gets under it.
class NewFileTest : public LevelFileTest, public ::testing::WithParamInterface<std::pair<mode_t, mode_t>> {};

TEST_P(NewFileTest, GetsTheUsualPermissions) {
#ifdef _WIN32
    GTEST_SKIP() << kUnixOnly;
#else
    dir.MakeDirectory("Levels");
    Place(level::kHeroTag, 1, 2);
    Place(level::kBombTag, 3, 4);
    const mode_t mask = umask(GetParam().first);
    const bool saved = level::SaveLevel(lvl, 8);
    umask(mask);
    ASSERT_TRUE(saved);
    struct stat st {};
    ASSERT_EQ(stat((dir.Path() + "Levels/Level8.lev").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, GetParam().second);
    EXPECT_EQ(dir.Entries("Levels"), Strings{"Level8.lev"});
#endif
}

INSTANTIATE_TEST_SUITE_P(Umasks, NewFileTest,
                         ::testing::Values(std::pair<mode_t, mode_t>{022, 0644}, std::pair<mode_t, mode_t>{077, 0600},
                                           std::pair<mode_t, mode_t>{002, 0664}, std::pair<mode_t, mode_t>{0, 0666}));

class StopRecorder : public level::LoadObserver {
public:
    void Stopped(const level::LoadedLine& line, std::size_t field, const std::string&, std::size_t linesLeft) override {
        seen = std::string(line.text) + " | " + std::string(line.fields[0]) + " " + std::string(line.fields[1]) + " " +
               std::string(line.fields[2]) + " | field " + std::to_string(field) + ", " + std::to_string(linesLeft) +
               " left";
    }
    std::string seen;
};

// The lines after the stop are counted by reading on past the reader's buffer.
TEST_F(LevelFileTest, ObserverSeesTheLineTheLoadStoppedAtInALargeFile) {
    dir.MakeDirectory("levels");
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += "malo2,400,200,32,26,1\r\n";
    bytes += "bomba,260,x\r\n";
    for (int i = 0; i < 6000; ++i) bytes += "moneda,300,150,14,14,1,200\r\n";
    ASSERT_GT(bytes.size(), 128u * 1024);
    dir.WriteFile("levels/Level3.lev", bytes);
    StopRecorder recorder;

    level::LoadLevel(lvl, 3, &recorder);

    EXPECT_EQ(recorder.seen, "bomba,260,x | bomba 260 x | field 2, 6000 left");
}

}  // namespace

// What a save cut short leaves beside the level file, on every host: only a complete copy of the old
// bytes is put back by the next load; an unfinished copy and a new file that never took its place
// are removed, and the level file stays as it is.
TEST_F(LevelFileTest, LoadUndoesOnlyASaveThatLeftACompleteCopy) {
    const std::string old = CrlfLines({"start,1,2", "bomba,3,4,14,18,1,500"});
    const std::string torn = CrlfLines({"start,5,6", "bomba,7,8,14,18,1,500", "bomba,9"});
    struct Case {
        const char* leftover;
        std::string fileAfter;
    };
    const Case cases[] = {{".Level3.lev.old", old}, {".Level3.lev.old.Ab12Cd", torn}, {".Level3.lev.Xy34Zw", torn}};
    dir.MakeDirectory("levels");
    for (const Case& c : cases) {
        dir.WriteFile("levels/Level3.lev", torn);
        dir.WriteFile(std::string("levels/") + c.leftover, old);
        level::LoadLevel(lvl, 3);
        EXPECT_EQ(ReadFile(dir.Path() + "levels/Level3.lev"), c.fileAfter) << c.leftover;
        EXPECT_EQ(dir.Entries("levels"), Strings{"Level3.lev"}) << c.leftover;
        EXPECT_EQ(Placements(lvl).size(), c.fileAfter == old ? 2u : 3u) << c.leftover;
    }
}
