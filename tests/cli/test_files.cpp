// What the tool does with the files of a game folder, seen on the disk: a resave leaves the same file
// with the new round, flushed with its directory, whoever saves it and whatever links, ACLs and
// attributes it has; every command reads the spelling first in byte order.

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>

#include "clifixture.h"

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

// What makes a file the file it is, besides its bytes: inode, owner, group, mode, then each attribute.
Strings IdentityOf(const fs::path& path) {
    struct stat st {};
    lstat(path.c_str(), &st);
    Strings identity = {std::to_string(st.st_ino), std::to_string(st.st_uid), std::to_string(st.st_gid),
                        std::to_string(st.st_mode & 07777)};
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
    {"OwnFileOfTheTeamGroup", 1002, 2000, 0664, nullptr, false, kAsBob, true},
    {"AclForATeammate", 0, 0, 0640, "setfacl -m u:1003:rw", false, {}, true},
    {"AclSetByItsOwner", 1002, 2000, 0664, "setfacl -m u:1003:rw", false, kAsBob, true},
    {"UserAttribute", 0, 0, 0644, "setfattr -n user.designer -v ann", false, {}, true},
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
    ASSERT_EQ(chmod(Folder().c_str(), 0755) | chown(file.parent_path().c_str(), 0, 2000) |
                  chmod(file.parent_path().c_str(), 0775) | chown(file.c_str(), c.owner, c.group) |
                  chmod(file.c_str(), c.mode) | (c.secondLink ? link(file.c_str(), (Folder() / "levels/b").c_str()) : 0),
              0);
    if (c.mark != nullptr && !Shell(std::string(c.mark) + " '" + file.string() + "'"))
        GTEST_SKIP() << c.mark << " failed: the tool is missing or the file system does not take it";
    Strings before = IdentityOf(file);
    ASSERT_EQ(before.size(), c.mark != nullptr ? 5u : 4u);

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

// The random part of the names of the new file and of the copy of the old bytes.
std::string Normalised(const std::string& text) {
    return std::regex_replace(text, std::regex(R"((\.Level3\.lev\.(old\.)?)[A-Za-z0-9]{6})"), "$1XXXXXX");
}

struct TracedCase {
    const char* name;
    bool secondLink;
    std::string fault;  // strace's: the call, then how it fails
    Strings calls;      // flushes, renames and removals, in order; empty: not looked at
    std::string report;
    std::string content;  // of the level file afterwards
};

void PrintTo(const TracedCase& c, std::ostream* out) { *out << c.name; }

const TracedCase kTracedCases[] = {
    {"Replaced", false, "", {"fsync .Level3.lev.XXXXXX", "rename Level3.lev", "fsync levels"},
     "levels/Level3.lev: saved", kSaved},
    {"InPlace", true, "",
     {"fsync .Level3.lev.old.XXXXXX", "fsync levels", "fsync Level3.lev", "unlink .Level3.lev.old.XXXXXX"},
     "levels/Level3.lev: saved", kSaved},
    {"DirectoryFlushFails", false, "fsync:error=EIO:when=2", {},
     "levels/Level3.lev: error: not saved: I/O error 5 [save-failed]", kSaved},
    {"PuttingBackFails", true, "pwrite64:error=ENOSPC:when=2+", {},
     "levels/Level3.lev: error: not saved: I/O error 28; the previous level is kept in "
     "./levels/.Level3.lev.old.XXXXXX [save-failed]",
     kOld},
};

class TracedSaveTest : public CliTest, public ::testing::WithParamInterface<TracedCase> {};

// What the save asks of the system, as strace sees it, and faults that strace injects.
TEST_P(TracedSaveTest, FlushesBeforeItSaysSaved) {
    const TracedCase& c = GetParam();
    if (WindowsTool()) GTEST_SKIP() << kUnixToolOnly;
    if (!Shell("strace -o /dev/null true")) GTEST_SKIP() << "strace is missing or cannot trace here";
    Write(kFile, kOld);
    if (c.secondLink) {
        ASSERT_EQ(link((Folder() / kFile).c_str(), (Folder() / "b").c_str()), 0);
    }
    const std::string trace = (Folder() / "trace").string();
    // strace injects faults only into the calls it traces.
    Strings wrapper = {"strace", "-f", "-y", "-o", trace, "-e",
                       "trace=fsync,rename,renameat,renameat2,unlink,unlinkat," + c.fault.substr(0, c.fault.find(':'))};
    if (!c.fault.empty()) wrapper.insert(wrapper.end(), {"-e", "inject=" + c.fault});

    const ToolRun run = Tool({"resave", "3"}, {}, wrapper);

    EXPECT_EQ(Normalised(run.out.substr(0, run.out.find('\n'))), c.report) << run.err;
    EXPECT_EQ(Read(kFile), c.content);
    // Only a save that cannot put the old bytes back leaves them, in a hidden copy listed first.
    const Strings left = Entries(Folder() / "levels");
    EXPECT_EQ(left.size() > 1 ? Read("levels/" + left.front()) : "", c.content == kOld ? kOld : "");
    if (c.calls.empty()) return;

    Strings calls;
    std::ifstream in(trace);
    // The path of the descriptor flushed, or the last path named.
    const std::regex call(R"re(^\d+ +(fsync|rename|unlink)\w*\((?:.*/([^/>]*)>\)|.*/([^/"]*)"[^"]*\)) += 0)re");
    std::smatch m;
    for (std::string line; std::getline(in, line);)
        if (std::regex_search(line, m, call)) calls.push_back(Normalised(m.str(1) + " " + m.str(2) + m.str(3)));
    EXPECT_EQ(calls, c.calls);
}

INSTANTIATE_TEST_SUITE_P(Saves, TracedSaveTest, ::testing::ValuesIn(kTracedCases),
                         [](const ::testing::TestParamInfo<TracedCase>& row) { return row.param.name; });

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
    EXPECT_EQ(run.Lines(), (Strings{warning("Levels", "Levels, levels", "Levels"),
                                    warning("Levels/LEVEL3.lev", "LEVEL3.lev, Level3.lev", "LEVEL3.lev"),
                                    warning("Levels/LEVEL3.png", "LEVEL3.png, Level3.png", "LEVEL3.png"),
                                    warning("data/Bomba.png", "Bomba.png, bomba.png", "Bomba.png"),
                                    "2 rounds checked: 0 errors, 4 warnings"}));
}

}  // namespace
}  // namespace cli_testing
