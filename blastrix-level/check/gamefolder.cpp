#include "gamefolder.h"

#include "locations.h"
#include "pathinfo.h"

GameFolder::GameFolder(const std::string& directory)
    : directory_(directory),
      programDirectory_(directory.empty()         ? "./"
                        : files::IsPathSeparator(directory.back()) ? directory
                                                  : directory + "/") {}

bool GameFolder::HasLevelsDirectory() const {
    const level::FileLocation levels = level::Locate(programDirectory_, programDirectory_ + level::kLevelsDirectory);
    return levels.found && files::IsDirectory(levels.onDisk);
}

FolderFile GameFolder::LevelFile(int round) const { return Locate(level::LevelFilePath(programDirectory_, round)); }

FolderFile GameFolder::Background(int round) const {
    return Locate(level::BackgroundPath(programDirectory_, round, level::BackgroundSpelling::Startup));
}

FolderFile GameFolder::Locate(const std::string& composed) const {
    const level::FileLocation location = level::Locate(programDirectory_, composed);
    // Shown as reachable from the current directory: below the folder as given.
    const std::size_t below = programDirectory_.size();
    const std::string shownFolder = directory_.empty() ? std::string() : programDirectory_;
    // Opened by the shown path too, so that the decoder's messages name the file alike.
    if (location.found) {
        const std::string shown = shownFolder + location.onDisk.substr(below);
        return {shown, shown};
    }
    // A missing file is named by the directory found on disk and the name as composed.
    const std::string relative = composed.substr(below);
    const std::size_t slash = relative.find('/');
    const level::FileLocation directory = level::Locate(programDirectory_, programDirectory_ + relative.substr(0, slash));
    return {location.onDisk, shownFolder + directory.onDisk.substr(below) + relative.substr(slash)};
}
