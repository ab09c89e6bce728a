#pragma once

#include <QStringList>

#include <string>
#include <variant>
#include <vector>

#include "report.h"

enum class Command { Check, Render, Resave };

// What the user asked for, checked against the command's options.
struct Invocation {
    Command command = Command::Check;
    std::string directory;    // the game folder as given; empty for the current directory
    std::vector<int> rounds;  // ascending, each once
    OutputFormat format = OutputFormat::Text;
    bool werror = false;
    std::string output;  // render: the file, "-" for standard output, empty for roundN.png
    int scale = 1;
    bool checkOnly = false;  // resave --check
    bool force = false;      // resave --force: save rounds whose save drops lines
    bool diff = false;       // resave --diff: print what a save would change, write nothing
};

// Exit statuses of every command.
constexpr int kExitClean = 0;
constexpr int kExitFindings = 1;
constexpr int kExitUsage = 2;

// The invocation, or the status to exit with once help, the version or a usage error has been printed.
std::variant<Invocation, int> ParseCommandLine(const QStringList& arguments);
