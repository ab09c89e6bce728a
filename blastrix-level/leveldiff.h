#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Which objects moved, were added and were removed between two versions of a level file, as the
// editor loads them: a short and true explanation, since objects carry no names.

// One object the editor creates from a level file, and the line that made it.
struct DiffObject {
    int tag = 0;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::size_t line = 0;
};

// The objects the editor's loader creates from the bytes, in the order it creates them.
std::vector<DiffObject> LoadDiffObjects(std::string_view bytes);

enum class ChangeKind : std::uint8_t { Moved, Added, Removed };

struct ObjectChange {
    ChangeKind change = ChangeKind::Moved;
    DiffObject before;  // in OLD; Moved and Removed
    DiffObject after;   // in NEW; Moved and Added
};

// Applied to OLD, the changes give each kind's objects at NEW's places, in no more changes than any
// sequence of additions, moves and deletions that turns one into the other. Objects of a kind that
// stay where they were are unchanged; the rest are aligned in the order the editor keeps, each
// removed object paired with the nearest added one between the same unchanged neighbours, then
// any still unpaired in order. Ordered by the lists of a level file, then by line.
std::vector<ObjectChange> DiffObjects(const std::vector<DiffObject>& before, const std::vector<DiffObject>& after);
