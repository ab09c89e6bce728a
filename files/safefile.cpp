#include "safefile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "filedescriptor.h"

namespace files {
namespace {

[[noreturn]] void Fail(int error, const std::string& what) {
    throw FileSystemError(error, what + ": " + std::strerror(error));
}

mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

void WriteAll(int fd, std::string_view bytes, const std::string& path) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(errno, "Cannot write " + path);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void Flush(int fd, const std::string& path) {
    if (fsync(fd) != 0) Fail(errno, "Cannot flush " + path);
}

void CloseChecked(FileDescriptor& file, const std::string& path) {
    if (close(file.Release()) != 0 && errno != EINTR) Fail(errno, "Cannot close " + path);
}

// A rename or a new name is on the disk only once its directory is; a file system that cannot flush
// a directory at all says so with EINVAL and keeps its names by other means.
void FlushDirectory(const std::string& directory) {
    const FileDescriptor dir(open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.Valid()) Fail(errno, "Cannot open " + directory);
    if (fsync(dir.Get()) != 0 && errno != EINVAL) Fail(errno, "Cannot flush " + directory);
}

// Copies `from` over `to`, both from their start; the count copied, or -1 with errno set.
off_t CopyBytes(int from, int to) {
    std::vector<char> buffer(1 << 16);
    off_t copied = 0;
    for (;;) {
        const ssize_t got = pread(from, buffer.data(), buffer.size(), copied);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got == 0 ? copied : -1;
        for (ssize_t done = 0; done < got;) {
            const ssize_t n = pwrite(to, buffer.data() + done, static_cast<std::size_t>(got - done), copied + done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return -1;
            done += n;
        }
        copied += got;
    }
}

class TemporaryFile {
public:
    // A new private file named after `target` in its directory.
    TemporaryFile(const std::string& target, const char* purpose) {
        const std::size_t slash = target.find_last_of('/');
        const std::string directory = slash == std::string::npos ? "" : target.substr(0, slash + 1);
        const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
        path_ = directory + "." + name + purpose + "XXXXXX";
        file_ = FileDescriptor(mkostemp(path_.data(), O_CLOEXEC));
        if (!file_.Valid()) Fail(errno, "Cannot create a file beside " + target);
    }
    ~TemporaryFile() {
        if (!kept_) unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    FileDescriptor& File() { return file_; }
    int Fd() const { return file_.Get(); }
    const std::string& Path() const { return path_; }
    void Keep() { kept_ = true; }

private:
    std::string path_;
    FileDescriptor file_;
    bool kept_ = false;
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
void WriteAsItStands(FileDescriptor& file, const std::string& path, std::string_view bytes) {
    const int flags = fcntl(file.Get(), F_GETFL);
    if (flags < 0 || fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) Fail(errno, "Cannot set up " + path);
    const BrokenPipeIgnored brokenPipeIgnored;
    WriteAll(file.Get(), bytes, path);
    CloseChecked(file, path);
}

bool ListAttributes(int fd, std::vector<std::string>& names) {
    for (;;) {
        const ssize_t size = flistxattr(fd, nullptr, 0);
        // A file system without extended attributes gives every file none.
        if (size < 0) return errno == ENOTSUP;
        std::string list(static_cast<std::size_t>(size), '\0');
        const ssize_t got = flistxattr(fd, list.data(), list.size());
        if (got < 0 && errno == ERANGE) continue;
        if (got < 0) return false;
        names.clear();
        for (std::size_t start = 0; start < static_cast<std::size_t>(got);) {
            const std::size_t end = list.find('\0', start);
            names.push_back(list.substr(start, end - start));
            start = end + 1;
        }
        return true;
    }
}

bool ReadAttribute(int fd, const std::string& name, std::string& value) {
    for (;;) {
        const ssize_t size = fgetxattr(fd, name.c_str(), nullptr, 0);
        if (size < 0) return false;
        value.assign(static_cast<std::size_t>(size), '\0');
        const ssize_t got = fgetxattr(fd, name.c_str(), value.data(), value.size());
        if (got < 0 && errno == ERANGE) continue;
        if (got < 0) return false;
        value.resize(static_cast<std::size_t>(got));
        return true;
    }
}

// POSIX ACLs and security labels are extended attributes too, so this copies them as well. A new
// file may have been given attributes of its own (a directory's default ACL), which go.
bool CopyAttributes(int from, int to) {
    std::vector<std::string> wanted;
    std::vector<std::string> present;
    if (!ListAttributes(from, wanted) || !ListAttributes(to, present)) return false;
    for (const std::string& name : present)
        if (std::find(wanted.begin(), wanted.end(), name) == wanted.end() && fremovexattr(to, name.c_str()) != 0)
            return false;
    std::string value;
    std::string current;
    for (const std::string& name : wanted) {
        if (!ReadAttribute(from, name, value)) return false;
        // Rewriting a label that is already right could need a privilege that keeping it does not.
        if (ReadAttribute(to, name, current) && current == value) continue;
        if (fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0) return false;
    }
    return true;
}

// Gives the new file the old one's owner, group, attributes and mode; false where the system refuses
// any of them. A user may give a file any group they belong to, but never another owner.
bool TakeIdentity(int to, int from, const struct stat& old) {
    struct stat now {};
    if (fstat(to, &now) != 0) return false;
    const uid_t owner = now.st_uid == old.st_uid ? static_cast<uid_t>(-1) : old.st_uid;
    const gid_t group = now.st_gid == old.st_gid ? static_cast<gid_t>(-1) : old.st_gid;
    if ((owner != static_cast<uid_t>(-1) || group != static_cast<gid_t>(-1)) && fchown(to, owner, group) != 0)
        return false;
    if (!CopyAttributes(from, to)) return false;
    // Last, since a change of owner clears the set-id bits; the system drops them quietly where not allowed.
    if (fchmod(to, old.st_mode & 07777) != 0 || fstat(to, &now) != 0) return false;
    return now.st_uid == old.st_uid && now.st_gid == old.st_gid && (now.st_mode & 07777) == (old.st_mode & 07777);
}

void Rename(TemporaryFile& temporary, std::string_view bytes, const std::string& target) {
    WriteAll(temporary.Fd(), bytes, temporary.Path());
    Flush(temporary.Fd(), temporary.Path());
    CloseChecked(temporary.File(), temporary.Path());
    if (rename(temporary.Path().c_str(), target.c_str()) != 0) Fail(errno, "Cannot replace " + target);
    temporary.Keep();
    FlushDirectory(DirectoryOf(target));
}

void CreateNew(const std::string& target, std::string_view bytes) {
    TemporaryFile temporary(target, ".");
    if (fchmod(temporary.Fd(), NewFileMode()) != 0) Fail(errno, "Cannot set the permissions of " + temporary.Path());
    Rename(temporary, bytes, target);
}

bool PutBack(int copy, int file, off_t size) {
    return CopyBytes(copy, file) == size && ftruncate(file, size) == 0 && fsync(file) == 0;
}

// Each step leaves the old bytes on the disk: in the file, or flushed in the copy beside it until
// the file holds the new ones.
void WriteInPlace(const std::string& target, const struct stat& old, std::string_view bytes) {
    const FileDescriptor file(open(target.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (!file.Valid() || fstat(file.Get(), &st) != 0) Fail(errno, "Cannot open " + target);
    if (st.st_dev != old.st_dev || st.st_ino != old.st_ino) Fail(EAGAIN, "Replaced meanwhile: " + target);

    TemporaryFile copy(target, ".old.");
    const off_t size = CopyBytes(file.Get(), copy.Fd());
    if (size < 0) Fail(errno, "Cannot copy " + target + " to " + copy.Path());
    Flush(copy.Fd(), copy.Path());
    FlushDirectory(DirectoryOf(target));
    try {
        for (std::string_view rest = bytes; !rest.empty();) {
            const ssize_t n = pwrite(file.Get(), rest.data(), rest.size(), static_cast<off_t>(bytes.size() - rest.size()));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) Fail(errno, "Cannot write " + target);
            rest.remove_prefix(static_cast<std::size_t>(n));
        }
        if (ftruncate(file.Get(), static_cast<off_t>(bytes.size())) != 0) Fail(errno, "Cannot write " + target);
        Flush(file.Get(), target);
    } catch (const FileSystemError& e) {
        if (PutBack(copy.Fd(), file.Get(), size)) throw;
        copy.Keep();
        throw FileSystemError(e.Error(), std::string(e.what()) + "; the old bytes are in " + copy.Path(), copy.Path());
    }
}

}  // namespace

void WriteFileReplacing(const std::string& path, std::string_view bytes) {
    std::string target = path;
    struct stat seen {};
    if (lstat(path.c_str(), &seen) == 0 && S_ISLNK(seen.st_mode)) {
        // The link stays; what it points at is written.
        std::vector<char> resolved(PATH_MAX + 1);
        if (realpath(path.c_str(), resolved.data()) == nullptr) {
            // A link to nothing, or a loop: opening through it creates its file or says why it cannot.
            FileDescriptor file(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666));
            if (!file.Valid()) Fail(errno, "Cannot open " + path);
            WriteAll(file.Get(), bytes, path);
            Flush(file.Get(), path);
            CloseChecked(file, path);
            return;
        }
        target = resolved.data();
    }
    // Opening for writing refuses a read-only file as writing in place would, and without blocking
    // a FIFO that nobody reads fails at once. Every check below is on this descriptor.
    FileDescriptor file(open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (!file.Valid()) {
        if (errno != ENOENT) Fail(errno, "Cannot open " + target);
        CreateNew(target, bytes);
        return;
    }
    struct stat old {};
    if (fstat(file.Get(), &old) != 0) Fail(errno, "Cannot examine " + target);
    if (!S_ISREG(old.st_mode)) {
        WriteAsItStands(file, target, bytes);
        return;
    }
    if (old.st_nlink == 1) {
        TemporaryFile temporary(target, ".");
        if (TakeIdentity(temporary.Fd(), file.Get(), old)) {
            Rename(temporary, bytes, target);
            return;
        }
    }
    file = FileDescriptor();
    WriteInPlace(target, old, bytes);
}

}  // namespace files
