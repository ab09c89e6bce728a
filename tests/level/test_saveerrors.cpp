#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "locations.h"
#include "levelfile.h"
#include "recordinghost.h"

namespace {

using testing_support::ReadFile;
using testing_support::RecordingHost;
using testing_support::TemporaryDirectory;
using Strings = std::vector<std::string>;

constexpr uid_t kNobody = 65534;
const std::string kPrevious = "start,5,5\r\nbomba,6,6,14,18,1,500\r\n";

struct ErrorTextCase {
    int error;
    const char* text;
};

std::ostream& operator<<(std::ostream& out, const ErrorTextCase& c) { return out << "errno " << c.error; }

class SaveErrorTextTest : public ::testing::TestWithParam<ErrorTextCase> {};

TEST_P(SaveErrorTextTest, MapsTheErrorNumber) {
    EXPECT_EQ(level::SaveErrorText(GetParam().error), GetParam().text) << "errno " << GetParam().error;
}

INSTANTIATE_TEST_SUITE_P(Errors, SaveErrorTextTest,
                         ::testing::Values(ErrorTextCase{ENOENT, "File not found"},
                                           ErrorTextCase{EMFILE, "Too many open files"},
                                           ErrorTextCase{EACCES, "File access denied"},
                                           ErrorTextCase{EPERM, "File access denied"},
                                           ErrorTextCase{EROFS, "File access denied"},
                                           ErrorTextCase{ENOSPC, "I/O error 28"},
                                           ErrorTextCase{EIO, "I/O error 5"},
                                           ErrorTextCase{EISDIR, "File access denied"},
                                           ErrorTextCase{EFBIG, "I/O error 27"},
                                           ErrorTextCase{EDQUOT, "I/O error 122"}));

std::string SaveOutcome(const level::Level& lvl, int round) {
    try {
        return level::SaveLevel(lvl, round) ? "saved" : "refused";
    } catch (const level::SaveError& e) {
        return e.what();
    }
}

struct ChildResult {
    int exitCode = -1;
    std::string text;
};

// Child exit codes: the body ran and sent its text; the body threw something else; privileges could not be dropped.
constexpr int kRan = 0, kThrew = 2, kCannotDrop = 3;

// Runs `body` in a forked child, as an unprivileged user when asked, and brings back what it returned.
ChildResult RunInChild(bool dropPrivileges, const std::function<std::string()>& body) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid < 0) return {};
    if (pid == 0) {
        close(fds[0]);
        if (dropPrivileges && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(kCannotDrop);
        int code = kRan;
        std::string text;
        try {
            text = body();
        } catch (...) {
            code = kThrew;
        }
        const char* p = text.data();
        std::size_t left = text.size();
        while (left > 0) {
            const ssize_t n = write(fds[1], p, left);
            if (n <= 0) break;
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        _exit(code);
    }
    close(fds[1]);
    ChildResult result;
    char buffer[256];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) result.text.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    return result;
}

class SaveErrorTest : public ::testing::Test {
protected:
    TemporaryDirectory dir;
    RecordingHost host;
    level::Level lvl{host, dir.Path()};

    void SetUp() override {
        ASSERT_NE(lvl.CreateObject(level::kHeroTag), nullptr);
        ASSERT_NE(lvl.CreateObject(level::kBombTag), nullptr);
        host.calls.clear();
    }

    // The levels directory with a previous level file for round 3.
    void MakePreviousLevel(const std::string& levels = "levels") {
        dir.MakeDirectory(levels);
        dir.WriteFile(levels + "/Level3.lev", kPrevious);
    }

    void ExpectPreviousIntact(const std::string& levels = "levels") {
        EXPECT_EQ(ReadFile(dir.Path() + levels + "/Level3.lev"), kPrevious);
        EXPECT_EQ(dir.Entries(levels), Strings{"Level3.lev"}) << "a temporary file was left behind";
    }

    // Lets an unprivileged child reach the program directory.
    void OpenProgramDirectory() { ASSERT_EQ(chmod(dir.Path().c_str(), 0777), 0); }
};

TEST_F(SaveErrorTest, NoLevelsDirectoryIsAnInvalidFilename) {
    dir.MakeDirectory("level");
    dir.MakeDirectory("levels.old");
    EXPECT_EQ(SaveOutcome(lvl, 3), "Invalid filename");
    EXPECT_EQ(host.calls, (Strings{"busy on", "busy off"}));
    Strings entries = dir.Entries("");
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (Strings{"level", "levels.old"}));
    EXPECT_TRUE(dir.Entries("level").empty());
}

