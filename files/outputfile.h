#pragma once

#include <string>
#include <string_view>

namespace files {

// Writes `bytes` to `path`: a regular file, or a new one, is replaced only once complete, as
// WriteFileReplacing does; anything else (/dev/stdout, a terminal, a pipe) is written into as it
// stands. Throws FileSystemError.
void WriteOutputFile(const std::string& path, std::string_view bytes);

}  // namespace files
