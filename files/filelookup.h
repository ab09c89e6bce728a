#pragma once

#include <optional>
#include <string>
#include <vector>

namespace files {

// Every entry of `directory` named `name` ignoring ASCII case, in byte order; the first is the one
// used, whatever spelling was asked for, so that every caller gets the same file. Throws
// FileSystemError when the directory exists but cannot be listed.
std::vector<std::string> EntriesIgnoringCase(const std::string& directory, const std::string& name);

// The first of EntriesIgnoringCase, or nothing.
std::optional<std::string> FindEntryIgnoringCase(const std::string& directory, const std::string& name);

// `base` + `relative` with every component of `relative` matched ignoring case, or nothing where
// one is missing. A directory that cannot be listed throws FileSystemError with the text of a
// failed open of `base` + `relative`.
std::optional<std::string> FindPathIgnoringCase(const std::string& base, const std::string& relative);

}  // namespace files
