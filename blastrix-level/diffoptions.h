#pragma once

#include <QStringList>

#include <string>
#include <variant>

#include "report.h"

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

// diff's own arguments, the command word included; or the status to exit with once help or a usage
// error has been printed.
std::variant<DiffRequest, int> ParseDiffCommandLine(const QStringList& arguments);
