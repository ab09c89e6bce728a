#pragma once

#include <string>
#include <variant>
#include <vector>

#include "diffoptions.h"
#include "findingcodes.h"
#include "report.h"

enum class Command { Check, Render, Resave, Codes, Diff };

// The rounds of one game folder that the arguments name.
struct Target {
    std::string directory;             // as reachable from the current directory; empty for it
    std::vector<int> rounds;           // ascending, each once
    std::vector<std::string> sprites;  // sprite files named: every round that uses one is meant too
};

// What the user asked for, checked against the command's options.
struct Invocation {
    Command command = Command::Check;
    std::vector<Target> targets;  // in the order the arguments first name them
    // The game folder and rounds a command works on, one target at a time.
    std::string directory;
    std::vector<int> rounds;
    OutputFormat format = OutputFormat::Text;
    bool werror = false;
    CodeFilter codes;
    std::string output;  // render: the file, "-" for standard output, empty for roundN.png
    int scale = 1;
    bool checkOnly = false;  // resave --check
    bool git = false;        // diff --git
    DiffRequest diff;
    bool force = false;      // resave --force: save rounds whose save drops lines
    bool showDiff = false;   // resave --diff: print what a save would change, write nothing
    std::string filesFrom;   // --files0-from: the file listing the paths, "-" for standard input
};

// Exit statuses of every command.
constexpr int kExitClean = 0;
constexpr int kExitFindings = 1;
constexpr int kExitTrouble = 2;  // bad usage, a game folder that cannot be read, output that cannot be written
constexpr int kExitUsage = kExitTrouble;

// The invocation, or the status to exit with once help, the version or a usage error has been printed.
// `arguments` follow the program's name.
std::variant<Invocation, int> ParseCommandLine(const std::vector<std::string>& arguments);

// Prints "blastrix-level: message" on standard error, as the tool's messages read: starting in lower
// case, without a closing full stop.
void Complain(const std::string& message);

