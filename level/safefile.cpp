#include "safefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace level {
namespace {

[[noreturn]] void Fail(int error, const std::string& what) {
    throw FileSystemError(error, what + ": " + std::strerror(error));
}

// Writes to the file a symbolic link points at, so that saving keeps the link.
std::string FollowLink(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> resolved(PATH_MAX + 1);
    if (realpath(path.c_str(), resolved.data()) == nullptr) return path;
    return resolved.data();
}

mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target) {
        const std::size_t slash = target.find_last_of('/');
        const std::string directory = slash == std::string::npos ? "" : target.substr(0, slash + 1);
        const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
        std::string pattern = directory + "." + name + ".XXXXXX";
        fd_ = mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ < 0) Fail(errno, "Cannot create a file beside " + target);
        path_ = pattern;
    }
    ~TemporaryFile() {
        if (fd_ >= 0) close(fd_);
        if (!path_.empty()) unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int Fd() const { return fd_; }
    const std::string& Path() const { return path_; }

    void Close() {
        const int fd = fd_;
        fd_ = -1;
        if (close(fd) != 0 && errno != EINTR) Fail(errno, "Cannot close " + path_);
    }
    void Keep() { path_.clear(); }

private:
    int fd_ = -1;
    std::string path_;
};

void WriteAll(int fd, std::string_view bytes, const std::string& what) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(errno, "Cannot write " + what);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

}  // namespace

void WriteFileReplacing(const std::string& path, std::string_view bytes) {
    const std::string target = FollowLink(path);
    struct stat old {};
    const bool exists = stat(target.c_str(), &old) == 0;
    if (exists) {
        if (S_ISDIR(old.st_mode)) Fail(EISDIR, "Cannot replace " + target);
        // Replacing by rename would get past a read-only file; refuse as writing in place would.
        if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) Fail(errno, "Cannot write " + target);
    }

    TemporaryFile file(target);
    WriteAll(file.Fd(), bytes, file.Path());
    const mode_t mode = exists ? (old.st_mode & 07777) : NewFileMode();
    if (fchmod(file.Fd(), mode) != 0) Fail(errno, "Cannot set the permissions of " + file.Path());
    if (exists && geteuid() == 0) {
        // Best effort: a file of another user should stay theirs when root saves it.
        static_cast<void>(fchown(file.Fd(), old.st_uid, old.st_gid));
    }
    if (fsync(file.Fd()) != 0) Fail(errno, "Cannot flush " + file.Path());
    file.Close();
    if (rename(file.Path().c_str(), target.c_str()) != 0) Fail(errno, "Cannot replace " + target);
    file.Keep();
}

}  // namespace level
