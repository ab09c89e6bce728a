#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "finding.h"

// Which objects moved, were added and were removed between two versions of a level file, as the
// editor loads them: a short and true explanation, since objects carry no names.

// What follows an object's coordinates on its line: fields the game reads and the editor does not.
// Held without the comma that starts them: those a save writes then fit in the string itself.
struct FurtherFields {
    bool present = false;  // a comma follows the coordinates
    std::string text;      // after it
    bool operator==(const FurtherFields& other) const { return present == other.present && text == other.text; }
    bool operator!=(const FurtherFields& other) const { return !(*this == other); }
    // As on the line: "" or ",20,24,100,200,1".
    std::string Written() const { return present ? "," + text : std::string(); }
};

// One object the editor creates from a level file, and the line that made it.
struct DiffObject {
    int tag = 0;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::uint32_t index = 0;  // in its file's objects
    std::size_t line = 0;
};

// One version of a level file as the editor's loader reads it.
struct DiffFile {
    std::vector<DiffObject> objects;  // in the order the loader creates them
    std::vector<FurtherFields> fields;  // of each object, by its index
    std::vector<Finding> stops;       // where the loader stops, as check tells it; the file left unnamed
    std::string notALevel;            // why the bytes hold no round; empty when they do
};
DiffFile LoadDiffFile(std::string_view bytes);

enum class ChangeKind : std::uint8_t { Moved, Added, Removed, Changed };

struct ObjectChange {
    ChangeKind change = ChangeKind::Moved;
    DiffObject before;  // in OLD; all but Added
    DiffObject after;   // in NEW; all but Removed
};

// Applied to OLD, the moves, additions and removals give each kind's objects at NEW's places, in no
// more changes than any sequence of them that turns one into the other, and among those with the
// least distance moved while few objects left their places (kExactPairing); Changed tells an object
// kept or moved whose further fields differ. Ordered by the lists of a level file, then by line.
std::vector<ObjectChange> DiffObjects(const DiffFile& before, const DiffFile& after);

// Up to this many pairs of an object that left its place and one that came, of one kind, the moves
// are those of the least total distance; past it, paired within the stretches between unchanged objects.
constexpr std::size_t kExactPairing = 1000000;
