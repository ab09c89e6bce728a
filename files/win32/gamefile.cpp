#include "gamefile.h"

#include <utility>

#include "nodekind.h"
#include "widepath.h"

namespace files {

GameFile OpenGameFile(const std::string& path) {
    GameFile file;
    Handle handle(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.Valid()) {
        file.error = ErrnoOf(GetLastError());
        return file;
    }
    file.kind = KindOfHandle(handle.Get());
    if (file.kind != NodeKind::Regular) return file;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(handle.Get(), &size) == 0) {
        file.error = ErrnoOf(GetLastError());
        return file;
    }
    file.size = size.QuadPart;
    file.file = OpenFile(reinterpret_cast<std::intptr_t>(handle.Release()));
    return file;
}

}  // namespace files
