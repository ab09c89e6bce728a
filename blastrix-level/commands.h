#pragma once

#include <vector>

#include "commandline.h"
#include "gamefolder.h"

// A game folder that holds a levels directory, and the rounds of it to work on.
struct Work {
    GameFolder folder;
    std::vector<int> rounds;
};

// Each command's work; each returns the exit status. Check reports on every folder at once, the
// others take one folder, with the rounds in `invocation.rounds`.
int RunCheck(const Invocation& invocation, const std::vector<Work>& work);
int RunRender(const Invocation& invocation, const GameFolder& folder);
int RunResave(const Invocation& invocation, const GameFolder& folder);
// Works on two files, which need no game folder.
int RunDiff(const DiffRequest& request);

// Writes to standard output; false (with errno set) when it could not.
bool WriteOut(const std::string& text);
