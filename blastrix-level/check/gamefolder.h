#pragma once

#include <string>

// A file of the game folder: where it is on disk (or would be), and how findings name it.
struct FolderFile {
    std::string path;   // to open; the composed path where no file matches
    std::string shown;  // from the current directory, with the names found on disk
};

// A game folder holding levels/ and data/, whose files are found as the editor finds those beside
// itself: by the paths it composes, each name matched ignoring case.
class GameFolder {
public:
    // `directory` as the user gave it; empty for the current directory.
    explicit GameFolder(const std::string& directory);

    // The folder as given.
    const std::string& Directory() const { return directory_; }
    // The folder as the level code takes a program directory: ending in '/'.
    const std::string& ProgramDirectory() const { return programDirectory_; }
    bool HasLevelsDirectory() const;

    FolderFile LevelFile(int round) const;
    FolderFile Background(int round) const;
    // Any file by the path the level code composes for it.
    FolderFile Locate(const std::string& composed) const;

private:

    std::string directory_;
    std::string programDirectory_;
};
