#pragma once

#include <string>
#include <vector>

namespace files {

// The program's arguments after its name, in UTF-8 whatever the host hands over.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Standard input and output carry bytes as they are: no line end is added or dropped.
void UseBinaryStandardStreams();

// Large blocks freed stay with the program for the next, rather than going back to the system
// after each use (a round's file and its save, megabytes each for a large round).
void KeepFreedMemory();

}  // namespace files
