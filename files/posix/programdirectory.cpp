#include "programdirectory.h"

#include <unistd.h>

#include <climits>
#include <vector>

namespace files {

std::string ExecutableDirectory() {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) break;
        if (static_cast<std::size_t>(n) < buffer.size()) {
            std::string path(buffer.data(), static_cast<std::size_t>(n));
            path.erase(path.find_last_of('/') + 1);
            return path;
        }
        buffer.resize(buffer.size() * 2);
    }
    // Without /proc the working directory is the best remaining guess.
    std::vector<char> cwd(PATH_MAX);
    if (getcwd(cwd.data(), cwd.size()) != nullptr) return std::string(cwd.data()) + "/";
    return "./";
}

}  // namespace files
