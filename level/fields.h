#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "bytescan.h"

namespace level {

// The n-th field (from 1) of `line`; a number past the last field gives the last field.
std::string_view GetField(std::string_view line, char separator, int n);

// Fields 1 to `count` of `line` into `fields`, each as GetField gives it, in one pass over the line.
// Inline, so that the loader's call is compiled for its own count.
inline void GetFields(std::string_view line, char separator, std::string_view* fields, std::size_t count) {
    if (count == 0) return;
    // Level lines are short: a library search per field costs more than looking at eight bytes at a time.
    const char* const data = line.data();
    std::size_t n = 0;
    std::size_t start = 0;
    std::size_t i = 0;
    for (; i + bytescan::kWord <= line.size(); i += bytescan::kWord) {
        for (std::uint64_t marks = bytescan::Equal(bytescan::LoadWord(data + i), static_cast<unsigned char>(separator));
             marks != 0; marks &= marks - 1) {
            const std::size_t at = i + bytescan::FirstMarked(marks);
            fields[n++] = std::string_view(data + start, at - start);
            start = at + 1;
            if (n == count) return;
        }
    }
    for (; i < line.size(); ++i) {
        if (data[i] != separator) continue;
        fields[n++] = std::string_view(data + start, i - start);
        start = i + 1;
        if (n == count) return;
    }
    // The line ended inside field n + 1, its last, which also stands for every field past it.
    const std::string_view last(data + start, line.size() - start);
    for (; n < count; ++n) fields[n] = last;
}


// A level file integer: leading spaces, a sign, then decimal in the signed 32-bit range or
// hexadecimal after "$", "x", "X", "0x" or "0X" (at most eight significant digits, a 32-bit pattern).
std::optional<std::int32_t> ParseLevelInt(std::string_view text);
// The same into `value`, false when the text is no such integer; the loader's way, which spares it
// an optional's trip through memory for every coordinate.
bool ParseLevelInt(std::string_view text, std::int32_t& value);

// Why a text is no level file integer: not a number at all, or a number outside what the file holds.
enum class LevelIntFault { None, NotANumber, DecimalOutOfRange, HexOutOfRange };
LevelIntFault WhyNotLevelInt(std::string_view text);

}  // namespace level
