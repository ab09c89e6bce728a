#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "safefile.h"

namespace files {

// The files a save makes beside a level file named `name`, the same on every host: a new file
// (TemporaryPrefix and a random tail), a copy of the old bytes being written (CopyPrefix and a random
// tail), and that copy once complete and flushed (JournalName), which undoes a save cut short.
std::string TemporaryPrefix(const std::string& name);
std::string CopyPrefix(const std::string& name);
std::string JournalName(const std::string& name);

// `prefix` and a tail of letters and digits made from `random`'s bytes.
constexpr std::size_t kRandomLength = 6;
std::string RandomName(const std::string& prefix, const unsigned char (&random)[kRandomLength]);

// Whether the directory entry `entry` is a new file or an unfinished copy of a save of `name`.
bool IsTemporaryOf(std::string_view entry, const std::string& name);


// A failed step inside a save, named in words ("writing the new file beside it failed: ...");
// WriteFileReplacing gives it the file's name.
struct StepFailed {
    StepFailed(int e, std::string r, SaveLeft l = SaveLeft::OldBytes, std::string k = {})
        : error(e), reason(std::move(r)), left(l), keptCopy(std::move(k)) {}
    int error;
    std::string reason;
    SaveLeft left;
    std::string keptCopy;
};

// The words of a step that failed with `error`, the system's own.
std::string Words(int error, const char* step);

// The host's own save of `path`, which WriteFileReplacing runs once a save cut short is undone;
// throws StepFailed.
void SaveOnThisHost(const std::string& path, std::string_view bytes);

}  // namespace files
