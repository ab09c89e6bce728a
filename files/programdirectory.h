#pragma once

#include <string>

namespace files {

// The directory of the running executable, ending in '/'.
std::string ExecutableDirectory();

}  // namespace files
