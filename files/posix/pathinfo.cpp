#include "pathinfo.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "nodekind.h"

namespace files {

NodeKind KindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return NodeKind::Regular;
    if (S_ISDIR(mode)) return NodeKind::Directory;
    if (S_ISFIFO(mode)) return NodeKind::Fifo;
    if (S_ISSOCK(mode)) return NodeKind::Socket;
    return NodeKind::Device;
}

PathInfo LookAt(const std::string& path) {
    struct stat st {};
    PathInfo info;
    if (stat(path.c_str(), &st) != 0) {
        info.error = errno;
        return info;
    }
    info.kind = KindOfMode(st.st_mode);
    info.size = st.st_size;
    info.modifiedNanoseconds = std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    info.identity = st.st_ino;
    return info;
}

bool IsDirectory(const std::string& path) {
    const PathInfo info = LookAt(path);
    return info.error == 0 && info.kind == NodeKind::Directory;
}

std::optional<std::string> LinkTarget(const std::string& path) {
    std::string target(256, '\0');
    for (;;) {
        const ssize_t n = readlink(path.c_str(), target.data(), target.size());
        if (n < 0) return std::nullopt;
        if (static_cast<std::size_t>(n) < target.size()) return target.substr(0, static_cast<std::size_t>(n));
        target.resize(target.size() * 2);
    }
}

int WriteAccessError(const std::string& path) { return access(path.c_str(), W_OK) == 0 ? 0 : errno; }

}  // namespace files
