#pragma once

#include <string>

namespace files {

// The function `symbol` of the shared library at `path`, or null where it has none; the library is
// loaded once and never unloaded. Throws std::runtime_error with the system's reason when it cannot
// be loaded.
void* LoadModuleFunction(const std::string& path, const char* symbol);

}  // namespace files
