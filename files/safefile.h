#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace files {

// A failed file system call, with the host's error number.
class FileSystemError : public std::runtime_error {
public:
    FileSystemError(int error, const std::string& what) : std::runtime_error(what), error_(error) {}
    int Error() const { return error_; }

private:
    int error_;
};

// Replaces the regular file at `path` (or behind a link there) with `bytes`, whole or not at all, keeping
// its permissions; a read-only file is refused. Anything else, a device or a FIFO say, is written into
// as it stands and never replaced.
void WriteFileReplacing(const std::string& path, std::string_view bytes);

}  // namespace files
