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

// Paths as composed, with the spelling each user writes; messages show them so.
std::string BackgroundPath(const std::string& programDirectory, int round, BackgroundSpelling spelling);
std::string LevelFilePath(const std::string& programDirectory, int round);
std::string LevelFileName(int round);
std::string SpritePath(const std::string& programDirectory, const ObjectKind& kind);
inline constexpr const char* kLevelsDirectory = "levels";
inline constexpr const char* kDataDirectory = "data";

// Where a file of the game folder is: the path as composed, and the path that names it on disk
// with every component matched ignoring case (the composed one where a component is missing).
struct FileLocation {
    std::string composed;
    std::string onDisk;
    bool found = false;
};

// The one lookup of the game's files, for a path composed below the program directory. Throws
// files::FileSystemError when a directory on the way cannot be listed.
FileLocation Locate(const std::string& programDirectory, const std::string& composed);
FileLocation LocateBackground(const std::string& programDirectory, int round, BackgroundSpelling spelling);
FileLocation LocateLevelFile(const std::string& programDirectory, int round);
FileLocation LocateSprite(const std::string& programDirectory, const ObjectKind& kind);

}  // namespace level
