// What the tool does with the files of a game folder, seen on the disk: a resave leaves the same file
// with the new round, flushed with its directory, whoever saves it and whatever links, ACLs and
// attributes it has; every command reads the spelling first in byte order.

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "clifixture.h"

namespace cli_testing {
namespace {

namespace fs = std::filesystem;

const std::string kOld = "start,320,120\nbomba,200,40,14,18,1,500\n";
const std::string kSaved = "start,320,120\r\nbomba,200,40,14,18,1,500\r\n";
constexpr const char* kFile = "levels/Level3.lev";

// Designers of a shared folder, unknown to the system as users often are in containers.
constexpr uid_t kAnn = 1001;
constexpr uid_t kBob = 1002;
constexpr gid_t kTeam = 2000;
const std::vector<std::string> kAsBob = {"--reuid=1002", "--regid=1002", "--groups=2000"};

bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// What makes a file the file it is, besides its bytes.
struct Identity {
    ino_t inode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    mode_t mode = 0;
    std::map<std::string, std::string> attributes;
};

Identity IdentityOf(const fs::path& path) {
    Identity identity;
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return identity;
    identity = {st.st_ino, st.st_uid, st.st_gid, st.st_mode & 07777, {}};
    std::string names(static_cast<std::size_t>(std::max<ssize_t>(llistxattr(path.c_str(), nullptr, 0), 0)), '\0');
    names.resize(static_cast<std::size_t>(std::max<ssize_t>(llistxattr(path.c_str(), names.data(), names.size()), 0)));
    for (std::size_t start = 0; start < names.size(); start = names.find('\0', start) + 1) {
        const std::string name = names.c_str() + start;
        std::string value(static_cast<std::size_t>(std::max<ssize_t>(lgetxattr(path.c_str(), name.c_str(), nullptr, 0), 0)), '\0');
        lgetxattr(path.c_str(), name.c_str(), value.data(), value.size());
        identity.attributes[name] = value;
    }
    return identity;
}

std::vector<std::string> Entries(const fs::path& directory) {
    std::vector<std::string> names;
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
    std::vector<std::string> saver;  // setpriv's options; none: root saves
    bool replaced;                   // a new file takes the name; else the file is written in place
};

void PrintTo(const IdentityCase& c, std::ostream* out) { *out << c.name; }

const IdentityCase kIdentityCases[] = {
    {"OwnFile", 0, 0, 0640, nullptr, false, {}, true},
    {"SecondLink", 0, 0, 0644, nullptr, true, {}, false},
    {"TeammatesFile", kAnn, kTeam, 0664, nullptr, false, kAsBob, false},
    {"OwnFileOfTheTeamGroup", kBob, kTeam, 0664, nullptr, false, kAsBob, true},
    {"AclForATeammate", 0, 0, 0640, "setfacl -m u:1003:rw", false, {}, true},
    {"AclSetByItsOwner", kBob, kTeam, 0664, "setfacl -m u:1003:rw", false, kAsBob, true},
    {"UserAttribute", 0, 0, 0644, "setfattr -n user.designer -v ann", false, {}, true},
};

class IdentityTest : public CliTest, public ::testing::WithParamInterface<IdentityCase> {};

TEST_P(IdentityTest, ResaveKeepsTheFileWhatItWas) {
    const IdentityCase& c = GetParam();
    if (geteuid() != 0) GTEST_SKIP() << "giving files to other users needs root";
    Write(kFile, kOld);
    const fs::path file = Folder() / kFile;
    // The team writes in levels/; its files are made with each designer's own group.
    ASSERT_EQ(chmod(Folder().c_str(), 0755), 0);
    ASSERT_EQ(chown((Folder() / "levels").c_str(), 0, kTeam), 0);
    ASSERT_EQ(chmod((Folder() / "levels").c_str(), 0775), 0);
    ASSERT_EQ(chown(file.c_str(), c.owner, c.group), 0);
    ASSERT_EQ(chmod(file.c_str(), c.mode), 0);
    if (c.mark != nullptr && !Shell(std::string(c.mark) + " '" + file.string() + "'"))
        GTEST_SKIP() << c.mark << " failed: the tool is missing or the file system does not take it";
    if (c.secondLink) {
        ASSERT_EQ(link(file.c_str(), (Folder() / "levels/Other.lev").c_str()), 0);
    }
    const Identity before = IdentityOf(file);
    if (c.mark != nullptr) {
        ASSERT_FALSE(before.attributes.empty());
    }
    std::vector<std::string> wrapper;
    if (!c.saver.empty()) {
        if (!Shell("setpriv --version")) GTEST_SKIP() << "no setpriv";
        wrapper = {"setpriv"};
        wrapper.insert(wrapper.end(), c.saver.begin(), c.saver.end());
    }

    const ToolRun run = Tool({"resave", "3"}, {}, wrapper);

    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(Read(kFile), kSaved);
    if (c.secondLink) {
        EXPECT_EQ(Read("levels/Other.lev"), kSaved);
    }
    const Identity after = IdentityOf(file);
    EXPECT_EQ(after.inode != before.inode, c.replaced);
    EXPECT_EQ(after.owner, before.owner);
    EXPECT_EQ(after.group, before.group);
    EXPECT_EQ(after.mode, before.mode);
    EXPECT_EQ(after.attributes, before.attributes);
    EXPECT_EQ(Entries(Folder() / "levels"),
              c.secondLink ? (std::vector<std::string>{"Level3.lev", "Other.lev"}) : std::vector<std::string>{"Level3.lev"});
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
    const char* inject;  // strace's fault, or null
    int status;
    std::vector<std::string> calls;  // flushes, renames and removals, in order; empty: not looked at
    std::string report;              // the line of the round, with the random names normalised
    std::string content;             // of the level file afterwards
    bool copyLeft;
};

void PrintTo(const TracedCase& c, std::ostream* out) { *out << c.name; }

const TracedCase kTracedCases[] = {
    {"Replaced", false, nullptr, 0,
     {"fsync .Level3.lev.XXXXXX", "rename Level3.lev", "fsync levels"},
     "levels/Level3.lev: saved", kSaved, false},
    {"InPlace", true, nullptr, 0,
     {"fsync .Level3.lev.old.XXXXXX", "fsync levels", "fsync Level3.lev", "unlink .Level3.lev.old.XXXXXX"},
     "levels/Level3.lev: saved", kSaved, false},
    {"DirectoryFlushFails", false, "fsync:error=EIO:when=2", 1, {},
     "levels/Level3.lev: error: not saved: I/O error 5 [save-failed]", kSaved, false},
    {"PuttingBackFails", true, "pwrite64:error=ENOSPC:when=2+", 1, {},
     "levels/Level3.lev: error: not saved: I/O error 28; the previous level is kept in "
     "./levels/.Level3.lev.old.XXXXXX [save-failed]",
     kOld, true},
};

class TracedSaveTest : public CliTest, public ::testing::WithParamInterface<TracedCase> {};

// What the save asks of the system, as strace sees it, with faults it injects.
TEST_P(TracedSaveTest, FlushesBeforeItSaysSaved) {
    const TracedCase& c = GetParam();
    if (!Shell("strace -o /dev/null true")) GTEST_SKIP() << "strace is missing or cannot trace here";
    Write(kFile, kOld);
    if (c.secondLink) {
        ASSERT_EQ(link((Folder() / kFile).c_str(), (Folder() / "levels/Other.lev").c_str()), 0);
    }
    const std::string trace = (Folder() / "trace").string();
    std::string traced = "trace=fsync,fdatasync,rename,renameat,renameat2,unlink,unlinkat";
    // strace injects faults only into the calls it traces.
    if (c.inject != nullptr) traced += "," + std::string(c.inject).substr(0, std::string(c.inject).find(':'));
    std::vector<std::string> wrapper = {"strace", "-f", "-y", "-o", trace, "-e", traced};
    if (c.inject != nullptr) wrapper.insert(wrapper.end(), {"-e", std::string("inject=") + c.inject});

    const ToolRun run = Tool({"resave", "3"}, {}, wrapper);

    EXPECT_EQ(run.status, c.status) << run.err;
    ASSERT_FALSE(run.Lines().empty());
    EXPECT_EQ(Normalised(run.Lines().front()), c.report);
    EXPECT_EQ(Read(kFile), c.content);
    std::vector<std::string> left = Entries(Folder() / "levels");
    left.erase(std::remove_if(left.begin(), left.end(), [](const std::string& n) { return n.front() != '.'; }),
               left.end());
    ASSERT_EQ(left.size(), c.copyLeft ? 1u : 0u);
    if (c.copyLeft) {
        EXPECT_EQ(Read("levels/" + left.front()), kOld);
    }
    if (c.calls.empty()) return;

    std::vector<std::string> calls;
    std::ifstream in(trace);
    const std::regex call(R"(^\d+\s+(\w+)\((.*)\)\s+=\s+0)");
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, call)) continue;
        const std::string name = m[1];
        const std::string args = m[2];
        const auto base = [](const std::string& path) { return path.substr(path.find_last_of('/') + 1); };
        if (name.rfind("fsync", 0) == 0 || name == "fdatasync") {
            calls.push_back("fsync " + base(args.substr(args.find('<') + 1, args.rfind('>') - args.find('<') - 1)));
        } else {
            const std::size_t close = args.rfind('"');
            const std::string path = args.substr(args.rfind('"', close - 1) + 1, close - args.rfind('"', close - 1) - 1);
            calls.push_back((name.rfind("rename", 0) == 0 ? "rename " : "unlink ") + base(path));
        }
    }
    EXPECT_EQ(Normalised([&] {
                  std::string joined;
                  for (const std::string& s : calls) joined += s + "\n";
                  return joined;
              }()),
              [&] {
                  std::string joined;
                  for (const std::string& s : c.calls) joined += s + "\n";
                  return joined;
              }());
}

