#pragma once

#include <string>

#include "objectkind.h"

namespace level {

constexpr int kFirstRound = 1;
constexpr int kRoundCount = 14;

int NextRound(int round);
int PreviousRound(int round);

inline constexpr const char* kDesignTitle = " Blastrix PSP - Level Editor";
// " Blastrix PSP - Level Editor  [Round: N/14]"
std::string RoundTitle(int round);

// Each command spells the background's path its own way; the spelling shows in messages.
enum class BackgroundSpelling { Startup, Next, Previous };

// Paths as composed, with the spelling each user writes; open them through ResolveIgnoringCase.
std::string BackgroundPath(const std::string& programDirectory, int round, BackgroundSpelling spelling);
std::string LevelFilePath(const std::string& programDirectory, int round);
std::string LevelFileName(int round);
std::string SpritePath(const std::string& programDirectory, const ObjectKind& kind);
inline constexpr const char* kLevelsDirectory = "levels";
inline constexpr const char* kDataDirectory = "data";

// The directory of the running executable, ending in '/'.
std::string ExecutableDirectory();

}  // namespace level
