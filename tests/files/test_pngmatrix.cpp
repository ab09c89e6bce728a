#include "pngdecoder.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

struct PngFormat {
    int colourType;
    int bitDepth;
    bool colourKey;  // tRNS: a key colour for grey and RGB, per-entry alpha for palettes
    bool interlaced;
};

std::vector<PngFormat> AllFormats() {
    struct TypeDepths {
        int colourType;
        std::vector<int> depths;
        bool keyAllowed;
    };
    const std::vector<TypeDepths> types = {
        {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}, true},
        {PNG_COLOR_TYPE_RGB, {8, 16}, true},
        {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}, true},
        {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}, false},
        {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}, false},
    };
    std::vector<PngFormat> formats;
    for (const TypeDepths& type : types) {
        for (const int depth : type.depths) {
            for (const bool key : {false, true}) {
                if (key && !type.keyAllowed) continue;
                for (const bool interlaced : {false, true}) {
                    formats.push_back({type.colourType, depth, key, interlaced});
                }
            }
        }
    }
    return formats;
}

int ChannelCount(int colourType) {
    switch (colourType) {
        case PNG_COLOR_TYPE_GRAY: return 1;
        case PNG_COLOR_TYPE_PALETTE: return 1;
        case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
        case PNG_COLOR_TYPE_RGB: return 3;
        default: return 4;
    }
}

// What the encoder is given: raw samples (palette indices for palette pictures) plus PLTE and tRNS contents.
struct SourcePicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint16_t> samples;
    std::vector<std::array<std::uint8_t, 3>> palette;
    std::vector<std::uint8_t> paletteAlpha;
    std::vector<std::uint16_t> key;
};

SourcePicture MakePicture(const PngFormat& format, int width, int height, std::mt19937& random) {
    SourcePicture picture;
    picture.width = width;
    picture.height = height;
    const int channels = ChannelCount(format.colourType);
    const std::size_t pixelCount = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::uint32_t maxSample = (1u << format.bitDepth) - 1;

    std::uint32_t sampleLimit = maxSample;
    if (format.colourType == PNG_COLOR_TYPE_PALETTE) {
        // 8-bit pictures get palettes of any size, not only full ones; indices stay below the size drawn.
        const std::size_t entries = format.bitDepth < 8 ? maxSample + 1 : 1 + random() % 256;
        for (std::size_t i = 0; i < entries; ++i) {
            picture.palette.push_back({static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                                       static_cast<std::uint8_t>(random())});
        }
        if (format.colourKey) {
            picture.paletteAlpha.resize(1 + random() % entries);
            for (std::uint8_t& alpha : picture.paletteAlpha) alpha = static_cast<std::uint8_t>(random());
        }
        sampleLimit = static_cast<std::uint32_t>(entries - 1);
    }
    picture.samples.resize(pixelCount * static_cast<std::size_t>(channels));
    for (std::uint16_t& sample : picture.samples) sample = static_cast<std::uint16_t>(random() % (sampleLimit + 1));

    if (format.colourKey && format.colourType != PNG_COLOR_TYPE_PALETTE) {
        picture.key.assign(picture.samples.begin(), picture.samples.begin() + channels);
        // Random samples rarely hit the key, so plant it, and plant near misses that differ in one low bit only:
        // for 16-bit samples those share the key's high byte and must stay opaque.
        for (std::size_t pixel = 1; pixel < pixelCount; ++pixel) {
            const std::uint32_t roll = random() % 4;
            if (roll > 1) continue;
            std::uint16_t* const target = &picture.samples[pixel * static_cast<std::size_t>(channels)];
            for (int c = 0; c < channels; ++c) target[c] = picture.key[static_cast<std::size_t>(c)];
            if (roll == 1) target[random() % static_cast<std::uint32_t>(channels)] ^= 1;
        }
    }
    return picture;
}

