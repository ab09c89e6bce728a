// Diffs the objects of two arbitrary level files, OLD before the input's first zero byte and NEW
// after it (empty without one), and holds the changes to what `blastrix-level diff` promises: the
// fewest, applying back, and of those the least distance moved, against every pairing of small ones.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "leveldiff.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

using Place = std::pair<std::int32_t, std::int32_t>;
using Places = std::map<int, std::vector<Place>>;  // by tag, sorted

bool Same(const DiffObject& a, const DiffObject& b) {
    return a.tag == b.tag && a.left == b.left && a.top == b.top && a.index == b.index && a.line == b.line;
}

bool Same(const std::vector<ObjectChange>& a, const std::vector<ObjectChange>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const ObjectChange& x, const ObjectChange& y) {
        return x.change == y.change && Same(x.before, y.before) && Same(x.after, y.after);
    });
}

std::int64_t Distance(const Place& a, const Place& b) {
    return std::llabs(std::int64_t{a.first} - b.first) + std::llabs(std::int64_t{a.second} - b.second);
}

// The least distance of pairing each of the shorter side with one of the longer, trying every way.
std::int64_t LeastDistance(const std::vector<Place>& shorter, const std::vector<Place>& longer, std::size_t next,
                           std::vector<bool>& used) {
    if (next == shorter.size()) return 0;
    std::int64_t least = INT64_MAX;
    for (std::size_t j = 0; j < longer.size(); ++j) {
        if (used[j]) continue;
        used[j] = true;
        least = std::min(least, Distance(shorter[next], longer[j]) + LeastDistance(shorter, longer, next + 1, used));
        used[j] = false;
    }
    return least;
}

// Few enough to try every pairing.
constexpr std::size_t kBruteForce = 7;

Places PlacesOf(const std::vector<DiffObject>& objects) {
    Places places;
    for (const DiffObject& o : objects) places[o.tag].push_back({o.left, o.top});
    for (auto& [tag, list] : places) std::sort(list.begin(), list.end());
    return places;
}

// Takes an unused object of `objects` equal to `object`, or fails.
void Take(const DiffObject& object, const std::vector<DiffObject>& objects, std::vector<bool>& used, const char* what) {
    for (std::size_t i = 0; i < objects.size(); ++i)
        if (!used[i] && Same(objects[i], object)) {
            used[i] = true;
            return;
        }
    Fail(what);
}

void Hold(const DiffFile& oldFile, const DiffFile& newFile) {
    const std::vector<DiffObject>& before = oldFile.objects;
    const std::vector<DiffObject>& after = newFile.objects;
    const std::vector<ObjectChange> changes = DiffObjects(oldFile, newFile);
    if (!Same(changes, DiffObjects(oldFile, newFile))) Fail("the same files diff otherwise twice");

    std::vector<bool> usedOld(before.size(), false);
    std::vector<bool> usedNew(after.size(), false);
    Places gone;
    Places come;
    std::map<int, std::int64_t> moved;  // distance, by tag
    for (const ObjectChange& c : changes) {
        if (c.change == ChangeKind::Moved && c.before.tag != c.after.tag) Fail("a move changes the kind");
        if (c.change == ChangeKind::Moved) moved[c.after.tag] += Distance({c.before.left, c.before.top}, {c.after.left, c.after.top});
        if (c.change == ChangeKind::Changed) {
            if (oldFile.fields[c.before.index] == newFile.fields[c.after.index] || c.before.tag != c.after.tag)
                Fail("a change of fields changes none");
            continue;
        }
        if (c.change != ChangeKind::Added) {
            Take(c.before, before, usedOld, "a change names an object OLD lacks or names it twice");
            gone[c.before.tag].push_back({c.before.left, c.before.top});
        }
        if (c.change != ChangeKind::Removed) {
            Take(c.after, after, usedNew, "a change names an object NEW lacks or names it twice");
            come[c.after.tag].push_back({c.after.left, c.after.top});
        }
    }

    Places oldPlaces = PlacesOf(before);
    Places newPlaces = PlacesOf(after);
    std::size_t fewest = 0;
    for (auto& [tag, places] : oldPlaces) newPlaces[tag];
    for (auto& [tag, places] : newPlaces) {
        const std::vector<Place>& old = oldPlaces[tag];
        std::vector<Place> onlyOld, onlyNew, applied;
        std::set_difference(old.begin(), old.end(), places.begin(), places.end(), std::back_inserter(onlyOld));
        std::set_difference(places.begin(), places.end(), old.begin(), old.end(), std::back_inserter(onlyNew));
        fewest += std::max(onlyOld.size(), onlyNew.size());
        const bool oldShorter = onlyOld.size() <= onlyNew.size();
        const std::vector<Place>& shorter = oldShorter ? onlyOld : onlyNew;
        const std::vector<Place>& longer = oldShorter ? onlyNew : onlyOld;
        std::vector<bool> used(longer.size(), false);
        if (longer.size() <= kBruteForce && moved[tag] != LeastDistance(shorter, longer, 0, used))
            Fail("the moves are not the nearest");
        std::vector<Place>& removed = gone[tag];
        std::sort(removed.begin(), removed.end());
        std::set_difference(old.begin(), old.end(), removed.begin(), removed.end(), std::back_inserter(applied));
        applied.insert(applied.end(), come[tag].begin(), come[tag].end());
        std::sort(applied.begin(), applied.end());
        if (applied != places) Fail("the changes applied to OLD do not give NEW");
    }
    const auto placeChanges = std::count_if(changes.begin(), changes.end(),
                                            [](const ObjectChange& c) { return c.change != ChangeKind::Changed; });
    if (static_cast<std::size_t>(placeChanges) != fewest) Fail("the changes are not the fewest");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = std::min(input.find('\0'), input.size());
    const DiffFile before = LoadDiffFile(input.substr(0, split));
    const DiffFile after = LoadDiffFile(input.substr(std::min(split + 1, input.size())));
    if (!DiffObjects(before, before).empty() || !DiffObjects(after, after).empty())
        Fail("a file differs from itself");
    Hold(before, after);
    return 0;
}
