#pragma once

#include <cstddef>
#include <cstdint>

// The window's artwork (assets/background.png) as built into the program, PNG bytes.
extern const std::uint8_t kWindowArtworkPng[];
extern const std::size_t kWindowArtworkPngSize;
