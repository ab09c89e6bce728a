// The changes diff reports between two versions of a level made by the editor's own level code:
// applied to OLD they give NEW, in the fewest changes, so never more than were made.

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "level.h"
#include "leveldiff.h"
#include "levelfile.h"
#include "recordinghost.h"

namespace {

using level::ListId;

// A designer's work on a level, counting the edits that took effect.
struct Designer {
    testing_support::RecordingHost services;
    level::Level level{services, std::string()};
    int edits = 0;

    void Add(int tag, int left, int top) {
        level.pendingX = left;
        level.pendingY = top;
        edits += level.CreateObject(tag) != nullptr;
        level.pendingX = level.pendingY = 0;
    }
    void Move(ListId list, std::size_t index, int left, int top) {
        level::PlacedObject* object = level.List(list).at(index);
        object->bounds.left = left;
        object->bounds.top = top;
        ++edits;
    }
    void Delete(ListId list, std::size_t index) { edits += level.Remove(level.List(list).at(index)); }
};

using Places = std::map<int, std::multiset<std::pair<int, int>>>;  // by tag

Places PlacesOf(const std::string& file) {
    Places places;
    for (const DiffObject& o : LoadDiffFile(file).objects) places[o.tag].insert({o.left, o.top});
    return places;
}

// OLD with the changes applied; a change that names an object OLD lacks fails the test.
Places Applied(Places places, const std::vector<ObjectChange>& changes) {
    for (const ObjectChange& c : changes) {
        if (c.change != ChangeKind::Added) {
            const auto it = places[c.before.tag].find({c.before.left, c.before.top});
            EXPECT_NE(it, places[c.before.tag].end()) << "no object at " << c.before.left << "," << c.before.top;
            if (it != places[c.before.tag].end()) places[c.before.tag].erase(it);
        }
        if (c.change != ChangeKind::Removed) places[c.after.tag].insert({c.after.left, c.after.top});
    }
    for (auto it = places.begin(); it != places.end();) it = it->second.empty() ? places.erase(it) : std::next(it);
    return places;
}

// The fewest changes that explain the difference: per kind, the larger of the objects only OLD has
// and those only NEW has, since one move stands for one of each.
std::size_t Fewest(Places before, Places after) {
    std::size_t fewest = 0;
    for (int tag = level::kFirstTag; tag <= level::kLastTag; ++tag) {
        std::vector<std::pair<int, int>> onlyOld, onlyNew;
        std::set_difference(before[tag].begin(), before[tag].end(), after[tag].begin(), after[tag].end(),
                            std::back_inserter(onlyOld));
        std::set_difference(after[tag].begin(), after[tag].end(), before[tag].begin(), before[tag].end(),
                            std::back_inserter(onlyNew));
        fewest += std::max(onlyOld.size(), onlyNew.size());
    }
    return fewest;
}

// Seed, objects placed before OLD is taken, edits, and distinct places per axis (few make objects meet).
const int kRandomCases[][4] = {{1, 10, 3, 20}, {2, 30, 10, 4}, {3, 60, 40, 3}, {4, 5, 30, 6},
                               {5, 80, 80, 2}, {6, 200, 25, 30}, {7, 0, 20, 5}, {8, 120, 200, 8},
                               // Enough enemies changed for the stretches to pair them.
                               {9, 20000, 20000, 300}};

TEST(RandomEdits, ReportTurnsOldIntoNewInTheFewestChanges) {
    for (const auto& [seed, objects, edits, places] : kRandomCases) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(static_cast<unsigned>(seed));
        const auto pick = [&](std::size_t n) { return random() % n; };
        const auto spread = static_cast<std::size_t>(places);  // a lambda cannot capture a structured binding
        const auto at = [&](int origin) { return origin + 10 * static_cast<int>(pick(spread)); };
        const auto tag = [&] { return level::kFirstTag + static_cast<int>(pick(level::kKinds.size())); };
        Designer d;
        for (int i = 0; i < objects; ++i) d.Add(tag(), at(200), at(20));
        const std::string before = level::FormatLevel(d.level);
        d.edits = 0;
        while (d.edits < edits) {
            const auto list = static_cast<ListId>(pick(level::kListCount));
            const std::size_t size = d.level.List(list).size();
            const int action = static_cast<int>(pick(3));
            if (action == 0)
                d.Add(tag(), at(200), at(20));
            else if (size > 0 && action == 1)
                d.Move(list, pick(size), at(200), at(20));
            else if (size > 0)
                d.Delete(list, pick(size));
        }
        const std::string after = level::FormatLevel(d.level);
        const std::vector<ObjectChange> changes = DiffObjects(LoadDiffFile(before), LoadDiffFile(after));
        EXPECT_EQ(Applied(PlacesOf(before), changes), PlacesOf(after));
        EXPECT_EQ(changes.size(), Fewest(PlacesOf(before), PlacesOf(after)));
    }
}

}  // namespace
