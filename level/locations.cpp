#include "locations.h"

#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

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

std::string ExecutableDirectory() {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) break;
        if (static_cast<std::size_t>(n) < buffer.size()) {
            std::string path(buffer.data(), static_cast<std::size_t>(n));
            path.erase(path.find_last_of('/') + 1);
            return path;
        }
        buffer.resize(buffer.size() * 2);
    }
    // Without /proc the working directory is the best remaining guess.
    std::vector<char> cwd(PATH_MAX);
    if (getcwd(cwd.data(), cwd.size()) != nullptr) return std::string(cwd.data()) + "/";
    return "./";
}

}  // namespace level
