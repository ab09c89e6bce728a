#include "pngdecoder.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "bytesread.h"
#include "sha256.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct SuiteRow {
    std::string file;
    int width = 0;
    int height = 0;
    std::string expected;
    std::string rgba8Sha256;
};

const fs::path kSuiteDir = BLASTRIX_PNGSUITE;

std::vector<SuiteRow> ReadSuiteTable() {
    std::ifstream in(kSuiteDir / "expected.tsv");
    std::vector<SuiteRow> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> columns;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) columns.push_back(field);
        if (columns.size() < 9) {
            ADD_FAILURE() << "Malformed line in expected.tsv: " << line;
            continue;
        }
        const bool hasSize = columns[1] != "-" && columns[2] != "-";
        rows.push_back({columns[0], hasSize ? std::stoi(columns[1]) : 0, hasSize ? std::stoi(columns[2]) : 0,
                        columns[7], columns[8]});
    }
    return rows;
}

std::optional<bool> MustDecode(const std::string& expected) {
    if (expected == "decodes" || expected == "decode") return true;
    if (expected == "must be rejected" || expected == "reject") return false;
    return std::nullopt;
}

TEST(PngSuiteTest, DecodableFilesMatchTheReferencePixels) {
    if (!fs::is_directory(kSuiteDir)) GTEST_SKIP() << "No PNG suite at " << kSuiteDir;
    int decodable = 0;
    for (const SuiteRow& row : ReadSuiteTable()) {
        SCOPED_TRACE(row.file);
        const std::optional<bool> mustDecode = MustDecode(row.expected);
        if (!mustDecode) ADD_FAILURE() << "Unknown expectation \"" << row.expected << "\"";
        if (mustDecode != true) continue;
        ++decodable;
        try {
            const files::RgbaImage image = files::DecodePngFile((kSuiteDir / row.file).string());
            EXPECT_EQ(image.width, row.width);
            EXPECT_EQ(image.height, row.height);
            EXPECT_EQ(testing_support::Sha256Hex(image.pixels), row.rgba8Sha256);
        } catch (const files::PngError& error) {
            ADD_FAILURE() << "Rejected: " << error.what();
        }
    }
    EXPECT_GT(decodable, 150) << "expected.tsv lists far fewer decodable files than the suite holds";
}

TEST(PngSuiteTest, CorruptFilesAreRejectedWithAMessage) {
    if (!fs::is_directory(kSuiteDir)) GTEST_SKIP() << "No PNG suite at " << kSuiteDir;
    std::map<std::string, bool> mustDecode;
    for (const SuiteRow& row : ReadSuiteTable()) mustDecode[row.file] = MustDecode(row.expected).value_or(true);
    // Crash reproducers missing from the table are expected to fail too.
    for (const fs::directory_entry& entry : fs::directory_iterator(kSuiteDir / "libpng-crashers")) {
        if (entry.path().extension() != ".png") continue;
        mustDecode.emplace("libpng-crashers/" + entry.path().filename().string(), false);
    }
    int rejected = 0;
    for (const auto& [file, decodes] : mustDecode) {
        if (decodes) continue;
        SCOPED_TRACE(file);
        ++rejected;
        try {
            files::DecodePngFile((kSuiteDir / file).string());
            ADD_FAILURE() << "Decoded a corrupt file";
        } catch (const files::PngError& error) {
            EXPECT_STRNE(error.what(), "");
        }
    }
    EXPECT_GE(rejected, 14 + 22) << "the suite has 14 x* files and 22 failing crash reproducers";
}

Bytes BigEndian32(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

struct Chunk {
    std::string type;
    Bytes data;
};

// Built by hand with zlib rather than libpng, so the decoder is not checked against its own library's writer.
Bytes AssemblePng(const std::vector<Chunk>& chunks) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const Chunk& chunk : chunks) {
        const Bytes length = BigEndian32(static_cast<std::uint32_t>(chunk.data.size()));
        png.insert(png.end(), length.begin(), length.end());
        Bytes typeAndData(chunk.type.begin(), chunk.type.end());
        typeAndData.insert(typeAndData.end(), chunk.data.begin(), chunk.data.end());
        const Bytes crc = BigEndian32(static_cast<std::uint32_t>(
            crc32(0, typeAndData.data(), static_cast<uInt>(typeAndData.size()))));
        png.insert(png.end(), typeAndData.begin(), typeAndData.end());
        png.insert(png.end(), crc.begin(), crc.end());
    }
    return png;
}

Chunk Ihdr(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth, std::uint8_t colourType) {
    Bytes data = BigEndian32(width);
    const Bytes heightBytes = BigEndian32(height);
    data.insert(data.end(), heightBytes.begin(), heightBytes.end());
    data.insert(data.end(), {bitDepth, colourType, 0, 0, 0});
    return {"IHDR", data};
}

