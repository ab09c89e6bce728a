#pragma once

#include <cstdint>

namespace level {

// Dragging keeps an object's left from kDragLeft to kDragRight minus its width and its top from
// kDragTop to kDragBottom, and moves it to even coordinates.
constexpr std::int32_t kDragLeft = 192;
constexpr std::int32_t kDragRight = 468;
constexpr std::int32_t kDragTop = 12;
constexpr std::int32_t kDragBottom = 238;

struct DragPosition {
    std::int64_t left = 0;
    std::int64_t top = 0;
    bool operator==(const DragPosition& other) const { return left == other.left && top == other.top; }
};

// Where a drag that would take an object of `width` to `wanted` puts it.
DragPosition SnapDragged(DragPosition wanted, std::int32_t width);

// Whether the position lies within the bounds a drag keeps to, even or not.
bool WithinDragBounds(DragPosition position, std::int32_t width);

}  // namespace level
