#pragma once

#include <cstdint>

namespace level {

// The game area in window client coordinates, the ones placed objects use: a round's background
// is drawn from its top-left corner and cut off at its size.
constexpr std::int32_t kGameAreaLeft = 191;
constexpr std::int32_t kGameAreaTop = 10;
constexpr std::int32_t kGameAreaWidth = 278;
constexpr std::int32_t kGameAreaHeight = 252;

}  // namespace level
