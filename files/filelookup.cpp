#include "filelookup.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "pngdecoder.h"
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

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

std::string LowerAscii(std::string name) {
    for (char& c : name) c = LowerAscii(c);
    return name;
}

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

std::optional<std::string> FindEntryIgnoringCase(const std::string& directory, const std::string& name) {
    std::vector<std::string> entries = EntriesIgnoringCase(directory, name);
    if (entries.empty()) return std::nullopt;
    return std::move(entries.front());
}

std::optional<std::string> FindPathIgnoringCase(const std::string& base, const std::string& relative) {
    std::string resolved = base;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        const std::string part = relative.substr(start, end - start);
        if (!part.empty()) {
            const std::string directory = resolved.empty() ? "." : resolved;
            std::optional<std::string> entry;
            try {
                entry = FindEntryIgnoringCase(directory, part);
            } catch (const FileSystemError& e) {
                // Reported as the open of the whole path would have failed.
                throw FileSystemError(e.Error(), FileOpenErrorText(base + relative, e.Error()));
            }
            if (!entry) return std::nullopt;
            if (!resolved.empty() && resolved.back() != '/') resolved += '/';
            resolved += *entry;
        }
        if (end < relative.size() && !resolved.empty() && resolved.back() != '/') resolved += '/';
        start = end + 1;
    }
    return resolved;
}

}  // namespace files
