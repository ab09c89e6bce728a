// How a save goes on Windows: another program may hold the file open, a file may be read-only by
// its attribute, have a second name, or lie in a folder whose name the ANSI code page cannot spell.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "levelfile.h"
#include "recordinghost.h"

namespace {

using testing_support::CrlfLines;
using testing_support::ReadFile;
using testing_support::RecordingHost;
using testing_support::TemporaryDirectory;
using Strings = std::vector<std::string>;

const std::string kPrevious = "start,5,5\r\nbomba,6,6,14,18,1,500\r\n";

std::wstring Wide(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

std::string SaveOutcome(const level::Level& lvl, int round) {
    try {
        return level::SaveLevel(lvl, round) ? "saved" : "refused";
    } catch (const level::SaveError& e) {
        return e.what();
    }
}

class WindowsSaveTest : public ::testing::Test {
protected:
    TemporaryDirectory dir;
    RecordingHost host;
    level::Level lvl{host, dir.Path()};
    const std::string saved = CrlfLines({"start,1,2", "bomba,3,4,14,18,1,500"});

    void SetUp() override {
        lvl.pendingX = 1;
        lvl.pendingY = 2;
        ASSERT_NE(lvl.CreateObject(level::kHeroTag), nullptr);
        lvl.pendingX = 3;
        lvl.pendingY = 4;
        ASSERT_NE(lvl.CreateObject(level::kBombTag), nullptr);
        dir.MakeDirectory("levels");
        dir.WriteFile("levels/Level3.lev", kPrevious);
    }

    std::string File() const { return dir.Path() + "levels/Level3.lev"; }
    Strings Entries() const {
        Strings entries = dir.Entries("levels");
        std::sort(entries.begin(), entries.end());
        return entries;
    }
};

// A file another program holds open for writing (letting others only read it), or one that is
// read-only, is refused before a byte is written; once free, it is saved.
TEST_F(WindowsSaveTest, AFileHeldOpenOrReadOnlyIsAccessDeniedAndStaysWhole) {
    for (const bool readOnly : {false, true}) {
        dir.WriteFile("levels/Level3.lev", kPrevious);
        HANDLE held = INVALID_HANDLE_VALUE;
        if (readOnly) {
            ASSERT_NE(SetFileAttributesW(Wide(File()).c_str(), FILE_ATTRIBUTE_READONLY), 0);
        } else {
            held = CreateFileW(Wide(File()).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(held, INVALID_HANDLE_VALUE);
        }
        EXPECT_EQ(SaveOutcome(lvl, 3), "File access denied") << readOnly;
        EXPECT_EQ(ReadFile(File()), kPrevious) << readOnly;
        EXPECT_EQ(Entries(), Strings{"Level3.lev"}) << readOnly;
        if (readOnly) SetFileAttributesW(Wide(File()).c_str(), FILE_ATTRIBUTE_NORMAL);
        else CloseHandle(held);
        EXPECT_EQ(SaveOutcome(lvl, 3), "saved") << readOnly;
        EXPECT_EQ(ReadFile(File()), saved) << readOnly;
    }
}

TEST_F(WindowsSaveTest, ASecondNameStillNamesTheSavedFile) {
    if (CreateHardLinkW(Wide(dir.Path() + "levels/second.lev").c_str(), Wide(File()).c_str(), nullptr) == 0)
        GTEST_SKIP() << "this file system makes no hard links";
    EXPECT_EQ(SaveOutcome(lvl, 3), "saved");
    EXPECT_EQ(ReadFile(File()), saved);
    EXPECT_EQ(ReadFile(dir.Path() + "levels/second.lev"), saved);
    EXPECT_EQ(Entries(), (Strings{"Level3.lev", "second.lev"}));
}

TEST(WindowsFolderTest, AFolderNamedInAnyScriptIsSavedInto) {
    TemporaryDirectory dir;
    const std::string folder = dir.Path() + "jeu \xc3\xa9t\xc3\xa9 \xe3\x83\xac\xe3\x83\x99\xe3\x83\xab/";
    ASSERT_NE(CreateDirectoryW(Wide(folder).c_str(), nullptr), 0);
    ASSERT_NE(CreateDirectoryW(Wide(folder + "Levels").c_str(), nullptr), 0);
    RecordingHost host;
    level::Level lvl{host, folder};
    ASSERT_NE(lvl.CreateObject(level::kHeroTag), nullptr);
    ASSERT_NE(lvl.CreateObject(level::kBombTag), nullptr);
    ASSERT_EQ(SaveOutcome(lvl, 3), "saved");
    level::Level loaded{host, folder};
    level::LoadLevel(loaded, 3);
    EXPECT_EQ(loaded.ObjectCount(), 2u);
    const DWORD attributes = GetFileAttributesW(Wide(folder + "Levels/Level3.lev").c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
}

}  // namespace
