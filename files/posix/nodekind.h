#pragma once

#include <sys/types.h>

#include "pathinfo.h"

namespace files {

NodeKind KindOfMode(mode_t mode);

}  // namespace files
