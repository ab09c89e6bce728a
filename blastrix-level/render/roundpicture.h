#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gamearearender.h"
#include "headlessservices.h"
#include "pngdecoder.h"

// What every picture of a round is drawn from: the window's artwork, the round's background and the
// objects the editor loads, stacked as the window stacks them.

// The window's artwork, built into the program.
files::RgbaImage WindowArtwork();

// Enlarged `scale` times by whole pixels.
files::RgbaImage Scaled(const files::RgbaImage& image, int scale);

// A round as the editor shows it. It holds pictures its controls point at, so it stays where it is made.
struct RoundScene {
    RoundScene() = default;
    RoundScene(const RoundScene&) = delete;
    RoundScene& operator=(const RoundScene&) = delete;

    std::optional<files::RgbaImage> background;
    std::vector<RenderedControl> controls;
};

// Fills `scene` with `artwork`, the background read from `backgroundPath` when it can be (the window
// shows its artwork in the game area otherwise) and the objects loaded from `levelBytes` (none
// without a file) with the sprites of `services`' folder.
void BuildRoundScene(RoundScene& scene, const files::RgbaImage& artwork, const std::string& backgroundPath,
                     const std::optional<std::string>& levelBytes, HeadlessServices& services,
                     const std::string& programDirectory);

// Writes the picture to `target`, "-" for standard output; false once it has said why it could not.
bool WritePicture(const std::string& target, const std::vector<std::uint8_t>& png);
