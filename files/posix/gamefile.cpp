#include "gamefile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <utility>

#include "filedescriptor.h"
#include "nodekind.h"

namespace files {

GameFile OpenGameFile(const std::string& path) {
    GameFile file;
    FileDescriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd.Valid() || fstat(fd.Get(), &st) != 0) {
        file.error = errno;
        return file;
    }
    file.kind = KindOfMode(st.st_mode);
    if (file.kind != NodeKind::Regular) return file;
    const int flags = fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        file.error = errno;
        return file;
    }
    file.size = st.st_size;
    file.file = OpenFile(fd.Release());
    return file;
}

}  // namespace files
