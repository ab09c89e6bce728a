#include "fields.h"

namespace level {

std::string_view GetField(std::string_view line, char separator, int n) {
    std::size_t fieldStart = 0;
    int passed = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != separator) continue;
        if (n == passed + 1) return line.substr(fieldStart, i - fieldStart);
        ++passed;
        fieldStart = i + 1;
    }
    return line.substr(fieldStart);
}

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

constexpr std::size_t kMaxHexDigits = 8;

// A hexadecimal pattern of more than eight significant digits has the form of a number but no value.
LevelIntFault ParseHex(std::string_view digits, std::uint32_t& value) {
    if (digits.empty()) return LevelIntFault::NotANumber;
    value = 0;
    std::size_t significant = 0;
    bool tooLong = false;
    for (const char c : digits) {
        const int v = HexValue(c);
        if (v < 0) return LevelIntFault::NotANumber;
        if (value == 0 && v == 0 && significant == 0) continue;
        if (++significant > kMaxHexDigits) tooLong = true;
        value = (value << 4) | static_cast<std::uint32_t>(v);
    }
    return tooLong ? LevelIntFault::HexOutOfRange : LevelIntFault::None;
}

LevelIntFault ParseSlowly(std::string_view text, std::int32_t& value) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::string_view rest = text.substr(i);

    std::size_t prefix = 0;
    if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) prefix = 1;
    else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) prefix = 2;
    if (prefix != 0) {
        std::uint32_t pattern = 0;
        const LevelIntFault fault = ParseHex(rest.substr(prefix), pattern);
        if (fault != LevelIntFault::None) return fault;
        const std::uint32_t bits = negative ? 0u - pattern : pattern;
        value = static_cast<std::int32_t>(bits);
        return LevelIntFault::None;
    }

    if (rest.empty()) return LevelIntFault::NotANumber;
    // One past the largest magnitude, so that -2147483648 is accepted and 2147483648 is not.
    const std::uint64_t limit = negative ? 2147483648ull : 2147483647ull;
    std::uint64_t magnitude = 0;
    bool tooLarge = false;
    for (const char c : rest) {
        if (c < '0' || c > '9') return LevelIntFault::NotANumber;
        if (!tooLarge) magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
        tooLarge = tooLarge || magnitude > limit;
    }
    if (tooLarge) return LevelIntFault::DecimalOutOfRange;
    const std::int64_t signedValue =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    value = static_cast<std::int32_t>(signedValue);
    return LevelIntFault::None;
}

}  // namespace

bool ParseLevelInt(std::string_view text, std::int32_t& value) {
    // A coordinate as the editor writes it, up to nine plain digits, cannot overflow: the short way.
    constexpr std::size_t kSafeDigits = 9;
    if (!text.empty() && text.size() <= kSafeDigits) {
        std::int32_t plain = 0;
        std::size_t digits = 0;
        for (; digits < text.size(); ++digits) {
            const unsigned digit = static_cast<unsigned char>(text[digits]) - unsigned{'0'};
            if (digit > 9) break;
            plain = plain * 10 + static_cast<std::int32_t>(digit);
        }
        if (digits == text.size()) {
            value = plain;
            return true;
        }
    }
    return ParseSlowly(text, value) == LevelIntFault::None;
}

std::optional<std::int32_t> ParseLevelInt(std::string_view text) {
    std::int32_t value = 0;
    if (!ParseLevelInt(text, value)) return std::nullopt;
    return value;
}

LevelIntFault WhyNotLevelInt(std::string_view text) {
    std::int32_t value = 0;
    return ParseSlowly(text, value);
}

}  // namespace level
