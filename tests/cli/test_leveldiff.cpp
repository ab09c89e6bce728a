// The changes diff reports between two versions of a level made by the editor's own level code:
// applied to OLD they give NEW, in the fewest changes (so never more than were made), and exactly
// the edits where the files tell them apart.

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

namespace {

using level::ListId;

class NoControls : public level::LevelServices {
public:
    level::ObjectControl* MakeControl(level::PlacedObject&) override { return nullptr; }
    void LoadPicture(level::ObjectControl&, const std::string&) override {}
    void DestroyControl(level::ObjectControl&) override {}
    void DestroyControls() override {}
    void ShowDialog(const std::string&, level::DialogType) override {}
    void SetBusyCursor(bool) override {}
};

// A designer's work on a level, counting the edits that took effect.
struct Designer {
    NoControls services;
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
    for (const DiffObject& o : LoadDiffObjects(file)) places[o.tag].insert({o.left, o.top});
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

struct RandomCase {
    unsigned seed;
    int objects;  // placed before OLD is taken
    int edits;
    int places;  // distinct places per axis: few make objects meet
};

void PrintTo(const RandomCase& c, std::ostream* out) {
    *out << c.objects << " objects, " << c.edits << " edits on " << c.places << "x" << c.places << " places";
}

class RandomEdits : public ::testing::TestWithParam<RandomCase> {};

TEST_P(RandomEdits, ReportTurnsOldIntoNewInTheFewestChanges) {
    const RandomCase& c = GetParam();
    std::mt19937 random(c.seed);
    const auto pick = [&](std::size_t n) { return random() % n; };
    const auto left = [&] { return 200 + 10 * static_cast<int>(pick(static_cast<std::size_t>(c.places))); };
    const auto top = [&] { return 20 + 10 * static_cast<int>(pick(static_cast<std::size_t>(c.places))); };
    const auto tag = [&] { return level::kFirstTag + static_cast<int>(pick(level::kKinds.size())); };
    Designer d;
    for (int i = 0; i < c.objects; ++i) d.Add(tag(), left(), top());
    const std::string before = level::FormatLevel(d.level);
    d.edits = 0;
    while (d.edits < c.edits) {
        const auto list = static_cast<ListId>(pick(level::kListCount));
        const std::size_t size = d.level.List(list).size();
        const int action = static_cast<int>(pick(3));
        if (action == 0)
            d.Add(tag(), left(), top());
        else if (size > 0 && action == 1)
            d.Move(list, pick(size), left(), top());
        else if (size > 0)
            d.Delete(list, pick(size));
    }
    const std::string after = level::FormatLevel(d.level);
    const std::vector<ObjectChange> changes = DiffObjects(LoadDiffObjects(before), LoadDiffObjects(after));
    EXPECT_EQ(Applied(PlacesOf(before), changes), PlacesOf(after));
    EXPECT_LE(changes.size(), static_cast<std::size_t>(d.edits));
    EXPECT_EQ(changes.size(), Fewest(PlacesOf(before), PlacesOf(after)));
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomEdits,
                         ::testing::Values(RandomCase{1, 10, 3, 20}, RandomCase{2, 30, 10, 4},
                                           RandomCase{3, 60, 40, 3}, RandomCase{4, 5, 30, 6},
                                           RandomCase{5, 80, 80, 2}, RandomCase{6, 200, 25, 30},
                                           RandomCase{7, 0, 20, 5}, RandomCase{8, 120, 200, 8}),
                         [](const auto& test) { return "Seed" + std::to_string(test.param.seed); });

// Edits whose result the files tell apart, on a hero, bombs at x 200, 300, 400 and enemies at
// x 240, 260, and the report each must give.
struct ExactCase {
    const char* name;
    void (*edit)(Designer&);
    std::vector<std::string> report;
};

void PrintTo(const ExactCase& c, std::ostream* out) { *out << c.name; }

std::string Said(const ObjectChange& c) {
    const auto at = [](const DiffObject& o) { return " " + std::to_string(o.left) + "," + std::to_string(o.top); };
    if (c.change == ChangeKind::Removed) return "removed " + std::to_string(c.before.tag) + at(c.before);
    if (c.change == ChangeKind::Added) return "added " + std::to_string(c.after.tag) + at(c.after);
    return "moved " + std::to_string(c.after.tag) + at(c.before) + at(c.after);
}

constexpr int kBomb = level::kBombTag;

const ExactCase kExactCases[] = {
    {"AddedThenMoved", [](Designer& d) { d.Add(kBomb, 300, 100); d.Move(ListId::Bomb, 3, 310, 104); },
     {"added 1 310,104"}},
    {"MovedTwice", [](Designer& d) { d.Move(ListId::Bomb, 1, 250, 40); d.Move(ListId::Bomb, 1, 260, 44); },
     {"moved 1 300,40 260,44"}},
    {"MovedBack", [](Designer& d) { d.Move(ListId::Bomb, 0, 250, 40); d.Move(ListId::Bomb, 0, 200, 40); }, {}},
    {"AddedThenDeleted", [](Designer& d) { d.Add(level::kEnemy2Tag, 250, 90); d.Delete(ListId::Enemy2, 0); }, {}},
    {"MovesOnly",
     [](Designer& d) {
         d.Move(ListId::Bomb, 2, 404, 60);
         d.Move(ListId::Bomb, 0, 210, 30);
         d.Move(ListId::Enemy1, 1, 300, 200);
     },
     {"moved 9 260,60 300,200", "moved 1 200,40 210,30", "moved 1 400,40 404,60"}},
    {"DeletedBeside", [](Designer& d) { d.Delete(ListId::Bomb, 1); d.Move(ListId::Bomb, 1, 406, 40); },
     {"moved 1 400,40 406,40", "removed 1 300,40"}},
    {"DeletedAndAdded", [](Designer& d) { d.Delete(ListId::Bomb, 0); d.Add(kBomb, 402, 42); },
     {"moved 1 200,40 402,42"}},
};

class ExactEdits : public ::testing::TestWithParam<ExactCase> {};

TEST_P(ExactEdits, AreReportedAsMade) {
    Designer d;
    d.Add(level::kHeroTag, 320, 120);
    for (const int x : {200, 300, 400}) d.Add(kBomb, x, 40);
    for (const int x : {240, 260}) d.Add(level::kEnemy1Tag, x, 60);
    const std::string before = level::FormatLevel(d.level);
    GetParam().edit(d);
    std::vector<std::string> said;
    for (const ObjectChange& c : DiffObjects(LoadDiffObjects(before), LoadDiffObjects(level::FormatLevel(d.level))))
        said.push_back(Said(c));
    EXPECT_EQ(said, GetParam().report);
}

INSTANTIATE_TEST_SUITE_P(Table, ExactEdits, ::testing::ValuesIn(kExactCases),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
