#include "module.h"

#include <dlfcn.h>

#include <stdexcept>

namespace files {

void* LoadModuleFunction(const std::string& path, const char* symbol) {
    void* const handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* const error = dlerror();
        throw std::runtime_error(error != nullptr ? error : path);
    }
    return dlsym(handle, symbol);
}

}  // namespace files
