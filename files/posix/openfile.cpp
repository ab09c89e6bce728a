#include "openfile.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "safefile.h"

namespace files {

OpenFile::~OpenFile() {
    if (Valid()) close(static_cast<int>(native_));
}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
    if (this != &other) {
        if (Valid()) close(static_cast<int>(native_));
        native_ = other.native_;
        other.native_ = kNone;
    }
    return *this;
}

std::size_t OpenFile::Read(char* buffer, std::size_t capacity) const {
    for (;;) {
        const ssize_t n = read(static_cast<int>(native_), buffer, capacity);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) throw FileSystemError(errno, std::strerror(errno));
    }
}

}  // namespace files
