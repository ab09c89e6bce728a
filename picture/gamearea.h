#pragma once

#include <QRect>

namespace picture {

// The game area control in window client coordinates: the round is shown there, over the
// window's artwork, which the window draws from its top-left corner.
constexpr QRect kGameArea(191, 10, 278, 252);

}  // namespace picture
