#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace files {

// The files a save makes beside a level file named `name`, the same on every host: a new file
// (TemporaryPrefix and a random tail), a copy of the old bytes being written (CopyPrefix and a random
// tail), and that copy once complete and flushed (JournalName), which undoes a save cut short.
std::string TemporaryPrefix(const std::string& name);
std::string CopyPrefix(const std::string& name);
std::string JournalName(const std::string& name);

// `prefix` and a tail of letters and digits made from `random`'s bytes.
std::string RandomName(const std::string& prefix, const unsigned char (&random)[6]);

// Whether the directory entry `entry` is a new file or an unfinished copy of a save of `name`.
bool IsTemporaryOf(std::string_view entry, const std::string& name);

// `name` in the folder of `path`, that folder spelled as `path` spells it.
std::string ShownBeside(const std::string& path, const std::string& name);

}  // namespace files
