#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fields.h"
#include "linereader.h"

namespace {

[[noreturn]] void Fail(const char* what, std::string_view detail) {
    std::fprintf(stderr, "%s: [%.*s]\n", what, static_cast<int>(detail.size()), detail.data());
    std::abort();
}

// The reading rules stated as plainly as possible: drop every CR first, then split.
std::vector<std::string> ReferenceLines(std::string_view text) {
    std::string plain;
    for (const char c : text)
        if (c != '\r') plain += c;
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < plain.size() && plain[pos] != '\x1a') {
        const std::size_t lf = plain.find('\n', pos);
        const std::size_t end = lf == std::string::npos ? plain.size() : lf;
        std::string line = plain.substr(pos, end - pos);
        line.erase(std::min(line.find('\x1a'), line.size()));
        lines.push_back(std::move(line));
        pos = lf == std::string::npos ? plain.size() : lf + 1;
    }
    return lines;
}

std::vector<std::string> ReadAll(level::LineReader& reader) {
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line)) lines.push_back(line);
    if (reader.ReadLine(line) || !line.empty()) Fail("reader went on after its end", line);
    return lines;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// What ParseLevelInt must give, built from strtoll/strtoull rather than from its own digit loop.
std::optional<std::int32_t> ReferenceInt(std::string_view text) {
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string_view::npos) return std::nullopt;
    const bool negative = text[i] == '-';
    if (text[i] == '+' || text[i] == '-') ++i;
    std::string_view rest = text.substr(i);

    std::size_t prefix = 0;
    if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) prefix = 1;
    else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) prefix = 2;
    if (prefix != 0) {
        rest.remove_prefix(prefix);
        if (rest.empty() || !std::all_of(rest.begin(), rest.end(), IsHexDigit)) return std::nullopt;
        const std::size_t firstSignificant = rest.find_first_not_of('0');
        if (firstSignificant != std::string_view::npos && rest.size() - firstSignificant > 8) return std::nullopt;
        const std::string digits(rest);
        std::uint32_t bits = static_cast<std::uint32_t>(std::strtoull(digits.c_str(), nullptr, 16));
        if (negative) bits = 0u - bits;
        return static_cast<std::int32_t>(bits);
    }

    if (rest.empty() || !std::all_of(rest.begin(), rest.end(), IsDigit)) return std::nullopt;
    const std::string plain(text);
    errno = 0;
    const long long value = std::strtoll(plain.c_str(), nullptr, 10);
    if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

void CheckFields(const std::string& line) {
    const auto fieldCount = static_cast<int>(std::count(line.begin(), line.end(), ',')) + 1;
    std::string joined;
    for (int n = 1; n <= fieldCount + 1; ++n) {
        const std::string_view field = level::GetField(line, ',', n);
        if (field.find(',') != std::string_view::npos) Fail("field holds a separator", field);
        if (n <= fieldCount) {
            if (n > 1) joined += ',';
            joined.append(field.data(), field.size());
        } else if (field != level::GetField(line, ',', fieldCount)) {
            Fail("a field past the end is not the last field", line);
        }
        if (level::ParseLevelInt(field) != ReferenceInt(field)) Fail("ParseLevelInt disagrees", field);
    }
    if (joined != line) Fail("fields do not make up the line", line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The low bits pick how much the source hands over per call, the high bits the reader's buffer.
    const std::size_t feed = (data[0] & 0x0f) + 1u;
    const std::size_t capacity = (data[0] >> 4) + 1u;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    level::LineReader whole(text);
    const std::vector<std::string> wholeLines = ReadAll(whole);

    std::size_t offset = 0;
    level::LineReader chunked(
        [&](char* buffer, std::size_t room) {
            const std::size_t n = std::min({feed, room, text.size() - offset});
            std::copy_n(text.data() + offset, n, buffer);
            offset += n;
            return n;
        },
        capacity);
    const std::vector<std::string> chunkedLines = ReadAll(chunked);

    if (wholeLines != chunkedLines) Fail("chunked reading differs", text);
    if (wholeLines != ReferenceLines(text)) Fail("reading differs from the rules", text);
    for (const std::string& line : wholeLines) CheckFields(line);
    return 0;
}
