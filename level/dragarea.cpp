#include "dragarea.h"

namespace level {

DragPosition SnapDragged(DragPosition wanted, std::int32_t width) {
    // The order matters where the bounds leave no room: the later test wins.
    std::int64_t left = wanted.left;
    if (left % 2 != 0) left += 1;
    std::int64_t top = wanted.top;
    if (top % 2 != 0) top += 1;
    if (top > kDragBottom) top = kDragBottom;
    if (left + width > kDragRight) left = kDragRight - std::int64_t{width};
    if (top < kDragTop) top = kDragTop;
    if (left < kDragLeft) left = kDragLeft;
    return {left, top};
}

bool WithinDragBounds(DragPosition position, std::int32_t width) {
    return position.left >= kDragLeft && position.left + width <= kDragRight && position.top >= kDragTop &&
           position.top <= kDragBottom;
}

}  // namespace level
