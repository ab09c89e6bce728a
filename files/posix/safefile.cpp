#include "safefile.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "filedescriptor.h"
#include "pathinfo.h"
#include "savesteps.h"

namespace files {
namespace {

// As the kernel's own limit on links followed in one lookup.
constexpr int kMostLinksFollowed = 40;
// A write that keeps taking nothing (or keeps being interrupted) is given up after this many tries.
constexpr int kMostStalledWrites = 64;
constexpr std::size_t kChunk = std::size_t{1} << 16;
// The inode flags a user may set (chattr), which a new file must carry as the old one did.
constexpr int kKeptFlags = FS_SYNC_FL | FS_NODUMP_FL | FS_NOATIME_FL | FS_DIRSYNC_FL | FS_COMPR_FL | FS_NOCOMP_FL |
                           FS_NOTAIL_FL | FS_PROJINHERIT_FL | FS_NOCOW_FL;

constexpr const char* kReplacedMeanwhile = "opening it refused: it was replaced while it was opened";

[[noreturn]] void Fail(int error, const char* step) { throw StepFailed{error, Words(error, step)}; }

// Where a name lives: the open directory that holds it.
struct Place {
    FileDescriptor directory;
    std::string name;
};

std::pair<std::string, std::string> SplitLast(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// Opens `path` as a directory one component at a time from `from`, so that neither the length of the
// whole path nor the permissions of the folders above the current one matter. The last directory is
// opened for reading, as its flush and its listing need, where that is allowed.
FileDescriptor OpenDirectory(int from, const std::string& path) {
    const bool absolute = !path.empty() && path[0] == '/';
    FileDescriptor current(openat(absolute ? AT_FDCWD : from, absolute ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    std::size_t start = 0;
    while (current.Valid() && start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) {
            const std::string part = path.substr(start, end - start);
            current = FileDescriptor(openat(current.Get(), part.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        }
        start = end + 1;
    }
    if (!current.Valid()) Fail(errno, "finding its folder");
    FileDescriptor readable(openat(current.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return readable.Valid() ? std::move(readable) : std::move(current);
}

Place PlaceOf(const std::string& path) {
    auto [directory, name] = SplitLast(path);
    if (name.empty() || name == "." || name == "..") Fail(EISDIR, "opening it");
    return {OpenDirectory(AT_FDCWD, directory), std::move(name)};
}

bool RunAsRoot() { return geteuid() == 0; }

// Only a holder of CAP_SYS_ADMIN sees a file's trusted.* attributes; anyone else cannot tell whether a
// new file would lack some.
bool SeesEveryAttribute() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    return (data[CAP_TO_INDEX(CAP_SYS_ADMIN)].effective & CAP_TO_MASK(CAP_SYS_ADMIN)) != 0;
}

// Follows the links at `place` as the kernel would, refusing for root a link that root does not own,
// since whoever owns it chooses where root writes. Leaves `place` at the final name.
void FollowLinks(Place& place) {
    for (int followed = 0;; ++followed) {
        const FileDescriptor node(openat(place.directory.Get(), place.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {};
        if (!node.Valid()) {
            if (errno == ENOENT) return;
            Fail(errno, "opening it");
        }
        if (fstat(node.Get(), &st) != 0) Fail(errno, "opening it");
        if (!S_ISLNK(st.st_mode)) return;
        if (followed == kMostLinksFollowed) Fail(ELOOP, "following its link");
        if (RunAsRoot() && st.st_uid != 0)
            throw StepFailed{EACCES, "following its link refused: the link belongs to user " +
                                         std::to_string(st.st_uid) + ", and root follows only links of its own"};
        std::string target(static_cast<std::size_t>(st.st_size) + 1, '\0');
        const ssize_t n = readlinkat(node.Get(), "", target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size()) Fail(n < 0 ? errno : EAGAIN, "following its link");
        target.resize(static_cast<std::size_t>(n));
        auto [directory, name] = SplitLast(target);
        if (name.empty()) Fail(EISDIR, "opening it");
        place = {OpenDirectory(place.directory.Get(), directory), std::move(name)};
    }
}

// The file a save writes, opened by the kernel through the path as given, so that its protection of
// links in shared folders holds, and checked to be the one FollowLinks found.
struct Target {
    Place place;      // where the file is, links followed
    FileDescriptor file;  // none for a new file
    struct stat st {};
};

bool SameNode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

Target OpenTarget(const Place& given) {
    Target target{Place{FileDescriptor(fcntl(given.directory.Get(), F_DUPFD_CLOEXEC, 0)), given.name},
                  FileDescriptor(), {}};
    FollowLinks(target.place);
    struct stat found {};
    const int directory = target.place.directory.Get();
    const bool exists = fstatat(directory, target.place.name.c_str(), &found, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && S_ISBLK(found.st_mode))
        throw StepFailed{EACCES, "opening it refused: it is a block device, which a save never writes"};
    // Without blocking, a FIFO that nobody reads fails at once.
    target.file = FileDescriptor(openat(given.directory.Get(), given.name.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    if (!target.file.Valid()) {
        if (errno != ENOENT || exists) Fail(errno, "opening it");
        return target;
    }
    if (fstat(target.file.Get(), &target.st) != 0) Fail(errno, "opening it");
    struct stat now {};
    if (!exists || fstatat(directory, target.place.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 ||
        !SameNode(now, target.st) || !SameNode(found, target.st))
        throw StepFailed{EAGAIN, kReplacedMeanwhile};
    return target;
}

// Writes all of `bytes` at `offset`, or from the file's position when it is negative.
void WriteAll(int fd, std::string_view bytes, off_t offset, const char* step) {
    int stalled = 0;
    for (std::size_t done = 0; done < bytes.size();) {
        const std::size_t size = std::min(bytes.size() - done, kChunk * 16);
        const ssize_t n = offset < 0 ? write(fd, bytes.data() + done, size)
                                     : pwrite(fd, bytes.data() + done, size, offset + static_cast<off_t>(done));
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            stalled = 0;
            continue;
        }
        const int error = n == 0 ? EIO : errno;
        if ((n == 0 || error == EINTR) && ++stalled < kMostStalledWrites) continue;
        Fail(error, step);
    }
}

// Copies `size` bytes of `from` over `to`, both from their start, and cuts `to` there.
void CopyBytes(int from, int to, off_t size, const char* step) {
    std::vector<char> buffer(kChunk);
    for (off_t copied = 0; copied < size;) {
        const auto wanted = static_cast<std::size_t>(std::min<off_t>(size - copied, kChunk));
        const ssize_t got = pread(from, buffer.data(), wanted, copied);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) Fail(got == 0 ? EIO : errno, step);
        WriteAll(to, std::string_view(buffer.data(), static_cast<std::size_t>(got)), copied, step);
        copied += got;
    }
    if (ftruncate(to, size) != 0) Fail(errno, step);
}

void Flush(int fd, const char* step) {
    if (fsync(fd) != 0) Fail(errno, step);
}

// A rename or a new name is on the disk only once its directory is; a file system that cannot flush
// a directory at all says so with EINVAL and keeps its names by other means.
void FlushDirectory(int directory) {
    if (fsync(directory) != 0 && errno != EINVAL) Fail(errno, "flushing the folder");
}

// The last step of a save: the file already holds the new bytes, which only this makes sure of.
void FlushDirectoryOfTheNewBytes(int directory) {
    try {
        FlushDirectory(directory);
    } catch (StepFailed& failed) {
        failed.left = SaveLeft::NewBytesUnflushed;
        throw;
    }
}

std::string RandomName(const std::string& prefix) {
    unsigned char random[kRandomLength];
    if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
        for (unsigned char& r : random) r = static_cast<unsigned char>(rand());
    return files::RandomName(prefix, random);
}

// A new private file beside the target, locked for as long as it is open so that no other program
// takes it for the leftover of a save that was cut short; removed unless kept.
class TemporaryFile {
public:
    TemporaryFile(int directory, const std::string& prefix, const char* step) : directory_(directory) {
        for (int tries = 0; tries < 100 && !file_.Valid(); ++tries) {
            name_ = RandomName(prefix);
            file_ = FileDescriptor(
                openat(directory, name_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            if (!file_.Valid() && errno != EEXIST) break;
        }
        if (!file_.Valid()) Fail(errno, step);
        flock(file_.Get(), LOCK_EX | LOCK_NB);
    }
    ~TemporaryFile() {
        if (!name_.empty()) unlinkat(directory_, name_.c_str(), 0);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int Fd() const { return file_.Get(); }
    const std::string& Name() const { return name_; }
    // Its name now belongs to someone else, or to nobody.
    void Renamed(std::string name) { name_ = std::move(name); }
    void Keep() { name_.clear(); }

private:
    int directory_;
    std::string name_;
    FileDescriptor file_;
};

// A pipe whose reader goes away mid-save must fail the save, not end the program.
class BrokenPipeIgnored {
public:
    BrokenPipeIgnored() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, &previous_);
    }
    ~BrokenPipeIgnored() { sigaction(SIGPIPE, &previous_, nullptr); }
    BrokenPipeIgnored(const BrokenPipeIgnored&) = delete;
    BrokenPipeIgnored& operator=(const BrokenPipeIgnored&) = delete;

private:
    struct sigaction previous_ {};
};

// Replacing a device or a FIFO by a new file would destroy it, so it gets the bytes as it stands.
void WriteAsItStands(FileDescriptor& file, std::string_view bytes) {
    const int flags = fcntl(file.Get(), F_GETFL);
    if (flags < 0 || fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) Fail(errno, "opening it");
    const BrokenPipeIgnored brokenPipeIgnored;
    WriteAll(file.Get(), bytes, -1, "writing it");
    if (close(file.Release()) != 0 && errno != EINTR) Fail(errno, "closing it");
}

using Attributes = std::vector<std::pair<std::string, std::string>>;

bool ReadAttribute(int fd, const char* name, std::string& value) {
    for (;;) {
        const ssize_t size = fgetxattr(fd, name, nullptr, 0);
        if (size < 0) return false;
        value.assign(static_cast<std::size_t>(size), '\0');
        const ssize_t got = fgetxattr(fd, name, value.data(), value.size());
        if (got < 0 && errno == ERANGE) continue;
        if (got < 0) return false;
        value.resize(static_cast<std::size_t>(got));
        return true;
    }
}

// Every extended attribute the saver can see, by name. POSIX ACLs, security labels and file
// capabilities are extended attributes too.
bool ReadAttributes(int fd, Attributes& attributes) {
    attributes.clear();
    for (;;) {
        const ssize_t size = flistxattr(fd, nullptr, 0);
        // A file system without extended attributes gives every file none.
        if (size < 0) return errno == ENOTSUP;
        std::string list(static_cast<std::size_t>(size), '\0');
        const ssize_t got = flistxattr(fd, list.data(), list.size());
        if (got < 0 && errno == ERANGE) continue;
        if (got < 0) return false;
        for (std::size_t start = 0; start < static_cast<std::size_t>(got);) {
            const std::size_t end = list.find('\0', start);
            std::string value;
            if (!ReadAttribute(fd, list.c_str() + start, value)) return false;
            attributes.emplace_back(list.substr(start, end - start), std::move(value));
            start = end + 1;
        }
        std::sort(attributes.begin(), attributes.end());
        return true;
    }
}

int Flags(int fd) {
    int flags = 0;
    return ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 ? flags & kKeptFlags : 0;
}

bool SetFlags(int fd, int kept) {
    int flags = 0;
    if (ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) return false;
    flags = (flags & ~kKeptFlags) | kept;
    return ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
}

// What makes a file the file it is, besides its bytes and its inode.
struct Identity {
    struct stat st {};
    Attributes attributes;
    int flags = 0;
};

bool ReadIdentity(int fd, Identity& identity) {
    identity.flags = Flags(fd);
    return fstat(fd, &identity.st) == 0 && ReadAttributes(fd, identity.attributes);
}

bool SameIdentity(const Identity& a, const Identity& b) {
    return a.st.st_uid == b.st.st_uid && a.st.st_gid == b.st.st_gid &&
           (a.st.st_mode & 07777) == (b.st.st_mode & 07777) && a.attributes == b.attributes && a.flags == b.flags;
}

// Gives the file of `to` the identity `old`; false where the system refuses any of it. A change of
// owner clears the set-id bits and file capabilities, and a write clears them too, so this comes after
// the write and the mode comes last.
bool GiveIdentity(int to, const Identity& old) {
    Identity now;
    if (!ReadIdentity(to, now)) return false;
    const uid_t owner = now.st.st_uid == old.st.st_uid ? static_cast<uid_t>(-1) : old.st.st_uid;
    const gid_t group = now.st.st_gid == old.st.st_gid ? static_cast<gid_t>(-1) : old.st.st_gid;
    if ((owner != static_cast<uid_t>(-1) || group != static_cast<gid_t>(-1)) && fchown(to, owner, group) != 0)
        return false;
    // A new file may have been given attributes of its own (a directory's default ACL), which go.
    for (const auto& [name, value] : now.attributes) {
        const bool wanted = std::any_of(old.attributes.begin(), old.attributes.end(),
                                        [&name = name](const auto& a) { return a.first == name; });
        if (!wanted && fremovexattr(to, name.c_str()) != 0) return false;
    }
    for (const auto& [name, value] : old.attributes) {
        std::string current;
        // Rewriting a label that is already right could need a privilege that keeping it does not.
        if (ReadAttribute(to, name.c_str(), current) && current == value) continue;
        if (fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0) return false;
    }
    return (now.flags == old.flags || SetFlags(to, old.flags)) && fchmod(to, old.st.st_mode & 07777) == 0;
}

struct Saved {
    const Place& given;
    Target& target;
    std::string_view bytes;
};

// Gives the new file every mark of the old one, measured after the write; false leaves the target as
// it was for a save in place.
bool Replace(Saved& save, const Identity* old) {
    const int directory = save.target.place.directory.Get();
    const std::string& name = save.target.place.name;
    TemporaryFile temporary(directory, TemporaryPrefix(name), "creating the new file beside it");
    WriteAll(temporary.Fd(), save.bytes, 0, "writing the new file beside it");
    if (old != nullptr) {
        Identity now;
        if (!GiveIdentity(temporary.Fd(), *old) || !ReadIdentity(temporary.Fd(), now) || !SameIdentity(now, *old))
            return false;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        if (fchmod(temporary.Fd(), 0666 & ~mask) != 0) Fail(errno, "creating the new file beside it");
    }
    Flush(temporary.Fd(), "flushing the new file");
    if (renameat(directory, temporary.Name().c_str(), directory, name.c_str()) != 0)
        Fail(errno, "putting the new file in its place");
    temporary.Keep();
    FlushDirectoryOfTheNewBytes(directory);
    return true;
}

// A write in place clears the set-id bits and file capabilities; the saver puts back what it may.
void RestoreIdentity(int fd, const Identity& old) {
    Identity now;
    if (!ReadIdentity(fd, now)) return;
    for (const auto& [name, value] : old.attributes)
        if (std::count(now.attributes.begin(), now.attributes.end(), std::make_pair(name, value)) == 0)
            fsetxattr(fd, name.c_str(), value.data(), value.size(), 0);
    if ((now.st.st_mode & 07777) != (old.st.st_mode & 07777)) fchmod(fd, old.st.st_mode & 07777);
}


// Each step leaves the old bytes on the disk: in the file, or in the journal beside the name as given,
// which is complete once it has its own name, until the file holds the new bytes, flushed.
void WriteInPlace(Saved& save, const Identity& old, const std::string& path) {
    const FileDescriptor file(openat(save.target.place.directory.Get(), save.target.place.name.c_str(),
                                     O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (!file.Valid() || fstat(file.Get(), &st) != 0) Fail(errno, "opening it");
    if (!SameNode(st, save.target.st)) throw StepFailed{EAGAIN, kReplacedMeanwhile};

    const int directory = save.given.directory.Get();
    const std::string journal = JournalName(save.given.name);
    TemporaryFile copy(directory, CopyPrefix(save.given.name), "copying the old bytes beside it");
    CopyBytes(file.Get(), copy.Fd(), st.st_size, "copying the old bytes beside it");
    Flush(copy.Fd(), "flushing the copy of the old bytes");
    if (renameat(directory, copy.Name().c_str(), directory, journal.c_str()) != 0)
        Fail(errno, "copying the old bytes beside it");
    copy.Renamed(journal);
    FlushDirectory(directory);
    try {
        WriteAll(file.Get(), save.bytes, 0, "rewriting it in place");
        if (ftruncate(file.Get(), static_cast<off_t>(save.bytes.size())) != 0) Fail(errno, "rewriting it in place");
        RestoreIdentity(file.Get(), old);
        Flush(file.Get(), "flushing it");
        // Once the copy is gone the file's bytes are the round's; until then they would be put back.
        if (unlinkat(directory, journal.c_str(), 0) != 0) Fail(errno, "removing the copy of the old bytes");
        copy.Keep();
    } catch (const StepFailed& failed) {
        try {
            CopyBytes(copy.Fd(), file.Get(), st.st_size, "putting the old bytes back");
            Flush(file.Get(), "putting the old bytes back");
        } catch (const StepFailed& putBack) {
            copy.Keep();
            throw StepFailed{failed.error, failed.reason + "; " + putBack.reason, SaveLeft::CopyOfOldBytes,
                             ShownBeside(path, journal)};
        }
        throw;
    }
    FlushDirectoryOfTheNewBytes(directory);
}

void Save(const std::string& path, std::string_view bytes) {
    const Place given = PlaceOf(path);
    Target target = OpenTarget(given);
    Saved save{given, target, bytes};
    if (!target.file.Valid()) {
        Replace(save, nullptr);
        return;
    }
    if (!S_ISREG(target.st.st_mode)) {
        WriteAsItStands(target.file, bytes);
        return;
    }
    Identity old;
    if (!ReadIdentity(target.file.Get(), old)) Fail(errno, "reading its owner, mode and attributes");
    // Hidden attributes could be lost with a new file, and a second link would keep the old one.
    if (target.st.st_nlink == 1 && SeesEveryAttribute() && Replace(save, &old)) return;
    WriteInPlace(save, old, path);
}

// The journal's name, when a complete one is there, and the temporary files beside `name`.
std::vector<std::string> Temporaries(int directory, const std::string& name) {
    std::vector<std::string> found;
    const int listed = openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listed < 0) return found;
    const std::unique_ptr<DIR, int (*)(DIR*)> handle(fdopendir(listed), closedir);
    if (!handle) {
        close(listed);
        return found;
    }
    while (const dirent* entry = readdir(handle.get()))
        if (entry->d_name[0] == '.' && IsTemporaryOf(entry->d_name, name)) found.emplace_back(entry->d_name);
    std::sort(found.begin(), found.end());
    return found;
}

bool HasJournal(int directory, const std::string& name) {
    struct stat st {};
    return fstatat(directory, JournalName(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

void SaveOnThisHost(const std::string& path, std::string_view bytes) { Save(path, bytes); }

SaveLeftovers FindSaveLeftovers(const std::string& path) {
    SaveLeftovers leftovers;
    try {
        const Place place = PlaceOf(path);
        if (HasJournal(place.directory.Get(), place.name))
            leftovers.journal = ShownBeside(path, JournalName(place.name));
        for (const std::string& name : Temporaries(place.directory.Get(), place.name))
            leftovers.temporaries.push_back(ShownBeside(path, name));
    } catch (const StepFailed&) {
        // A folder that cannot be opened holds nothing a save left.
    }
    return leftovers;
}

bool UndoInterruptedSave(const std::string& path) {
    std::optional<Place> found;
    try {
        found.emplace(PlaceOf(path));
    } catch (const StepFailed&) {
        return false;
    }
    const Place& place = *found;
    const int directory = place.directory.Get();
    // A file another save holds locked is that save's own.
    const auto unused = [directory](const std::string& name, FileDescriptor& file) {
        file = FileDescriptor(openat(directory, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        return file.Valid() && flock(file.Get(), LOCK_EX | LOCK_NB) == 0;
    };
    for (const std::string& name : Temporaries(directory, place.name)) {
        FileDescriptor file;
        if (unused(name, file)) unlinkat(directory, name.c_str(), 0);
    }
    const std::string journalName = JournalName(place.name);
    FileDescriptor journal;
    if (!HasJournal(directory, place.name) || !unused(journalName, journal)) return false;
    try {
        struct stat st {};
        if (fstat(journal.Get(), &st) != 0) Fail(errno, "reading the copy of the old bytes");
        Target target = OpenTarget(place);
        if (!target.file.Valid() || !S_ISREG(target.st.st_mode)) Fail(ENOENT, "opening it");
        const FileDescriptor file(openat(target.place.directory.Get(), target.place.name.c_str(),
                                         O_RDWR | O_NOFOLLOW | O_CLOEXEC));
        if (!file.Valid()) Fail(errno, "opening it");
        CopyBytes(journal.Get(), file.Get(), st.st_size, "putting the old bytes back");
        Flush(file.Get(), "putting the old bytes back");
        if (unlinkat(directory, journalName.c_str(), 0) != 0) Fail(errno, "removing the copy of the old bytes");
        FlushDirectory(directory);
    } catch (const StepFailed& failed) {
        throw SaveFailure(failed.error, "a save was cut short, and " + failed.reason, path,
                          SaveLeft::CopyOfOldBytes, ShownBeside(path, journalName));
    }
    return true;
}

}  // namespace files
