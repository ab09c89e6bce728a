#include "pngdecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const files::RgbaImage image = files::DecodePng(data, size);
        const std::uint64_t pixelCount =
            static_cast<std::uint64_t>(image.width) * static_cast<std::uint64_t>(image.height);
        // A decoded picture must be exactly as large as it claims and never larger than the limit.
        if (image.width <= 0 || image.height <= 0 || pixelCount > files::kMaxPngPixels ||
            image.pixels.size() != pixelCount * 4) {
            __builtin_trap();
        }
    } catch (const files::PngError&) {
    }
    return 0;
}
