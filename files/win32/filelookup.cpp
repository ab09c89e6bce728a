#include "filelookup.h"

#include <cstring>

#include "pathinfo.h"
#include "safefile.h"
#include "widepath.h"

namespace files {

// The file system itself is blind to case, and holds one entry of each name at most.
std::vector<std::string> EntriesIgnoringCase(const std::string& directory, const std::string& name) {
    if (name.empty()) return {};
    if (name == "." || name == "..") return {name};
    // A wildcard would match other names; no entry is named with one.
    if (name.find_first_of("*?") != std::string::npos) return {};
    const std::string dir = directory.empty() ? "." : directory;
    const std::string pattern = dir + (IsPathSeparator(dir.back()) ? "" : "\\") + name;
    WIN32_FIND_DATAW found{};
    const HANDLE search =
        FindFirstFileExW(Widen(pattern).c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY ||
            error == ERROR_INVALID_NAME)
            return {};
        throw FileSystemError(ErrnoOf(error), "Cannot list " + dir + ": " + std::strerror(ErrnoOf(error)));
    }
    FindClose(search);
    return {Narrow(found.cFileName)};
}

}  // namespace files
