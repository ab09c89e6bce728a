#pragma once

#include "commandline.h"
#include "gamefolder.h"

// Each command's work on a folder that holds a levels directory; each returns the exit status.
int RunCheck(const Invocation& invocation, const GameFolder& folder);
int RunRender(const Invocation& invocation, const GameFolder& folder);
int RunResave(const Invocation& invocation, const GameFolder& folder);
// Works on two files, which need no game folder.
int RunDiff(const DiffRequest& request);

// Writes to standard output; false (with errno set) when it could not.
bool WriteOut(const std::string& text);
