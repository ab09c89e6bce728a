#pragma once

#include <string>

namespace files {

// The directory of the running executable, ending in a separator.
std::string ExecutableDirectory();

}  // namespace files
