#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace level {

// The n-th field (from 1) of `line`; a number past the last field gives the last field.
std::string_view GetField(std::string_view line, char separator, int n);

// Fields 1 to `count` of `line` into `fields`, each as GetField gives it, in one pass over the line.
void GetFields(std::string_view line, char separator, std::string_view* fields, std::size_t count);

// A level file integer: leading spaces, a sign, then decimal in the signed 32-bit range or
// hexadecimal after "$", "x", "X", "0x" or "0X" (at most eight significant digits, a 32-bit pattern).
std::optional<std::int32_t> ParseLevelInt(std::string_view text);
// The same into `value`, false when the text is no such integer; the loader's way, which spares it
// an optional's trip through memory for every coordinate.
bool ParseLevelInt(std::string_view text, std::int32_t& value);

}  // namespace level
