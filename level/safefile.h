#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace level {

// A failed file system call, with the host's error number.
class FileSystemError : public std::runtime_error {
public:
    FileSystemError(int error, const std::string& what) : std::runtime_error(what), error_(error) {}
    int Error() const { return error_; }

private:
    int error_;
};

// Replaces the file at `path` with `bytes`, whole or not at all: a new file is written beside it and
// takes its place only once complete. Keeps the old file's permissions; a read-only file is refused.
void WriteFileReplacing(const std::string& path, std::string_view bytes);

}  // namespace level
