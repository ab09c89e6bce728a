#include "filelookup.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "safefile.h"

namespace files {
namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

[[noreturn]] void ThrowListingError(const std::string& directory) {
    const int error = errno;
    throw FileSystemError(error, "Cannot list " + directory + ": " + std::strerror(error));
}

}  // namespace

std::vector<std::string> EntriesIgnoringCase(const std::string& directory, const std::string& name) {
    if (name.empty()) return {};
    if (name == "." || name == "..") return {name};
    const std::string dir = directory.empty() ? "." : directory;

    const std::unique_ptr<DIR, int (*)(DIR*)> handle(opendir(dir.c_str()), closedir);
    if (!handle) {
        // Only a directory that is not there holds nothing; any other failure says nothing about the name.
        if (errno == ENOENT || errno == ENOTDIR) return {};
        // A directory that may be passed but not listed still gives the name as spelled.
        if (errno == EACCES && Exists(dir + "/" + name)) return {name};
        ThrowListingError(dir);
    }
    std::vector<std::string> found;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(handle.get());
        if (entry == nullptr) break;
        if (EqualIgnoringCase(name, entry->d_name)) found.emplace_back(entry->d_name);
    }
    if (errno != 0) ThrowListingError(dir);
    // Byte order, not the order the file system lists them in, decides which one is used.
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace files
