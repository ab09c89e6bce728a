#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class Severity { Error, Warning, Note };

// One thing worth telling about a file of a game folder, placed as compilers place their messages.
struct Finding {
    std::string file;        // relative to the game folder, spelled as on disk
    std::size_t line = 0;    // from 1; 0 when the finding is about the whole file
    std::size_t column = 0;  // from 1, in bytes; 0 with line 0
    Severity severity = Severity::Warning;
    const char* code = "";  // stable, for scripts and annotations
    std::string message;
};

const char* SeverityName(Severity severity);

// "1 error", "2 errors"
std::string Counted(std::size_t count, const char* one, const char* many);

// The length of the well-formed UTF-8 sequence of two bytes or more at text[i], or 0.
std::size_t Utf8Length(std::string_view text, std::size_t i);

// Bytes of a level file shown in a message: in single quotes, with valid UTF-8 as it is, every other
// byte but printable ASCII written as \xNN, and quote and backslash escaped; past 40 bytes cut,
// ending in "…".
std::string Quoted(std::string_view text);
