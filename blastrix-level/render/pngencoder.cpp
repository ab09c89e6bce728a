#include "pngencoder.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

namespace {

// libpng leaves its callbacks by longjmp, so everything they touch is plain data.
struct WriteState {
    std::vector<std::uint8_t>* out;
    char error[256];
};

void OnPngError(png_structp png, png_const_charp message) {
    auto* const state = static_cast<WriteState*>(png_get_error_ptr(png));
    std::snprintf(state->error, sizeof state->error, "%s", message != nullptr ? message : "PNG error");
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void WriteToMemory(png_structp png, png_bytep data, png_size_t length) {
    auto* const state = static_cast<WriteState*>(png_get_io_ptr(png));
    bool full = false;
    try {
        state->out->insert(state->out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        full = true;
    }
    if (full) png_error(png, "Out of memory for the PNG data");
}

void FlushNothing(png_structp) {}

// Where libpng's longjmp lands: it must hold no objects with destructors.
bool WritePng(png_structp png, png_infop info, WriteState* state, const files::RgbaImage* image, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    png_set_write_fn(png, state, WriteToMemory, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image->width), static_cast<png_uint_32>(image->height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // The pixels are RGBA; the fourth byte is left out.
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

class PngWriteStructs {
public:
    explicit PngWriteStructs(WriteState& state)
        : png_(png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, OnPngWarning)),
          info_(png_ != nullptr ? png_create_info_struct(png_) : nullptr) {
        if (info_ == nullptr) {
            png_destroy_write_struct(&png_, &info_);
            throw std::runtime_error("Cannot create the PNG writer");
        }
    }
    ~PngWriteStructs() { png_destroy_write_struct(&png_, &info_); }
    PngWriteStructs(const PngWriteStructs&) = delete;
    PngWriteStructs& operator=(const PngWriteStructs&) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_;
    png_infop info_;
};

}  // namespace

std::vector<std::uint8_t> EncodePng(const files::RgbaImage& image) {
    std::vector<std::uint8_t> out;
    WriteState state{&out, {}};
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
    const auto rowBytes = static_cast<std::size_t>(image.width) * 4;
    for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = const_cast<png_bytep>(image.pixels.data() + y * rowBytes);
    const PngWriteStructs structs(state);
    if (!WritePng(structs.png(), structs.info(), &state, &image, rows.data())) throw std::runtime_error(state.error);
    return out;
}
