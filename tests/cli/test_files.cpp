// What the tool does with the files of a game folder, seen on the disk: a resave leaves the same file
// with the new round, flushed with its directory, whoever saves it and whatever links, ACLs and
// attributes it has; every command reads the spelling first in byte order.

#include <fcntl.h>
#include <signal.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>

#include "clifixture.h"
#include "levelfile.h"
#include "recordinghost.h"

namespace cli_testing {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

const std::string kOld = "start,320,120\nbomba,200,40,14,18,1,500\n";
const std::string kSaved = "start,320,120\r\nbomba,200,40,14,18,1,500\r\n";
constexpr const char* kFile = "levels/Level3.lev";
// Designers of a shared folder: Ann (1001) and Bob (1002) of the team (2000).
const Strings kAsBob = {"setpriv", "--reuid=1002", "--regid=1002", "--groups=2000"};

bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// What makes a file the file it is, besides its bytes: inode, owner, group, mode, inode flags, then
// each attribute.
Strings IdentityOf(const fs::path& path) {
    struct stat st {};
    lstat(path.c_str(), &st);
    int flags = 0;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ioctl(fd, FS_IOC_GETFLAGS, &flags);
    close(fd);
    Strings identity = {std::to_string(st.st_ino), std::to_string(st.st_uid), std::to_string(st.st_gid),
                        std::to_string(st.st_mode & 07777), std::to_string(flags)};
    char names[4096];
    const ssize_t size = llistxattr(path.c_str(), names, sizeof names);
    for (ssize_t start = 0; start < size; start += static_cast<ssize_t>(std::strlen(names + start)) + 1) {
        char value[4096];
        const ssize_t n = lgetxattr(path.c_str(), names + start, value, sizeof value);
        identity.push_back(std::string(names + start) + "=" +
                           std::string(value, static_cast<std::size_t>(std::max<ssize_t>(n, 0))));
    }
    return identity;
}

Strings Entries(const fs::path& directory) {
    Strings names;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

struct IdentityCase {
    const char* name;
    uid_t owner;
    gid_t group;
    mode_t mode;
    const char* mark;  // a command given the file's path, or null
    bool secondLink;
    Strings saver;  // the command the resave runs under; none: root saves
    bool replaced;  // a new file takes the name; else the file is written in place
};

void PrintTo(const IdentityCase& c, std::ostream* out) { *out << c.name; }

const IdentityCase kIdentityCases[] = {
    {"OwnFile", 0, 0, 0640, nullptr, false, {}, true},
    {"SecondLink", 0, 0, 0644, nullptr, true, {}, false},
    {"TeammatesFile", 1001, 2000, 0664, nullptr, false, kAsBob, false},
    // Only root sees every attribute a file may have, so a user's save is always in place.
    {"OwnFileOfTheTeamGroup", 1002, 2000, 0664, nullptr, false, kAsBob, false},
    {"AclForATeammate", 0, 0, 0640, "setfacl -m u:1003:rw", false, {}, true},
    {"AclSetByItsOwner", 1002, 2000, 0664, "setfacl -m u:1003:rw", false, kAsBob, false},
    {"UserAttribute", 0, 0, 0644, "setfattr -n user.designer -v ann", false, {}, true},
    {"SetUserIdOfItsOwner", 1002, 2000, 04775, nullptr, false, kAsBob, false},
    {"FileCapability", 0, 0, 0755, "setcap cap_net_raw+ep", false, {}, true},
    {"InodeFlags", 0, 0, 0644, "chattr +d +A +S", false, {}, true},
    {"TrustedAttributeAUserCannotSee", 1002, 2000, 0664, "setfattr -n trusted.origin -v ann", false, kAsBob, false},
    {"DefaultAclOfTheFolderOnly", 0, 0, 0640, "sh -c 'setfacl -d -m u:1003:rw \"${0%/*}\"'", false, {}, true},
};

class IdentityTest : public CliTest, public ::testing::WithParamInterface<IdentityCase> {};

TEST_P(IdentityTest, ResaveKeepsTheFileWhatItWas) {
    const IdentityCase& c = GetParam();
    if (WindowsTool()) GTEST_SKIP() << kUnixToolOnly;
    if (geteuid() != 0) GTEST_SKIP() << "giving files to other users needs root";
    if (!c.saver.empty() && !Shell("setpriv --version")) GTEST_SKIP() << "no setpriv";
    Write(kFile, kOld);
    const fs::path file = Folder() / kFile;
    // The team writes in levels/; its files are made with each designer's own group.
    ASSERT_EQ(chmod(Folder().c_str(), 0755), 0);
    ASSERT_EQ(chown(file.parent_path().c_str(), 0, 2000), 0);
    ASSERT_EQ(chmod(file.parent_path().c_str(), 0775), 0);
    // The mode after the owner, whose change clears the set-id bits.
    ASSERT_EQ(chown(file.c_str(), c.owner, c.group), 0);
    ASSERT_EQ(chmod(file.c_str(), c.mode), 0);
    if (c.secondLink) {
        ASSERT_EQ(link(file.c_str(), (Folder() / "levels/b").c_str()), 0);
    }
    if (c.mark != nullptr && !Shell(std::string(c.mark) + " '" + file.string() + "'"))
        GTEST_SKIP() << c.mark << " failed: the tool is missing or the file system does not take it";
    Strings before = IdentityOf(file);

    const ToolRun run = Tool({"resave", "3"}, {}, c.saver);

    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(Read(kFile), kSaved);
    EXPECT_EQ(Read("levels/b"), c.secondLink ? kSaved : "");
    Strings after = IdentityOf(file);
    EXPECT_EQ(after.front() != before.front(), c.replaced);
    before.erase(before.begin());
    after.erase(after.begin());
    EXPECT_EQ(after, before);
    EXPECT_EQ(Entries(file.parent_path()), c.secondLink ? (Strings{"Level3.lev", "b"}) : Strings{"Level3.lev"});
}

INSTANTIATE_TEST_SUITE_P(Files, IdentityTest, ::testing::ValuesIn(kIdentityCases),
                         [](const ::testing::TestParamInfo<IdentityCase>& row) { return row.param.name; });

// The leak checker of a sanitized build cannot run under strace.
constexpr const char* kNoLeakCheck = "ASAN_OPTIONS=detect_leaks=0";

// The random part of the names of the new file and of the unfinished copy of the old bytes.
std::string Normalised(const std::string& text) {
    return std::regex_replace(text, std::regex(R"((\.Level3\.lev\.(old\.)?)[A-Za-z0-9]{6})"), "$1XXXXXX");
}

// The hidden files a save left in levels/.
Strings Hidden(const fs::path& levels) {
    Strings hidden;
    for (const std::string& name : Entries(levels))
        if (name[0] == '.') hidden.push_back(Normalised(name));
    return hidden;
}

// A round that a resave --force writes shorter: the save drops its third line.
const std::string kLonger = kOld + "# a line the editor skips\n";
const std::string kDroppedLine =
    "levels/Level3.lev:3:1: warning: a save drops this line: '# a line the editor skips' [unknown-keyword]";

// Where the game folder lies for a run: in the test's folder; so deep below it that its absolute
// path is longer than the system's limit on a path; or, for a user of the team, below a folder that
// user may not search.
enum class Where { Here, Deep, UnsearchableParent };

// Moves levels/ and data/ where `where` says for as long as it lives, and gives the command that
// runs the tool there.
class GameFolderPlace {
public:
    GameFolderPlace(const fs::path& folder, Where where) : folder_(folder) {
        if (where == Where::Here) return;
        game_ = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        std::string cd;
        for (int depth = 0; depth < (where == Where::Deep ? 20 : 1); ++depth) {
            const std::string name = where == Where::Deep ? std::string(250, 'd') : "team";
            mkdirat(game_, name.c_str(), 0777);
            const int next = openat(game_, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            close(game_);
            game_ = next;
            cd += "cd -P " + name + " && ";
        }
        chmod(folder.c_str(), 0700);
        for (const char* entry : {"levels", "data"}) renameat(AT_FDCWD, (folder / entry).c_str(), game_, entry);
        if (where == Where::Deep) {
            wrapper_ = {"sh", "-c", cd + "exec \"$0\" \"$@\""};
        } else {
            chmod((folder / "team").c_str(), 0777);
            wrapper_ = {"setpriv", "--reuid=1002", "--regid=1002", "--clear-groups"};
            workingDirectory_ = folder / "team";
        }
    }
    ~GameFolderPlace() {
        if (game_ < 0) return;
        for (const char* entry : {"levels", "data"}) renameat(game_, entry, AT_FDCWD, (folder_ / entry).c_str());
        close(game_);
    }
    GameFolderPlace(const GameFolderPlace&) = delete;
    GameFolderPlace& operator=(const GameFolderPlace&) = delete;

    const Strings& Wrapper() const { return wrapper_; }
    const fs::path& WorkingDirectory() const { return workingDirectory_; }

private:
    fs::path folder_;
    int game_ = -1;
    Strings wrapper_;
    fs::path workingDirectory_;
};

struct TracedCase {
    const char* name;
    bool secondLink;  // the save goes in place
    Where where;
    bool linked;          // levels/Level3.lev is a link to levels/round3
    std::string fault;    // strace's: the call, then how it fails
    Strings calls;        // flushes, renames and removals, in order; empty: not looked at
    std::string report;   // the first line of the tool's output, after "levels/Level3.lev: "
    std::string content;  // of the level file afterwards
    const char* mark = nullptr;  // a command given the level file's path before the save
};

void PrintTo(const TracedCase& c, std::ostream* out) { *out << c.name; }

const std::string kAsItWas = "; the level is as it was [save-failed]";
const std::string kUnflushed = "error: written, but may not survive a power cut: flushing the folder failed: ";

const Strings kInPlace = {"fsync .Level3.lev.old.XXXXXX", "rename .Level3.lev.old", "fsync levels",
                          "fsync Level3.lev", "unlink .Level3.lev.old", "fsync levels"};

// The new file removed, then the save in place.
const Strings kGivesWay = {"unlink .Level3.lev.XXXXXX", "fsync .Level3.lev.old.XXXXXX", "rename .Level3.lev.old",
                           "fsync levels", "fsync Level3.lev", "unlink .Level3.lev.old", "fsync levels"};

const TracedCase kTracedCases[] = {
    {"Replaced", false, Where::Here, false, "", {"fsync .Level3.lev.XXXXXX", "rename Level3.lev", "fsync levels"},
     "saved", kSaved},
    {"WriteInterruptedForever", false, Where::Here, false, "pwrite64:error=EINTR", {},
     "error: not saved: writing the new file beside it failed: Interrupted system call" + kAsItWas, kLonger},
    {"WriteTakesNothing", false, Where::Here, false, "pwrite64:retval=0", {},
     "error: not saved: writing the new file beside it failed: Input/output error" + kAsItWas, kLonger},
    {"NewFileNotFlushed", false, Where::Here, false, "fsync:error=EIO:when=1", {},
     "error: not saved: flushing the new file failed: Input/output error" + kAsItWas, kLonger},
    {"NotRenamed", false, Where::Here, false, "renameat:error=EBUSY", {},
     "error: not saved: putting the new file in its place failed: Device or resource busy" + kAsItWas, kLonger},
    {"DirectoryFlushFails", false, Where::Here, false, "fsync:error=EIO:when=2", {},
     kUnflushed + "Input/output error [save-failed]", kSaved},
    {"DirectoryCannotBeFlushed", false, Where::Here, false, "fsync:error=EINVAL:when=2", {}, "saved", kSaved},
    {"DeepFolderThroughALink", false, Where::Deep, true, "pwrite64:error=ENOSPC", {},
     "error: not saved: writing the new file beside it failed: No space left on device" + kAsItWas, kLonger},
    {"InPlace", true, Where::Here, false, "", kInPlace, "saved", kSaved},
    {"CopyNotFlushed", true, Where::Here, false, "fsync:error=EIO:when=1", {},
     "error: not saved: flushing the copy of the old bytes failed: Input/output error" + kAsItWas, kLonger},
    {"RewriteFailsAndIsPutBack", true, Where::Here, false, "pwrite64:error=ENOSPC:when=2",
     {"fsync .Level3.lev.old.XXXXXX", "rename .Level3.lev.old", "fsync levels", "fsync Level3.lev",
      "unlink .Level3.lev.old"},
     "error: not saved: rewriting it in place failed: No space left on device" + kAsItWas, kLonger},
    {"NotCutToTheNewLength", true, Where::Here, false, "ftruncate:error=EIO:when=2", {},
     "error: not saved: rewriting it in place failed: Input/output error" + kAsItWas, kLonger},
    {"CopyNotRemoved", true, Where::Here, false, "unlinkat:error=EIO:when=1", {},
     "error: not saved: removing the copy of the old bytes failed: Input/output error" + kAsItWas, kLonger},
    {"PuttingBackFails", true, Where::Here, false, "pwrite64:error=ENOSPC:when=2+", {},
     "error: not saved: rewriting it in place failed: No space left on device; putting the old bytes back failed: "
     "No space left on device; the previous level is kept in ./levels/.Level3.lev.old [save-failed]",
     kLonger},
    {"LastDirectoryFlushFails", true, Where::Here, false, "fsync:error=EIO:when=4", {},
     kUnflushed + "Input/output error [save-failed]", kSaved},
    // A new file that cannot be given the old one's owner or attributes gives way to a save in place.
    {"OwnerNotGiven", false, Where::Here, false, "fchown:error=EPERM", kGivesWay, "saved", kSaved, "chown 1001:1001"},
    {"AttributeNotGiven", false, Where::Here, false, "fsetxattr:error=EIO", kGivesWay, "saved", kSaved,
     "setfattr -n user.designer -v ann"},
    {"UnsearchableParentThroughALink", true, Where::UnsearchableParent, true, "pwrite64:error=ENOSPC:when=2", {},
     "error: not saved: rewriting it in place failed: No space left on device" + kAsItWas, kLonger},
};

class TracedSaveTest : public CliTest, public ::testing::WithParamInterface<TracedCase> {};

// What the save asks of the system, as strace sees it, and faults that strace injects at each step.
TEST_P(TracedSaveTest, FlushesBeforeItSaysSavedAndSaysWhatFailed) {
    const TracedCase& c = GetParam();
    if (WindowsTool()) GTEST_SKIP() << kUnixToolOnly;
    if (!Shell("strace -o /dev/null true")) GTEST_SKIP() << "strace is missing or cannot trace here";
    if (geteuid() != 0) GTEST_SKIP() << "moving the game folder out of a user's reach needs root";
    const std::string file = c.linked ? "levels/round3" : kFile;
    Write(file, kLonger);
    ASSERT_EQ(chmod((Folder() / "levels").c_str(), 0777) | chmod((Folder() / file).c_str(), 0666) |
                  (c.linked ? symlink("round3", (Folder() / kFile).c_str()) : 0) |
                  (c.secondLink ? link((Folder() / file).c_str(), (Folder() / "b").c_str()) : 0),
              0);
    if (c.mark != nullptr && !Shell(std::string(c.mark) + " '" + (Folder() / kFile).string() + "'"))
        GTEST_SKIP() << c.mark << " failed: the tool is missing or the file system does not take it";
    const std::string trace = (Folder() / "trace").string();
    // strace injects faults only into the calls it traces.
    Strings wrapper = {"env", kNoLeakCheck, "strace", "-f", "-y", "-o", trace, "-e",
                       "trace=fsync,rename,renameat,renameat2,unlink,unlinkat," + c.fault.substr(0, c.fault.find(':'))};
    if (!c.fault.empty()) wrapper.insert(wrapper.end(), {"-e", "inject=" + c.fault});
    ToolRun run;
    {
        const GameFolderPlace place(Folder(), c.where);
        wrapper.insert(wrapper.end(), place.Wrapper().begin(), place.Wrapper().end());
        run = Tool({"resave", "--force", "3"}, place.WorkingDirectory(), wrapper);
    }

    EXPECT_EQ(Normalised(run.Lines().size() > 1 ? run.Lines()[1] : ""), "levels/Level3.lev: " + c.report) << run.err;
    EXPECT_EQ(run.status, c.report == "saved" ? 0 : 1);
    EXPECT_EQ(Read(kFile), c.content);
    // Only a save that cannot put the old bytes back leaves them, in a hidden copy.
    const Strings hidden = Hidden(Folder() / "levels");
    const bool kept = c.report.find("kept") != std::string::npos;
    EXPECT_EQ(hidden.empty() ? "" : Read("levels/" + hidden.front()), kept ? kLonger : "");
    if (c.calls.empty()) return;

    Strings calls;
    std::ifstream in(trace);
    // The path of the descriptor flushed, or the last path named.
    const std::regex call(R"re(^\d+ +(fsync|rename|unlink)\w*\((?:.*/([^/>]*)>\)|.*"([^"]*)"[^"]*\)) += 0)re");
    std::smatch m;
    for (std::string line; std::getline(in, line);)
        if (std::regex_search(line, m, call)) calls.push_back(Normalised(m.str(1) + " " + m.str(2) + m.str(3)));
    EXPECT_EQ(calls, c.calls);
}

INSTANTIATE_TEST_SUITE_P(Saves, TracedSaveTest, ::testing::ValuesIn(kTracedCases),
                         [](const ::testing::TestParamInfo<TracedCase>& row) { return row.param.name; });

// What comes after a save killed at a step: the editor's load, or a resave.
enum class FollowUp { Load, Resave };

struct KilledCase {
    const char* name;
    bool secondLink;
    std::string kill;   // strace's: the call, then when the save is killed there
    std::string check;  // what check tells of the files the save left
};

void PrintTo(const KilledCase& c, std::ostream* out) { *out << c.name; }

const std::string kLeftover = ": warning: a file left by a save that was cut short: the next load or save of the round "
                              "removes it [save-leftover]";
const std::string kCutShort = "levels/Level3.lev: error: a save was cut short while it rewrote this file in place: the "
                              "round last saved is in levels/.Level3.lev.old, which the editor's load and resave put "
                              "back [interrupted-save]";

const KilledCase kKilledCases[] = {
    {"WritingTheNewFile", false, "pwrite64:signal=SIGKILL:when=1", "levels/.Level3.lev.XXXXXX" + kLeftover},
    {"RenamingTheNewFile", false, "renameat:signal=SIGKILL:when=1", "levels/.Level3.lev.XXXXXX" + kLeftover},
    {"CopyingTheOldBytes", true, "pwrite64:signal=SIGKILL:when=1", "levels/.Level3.lev.old.XXXXXX" + kLeftover},
    {"NamingTheCopy", true, "renameat:signal=SIGKILL:when=1", "levels/.Level3.lev.old.XXXXXX" + kLeftover},
    {"RewritingInPlace", true, "ftruncate:signal=SIGKILL:when=2", kCutShort},
    {"RemovingTheCopy", true, "unlinkat:signal=SIGKILL:when=1", kCutShort},
};

class KilledSaveTest : public CliTest, public ::testing::WithParamInterface<std::tuple<KilledCase, FollowUp>> {};

// A save killed at any step leaves the round last saved, or its complete copy, which check names
// without changing anything and the next load or resave puts back; nothing else stays behind.
TEST_P(KilledSaveTest, NextLoadOrResaveFindsTheRoundLastSaved) {
    const auto& [c, followUp] = GetParam();
    if (WindowsTool()) GTEST_SKIP() << kUnixToolOnly;
    if (!Shell("strace -o /dev/null true")) GTEST_SKIP() << "strace is missing or cannot trace here";
    Write(kFile, kLonger);
    if (c.secondLink) {
        ASSERT_EQ(link((Folder() / kFile).c_str(), (Folder() / "b").c_str()), 0);
    }
    const Strings kill = {"env", kNoLeakCheck, "strace", "-f", "-o", "/dev/null", "-e", "inject=" + c.kill};
    Tool({"resave", "--force", "3"}, {}, kill);
    const Strings left = Entries(Folder() / "levels");

    Strings told;
    for (const std::string& line : Tool({"check", "3"}).Lines())
        if (line.find("[save-leftover]") != std::string::npos || line.find("[interrupted-save]") != std::string::npos)
            told.push_back(Normalised(line));
    EXPECT_EQ(told, Strings{c.check});
    EXPECT_EQ(Entries(Folder() / "levels"), left) << "check changed the folder";

    if (followUp == FollowUp::Load) {
        testing_support::RecordingHost host;
        level::Level round(host, Folder().string() + "/");
        level::LoadLevel(round, 3);
        EXPECT_EQ(round.ObjectCount(), 2u);
        EXPECT_EQ(Read(kFile), kLonger);
    } else {
        const ToolRun run = Tool({"resave", "--force", "3"});
        EXPECT_EQ(run.Lines().front(), kDroppedLine) << "the round read is not the one last saved";
        EXPECT_EQ(Read(kFile), kSaved);
    }
    EXPECT_EQ(Hidden(Folder() / "levels"), Strings{});
}

INSTANTIATE_TEST_SUITE_P(Saves, KilledSaveTest,
                         ::testing::Combine(::testing::ValuesIn(kKilledCases),
                                            ::testing::Values(FollowUp::Load, FollowUp::Resave)),
                         [](const auto& row) {
                             return std::string(std::get<0>(row.param).name) +
                                    (std::get<1>(row.param) == FollowUp::Load ? "ThenLoad" : "ThenResave");
                         });

// Bob may write in levels/ and flips the level file between a round and a link to a file only root
// may write, while root resaves it again and again: root never writes through his link.
TEST_F(CliTest, RootNeverWritesThroughALinkAnotherUserPlanted) {
    if (WindowsTool()) GTEST_SKIP() << kUnixToolOnly;
    if (geteuid() != 0) GTEST_SKIP() << "another user's link needs root to give it";
    const fs::path levels = Folder() / "levels";
    const fs::path secret = Folder() / "secret";
    Write("secret", kOld);
    ASSERT_EQ(chmod(secret.c_str(), 0600) | chmod(Folder().c_str(), 0755) | chown(levels.c_str(), 1002, 1002), 0);
    const pid_t flipper = fork();
    ASSERT_GE(flipper, 0);
    if (flipper == 0) {
        if (setgid(1002) != 0 || setuid(1002) != 0) _exit(1);
        const std::string round = (levels / "round").string();
        const std::string link = (levels / "link").string();
        const std::string level = (levels / "Level3.lev").string();
        for (;;) {
            const int fd = open(round.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0 && write(fd, kOld.data(), kOld.size()) >= 0) rename(round.c_str(), level.c_str());
            if (fd >= 0) close(fd);
            if (symlink(secret.c_str(), link.c_str()) == 0) rename(link.c_str(), level.c_str());
        }
    }
    int saved = 0;
    for (int i = 0; i < 200; ++i) saved += Tool({"resave", "3"}).status == 0 ? 1 : 0;
    kill(flipper, SIGKILL);
    waitpid(flipper, nullptr, 0);

    EXPECT_EQ(Read("secret"), kOld);
    struct stat st {};
    ASSERT_EQ(stat(secret.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_GT(saved, 0) << "the race never let root save the round itself";

    // Held still, his link is refused in words.
    unlink((levels / "Level3.lev").c_str());
    ASSERT_EQ(symlink(secret.c_str(), (levels / "Level3.lev").c_str()), 0);
    ASSERT_EQ(lchown((levels / "Level3.lev").c_str(), 1002, 1002), 0);
    EXPECT_EQ(Tool({"resave", "3"}).Lines().front(),
              "levels/Level3.lev: error: not saved: following its link refused: the link belongs to user 1002, and "
              "root follows only links of its own; the level is as it was [save-failed]");
    EXPECT_EQ(Read("secret"), kOld);
}

// Levels/ beside levels/, LEVEL3.lev beside Level3.lev, Bomba.png beside bomba.png: the first in byte
// order is not always the spelling a command composes. Check stands for every command here: all find
// their files through the one game folder.
TEST_F(CliTest, CheckReadsTheFirstSpellingInByteOrderAndWarnsOncePerName) {
    if (WindowsTool()) GTEST_SKIP() << kUnixToolOnly;
    Write("Levels/LEVEL3.lev", kSaved);
    Write("Levels/Level3.lev", "start,320,120\r\n");
    WriteBackground("Levels/LEVEL3.png", 278, 252);
    WriteBackground("Levels/Level3.png", 100, 80);
    WriteBackground("Levels/Level4.png", 278, 252);
    fs::copy_file(Folder() / "data/bomba.png", Folder() / "data/Bomba.png");
    const ToolRun run = Tool({"check", "3", "4"});
    EXPECT_EQ(run.status, 0);
    const auto warning = [](const std::string& file, const std::string& spellings, const std::string& used) {
        return file + ": warning: several entries match this name ignoring case (" + spellings +
               "): the editor and every command use " + used + " [ambiguous-name]";
    };
    // The directories' and sprites' findings follow the rounds'.
    EXPECT_EQ(run.Lines(), (Strings{warning("Levels/LEVEL3.lev", "LEVEL3.lev, Level3.lev", "LEVEL3.lev"),
                                    warning("Levels/LEVEL3.png", "LEVEL3.png, Level3.png", "LEVEL3.png"),
                                    "Levels/Level4.lev: note: the round has no level file: the editor shows it empty [no-level-file]",
                                    warning("Levels", "Levels, levels", "Levels"),
                                    warning("data/Bomba.png", "Bomba.png, bomba.png", "Bomba.png"),
                                    "2 rounds checked: 0 errors, 4 warnings"}));
}

}  // namespace
}  // namespace cli_testing