TEST_F(SaveErrorTest, LevelsAsAPlainFileIsAnInvalidFilename) {
    dir.WriteFile("Levels", kPrevious);
    EXPECT_EQ(SaveOutcome(lvl, 3), "Invalid filename");
    EXPECT_EQ(ReadFile(dir.Path() + "Levels"), kPrevious);
    EXPECT_EQ(dir.Entries(""), Strings{"Levels"});
}

TEST_F(SaveErrorTest, DirectoryInPlaceOfTheFileIsAccessDenied) {
    dir.MakeDirectory("levels");
    dir.MakeDirectory("levels/Level3.lev");
    EXPECT_EQ(SaveOutcome(lvl, 3), "File access denied");
    EXPECT_EQ(dir.Entries("levels"), Strings{"Level3.lev"});
    EXPECT_EQ(host.calls, (Strings{"busy on", "busy off"}));
}

// What reads a FIFO the level file links to while the save writes into it.
enum class Reader { None, ReadsAll, ClosesEarly };

struct LinkCase {
    const char* name;
    mode_t type;  // of the node the level file links to; 0: none yet
    dev_t device;
    Reader reader;
    int enemies;  // more than a pipe holds makes the save wait for its reader
    const char* outcome;
};

std::ostream& operator<<(std::ostream& out, const LinkCase& c) { return out << c.name; }

class LinkTest : public SaveErrorTest, public ::testing::WithParamInterface<LinkCase> {};

// Saving through a link writes what it points at; a node that is no regular file is written into, never
// replaced, and a block device not even that.
TEST_P(LinkTest, LinkAndWhatItPointsAtStayWhatTheyAre) {
    const LinkCase& c = GetParam();
    // Devices are private twins made here, so that nothing outside the test directory is at stake.
    const std::string node = dir.Path() + "node";
    if (c.type != 0 && mknod(node.c_str(), c.type | 0666, c.device) != 0)
        GTEST_SKIP() << "mknod: " << std::strerror(errno);
    if (S_ISCHR(c.type)) {
        const int probe = open(node.c_str(), O_WRONLY | O_CLOEXEC);
        if (probe < 0) GTEST_SKIP() << "device nodes cannot be opened here: " << std::strerror(errno);
        close(probe);
    }
    for (int i = 0; i < c.enemies; ++i) ASSERT_NE(lvl.CreateObject(level::kEnemy1Tag), nullptr);
    const int reader = c.reader != Reader::None ? open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
    ASSERT_EQ(c.reader != Reader::None, reader >= 0);
    const std::string link = dir.MakeDirectory("levels") + "Level1.lev";
    ASSERT_EQ(symlink(node.c_str(), link.c_str()), 0);
    // A slow reader: the save finds the pipe full and must wait for it, not give up.
    std::string received;
    std::thread reading([&] {
        if (reader < 0) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        fcntl(reader, F_SETFL, 0);
        char buffer[4096];
        for (ssize_t n; (n = read(reader, buffer, sizeof buffer)) > 0;) {
            received.append(buffer, static_cast<std::size_t>(n));
            if (c.reader == Reader::ClosesEarly) break;
        }
        close(reader);
    });

    const std::string outcome = SaveOutcome(lvl, 1);
    reading.join();

    EXPECT_EQ(outcome, c.outcome);
    const mode_t type = c.type != 0 ? c.type : S_IFREG;
    if (c.reader == Reader::ReadsAll) {
        EXPECT_EQ(received, level::FormatLevel(lvl));
    } else if (S_ISREG(type)) {
        EXPECT_EQ(ReadFile(node), level::FormatLevel(lvl));
    }
    struct stat st {};
    ASSERT_EQ(lstat(node.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & S_IFMT, type) << "the node was replaced";
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced";
    Strings entries = dir.Entries("");
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (Strings{"levels", "node"}));
    EXPECT_EQ(dir.Entries("levels"), Strings{"Level1.lev"});
}

constexpr int kMoreThanAPipeHolds = 3000;

INSTANTIATE_TEST_SUITE_P(
    Targets, LinkTest,
    ::testing::Values(LinkCase{"RegularFile", S_IFREG, 0, Reader::None, 0, "saved"},
                      LinkCase{"NothingYet", 0, 0, Reader::None, 0, "saved"},
                      LinkCase{"FullDevice", S_IFCHR, makedev(1, 7), Reader::None, 0, "I/O error 28"},
                      LinkCase{"BlockDevice", S_IFBLK, makedev(7, 0), Reader::None, 0, "File access denied"},
                      LinkCase{"FifoWithoutReader", S_IFIFO, 0, Reader::None, 0, "I/O error 6"},
                      LinkCase{"FifoWithReader", S_IFIFO, 0, Reader::ReadsAll, 0, "saved"},
                      LinkCase{"FifoWithASlowReader", S_IFIFO, 0, Reader::ReadsAll, kMoreThanAPipeHolds, "saved"},
                      LinkCase{"FifoWhoseReaderLeaves", S_IFIFO, 0, Reader::ClosesEarly, kMoreThanAPipeHolds,
                               "I/O error 32"}),
    [](const ::testing::TestParamInfo<LinkCase>& row) { return row.param.name; });

