#include "programdirectory.h"

#include <vector>

#include "pathinfo.h"
#include "widepath.h"

namespace files {

std::string ExecutableDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return ".\\";
        if (n < buffer.size()) break;
        buffer.resize(buffer.size() * 2);
    }
    std::string path = Narrow(buffer.data());
    path.erase(FindLastPathSeparator(path) + 1);
    return path;
}

}  // namespace files
