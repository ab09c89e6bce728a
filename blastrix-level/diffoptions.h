#pragma once

#include <string>
#include <variant>
#include <vector>

#include "report.h"

struct Invocation;

// One version of a round's level file: the file to read ("/dev/null" for none) and its name in the report.
struct DiffSide {
    std::string path;
    std::string shown;
};

// What `diff` was asked for: two versions of a level file, how to report on them and where to draw them.
struct DiffRequest {
    DiffSide before;
    DiffSide after;
    bool git = false;  // called by git as an external diff driver
    OutputFormat format = OutputFormat::Text;
    std::string directory;  // the game folder as given; empty to take the one holding NEW
    std::string output;     // the picture's file, "-" for standard output; empty for none
    int scale = 1;
};

// diff's request from its parsed options and its operands (OLD NEW, or git's seven or nine); or
// what is wrong with them.
std::variant<DiffRequest, std::string> DiffRequestOf(const Invocation& invocation,
                                                     const std::vector<std::string>& operands);
