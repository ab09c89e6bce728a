#include "outputfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "filedescriptor.h"
#include "pathinfo.h"
#include "safefile.h"

namespace files {

void WriteOutputFile(const std::string& path, std::string_view bytes) {
    const PathInfo info = LookAt(path);
    if (info.error != 0 || info.kind == NodeKind::Regular || info.kind == NodeKind::Directory) {
        WriteFileReplacing(path, bytes);
        return;
    }
    const FileDescriptor fd(open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (!fd.Valid()) throw FileSystemError(errno, "Cannot write " + path + ": " + std::strerror(errno));
    const ssize_t n = write(fd.Get(), bytes.data(), bytes.size());
    if (n != static_cast<ssize_t>(bytes.size())) {
        const int error = n < 0 ? errno : EIO;
        throw FileSystemError(error, "Cannot write " + path + ": " + std::strerror(error));
    }
}

}  // namespace files
