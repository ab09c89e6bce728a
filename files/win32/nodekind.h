#pragma once

#include <windows.h>

#include "pathinfo.h"

namespace files {

// What an open handle is: a disk file or directory, a character device, or a pipe.
NodeKind KindOfHandle(HANDLE handle);

}  // namespace files