struct AccessCase {
    const char* name;
    bool previousFile;
    mode_t fileMode;
    mode_t directoryMode;
};

std::ostream& operator<<(std::ostream& out, const AccessCase& c) { return out << c.name; }

class AccessDeniedTest : public SaveErrorTest, public ::testing::WithParamInterface<AccessCase> {};

TEST_P(AccessDeniedTest, ReadOnlyFileOrDirectoryIsAccessDenied) {
    const AccessCase& c = GetParam();
    OpenProgramDirectory();
    dir.MakeDirectory("levels");
    if (c.previousFile) {
        dir.WriteFile("levels/Level3.lev", kPrevious);
        ASSERT_EQ(chmod((dir.Path() + "levels/Level3.lev").c_str(), c.fileMode), 0);
    }
    ASSERT_EQ(chmod((dir.Path() + "levels").c_str(), c.directoryMode), 0);

    // Root writes anywhere, so the save runs as a user the permission bits apply to.
    const ChildResult result = RunInChild(geteuid() == 0, [&] { return SaveOutcome(lvl, 3); });

    if (result.exitCode == kCannotDrop) GTEST_SKIP() << "cannot switch to user " << kNobody;
    ASSERT_EQ(result.exitCode, kRan);
    EXPECT_EQ(result.text, "File access denied");
    if (c.previousFile) {
        ExpectPreviousIntact();
        struct stat st {};
        ASSERT_EQ(stat((dir.Path() + "levels/Level3.lev").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.fileMode);
    } else {
        EXPECT_TRUE(dir.Entries("levels").empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Permissions, AccessDeniedTest,
                         ::testing::Values(AccessCase{"ReadOnlyFile", true, 0444, 0777},
                                           AccessCase{"ReadOnlyFileInWritableDirectory", true, 0464, 0777},
                                           AccessCase{"ReadOnlyDirectory", true, 0666, 0555},
                                           AccessCase{"NewFileInReadOnlyDirectory", false, 0, 0555}),
                         [](const ::testing::TestParamInfo<AccessCase>& row) { return row.param.name; });

TEST_F(SaveErrorTest, UnprivilegedSaveSucceedsWhereWritingIsAllowed) {
    OpenProgramDirectory();
    MakePreviousLevel();
    ASSERT_EQ(chmod((dir.Path() + "levels").c_str(), 0777), 0);
    ASSERT_EQ(chmod((dir.Path() + "levels/Level3.lev").c_str(), 0666), 0);

    const ChildResult result = RunInChild(geteuid() == 0, [&] { return SaveOutcome(lvl, 3); });

    if (result.exitCode == kCannotDrop) GTEST_SKIP() << "cannot switch to user " << kNobody;
    ASSERT_EQ(result.exitCode, kRan);
    EXPECT_EQ(result.text, "saved");
    EXPECT_EQ(ReadFile(dir.Path() + "levels/Level3.lev"), level::FormatLevel(lvl));
    EXPECT_EQ(dir.Entries("levels"), Strings{"Level3.lev"});
}

// A levels directory that others may pass through but not list: the round's file is found by the
// name as spelled.
TEST_F(SaveErrorTest, LevelsDirectoryThatCannotBeListedGivesTheRoundAsSpelled) {
    OpenProgramDirectory();
    MakePreviousLevel();
    ASSERT_EQ(chmod((dir.Path() + "levels").c_str(), 0311), 0);

    const ChildResult result = RunInChild(geteuid() == 0, [&] {
        level::LoadLevel(lvl, 3);
        return std::to_string(lvl.ObjectCount()) + " objects";
    });

    if (result.exitCode == kCannotDrop) GTEST_SKIP() << "cannot switch to user " << kNobody;
    ASSERT_EQ(result.exitCode, kRan);
    EXPECT_EQ(result.text, "2 objects");
}

// Runs `body` in a child that has no file descriptor left to open.
ChildResult RunWithoutFreeDescriptor(const std::function<std::string()>& body) {
    return RunInChild(false, [&] {
        // The lowest free descriptor is the number of the next one opened; allowing no more than that leaves none.
        const int lowestFree = open("/dev/null", O_RDONLY);
        if (lowestFree < 0) return std::string("cannot open /dev/null");
        close(lowestFree);
        rlimit limit {};
        getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur = static_cast<rlim_t>(lowestFree);
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0) return std::string("cannot lower the limit");
        return body();
    });
}

#ifdef BLASTRIX_SANITIZED
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
constexpr const char* kSanitizersNeedDescriptors =
    "the sanitizers' type checks open a pipe, so they fail where no descriptor is left";

class NoFreeDescriptorTest : public SaveErrorTest, public ::testing::WithParamInterface<const char*> {};

// Spelled otherwise, the levels directory is found only by listing the program directory.
TEST_P(NoFreeDescriptorTest, SaveIsTooManyOpenFiles) {
    if (kSanitized) GTEST_SKIP() << kSanitizersNeedDescriptors;
    MakePreviousLevel(GetParam());

    const ChildResult result = RunWithoutFreeDescriptor([&] { return SaveOutcome(lvl, 3); });

    ASSERT_EQ(result.exitCode, kRan);
    EXPECT_EQ(result.text, "Too many open files");
    ExpectPreviousIntact(GetParam());
}

INSTANTIATE_TEST_SUITE_P(LevelsDirectory, NoFreeDescriptorTest, ::testing::Values("levels", "Levels"),
                         [](const ::testing::TestParamInfo<const char*>& row) {
                             return std::string(row.param) == "levels" ? "ExactSpelling" : "OtherSpelling";
                         });

TEST(LookupErrorTest, FailedListingIsReportedAsTheFileThatCouldNotBeOpened) {
    if (kSanitized) GTEST_SKIP() << kSanitizersNeedDescriptors;
    const TemporaryDirectory dir;
    dir.MakeDirectory("Levels");
    dir.WriteFile("Levels/Level3.lev", kPrevious);
    const std::string composed = dir.Path() + "levels/Level3.lev";

    const ChildResult result = RunWithoutFreeDescriptor([&] {
        try {
            return "resolved " + level::Locate(dir.Path(), composed).onDisk;
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
    });

    ASSERT_EQ(result.exitCode, kRan);
    EXPECT_EQ(result.text, "Cannot open file \"" + composed + "\". Too many open files");
}

// A tmpfs mounted on a directory for as long as it lives.
class SmallFileSystem {
public:
    explicit SmallFileSystem(std::string path) : path_(std::move(path)) {
        mounted_ = mount("tmpfs", path_.c_str(), "tmpfs", 0, "size=16k") == 0;
        error_ = mounted_ ? 0 : errno;
    }
    ~SmallFileSystem() {
        if (mounted_) umount2(path_.c_str(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;
    bool Mounted() const { return mounted_; }
    int Error() const { return error_; }

private:
    std::string path_;
    bool mounted_ = false;
    int error_ = 0;
};

class FullDiskTest : public SaveErrorTest, public ::testing::WithParamInterface<bool> {};

// With a second link the save writes in place, and the disk fills in the middle of that write.
TEST_P(FullDiskTest, IsIoError28AndKeepsThePreviousFile) {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
    const std::string levels = dir.MakeDirectory("levels");
    const SmallFileSystem disk(levels);
    if (!disk.Mounted()) GTEST_SKIP() << "mount not permitted: " << std::strerror(disk.Error());
    dir.WriteFile("levels/Level3.lev", kPrevious);
    const bool linked = GetParam();
    if (linked) {
        ASSERT_EQ(link((levels + "Level3.lev").c_str(), (levels + "Other.lev").c_str()), 0);
    }
    for (int i = 0; i < 2000; ++i) ASSERT_NE(lvl.CreateObject(level::kEnemy1Tag), nullptr);
    ASSERT_GT(level::FormatLevel(lvl).size(), 16u * 1024);

    EXPECT_EQ(SaveOutcome(lvl, 3), "I/O error 28");
    if (linked) {
        ASSERT_EQ(unlink((levels + "Other.lev").c_str()), 0);
    }
    ExpectPreviousIntact();
    EXPECT_EQ(host.calls.back(), "busy off");

    // With the space back, the same file system takes a level that fits.
    lvl.Clear();
    ASSERT_NE(lvl.CreateObject(level::kHeroTag), nullptr);
    ASSERT_NE(lvl.CreateObject(level::kBombTag), nullptr);
    EXPECT_EQ(SaveOutcome(lvl, 3), "saved");
    EXPECT_EQ(ReadFile(levels + "Level3.lev"), level::FormatLevel(lvl));
}

INSTANTIATE_TEST_SUITE_P(Links, FullDiskTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& row) { return row.param ? "TwoLinks" : "OneLink"; });

}  // namespace
