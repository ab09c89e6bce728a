#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace files {

// A decoded picture: width*height pixels, 4 bytes each (R, G, B, A, 8 bits), rows top to bottom.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// Pictures larger than this many pixels are refused before any pixel memory is allocated.
constexpr std::uint64_t kMaxPngPixels = 64ull * 1024 * 1024;

class PngError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Decodes any standard PNG into RGBA8; throws PngError with libpng's own message when the data is not a valid PNG.
RgbaImage DecodePng(const std::uint8_t* data, std::size_t size);

// Reads and decodes a file; a file that cannot be opened (a directory among them) throws PngError with
// FileOpenErrorText(path, errno), a pipe, a device or a socket with NotRegularFileText(path).
RgbaImage DecodePngFile(const std::string& path);

// `Cannot open file "<path>". <strerror(err) with trailing blanks, control characters and full stops stripped>`
std::string FileOpenErrorText(const std::string& path, int err);

// The same for a pipe, a device or a socket, which pictures are never read from.
std::string NotRegularFileText(const std::string& path);

}  // namespace files
