#include "openfile.h"

#include <cstring>

#include "safefile.h"
#include "widepath.h"

namespace files {

OpenFile::~OpenFile() {
    if (Valid()) CloseHandle(reinterpret_cast<HANDLE>(native_));
}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
    if (this != &other) {
        if (Valid()) CloseHandle(reinterpret_cast<HANDLE>(native_));
        native_ = other.native_;
        other.native_ = kNone;
    }
    return *this;
}

std::size_t OpenFile::Read(char* buffer, std::size_t capacity) const {
    DWORD got = 0;
    const auto asked = static_cast<DWORD>(std::min<std::size_t>(capacity, 1u << 30));
    if (ReadFile(reinterpret_cast<HANDLE>(native_), buffer, asked, &got, nullptr) == 0) {
        const DWORD error = GetLastError();
        // A pipe whose writer is gone has simply ended.
        if (error == ERROR_BROKEN_PIPE) return 0;
        throw FileSystemError(ErrnoOf(error), std::strerror(ErrnoOf(error)));
    }
    return got;
}

}  // namespace files
