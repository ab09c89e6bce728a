#include "filelookup.h"

#include <algorithm>
#include <utility>

#include "pathinfo.h"
#include "pngdecoder.h"
#include "safefile.h"

namespace files {
namespace {

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

std::optional<std::string> FindEntryIgnoringCase(const std::string& directory, const std::string& name) {
    std::vector<std::string> entries = EntriesIgnoringCase(directory, name);
    if (entries.empty()) return std::nullopt;
    return std::move(entries.front());
}

std::optional<std::string> FindPathIgnoringCase(const std::string& base, const std::string& relative) {
    std::string resolved = base;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = FindPathSeparator(relative, start);
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
            if (!resolved.empty() && !IsPathSeparator(resolved.back())) resolved += '/';
            resolved += *entry;
        }
        if (end < relative.size() && !resolved.empty() && !IsPathSeparator(resolved.back())) resolved += '/';
        start = end + 1;
    }
    return resolved;
}

}  // namespace files
