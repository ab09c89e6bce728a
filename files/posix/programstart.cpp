#include "programstart.h"

#include <malloc.h>

#include <algorithm>
#include <limits>

namespace files {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

void UseBinaryStandardStreams() {}

void KeepFreedMemory() {
    mallopt(M_MMAP_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
}

}  // namespace files
