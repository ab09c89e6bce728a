#pragma once

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>

namespace testing_support {

// Bytes this process has read through read() and its kin so far, or nothing where the system does not count them.
inline std::optional<std::uint64_t> BytesReadByThisProcess() {
    std::ifstream io("/proc/self/io");
    for (std::string key; io >> key;) {
        std::uint64_t value = 0;
        if (!(io >> value)) break;
        if (key == "rchar:") return value;
    }
    return std::nullopt;
}

}  // namespace testing_support
