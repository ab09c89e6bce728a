#include "gamefolder.h"

#include <sys/stat.h>

#include <optional>

#include "filelookup.h"
#include "locations.h"

GameFolder::GameFolder(const std::string& directory)
    : programDirectory_(directory.empty()         ? "./"
                        : directory.back() == '/' ? directory
                                                  : directory + "/") {}

bool GameFolder::HasLevelsDirectory() const {
    const std::optional<std::string> levels = level::FindEntryIgnoringCase(programDirectory_, level::kLevelsDirectory);
    struct stat st {};
    return levels && stat((programDirectory_ + *levels).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

FolderFile GameFolder::LevelFile(int round) const { return Locate(level::LevelFilePath(programDirectory_, round)); }

FolderFile GameFolder::Background(int round) const {
    return Locate(level::BackgroundPath(programDirectory_, round, level::BackgroundSpelling::Startup));
}

FolderFile GameFolder::Locate(const std::string& composed) const {
    FolderFile file{level::ResolveBelow(programDirectory_, composed), {}};
    // A missing file is named by the directory found on disk and the name as composed.
    const std::string relative = composed.substr(programDirectory_.size());
    const std::size_t slash = relative.find('/');
    const std::string directory = relative.substr(0, slash);
    const std::string name = relative.substr(slash + 1);
    const std::string shownDirectory = level::FindEntryIgnoringCase(programDirectory_, directory).value_or(directory);
    const std::string shownName = level::FindEntryIgnoringCase(programDirectory_ + shownDirectory, name).value_or(name);
    file.shown = shownDirectory + "/" + shownName;
    return file;
}
