#include "safefile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

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

class OpenFile {
public:
    OpenFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~OpenFile() {
        if (fd_ >= 0) close(fd_);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    int Fd() const { return fd_; }
    const std::string& Path() const { return path_; }

    void WriteAll(std::string_view bytes) const {
        while (!bytes.empty()) {
            const ssize_t n = write(fd_, bytes.data(), bytes.size());
            if (n < 0) {
                if (errno == EINTR) continue;
                Fail(errno, "Cannot write " + path_);
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    void Close() {
        const int fd = fd_;
        fd_ = -1;
        if (close(fd) != 0 && errno != EINTR) Fail(errno, "Cannot close " + path_);
    }

private:
    int fd_;
    std::string path_;
};

class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target) : file_(CreateBeside(target)) {}
    ~TemporaryFile() {
        if (!kept_) unlink(file_.Path().c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    OpenFile& File() { return file_; }
    void Keep() { kept_ = true; }

private:
    static OpenFile CreateBeside(const std::string& target) {
        const std::size_t slash = target.find_last_of('/');
        const std::string directory = slash == std::string::npos ? "" : target.substr(0, slash + 1);
        const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
        std::string pattern = directory + "." + name + ".XXXXXX";
        const int fd = mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0) Fail(errno, "Cannot create a file beside " + target);
        return OpenFile(fd, pattern);
    }

    OpenFile file_;
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
void WriteInPlace(const std::string& path, std::string_view bytes) {
    // A FIFO that nobody reads would block the open for good; without blocking it fails at once.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) Fail(errno, "Cannot open " + path);
    OpenFile file(fd, path);
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) Fail(errno, "Cannot set up " + path);
    const BrokenPipeIgnored brokenPipeIgnored;
    file.WriteAll(bytes);
    file.Close();
}

}  // namespace

void WriteFileReplacing(const std::string& path, std::string_view bytes) {
    std::string target = path;
    struct stat old {};
    const bool exists = lstat(path.c_str(), &old) == 0;
    if (exists && S_ISLNK(old.st_mode)) {
        // The link stays; what it points at is written.
        std::vector<char> resolved(PATH_MAX + 1);
        if (realpath(path.c_str(), resolved.data()) == nullptr || stat(resolved.data(), &old) != 0) {
            // A link to nothing, or a loop: opening through it creates its file or says why it cannot.
            WriteInPlace(path, bytes);
            return;
        }
        target = resolved.data();
    }
    if (exists && !S_ISREG(old.st_mode)) {
        WriteInPlace(target, bytes);
        return;
    }
    // Replacing by rename would get past a read-only file; refuse as writing in place would.
    if (exists && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) Fail(errno, "Cannot write " + target);

    TemporaryFile temporary(target);
    OpenFile& file = temporary.File();
    file.WriteAll(bytes);
    const mode_t mode = exists ? (old.st_mode & 07777) : NewFileMode();
    if (fchmod(file.Fd(), mode) != 0) Fail(errno, "Cannot set the permissions of " + file.Path());
    if (exists && geteuid() == 0) {
        // Best effort: a file of another user should stay theirs when root saves it.
        static_cast<void>(fchown(file.Fd(), old.st_uid, old.st_gid));
    }
    if (fsync(file.Fd()) != 0) Fail(errno, "Cannot flush " + file.Path());
    file.Close();
    if (rename(file.Path().c_str(), target.c_str()) != 0) Fail(errno, "Cannot replace " + target);
    temporary.Keep();
}

}  // namespace files
