#pragma once

#include <cstddef>
#include <cstdint>

namespace files {

// A file open for reading, by the host's own handle, closed with its owner.
class OpenFile {
public:
    OpenFile() = default;
    explicit OpenFile(std::intptr_t native) : native_(native) {}
    ~OpenFile();
    OpenFile(OpenFile&& other) noexcept : native_(other.native_) { other.native_ = kNone; }
    OpenFile& operator=(OpenFile&& other) noexcept;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    bool Valid() const { return native_ != kNone; }
    // Up to `capacity` bytes from where the last read ended, 0 at the end. Throws FileSystemError
    // whose text is the system's reason alone.
    std::size_t Read(char* buffer, std::size_t capacity) const;

private:
    // No descriptor is -1, and no Windows handle either (INVALID_HANDLE_VALUE).
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t native_ = kNone;
};

}  // namespace files
