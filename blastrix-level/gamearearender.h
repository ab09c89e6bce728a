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
};

// Paints `count` controls in stacking order over the window's black stage, as the window paints
// them, and writes the game area's pixels to `out` (RGBA, rows top to bottom). False if painting
// failed. It lives in a module of its own, so that only a render loads the painting library.
extern "C" using ComposeGameAreaFunction = bool(const RenderedControl* controls, std::size_t count, std::uint8_t* out);
inline constexpr const char* kComposeGameAreaSymbol = "BlastrixComposeGameArea";
