#include "finding.h"

const char* SeverityName(Severity severity) {
    switch (severity) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    case Severity::Note: break;
    }
    return "note";
}

std::string Counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char c = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xbf;
    if (c >= 0xc2 && c <= 0xdf)
        length = 2;
    else if (c >= 0xe0 && c <= 0xef)
        length = 3;
    else if (c >= 0xf0 && c <= 0xf4)
        length = 4;
    if (length == 0 || i + length > text.size()) return 0;
    // Overlong forms, surrogates and code points past U+10FFFF are ruled out by the second byte.
    if (c == 0xe0) low = 0xa0;
    if (c == 0xed) high = 0x9f;
    if (c == 0xf0) low = 0x90;
    if (c == 0xf4) high = 0x8f;
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if ((byte(k) & 0xc0) != 0x80) return 0;
    return length;
}

std::string Quoted(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    // A line of a megabyte is still one line of a report.
    constexpr std::size_t kShown = 40;
    std::string out = "'";
    std::size_t i = 0;
    while (i < text.size() && i < kShown) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        // Names in any script read as they are; only what is no text is written as bytes.
        const std::size_t length = byte > 0x7f ? Utf8Length(text, i) : 0;
        const bool control = length == 2 && byte == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0;
        // A byte-order mark inside a line shows nothing, yet is why its keyword is unknown.
        const bool invisible = length == 3 && text.compare(i, 3, "\xef\xbb\xbf") == 0;
        if (length > 0 && !control && !invisible) {
            out.append(text, i, length);
            i += length;
            continue;
        }
        if (c == '\'' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte > 0x7e) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xf];
        } else {
            out += c;
        }
        ++i;
    }
    if (i < text.size()) out += "…";
    return out + "'";
}
