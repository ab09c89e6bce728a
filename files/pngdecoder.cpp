#include "pngdecoder.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "gamefile.h"
#include "safefile.h"

namespace files {
namespace {

// libpng sizes its row buffers by the width alone, so a sane width bound keeps them small even for one-row pictures.
constexpr png_uint_32 kMaxPngSide = 1u << 20;
constexpr png_alloc_size_t kMaxChunkBytes = 8u * 1024 * 1024;
constexpr std::uintmax_t kMaxPngFileBytes = 256u * 1024 * 1024;
// Deflate spends at least two bits on a 258-byte match, so no stream inflates more than 1032-fold; input that
// cannot hold the pixels its header promises is refused before the pixel buffer is allocated for it.
constexpr std::uint64_t kMaxInflateRatio = 1032;
constexpr std::size_t kFileReadChunk = 64u * 1024;

// libpng leaves its callbacks by longjmp, so everything they touch is plain data.
struct ReadState {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t offset;
    char error[256];
};

struct PngHeader {
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    int colourType;
    int channels;
};

void OnPngError(png_structp png, png_const_charp message) {
    auto* const state = static_cast<ReadState*>(png_get_error_ptr(png));
    const bool hasText = message != nullptr && message[0] != '\0';
    std::snprintf(state->error, sizeof state->error, "%s", hasText ? message : "Unknown PNG error");
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* const state = static_cast<ReadState*>(png_get_io_ptr(png));
    if (count > state->size - state->offset) png_error(png, "Unexpected end of PNG data");
    std::memcpy(out, state->data + state->offset, count);
    state->offset += count;
}

class PngReadStructs {
public:
    explicit PngReadStructs(ReadState& state)
        : png_(png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, OnPngWarning)),
          info_(png_ != nullptr ? png_create_info_struct(png_) : nullptr) {
        if (info_ == nullptr) {
            png_destroy_read_struct(&png_, &info_, nullptr);
            throw PngError("Cannot create the PNG reader");
        }
    }
    ~PngReadStructs() { png_destroy_read_struct(&png_, &info_, nullptr); }
    PngReadStructs(const PngReadStructs&) = delete;
    PngReadStructs& operator=(const PngReadStructs&) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_;
    png_infop info_;
};

// ReadHeader and ReadPixels are where libpng's longjmp lands: they must never hold objects with destructors.
bool ReadHeader(png_structp png, png_infop info, ReadState* state, PngHeader* header) {
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    png_set_read_fn(png, state, ReadFromMemory);
    png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    // Only the pixels are wanted: skipping every other ancillary chunk keeps hostile colour profiles and compressed
    // text away from libpng's parsers. IHDR, PLTE, tRNS, IDAT and IEND are still read.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    header->bitDepth = png_get_bit_depth(png, info);
    header->colourType = png_get_color_type(png, info);
    header->channels = png_get_channels(png, info);
    return true;
}

bool ReadPixels(png_structp png, png_infop info, const PngHeader& header, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    const bool hasColourKey = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (header.colourType == PNG_COLOR_TYPE_PALETTE || header.bitDepth < 8 || hasColourKey) png_set_expand(png);
    if (header.bitDepth == 16) png_set_strip_16(png);
    if ((header.colourType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
    if ((header.colourType & PNG_COLOR_MASK_ALPHA) == 0 && !hasColourKey) {
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    // The rows were sized for RGBA8; any other layout would make libpng write past them.
    if (png_get_rowbytes(png, info) != png_size_t{header.width} * 4) {
        png_error(png, "PNG pixels do not convert to 8-bit RGBA");
    }
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

std::string SizeText(png_uint_32 width, png_uint_32 height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

std::string FileTooLargeText(const std::string& path) {
    return "File \"" + path + "\" is too large for a PNG picture (more than " +
           std::to_string(kMaxPngFileBytes / (1024 * 1024)) + " MiB)";
}

// A pipe or a device is refused, since reading it could wait or never end.
GameFile OpenPicture(const std::string& path) {
    GameFile picture = OpenGameFile(path);
    if (picture.error != 0) throw PngError(FileOpenErrorText(path, picture.error));
    if (picture.kind == NodeKind::Directory) throw PngError(FileOpenErrorText(path, EISDIR));
    if (!picture.Readable()) throw PngError(NotRegularFileText(path));
    return picture;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    const GameFile picture = OpenPicture(path);
    const auto declaredSize = static_cast<std::uintmax_t>(picture.size);
    if (declaredSize > kMaxPngFileBytes) throw PngError(FileTooLargeText(path));
    std::vector<std::uint8_t> bytes;
    // One chunk of slack: the last read asks for a full chunk, and must not double the buffer to get it.
    bytes.reserve(static_cast<std::size_t>(declaredSize) + kFileReadChunk);
    // The size is checked again while reading, for a file that grows meanwhile.
    for (;;) {
        const std::size_t used = bytes.size();
        bytes.resize(used + kFileReadChunk);
        std::size_t got = 0;
        try {
            got = picture.file.Read(reinterpret_cast<char*>(bytes.data() + used), kFileReadChunk);
        } catch (const FileSystemError& e) {
            throw PngError(FileOpenErrorText(path, e.Error()));
        }
        bytes.resize(used + got);
        if (bytes.size() > kMaxPngFileBytes) throw PngError(FileTooLargeText(path));
        if (got == 0) break;
    }
    return bytes;
}

}  // namespace

RgbaImage DecodePng(const std::uint8_t* data, std::size_t size) {
    ReadState state{data, size, 0, {}};
    const PngReadStructs structs(state);
    PngHeader header{};
    if (!ReadHeader(structs.png(), structs.info(), &state, &header)) throw PngError(state.error);

    const std::uint64_t pixelCount = std::uint64_t{header.width} * header.height;
    if (pixelCount > kMaxPngPixels) throw PngError("Image too large: " + SizeText(header.width, header.height));
    const std::uint64_t packedPixelBytes =
        pixelCount * static_cast<std::uint64_t>(header.channels * header.bitDepth) / 8;
    if (packedPixelBytes / kMaxInflateRatio > size) {
        throw PngError("PNG data too short for a " + SizeText(header.width, header.height) + " image");
    }

    RgbaImage image;
    image.width = static_cast<int>(header.width);
    image.height = static_cast<int>(header.height);
    image.pixels.resize(static_cast<std::size_t>(pixelCount) * 4);
    const std::size_t rowBytes = std::size_t{header.width} * 4;
    std::vector<png_bytep> rows(header.height);
    for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = image.pixels.data() + y * rowBytes;

    if (!ReadPixels(structs.png(), structs.info(), header, rows.data())) throw PngError(state.error);
    return image;
}

RgbaImage DecodePngFile(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    return DecodePng(bytes.data(), bytes.size());
}

std::string NotRegularFileText(const std::string& path) { return "Cannot open file \"" + path + "\". Not a regular file"; }

std::string FileOpenErrorText(const std::string& path, int err) {
    std::string reason = std::generic_category().message(err);
    // Some C libraries end their messages with a full stop or a line break; this one ends inside our sentence.
    while (!reason.empty() && (static_cast<unsigned char>(reason.back()) <= 0x20 || reason.back() == '.')) {
        reason.pop_back();
    }
    return "Cannot open file \"" + path + "\". " + reason;
}

}  // namespace files
