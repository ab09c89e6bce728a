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
    std::string folder;  // the game folder of the picture's art: the one whose levels/ holds NEW, else -C's
    int round = 0;       // the round whose background the picture shows: NEW's name gives it, else OLD's; 0 for none
    std::string output;  // the picture's file, "-" for standard output; empty for none
    int scale = 1;
};

// diff's request from its parsed options and its operands (OLD NEW, or git's seven or nine, whose
// paths are shown as git's a/ and b/ ones); or what is wrong with them. Paths start at -C's folder.
std::variant<DiffRequest, std::string> DiffRequestOf(const Invocation& invocation,
                                                     const std::vector<std::string>& operands);
