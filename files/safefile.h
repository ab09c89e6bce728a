#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace files {

// A failed file system call, with the host's error number.
class FileSystemError : public std::runtime_error {
public:
    FileSystemError(int error, const std::string& what) : std::runtime_error(what), error_(error) {}
    int Error() const { return error_; }

private:
    int error_;
};

// What a failed save left where it wrote.
enum class SaveLeft {
    OldBytes,           // the file is as it was
    CopyOfOldBytes,     // putting the old bytes back failed too: they are in KeptCopy()
    NewBytesUnflushed,  // the file holds the new bytes, which may not survive a power cut
};

// A save of File() that failed. The text names the step and gives the system's words ("writing the
// new file beside it failed: No space left on device"), then those of putting the old bytes back
// where that failed as well; Error() is the first failure's error number.
class SaveFailure : public FileSystemError {
public:
    SaveFailure(int error, const std::string& reason, std::string file, SaveLeft left, std::string keptCopy = {})
        : FileSystemError(error, reason), file_(std::move(file)), left_(left), keptCopy_(std::move(keptCopy)) {}
    const std::string& File() const { return file_; }
    SaveLeft Left() const { return left_; }
    const std::string& KeptCopy() const { return keptCopy_; }

private:
    std::string file_;
    SaveLeft left_;
    std::string keptCopy_;
};

// Writes `bytes` as the whole content of the regular file at `path` (or behind a link there) and
// flushes it and its directory to the disk, or throws SaveFailure. The file keeps its links, owner,
// group, mode, attributes and flags: it is replaced by a new file only where the new one carries
// them all, else rewritten in place while a complete copy of its old bytes beside it is the journal
// that UndoInterruptedSave replays. A read-only file, a block device and, for root, a link root does
// not own are refused; a character device or a FIFO is written into as it stands.
void WriteFileReplacing(const std::string& path, std::string_view bytes);

// What saves of `path` that were cut short left beside it: the complete copy of its old bytes
// (empty when none), and temporary files and unfinished copies. Changes nothing.
struct SaveLeftovers {
    std::string journal;
    std::vector<std::string> temporaries;
};
SaveLeftovers FindSaveLeftovers(const std::string& path);

// Puts the old bytes of a save of `path` that was cut short back into it, flushed, removes their copy
// and any temporary file no save is using; true when bytes were put back. Throws SaveFailure when the
// copy exists but cannot be put back.
bool UndoInterruptedSave(const std::string& path);

}  // namespace files