std::vector<png_byte> PackRow(const SourcePicture& picture, const PngFormat& format, int y) {
    const int channels = ChannelCount(format.colourType);
    const std::size_t rowSamples = static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(channels);
    const std::uint16_t* const row = &picture.samples[static_cast<std::size_t>(y) * rowSamples];
    std::vector<png_byte> packed((rowSamples * static_cast<std::size_t>(format.bitDepth) + 7) / 8);
    for (std::size_t i = 0; i < rowSamples; ++i) {
        if (format.bitDepth == 16) {
            packed[2 * i] = static_cast<png_byte>(row[i] >> 8);
            packed[2 * i + 1] = static_cast<png_byte>(row[i] & 0xFF);
        } else {
            const std::size_t bit = i * static_cast<std::size_t>(format.bitDepth);
            const int shift = 8 - format.bitDepth - static_cast<int>(bit % 8);
            packed[bit / 8] = static_cast<png_byte>(packed[bit / 8] | row[i] << shift);
        }
    }
    return packed;
}

struct EncodedBytes {
    png_bytep data;
    std::size_t capacity;
    std::size_t size;
    char error[256];
};

void OnWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* const out = static_cast<EncodedBytes*>(png_get_io_ptr(png));
    if (length > out->capacity - out->size) png_error(png, "test encoder output buffer is full");
    std::copy(data, data + length, out->data + out->size);
    out->size += length;
}

void OnFlush(png_structp) {}

void OnWriteError(png_structp png, png_const_charp message) {
    auto* const out = static_cast<EncodedBytes*>(png_get_error_ptr(png));
    std::snprintf(out->error, sizeof out->error, "%s", message);
    png_longjmp(png, 1);
}

void OnWriteWarning(png_structp, png_const_charp) {}

struct WriteJob {
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    int colourType;
    int interlace;
    png_const_colorp palette;
    int paletteSize;
    png_const_bytep paletteAlpha;
    int paletteAlphaSize;
    const png_color_16* key;
    png_bytepp rows;
};

// libpng leaves this function by longjmp on error, so it holds nothing with a destructor.
bool WritePng(const WriteJob& job, EncodedBytes* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, out, OnWriteError, OnWriteWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, OnWrite, OnFlush);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_set_IHDR(png, info, job.width, job.height, job.bitDepth, job.colourType, job.interlace,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (job.paletteSize > 0) png_set_PLTE(png, info, job.palette, job.paletteSize);
    if (job.paletteAlphaSize > 0 || job.key != nullptr) {
        png_set_tRNS(png, info, job.paletteAlpha, job.paletteAlphaSize, job.key);
    }
    png_write_info(png, info);
    png_write_image(png, job.rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

std::vector<std::uint8_t> Encode(const SourcePicture& picture, const PngFormat& format) {
    std::vector<std::vector<png_byte>> packedRows;
    std::vector<png_bytep> rows;
    for (int y = 0; y < picture.height; ++y) packedRows.push_back(PackRow(picture, format, y));
    for (std::vector<png_byte>& row : packedRows) rows.push_back(row.data());

    std::vector<png_color> palette;
    for (const auto& entry : picture.palette) palette.push_back({entry[0], entry[1], entry[2]});
    png_color_16 key{};
    if (!picture.key.empty()) {
        key.gray = picture.key[0];
        if (picture.key.size() == 3) {
            key.red = picture.key[0];
            key.green = picture.key[1];
            key.blue = picture.key[2];
        }
    }

    const WriteJob job{static_cast<png_uint_32>(picture.width),
                       static_cast<png_uint_32>(picture.height),
                       format.bitDepth,
                       format.colourType,
                       format.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                       palette.data(),
                       static_cast<int>(palette.size()),
                       picture.paletteAlpha.data(),
                       static_cast<int>(picture.paletteAlpha.size()),
                       picture.key.empty() ? nullptr : &key,
                       rows.data()};
    std::vector<std::uint8_t> bytes(64 * 1024);
    EncodedBytes out{bytes.data(), bytes.size(), 0, {}};
    if (!WritePng(job, &out)) {
        ADD_FAILURE() << "Test encoder failed: " << out.error;
        return {};
    }
    bytes.resize(out.size);
    return bytes;
}

std::uint8_t ToEightBits(std::uint16_t sample, int bitDepth) {
    if (bitDepth == 16) return static_cast<std::uint8_t>(sample >> 8);
    return static_cast<std::uint8_t>(sample * 255u / ((1u << bitDepth) - 1));
}

std::vector<std::uint8_t> ExpectedRgba(const SourcePicture& picture, const PngFormat& format) {
    const std::size_t channels = static_cast<std::size_t>(ChannelCount(format.colourType));
    const std::size_t pixelCount = static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
    std::vector<std::uint8_t> rgba;
    for (std::size_t pixel = 0; pixel < pixelCount; ++pixel) {
        const std::uint16_t* const s = &picture.samples[pixel * channels];
        const auto eight = [&](std::size_t c) { return ToEightBits(s[c], format.bitDepth); };
        const bool keyed = !picture.key.empty() && std::equal(picture.key.begin(), picture.key.end(), s);
        const std::uint8_t keyAlpha = keyed ? 0 : 255;
        switch (format.colourType) {
            case PNG_COLOR_TYPE_GRAY: rgba.insert(rgba.end(), {eight(0), eight(0), eight(0), keyAlpha}); break;
            case PNG_COLOR_TYPE_RGB: rgba.insert(rgba.end(), {eight(0), eight(1), eight(2), keyAlpha}); break;
            case PNG_COLOR_TYPE_GRAY_ALPHA: rgba.insert(rgba.end(), {eight(0), eight(0), eight(0), eight(1)}); break;
            case PNG_COLOR_TYPE_RGB_ALPHA: rgba.insert(rgba.end(), {eight(0), eight(1), eight(2), eight(3)}); break;
            case PNG_COLOR_TYPE_PALETTE: {
                const auto& entry = picture.palette[s[0]];
                const std::uint8_t alpha = s[0] < picture.paletteAlpha.size() ? picture.paletteAlpha[s[0]] : 255;
                rgba.insert(rgba.end(), {entry[0], entry[1], entry[2], alpha});
                break;
            }
        }
    }
    return rgba;
}

std::string FirstDifference(const std::vector<std::uint8_t>& actual, const std::vector<std::uint8_t>& expected,
                            int width) {
    if (actual.size() != expected.size()) {
        return "size " + std::to_string(actual.size()) + ", expected " + std::to_string(expected.size());
    }
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] == expected[i]) continue;
        const std::size_t pixel = i / 4;
        return "pixel (" + std::to_string(pixel % static_cast<std::size_t>(width)) + "," +
               std::to_string(pixel / static_cast<std::size_t>(width)) + ") byte " + std::to_string(i % 4) + " is " +
               std::to_string(actual[i]) + ", expected " + std::to_string(expected[i]);
    }
    return {};
}

