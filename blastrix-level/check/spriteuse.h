#pragma once

#include <string>
#include <vector>

#include "gamefolder.h"

// The rounds of `folder`, ascending, whose level file the editor would stop at or place an object
// with one of `sprites` (names inside data/, as the kind table spells them).
std::vector<int> RoundsUsingSprites(const GameFolder& folder, const std::vector<std::string>& sprites);
