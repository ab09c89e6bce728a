#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace files {

// Whether two names are the same ignoring ASCII case, as every lookup of a game's files compares them.
bool EqualIgnoringCase(std::string_view a, std::string_view b);
// `name` in ASCII lower case, the form names ignoring case are kept by.
std::string LowerAscii(std::string name);

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
