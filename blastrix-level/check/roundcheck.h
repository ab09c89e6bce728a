#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "finding.h"
#include "gamefile.h"
#include "gamefolder.h"
#include "headlessservices.h"
#include "level.h"
#include "levelfile.h"
#include "objectkind.h"

// What checking one round found, and what the editor would hold of it.
struct RoundReport {
    int round = 0;
    std::string levelFile;  // as findings name it
    bool levelFileExists = false;
    std::string backgroundFile;                              // as findings name it
    std::array<std::size_t, level::kKinds.size()> counts{};  // objects loaded, by kind in table order
    std::vector<Finding> findings;                           // by file, then line
};

// The most bytes of a level file the tool reads: a million objects take some 30 MB, and checking
// holds a few times the file's size.
constexpr std::size_t kMostLevelFileBytes = std::size_t{256} << 20;

// The bytes of a round's level file, read whole; nothing when there is no such file.
struct LevelFileBytes {
    std::optional<std::string> bytes;
    std::string error;  // why an existing file could not be read
    files::NodeKind kind = files::NodeKind::Regular;
    bool tooLarge = false;  // the file holds more than kMostLevelFileBytes, left unread
};
LevelFileBytes ReadLevelFile(const std::string& path);

// The finding on a level file that exists but was not read, with what the command does then.
Finding UnreadableLevelFile(const LevelFileBytes& file, const std::string& shown, const std::string& consequence);

// The sprite file whose reading stopped the load, as findings name it.
using SpriteNamer = std::function<std::string()>;

// Loads `bytes` as the round's level file with the editor's loader into `level`, and reports on
// every line it drops, the line it stops at, positions a drag cannot reach, a round the editor would
// refuse to save and a file that differs from what a save writes.
void CheckLevelText(level::Level& level, std::string_view bytes, RoundReport& report,
                    const SpriteNamer& spriteNamer = {});

// What check tells where the loader stops reading a level file: the coordinate, fields[`field`],
// that is no integer it takes, the lines never read after the stop, and a 0x1A that ends the text early.
Finding CoordinateStop(const std::string& file, const level::LoadedLine& line, std::size_t field,
                       std::size_t column);
Finding UnreadLines(const std::string& file, std::size_t line, std::size_t column, std::size_t linesLeft);
std::optional<Finding> EndOfFileMark(const std::string& file, std::size_t linesRead, std::size_t linesLeft);

// The code of the line the loader stops at, where fields[`field`] failed (the keyword, 0, when its
// object could not be made).
const char* StopCode(const level::LoadedLine& line, std::size_t field);

// A line from which the editor loads an object other than the line says: a 0x1A byte inside it
// that ends its text, a field the editor reads that the line lacks, or one it does not read that a
// save writes otherwise, which the game reads. `stored` is the line as the file holds it, without
// its line feed.
struct MeaningChange {
    const char* code;
    std::size_t offset;  // of the field at fault in the loader's text of the line
    std::string message;
};
std::optional<MeaningChange> ChangedMeaning(const level::LoadedLine& line, const level::PlacedObject& object,
                                            std::string_view stored);

// Where a save writing `saved` would first change a file holding `bytes`, as a finding of `severity`
// on `file`; nothing when the file is what a save writes.
std::optional<Finding> FirstUnsavedLine(std::string_view bytes, const std::string& saved, const std::string& file,
                                        Severity severity);

// The finding on a round background that is missing (told at `levelFile`, as findings name it),
// unreadable or not the game area's size.
std::optional<Finding> CheckBackground(const FolderFile& background, const std::string& levelFile);

// The note on a round without a level file, or with a link to none in its place.
Finding MissingLevelFile(const FolderFile& levelFile);

// Both checks of a round of the folder, its findings sorted.
RoundReport CheckRound(const GameFolder& folder, HeadlessServices& services, int round);

// A warning for each name on the way to a round's files that several entries match ignoring case,
// unless `reported` already holds it; the entry first in byte order is the one every command uses.
std::vector<Finding> AmbiguousNames(const GameFolder& folder, int round, std::set<std::string>& reported);
