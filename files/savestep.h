#pragma once

#include <string>
#include <utility>

#include "safefile.h"

namespace files {

// A failed step inside a save, named in words ("writing the new file beside it failed: ...");
// WriteFileReplacing gives it the file's name.
struct StepFailed {
    StepFailed(int e, std::string r, SaveLeft l = SaveLeft::OldBytes, std::string k = {})
        : error(e), reason(std::move(r)), left(l), keptCopy(std::move(k)) {}
    int error;
    std::string reason;
    SaveLeft left;
    std::string keptCopy;
};

// The words of a step that failed with `error`, the system's own.
std::string Words(int error, const char* step);

}  // namespace files
