#include "pathinfo.h"

#include <cerrno>

#include "nodekind.h"
#include "widepath.h"

namespace files {
namespace {

// FILETIME counts 100 ns steps.
constexpr std::int64_t kNanosecondsPerTick = 100;

}  // namespace

NodeKind KindOfHandle(HANDLE handle) {
    switch (GetFileType(handle)) {
    case FILE_TYPE_CHAR: return NodeKind::Device;
    case FILE_TYPE_PIPE: return NodeKind::Fifo;
    default: break;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(handle, &information) != 0 &&
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return NodeKind::Directory;
    return NodeKind::Regular;
}

PathInfo LookAt(const std::string& path) {
    PathInfo info;
    // Only the attributes are asked for, which a file another program holds open still gives.
    const Handle handle(CreateFileW(Widen(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.Valid()) {
        info.error = ErrnoOf(GetLastError());
        return info;
    }
    info.kind = KindOfHandle(handle.Get());
    BY_HANDLE_FILE_INFORMATION information{};
    if (info.kind == NodeKind::Regular && GetFileInformationByHandle(handle.Get(), &information) != 0) {
        info.size = static_cast<std::int64_t>(std::uint64_t{information.nFileSizeHigh} << 32 | information.nFileSizeLow);
        const std::uint64_t ticks =
            std::uint64_t{information.ftLastWriteTime.dwHighDateTime} << 32 | information.ftLastWriteTime.dwLowDateTime;
        info.modifiedNanoseconds = static_cast<std::int64_t>(ticks) * kNanosecondsPerTick;
        info.identity = std::uint64_t{information.nFileIndexHigh} << 32 | information.nFileIndexLow;
    }
    return info;
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A link on Windows is a reparse point, which a save writes through in place; it is not named.
std::optional<std::string> LinkTarget(const std::string&) { return std::nullopt; }

int WriteAccessError(const std::string& path) {
    const std::wstring wide = Widen(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return ErrnoOf(GetLastError());
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return EACCES;
    // Opening for writing without changing a byte also tells of a program that holds the file open.
    const Handle handle(CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return handle.Valid() ? 0 : ErrnoOf(GetLastError());
}

}  // namespace files
