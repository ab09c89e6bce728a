#include "module.h"

#include <stdexcept>

#include "widepath.h"

namespace files {

void* LoadModuleFunction(const std::string& path, const char* symbol) {
    const HMODULE module = LoadLibraryW(Widen(path).c_str());
    if (module == nullptr) {
        wchar_t* text = nullptr;
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, GetLastError(), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        std::string reason = text != nullptr ? Narrow(text) : std::string();
        LocalFree(text);
        while (!reason.empty() && static_cast<unsigned char>(reason.back()) <= ' ') reason.pop_back();
        throw std::runtime_error(path + ": " + reason);
    }
    return reinterpret_cast<void*>(GetProcAddress(module, symbol));
}

}  // namespace files