Chunk Idat(const Bytes& filteredRows, int level) {
    uLongf size = compressBound(static_cast<uLong>(filteredRows.size()));
    Bytes compressed(size);
    EXPECT_EQ(compress2(compressed.data(), &size, filteredRows.data(), static_cast<uLong>(filteredRows.size()), level),
              Z_OK);
    compressed.resize(size);
    return {"IDAT", compressed};
}

// A 3x2 palette picture with a partial tRNS and a text chunk: every chunk kind a damaged file could hit.
std::vector<Chunk> SmallPaletteChunks() {
    const Bytes rows = {0, 0, 1, 2, 0, 3, 2, 1};
    return {Ihdr(3, 2, 8, 3),
            {"tEXt", {'T', 'i', 't', 'l', 'e', 0, 'x'}},
            {"PLTE", {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30}},
            {"tRNS", {0, 128}},
            Idat(rows, 9),
            {"IEND", {}}};
}

const Bytes kSmallPaletteRgba = {255, 0,  0,  0,   0, 255, 0, 128, 0,  0,   255, 255,
                                 10,  20, 30, 255, 0, 0,   255, 255, 0, 255, 0,  128};

TEST(PngDecoderTest, HandBuiltPaletteWithPartialTransparencyDecodes) {
    const Bytes png = AssemblePng(SmallPaletteChunks());
    const files::RgbaImage image = files::DecodePng(png.data(), png.size());
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.pixels, kSmallPaletteRgba);
}

TEST(PngDecoderTest, EveryTruncationOfAValidFileIsRejected) {
    const Bytes png = AssemblePng(SmallPaletteChunks());
    ASSERT_NO_THROW(files::DecodePng(png.data(), png.size()));
    for (std::size_t length = 0; length < png.size(); ++length) {
        SCOPED_TRACE(length);
        try {
            files::DecodePng(png.data(), length);
            ADD_FAILURE() << "Decoded a truncated file";
        } catch (const files::PngError& error) {
            EXPECT_STRNE(error.what(), "");
        }
    }
    EXPECT_THROW(files::DecodePng(nullptr, 0), files::PngError);
}

TEST(PngDecoderTest, BadChecksumsAreFatalOnlyInCriticalChunks) {
    const struct {
        const char* chunk;
        bool decodes;
    } cases[] = {{"IHDR", false}, {"PLTE", false}, {"IDAT", false}, {"IEND", false}, {"tEXt", true}, {"tRNS", true}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.chunk);
        const std::vector<Chunk> chunks = SmallPaletteChunks();
        Bytes png = AssemblePng(chunks);
        std::size_t offset = 8;
        for (const Chunk& chunk : chunks) {
            offset += 8 + chunk.data.size();
            if (chunk.type == test.chunk) break;
            offset += 4;
        }
        png[offset] ^= 0x01;
        testing::internal::CaptureStderr();
        bool decoded = false;
        try {
            files::DecodePng(png.data(), png.size());
            decoded = true;
        } catch (const files::PngError& error) {
            EXPECT_STRNE(error.what(), "");
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "libpng warnings must not reach the console";
        EXPECT_EQ(decoded, test.decodes);
    }
}

TEST(PngDecoderTest, OversizedHeadersAreRefusedBeforeAnyPixelIsRead) {
    const struct {
        std::uint32_t width;
        std::uint32_t height;
        bool tooLarge;
    } cases[] = {
        {100000, 100000, true}, {8192, 8193, true}, {1u << 20, 65, true}, {8192, 8192, false}, {1u << 20, 64, false},
    };
    for (const auto& test : cases) {
        const std::string size = std::to_string(test.width) + "x" + std::to_string(test.height);
        SCOPED_TRACE(size);
        const Bytes png = AssemblePng({Ihdr(test.width, test.height, 8, 6), Idat(Bytes(64), 9), {"IEND", {}}});
        try {
            files::DecodePng(png.data(), png.size());
            ADD_FAILURE() << "Decoded a picture without its pixels";
        } catch (const files::PngError& error) {
            const std::string message = error.what();
            EXPECT_EQ(message.find("too large: " + size) != std::string::npos, test.tooLarge) << message;
        }
    }
}

TEST(PngDecoderTest, MaximallyCompressedPictureIsNotMistakenForTruncatedData) {
    const std::uint32_t side = 2048;
    const Bytes rows(side * (1 + side / 8), 0);
    const Bytes png = AssemblePng({Ihdr(side, side, 1, 0), Idat(rows, 9), {"IEND", {}}});
    ASSERT_GT(side * side / 8, png.size() * 850) << "the test picture must come close to deflate's 1032:1 limit";

    const files::RgbaImage image = files::DecodePng(png.data(), png.size());
    ASSERT_EQ(image.pixels.size(), std::size_t{side} * side * 4);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        if (image.pixels[i] != (i % 4 == 3 ? 255 : 0)) FAIL() << "byte " << i << " is " << int{image.pixels[i]};
    }
}

class PngFileTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("pngdecoder_test_" + std::to_string(std::random_device{}()) + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    std::string Write(const std::string& name, const Bytes& bytes) const {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    std::string ErrorFor(const std::string& path) const {
        try {
            files::DecodePngFile(path);
        } catch (const files::PngError& error) {
            return error.what();
        }
        return "(decoded)";
    }

    fs::path dir_;
};

TEST_F(PngFileTest, MissingFileNamesThePathAndTheReason) {
    const std::string path = (dir_ / "levels" / "Level1.png").string();
    EXPECT_EQ(ErrorFor(path), "Cannot open file \"" + path + "\". No such file or directory");
}

TEST_F(PngFileTest, DirectoryCannotBeOpenedAsAFile) {
    EXPECT_EQ(ErrorFor(dir_.string()).rfind("Cannot open file \"" + dir_.string() + "\". ", 0), 0u);
}

TEST_F(PngFileTest, PipeAndDeviceAreRefusedWithoutWaiting) {
#ifdef _WIN32
    EXPECT_EQ(ErrorFor("NUL"), "Cannot open file \"NUL\". Not a regular file");
#else
    const std::string pipe = (dir_ / "pipe.png").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    // A pipe with no writer would hold the read for ever; the alarm ends such a run as a failure.
    alarm(10);
    EXPECT_EQ(ErrorFor(pipe), "Cannot open file \"" + pipe + "\". Not a regular file");
    EXPECT_EQ(ErrorFor("/dev/zero"), "Cannot open file \"/dev/zero\". Not a regular file");
    alarm(0);
#endif
}

TEST_F(PngFileTest, EmptyFileIsRejectedAsData) {
    const std::string message = ErrorFor(Write("empty.png", {}));
    EXPECT_NE(message, "(decoded)");
    EXPECT_NE(message, "");
    EXPECT_EQ(message.find("Cannot open"), std::string::npos) << message;
}

TEST_F(PngFileTest, FileBeyondTheSizeCapIsRefusedUnread) {
    const std::string path = Write("huge.png", AssemblePng(SmallPaletteChunks()));
    fs::resize_file(path, 256ull * 1024 * 1024 + 1);
    const std::optional<std::uint64_t> before = testing_support::BytesReadByThisProcess();
    const std::string message = ErrorFor(path);
    const std::optional<std::uint64_t> after = testing_support::BytesReadByThisProcess();
    EXPECT_NE(message.find("too large"), std::string::npos) << message;
    if (!before || !after) GTEST_SKIP() << "this system does not count the bytes a process reads";
    EXPECT_LT(*after - *before, 64u * 1024);
}

TEST_F(PngFileTest, FileLargerThanOneReadDecodesLikeTheSameBytesInMemory) {
    const std::uint32_t side = 200;
    Bytes rows;
    std::mt19937 random(7);
    for (std::uint32_t y = 0; y < side; ++y) {
        rows.push_back(0);
        for (std::uint32_t x = 0; x < side * 3; ++x) rows.push_back(static_cast<std::uint8_t>(random()));
    }
    const Bytes png = AssemblePng({Ihdr(side, side, 8, 2), Idat(rows, 0), {"IEND", {}}});
    ASSERT_GT(png.size(), 100u * 1024);

    const files::RgbaImage fromMemory = files::DecodePng(png.data(), png.size());
    const files::RgbaImage fromFile = files::DecodePngFile(Write("noise.png", png));
    EXPECT_EQ(fromFile.width, fromMemory.width);
    EXPECT_EQ(fromFile.height, fromMemory.height);
    EXPECT_EQ(fromFile.pixels, fromMemory.pixels);
    ASSERT_EQ(fromMemory.pixels.size(), std::size_t{side} * side * 4);
    EXPECT_TRUE(std::equal(rows.begin() + 1, rows.begin() + 4, fromMemory.pixels.begin()));
}

TEST(FileOpenErrorTextTest, EndsWithTheSystemReasonWithoutTrailingPunctuation) {
    EXPECT_EQ(files::FileOpenErrorText("/x/levels/Level1.png", ENOENT),
              "Cannot open file \"/x/levels/Level1.png\". No such file or directory");
    for (int err = 1; err < 134; ++err) {
        SCOPED_TRACE(err);
        const std::string text = files::FileOpenErrorText("a b.png", err);
        const std::string prefix = "Cannot open file \"a b.png\". ";
        ASSERT_EQ(text.rfind(prefix, 0), 0u);
        const std::string reason = text.substr(prefix.size());
        ASSERT_FALSE(reason.empty());
        EXPECT_EQ(std::string(std::strerror(err)).rfind(reason, 0), 0u) << reason;
        const unsigned char last = static_cast<unsigned char>(reason.back());
        EXPECT_TRUE(last > 0x20 && last != '.') << reason;
    }
}

}  // namespace
