#pragma once

#include <sys/types.h>

#include <string>

#include "filedescriptor.h"

namespace files {

// What a path names, as reading and saving a game file tell the kinds apart.
enum class NodeKind { Regular, Directory, Fifo, Device, Socket };

NodeKind KindOfMode(mode_t mode);

// A game file opened for reading. `error` is the errno of a failed open, else 0; `kind` is what the
// descriptor turned out to be. Only a regular file keeps its descriptor, which then blocks as usual.
struct GameFile {
    FileDescriptor fd;
    int error = 0;
    NodeKind kind = NodeKind::Regular;
    off_t size = 0;

    bool Readable() const { return fd.Valid(); }
};

// Opens without waiting, since a pipe with no writer or a device would hold the open or the reads
// for ever, and checks the descriptor itself, not a path looked at before.
GameFile OpenGameFile(const std::string& path);

}  // namespace files
