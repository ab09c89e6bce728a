#pragma once

#include <cstdint>
#include <vector>

#include "pngdecoder.h"

// Encodes an opaque picture as an 8-bit RGB PNG that holds nothing but its pixels (no time, text
// or colour profile), so that the same pixels always give the same bytes. Throws std::runtime_error.
std::vector<std::uint8_t> EncodePng(const files::RgbaImage& image);
