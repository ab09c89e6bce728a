#pragma once

#include <cstdint>
#include <string>

#include "openfile.h"
#include "pathinfo.h"

namespace files {

// A game file opened for reading. `error` is the errno of a failed open, else 0; `kind` is what the
// open file turned out to be. Only a regular file stays open, and then reads block as usual.
struct GameFile {
    OpenFile file;
    int error = 0;
    NodeKind kind = NodeKind::Regular;
    std::int64_t size = 0;

    bool Readable() const { return file.Valid(); }
};

// Opens without waiting, since a pipe with no writer or a device would hold the open or the reads
// for ever, and checks the open file itself, not a path looked at before.
GameFile OpenGameFile(const std::string& path);

}  // namespace files
