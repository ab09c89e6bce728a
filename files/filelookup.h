#pragma once

#include <optional>
#include <string>

namespace files {

// The entry of `directory` named `name` ignoring ASCII case (the exact name first), or nothing.
// Throws FileSystemError when the directory exists but cannot be listed.
std::optional<std::string> FindEntryIgnoringCase(const std::string& directory, const std::string& name);

// `base` + `relative` with every component of `relative` matched ignoring case, or nothing where
// one is missing. A directory that cannot be listed throws FileSystemError with the text of a
// failed open of `base` + `relative`.
std::optional<std::string> FindPathIgnoringCase(const std::string& base, const std::string& relative);

}  // namespace files
