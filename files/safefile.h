#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace files {

// A failed file system call, with the host's error number; `keptCopy` names the copy of the old
// bytes left on disk when neither the save nor putting them back succeeded.
class FileSystemError : public std::runtime_error {
public:
    FileSystemError(int error, const std::string& what, std::string keptCopy = {})
        : std::runtime_error(what), error_(error), keptCopy_(std::move(keptCopy)) {}
    int Error() const { return error_; }
    const std::string& KeptCopy() const { return keptCopy_; }

private:
    int error_;
    std::string keptCopy_;
};

// Writes `bytes` as the whole content of the regular file at `path` (or behind a link there) and
// flushes it and its directory to the disk. The file keeps its links, owner, group, mode and
// extended attributes: it is replaced by a new file only where one can carry them all, else written
// in place after its old bytes are safe in a copy beside it. A read-only file is refused; a device
// or a FIFO is written into as it stands.
void WriteFileReplacing(const std::string& path, std::string_view bytes);

}  // namespace files