std::string FormatName(const testing::TestParamInfo<PngFormat>& info) {
    const PngFormat& format = info.param;
    const char* type = "Rgba";
    switch (format.colourType) {
        case PNG_COLOR_TYPE_GRAY: type = "Grey"; break;
        case PNG_COLOR_TYPE_RGB: type = "Rgb"; break;
        case PNG_COLOR_TYPE_PALETTE: type = "Palette"; break;
        case PNG_COLOR_TYPE_GRAY_ALPHA: type = "GreyAlpha"; break;
        default: break;
    }
    return std::string(type) + std::to_string(format.bitDepth) + (format.colourKey ? "_tRNS" : "") +
           (format.interlaced ? "_Adam7" : "");
}

class PngMatrixTest : public testing::TestWithParam<PngFormat> {};

TEST_P(PngMatrixTest, EverySizeUpTo16DecodesToTheExpectedRgba) {
    const PngFormat format = GetParam();
    for (int width = 1; width <= 16; ++width) {
        for (int height = 1; height <= 16; ++height) {
            std::mt19937 random(static_cast<std::uint32_t>(format.colourType * 100000 + format.bitDepth * 1000 +
                                                           width * 17 + height));
            const SourcePicture picture = MakePicture(format, width, height, random);
            const std::vector<std::uint8_t> png = Encode(picture, format);
            if (png.empty()) return;
            try {
                const files::RgbaImage image = files::DecodePng(png.data(), png.size());
                const std::string difference = FirstDifference(image.pixels, ExpectedRgba(picture, format), width);
                if (image.width != width || image.height != height || !difference.empty()) {
                    ADD_FAILURE() << width << "x" << height << " decoded as " << image.width << "x" << image.height
                                  << "; " << difference;
                    return;
                }
            } catch (const files::PngError& error) {
                ADD_FAILURE() << width << "x" << height << " failed to decode: " << error.what();
                return;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllColourTypesAndDepths, PngMatrixTest, testing::ValuesIn(AllFormats()), FormatName);

}  // namespace
