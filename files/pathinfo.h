#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "filelookup.h"

namespace files {

// What a path names, as reading and saving a game file tell the kinds apart.
enum class NodeKind { Regular, Directory, Fifo, Device, Socket };

// What `path` names, links followed; `error` is the errno of a failed look, else 0. A file whose
// size, time of change and identity (its inode, or index on its volume) are the same is taken to be
// unchanged.
struct PathInfo {
    int error = 0;
    NodeKind kind = NodeKind::Regular;
    std::int64_t size = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::uint64_t identity = 0;
};

PathInfo LookAt(const std::string& path);

bool IsDirectory(const std::string& path);

// Where the link at `path` points, as it is written; nothing where `path` is no link.
std::optional<std::string> LinkTarget(const std::string& path);

// 0 when the file at `path` may be written, else the errno that says why not.
int WriteAccessError(const std::string& path);

// Whether `c` ends a component of a path: '/', and on Windows '\' as well.
constexpr bool IsPathSeparator(char c) {
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

// The first separator in `path` from `from` on, or npos.
inline std::size_t FindPathSeparator(std::string_view path, std::size_t from = 0) {
    for (std::size_t i = from; i < path.size(); ++i)
        if (IsPathSeparator(path[i])) return i;
    return std::string_view::npos;
}

// The last separator in `path` up to `upTo`, or npos.
inline std::size_t FindLastPathSeparator(std::string_view path, std::size_t upTo = std::string_view::npos) {
    for (std::size_t i = std::min(upTo, path.size() - 1) + 1; i-- > 0;)
        if (IsPathSeparator(path[i])) return i;
    return std::string_view::npos;
}

// `name` in the folder of `path`, that folder spelled as `path` spells it.
inline std::string ShownBeside(const std::string& path, const std::string& name) {
    const std::size_t slash = FindLastPathSeparator(path);
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + name;
}

// Whether `path` starts at a root: a separator, or on Windows a drive letter and a colon.
inline bool IsAbsolutePath(std::string_view path) {
#ifdef _WIN32
    const bool letter = !path.empty() && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (letter && path.size() >= 2 && path[1] == ':') return true;
#endif
    return !path.empty() && IsPathSeparator(path[0]);
}

// The name that stands for no file: /dev/null, and on Windows NUL, in any case, as well.
inline bool IsNullDevice(std::string_view path) {
#ifdef _WIN32
    if (EqualIgnoringCase(path, "NUL")) return true;
#endif
    return path == "/dev/null";
}

}  // namespace files
