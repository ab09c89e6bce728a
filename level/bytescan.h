#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Byte searches over the short lines of a level file, eight bytes at a time: the loader's hot loop
// looks at every byte of a file that may hold a million lines.
namespace level::bytescan {

inline constexpr std::size_t kWord = sizeof(std::uint64_t);
inline constexpr std::uint64_t kOnes = 0x0101010101010101u;
inline constexpr std::uint64_t kHighBits = 0x8080808080808080u;

// Eight bytes with the first in the lowest place, whatever the machine's byte order.
inline std::uint64_t LoadWord(const char* text) {
    std::uint64_t word;
    std::memcpy(&word, text, sizeof word);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    word = __builtin_bswap64(word);
#endif
    return word;
}

// The place of the lowest marked byte of a non-zero mask.
inline std::size_t FirstMarked(std::uint64_t marks) { return static_cast<std::size_t>(__builtin_ctzll(marks)) / 8; }

// The first byte of `text` at or below `limit` (below 0x80), or `size` when there is none.
inline std::size_t FindAtOrBelow(const char* text, std::size_t size, unsigned char limit) {
    const std::uint64_t below = kOnes * (limit + 1u);
    std::size_t i = 0;
    for (; i + kWord <= size; i += kWord) {
        const std::uint64_t word = LoadWord(text + i);
        // Marks the first byte below the bound exactly; a later one may be marked wrongly, never an earlier one.
        const std::uint64_t marks = (word - below) & ~word & kHighBits;
        if (marks != 0) return i + FirstMarked(marks);
    }
    for (; i < size; ++i)
        if (static_cast<unsigned char>(text[i]) <= limit) return i;
    return size;
}

// Every byte of the word equal to `byte` marked, and no other.
inline std::uint64_t Equal(std::uint64_t word, unsigned char byte) {
    const std::uint64_t zeros = word ^ (kOnes * byte);
    constexpr std::uint64_t kLowBits = ~kHighBits;
    return ~(((zeros & kLowBits) + kLowBits) | zeros | kLowBits);
}

}  // namespace level::bytescan
