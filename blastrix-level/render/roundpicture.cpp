#include "roundpicture.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "commandline.h"
#include "embeddedartwork.h"
#include "gamearea.h"
#include "levelfile.h"
#include "outputfile.h"
#include "safefile.h"

namespace {

// The objects the editor would place, in the order it creates them, which is their stacking order.
class PlacedControls : public level::LoadObserver {
public:
    explicit PlacedControls(std::vector<RenderedControl>& controls) : controls_(controls) {}

    void ObjectCreated(const level::LoadedLine&, const level::PlacedObject& object) override {
        const level::Bounds& b = object.bounds;
        controls_.push_back(
            {static_cast<const SpriteControl&>(*object.control).sprite, b.left, b.top, b.width, b.height});
    }

private:
    std::vector<RenderedControl>& controls_;
};

}  // namespace

files::RgbaImage WindowArtwork() {
    return files::DecodePng(kWindowArtworkPng, kWindowArtworkPngSize);
}

files::RgbaImage Scaled(const files::RgbaImage& image, int scale) {
    if (scale == 1) return image;
    files::RgbaImage out;
    out.width = image.width * scale;
    out.height = image.height * scale;
    out.pixels.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height) * 4);
    std::uint8_t* to = out.pixels.data();
    for (int y = 0; y < out.height; ++y) {
        const std::uint8_t* row = image.pixels.data() + static_cast<std::size_t>(y / scale) * image.width * 4;
        for (int x = 0; x < out.width; ++x, to += 4) std::memcpy(to, row + static_cast<std::size_t>(x / scale) * 4, 4);
    }
    return out;
}

void BuildRoundScene(RoundScene& scene, const files::RgbaImage& artwork, const std::string& backgroundPath,
                     const std::optional<std::string>& levelBytes, HeadlessServices& services,
                     const std::string& programDirectory) {
    scene.controls.push_back({&artwork, 0, 0, artwork.width, artwork.height});
    if (!backgroundPath.empty()) {
        try {
            scene.background = files::DecodePngFile(backgroundPath);
            scene.controls.push_back({&*scene.background, level::kGameAreaLeft, level::kGameAreaTop,
                                      level::kGameAreaWidth, level::kGameAreaHeight});
        } catch (const files::PngError&) {
            // The window then shows its own artwork in the game area.
        }
    }
    level::Level level(services, programDirectory);
    PlacedControls placed(scene.controls);
    if (levelBytes) level::LoadLevelText(level, *levelBytes, &placed);
}

bool WritePicture(const std::string& target, const std::vector<std::uint8_t>& png) {
    if (target == "-") {
        if (std::fwrite(png.data(), 1, png.size(), stdout) != png.size() || std::fflush(stdout) != 0) {
            std::perror("blastrix-level: writing the picture");
            return false;
        }
        return true;
    }
    try {
        files::WriteOutputFile(target, std::string_view(reinterpret_cast<const char*>(png.data()), png.size()));
    } catch (const files::SaveFailure& e) {
        Complain(e.File() + " is not written: " + e.what());
        return false;
    } catch (const files::FileSystemError& e) {
        Complain(e.what());
        return false;
    }
    return true;
}
