#include "locations.h"

#include <optional>
#include <string>
#include <utility>

#include "filelookup.h"

namespace level {

int NextRound(int round) {
    ++round;
    return round > kRoundCount ? kFirstRound : round;
}

int PreviousRound(int round) {
    --round;
    return round < kFirstRound ? kRoundCount : round;
}

std::string RoundTitle(int round) {
    return std::string(kDesignTitle) + "  [Round: " + std::to_string(round) + "/" + std::to_string(kRoundCount) + "]";
}

std::string BackgroundPath(const std::string& programDirectory, int round, BackgroundSpelling spelling) {
    const std::string n = std::to_string(round);
    switch (spelling) {
    case BackgroundSpelling::Startup: return programDirectory + "Levels/Level" + n + ".png";
    case BackgroundSpelling::Next: return programDirectory + "Levels/level" + n + ".png";
    case BackgroundSpelling::Previous: break;
    }
    return programDirectory + "levels/level" + n + ".png";
}

std::string LevelFileName(int round) { return "Level" + std::to_string(round) + ".lev"; }

std::string LevelFilePath(const std::string& programDirectory, int round) {
    return programDirectory + kLevelsDirectory + "/" + LevelFileName(round);
}

std::string SpritePath(const std::string& programDirectory, const ObjectKind& kind) {
    return programDirectory + kDataDirectory + "/" + kind.spriteFile;
}

FileLocation Locate(const std::string& programDirectory, const std::string& composed) {
    FileLocation location{composed, composed, false};
    if (std::optional<std::string> found =
            files::FindPathIgnoringCase(programDirectory, composed.substr(programDirectory.size()))) {
        location.onDisk = std::move(*found);
        location.found = true;
    }
    return location;
}

FileLocation LocateBackground(const std::string& programDirectory, int round, BackgroundSpelling spelling) {
    return Locate(programDirectory, BackgroundPath(programDirectory, round, spelling));
}

FileLocation LocateLevelFile(const std::string& programDirectory, int round) {
    return Locate(programDirectory, LevelFilePath(programDirectory, round));
}

FileLocation LocateSprite(const std::string& programDirectory, const ObjectKind& kind) {
    return Locate(programDirectory, SpritePath(programDirectory, kind));
}

}  // namespace level
