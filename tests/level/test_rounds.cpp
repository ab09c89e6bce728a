#include <errno.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "filelookup.h"
#include "pathinfo.h"
#include "programdirectory.h"
#include "hostlimits.h"
#include "locations.h"
#include "recordinghost.h"

namespace {

using level::BackgroundSpelling;
using testing_support::TemporaryDirectory;

TEST(RoundTest, NextAndPreviousWalkAllFourteenRoundsInACircle) {
    std::vector<int> forward = {1};
    for (int i = 0; i < 14; ++i) forward.push_back(level::NextRound(forward.back()));
    EXPECT_EQ(forward, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 1}));

    std::vector<int> backward = {1};
    for (int i = 0; i < 14; ++i) backward.push_back(level::PreviousRound(backward.back()));
    EXPECT_EQ(backward, (std::vector<int>{1, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
}

TEST(RoundTest, TitleShowsTheRoundOutOfFourteen) {
    EXPECT_EQ(level::RoundTitle(7), " Blastrix PSP - Level Editor  [Round: 7/14]");
    EXPECT_EQ(level::RoundTitle(1), " Blastrix PSP - Level Editor  [Round: 1/14]");
    EXPECT_EQ(level::RoundTitle(14), " Blastrix PSP - Level Editor  [Round: 14/14]");
}

struct PathCase {
    BackgroundSpelling spelling;
    int round;
    const char* path;
};

std::ostream& operator<<(std::ostream& out, const PathCase& c) { return out << c.path; }

class BackgroundPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(BackgroundPathTest, EachCommandSpellsThePathItsOwnWay) {
    const PathCase& c = GetParam();
    EXPECT_EQ(level::BackgroundPath("/opt/blastrix/", c.round, c.spelling), std::string("/opt/blastrix/") + c.path);
}

INSTANTIATE_TEST_SUITE_P(Spellings, BackgroundPathTest,
                         ::testing::Values(PathCase{BackgroundSpelling::Startup, 1, "Levels/Level1.png"},
                                           PathCase{BackgroundSpelling::Startup, 12, "Levels/Level12.png"},
                                           PathCase{BackgroundSpelling::Next, 2, "Levels/level2.png"},
                                           PathCase{BackgroundSpelling::Next, 10, "Levels/level10.png"},
                                           PathCase{BackgroundSpelling::Previous, 14, "levels/level14.png"},
                                           PathCase{BackgroundSpelling::Previous, 3, "levels/level3.png"}));

TEST(LevelFilePathTest, NamesTheRoundWithoutLeadingZero) {
    EXPECT_EQ(level::LevelFilePath("/opt/blastrix/", 3), "/opt/blastrix/levels/Level3.lev");
    EXPECT_EQ(level::LevelFilePath("/opt/blastrix/", 10), "/opt/blastrix/levels/Level10.lev");
    EXPECT_EQ(level::LevelFileName(14), "Level14.lev");
}

struct ResolveCase {
    const char* name;
    std::vector<std::string> directories;  // created in order
    std::vector<std::string> files;
    std::string composed;
    std::string expected;  // empty: the composed path comes back unchanged
};

// Every spelling of `name` followed by `suffix`, made so that the smallest in byte order (all capitals)
// is neither the first nor the last made, whichever of them a file system lists first.
std::vector<std::string> EverySpelling(const std::string& name, const std::string& suffix) {
    const std::size_t count = std::size_t{1} << name.size();
    std::vector<std::string> spellings;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t bits = (k + count / 2 - 1) % count;
        std::string spelling = name;
        for (std::size_t i = 0; i < name.size(); ++i)
            if ((bits >> i) & 1u) spelling[i] = static_cast<char>(spelling[i] - 'a' + 'A');
        spellings.push_back(spelling + suffix);
    }
    return spellings;
}

std::ostream& operator<<(std::ostream& out, const ResolveCase& c) { return out << c.name; }

class ResolveTest : public ::testing::TestWithParam<ResolveCase> {};

bool SpellsANameTwice(std::vector<std::string> names) {
    for (std::string& name : names) name = files::LowerAscii(name);
    std::sort(names.begin(), names.end());
    return std::adjacent_find(names.begin(), names.end()) != names.end();
}

TEST_P(ResolveTest, FindsEveryComponentIgnoringCase) {
    const ResolveCase& c = GetParam();
    if (kCaseBlindFileSystem && SpellsANameTwice(c.directories)) GTEST_SKIP() << kCaseSensitiveOnly;
    TemporaryDirectory dir;
    for (const std::string& d : c.directories) dir.MakeDirectory(d);
    for (const std::string& f : c.files) dir.WriteFile(f, "x");
    const std::string expected = dir.Path() + (c.expected.empty() ? c.composed : c.expected);

    const level::FileLocation location = level::Locate(dir.Path(), dir.Path() + c.composed);
    EXPECT_EQ(location.composed, dir.Path() + c.composed);
    EXPECT_EQ(location.onDisk, expected);
    EXPECT_EQ(location.found, !c.expected.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Trees, ResolveTest,
    ::testing::Values(
        ResolveCase{"BothComponentsDiffer", {"Levels"}, {"Levels/level3.PNG"}, "levels/Level3.png", "Levels/level3.PNG"},
        ResolveCase{"ExactNameKept", {"levels"}, {"levels/Level3.png"}, "levels/Level3.png", "levels/Level3.png"},
        ResolveCase{"DeepPath", {"DATA", "DATA/Sub"}, {"DATA/Sub/Bomba.PNG"}, "data/sub/bomba.png", "DATA/Sub/Bomba.PNG"},
        ResolveCase{"FirstInByteOrderWinsWhateverTheListingOrder", EverySpelling("levels", ""),
                    EverySpelling("levels", "/a"), "Levels/a", "LEVELS/a"},
        ResolveCase{"MissingFile", {"Levels"}, {"Levels/level4.png"}, "levels/Level3.png", ""},
        ResolveCase{"MissingDirectory", {}, {}, "levels/Level3.png", ""},
        ResolveCase{"SimilarNameIsNoMatch", {"levels"}, {"levels/Level3.png~"}, "levels/Level3.png", ""}),
    [](const ::testing::TestParamInfo<ResolveCase>& row) { return row.param.name; });

TEST(ExecutableDirectoryTest, IsTheDirectoryOfThisTestProgram) {
    const std::string directory = files::ExecutableDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_TRUE(files::IsAbsolutePath(directory)) << directory;
    EXPECT_TRUE(files::IsPathSeparator(directory.back())) << directory;

    const std::string invoked = ::testing::internal::GetArgvs().front();
    const std::string name = invoked.substr(files::FindLastPathSeparator(invoked) + 1);
    const files::PathInfo self = files::LookAt(invoked);
    const files::PathInfo found = files::LookAt(directory + name);
    ASSERT_EQ(self.error, 0) << invoked;
    ASSERT_EQ(found.error, 0) << directory + name;
    EXPECT_EQ(self.identity, found.identity);
}

}  // namespace
