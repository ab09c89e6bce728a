#pragma once

#include <optional>
#include <string>

namespace level {

// The entry of `directory` named `name` ignoring ASCII case (the exact name first), or nothing.
// Throws FileSystemError when the directory exists but cannot be listed.
std::optional<std::string> FindEntryIgnoringCase(const std::string& directory, const std::string& name);

// `base` + `relative` with every component of `relative` matched ignoring case; where one is not
// found, the path as given, so that failures name the path the caller composed. A directory that
// cannot be listed throws FileSystemError with the text of a failed open of that path.
std::string ResolveIgnoringCase(const std::string& base, const std::string& relative);

// Splits a composed path below the program directory and resolves it.
std::string ResolveBelow(const std::string& programDirectory, const std::string& composed);

}  // namespace level
