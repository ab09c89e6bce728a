#pragma once

#include <cstddef>
#include <cstdint>

#include "pngdecoder.h"

// A picture control to render: its picture, drawn from its top-left corner at natural size and cut
// off at the control's size, in window client coordinates.
struct RenderedControl {
    const files::RgbaImage* picture = nullptr;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint8_t opacity = 255;  // 255 draws the picture as the window does
};

// A mark over the painted controls, in window client coordinates and 0xRRGGBB: the outline just
// outside the rectangle from (x1, y1) of size x2 x y2, or a line from (x1, y1) to (x2, y2).
struct RenderedMark {
    enum class Shape : std::uint8_t { Outline, Line };
    Shape shape = Shape::Outline;
    std::uint32_t rgb = 0;
    std::int32_t x1 = 0;
    std::int32_t y1 = 0;
    std::int32_t x2 = 0;
    std::int32_t y2 = 0;
};

// Paints `count` controls in stacking order over the window's black stage, as the window paints
// them, then the marks, and writes the game area's pixels to `out` (RGBA, rows top to bottom). False
// if painting failed. It lives in a module of its own, so that only a render loads the painting library.
extern "C" using ComposeGameAreaFunction = bool(const RenderedControl* controls, std::size_t count,
                                                const RenderedMark* marks, std::size_t markCount, std::uint8_t* out);
inline constexpr const char* kComposeGameAreaSymbol = "BlastrixComposeGameArea";