INSTANTIATE_TEST_SUITE_P(Saves, TracedSaveTest, ::testing::ValuesIn(kTracedCases),
                         [](const ::testing::TestParamInfo<TracedCase>& row) { return row.param.name; });

// Levels/ beside levels/, LEVEL3.lev beside Level3.lev, Bomba.png beside bomba.png: the first in byte
// order is not always the spelling a command composes.
class BothSpellingsTest : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        Write("Levels/LEVEL3.lev", kSaved);
        Write("Levels/Level3.lev", "start,320,120\r\n");
        WriteBackground("Levels/LEVEL3.png", 278, 252);
        WriteBackground("Levels/Level3.png", 100, 80);
        WriteBackground("Levels/Level4.png", 278, 252);
        fs::copy_file(Folder() / "data/bomba.png", Folder() / "data/Bomba.png");
    }
};

TEST_F(BothSpellingsTest, CheckReadsTheFirstInByteOrderAndWarnsOncePerName) {
    const ToolRun run = Tool({"check", "3", "4"});
    EXPECT_EQ(run.status, 0);
    const std::string warning = ": warning: several entries match this name ignoring case (";
    EXPECT_EQ(run.Lines(),
              (std::vector<std::string>{
                  "Levels" + warning + "Levels, levels): the editor and every command use Levels [ambiguous-name]",
                  "Levels/LEVEL3.lev" + warning +
                      "LEVEL3.lev, Level3.lev): the editor and every command use LEVEL3.lev [ambiguous-name]",
                  "Levels/LEVEL3.png" + warning +
                      "LEVEL3.png, Level3.png): the editor and every command use LEVEL3.png [ambiguous-name]",
                  "data/Bomba.png" + warning +
                      "Bomba.png, bomba.png): the editor and every command use Bomba.png [ambiguous-name]",
                  "2 rounds checked: 0 errors, 4 warnings"}));
}

TEST_F(BothSpellingsTest, RenderDrawsTheFirstInByteOrder) {
    ASSERT_EQ(Tool({"render", "3", "-o", "both.png"}).status, 0);
    fs::remove(Folder() / "Levels/Level3.png");
    fs::remove(Folder() / "Levels/Level3.lev");
    ASSERT_EQ(Tool({"render", "3", "-o", "first.png"}).status, 0);
    EXPECT_EQ(Read("both.png"), Read("first.png"));
}

}  // namespace
}  // namespace cli_testing
