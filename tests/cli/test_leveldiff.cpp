// The changes diff reports between two versions of a level made by the editor's own level code:
// applied to OLD they give NEW, in the fewest changes (so never more than were made), and exactly
// the edits where the files tell them apart.

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <random>
#include <string>
#include <vector>

#include "level.h"
#include "leveldiff.h"
#include "levelfile.h"

namespace {

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
class Designer {
public:
    Designer() : level_(services_, std::string()) {}

    void Add(int tag, int left, int top) {
        level_.pendingX = left;
        level_.pendingY = top;
        if (level_.CreateObject(tag) != nullptr) ++edits_;
        level_.pendingX = level_.pendingY = 0;
    }
    // The index-th object of the list, in list order.
    void Move(level::ListId list, std::size_t index, int left, int top) {
        level::PlacedObject* object = level_.List(list).at(index);
        object->bounds.left = left;
        object->bounds.top = top;
        ++edits_;
    }
    void Delete(level::ListId list, std::size_t index) {
        level_.Remove(level_.List(list).at(index));
        ++edits_;
    }
    std::string File() const { return level::FormatLevel(level_); }
    const level::Level& Level() const { return level_; }
    int edits() const { return edits_; }
    void ResetEdits() { edits_ = 0; }

private:
    NoControls services_;
    level::Level level_;
    int edits_ = 0;
};

using Places = std::map<int, std::multiset<std::pair<int, int>>>;  // by tag

Places PlacesOf(const std::vector<DiffObject>& objects) {
    Places places;
    for (const DiffObject& o : objects) places[o.tag].insert({o.left, o.top});
    return places;
}

// OLD with the changes applied; a change that names an object OLD lacks fails the test.
Places Applied(const std::vector<DiffObject>& before, const std::vector<ObjectChange>& changes) {
    Places places = PlacesOf(before);
    for (const ObjectChange& c : changes) {
        if (c.change != ChangeKind::Added) {
            auto& kind = places[c.before.tag];
            const auto it = kind.find({c.before.left, c.before.top});
            EXPECT_NE(it, kind.end()) << "no object at " << c.before.left << "," << c.before.top;
            if (it != kind.end()) kind.erase(it);
        }
        if (c.change != ChangeKind::Removed) places[c.after.tag].insert({c.after.left, c.after.top});
    }
    for (auto it = places.begin(); it != places.end();) it = it->second.empty() ? places.erase(it) : std::next(it);
    return places;
}

// The fewest changes that explain the difference: per kind, the larger of the objects only OLD has
// and those only NEW has, since one move stands for one of each.
std::size_t Fewest(const Places& before, const Places& after) {
    std::size_t fewest = 0;
    for (int tag = level::kFirstTag; tag <= level::kLastTag; ++tag) {
        const auto find = [&](const Places& places) {
            const auto it = places.find(tag);
            return it == places.end() ? std::multiset<std::pair<int, int>>() : it->second;
        };
        const auto a = find(before);
        const auto b = find(after);
        std::vector<std::pair<int, int>> onlyOld;
        std::vector<std::pair<int, int>> onlyNew;
        std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(onlyOld));
        std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(onlyNew));
        fewest += std::max(onlyOld.size(), onlyNew.size());
    }
    return fewest;
}

std::vector<ObjectChange> Diff(const std::string& before, const std::string& after) {
    return DiffObjects(LoadDiffObjects(before), LoadDiffObjects(after));
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

TEST_P(RandomEdits, ReportTurnsOldIntoNewInNoMoreChangesThanWereMade) {
    const RandomCase& c = GetParam();
    std::mt19937 random(c.seed);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const auto left = [&] { return 200 + 10 * pick(c.places); };
    const auto top = [&] { return 20 + 10 * pick(c.places); };
    Designer designer;
    for (int i = 0; i < c.objects; ++i) designer.Add(level::kFirstTag + pick(10), left(), top());
    const std::string before = designer.File();
    designer.ResetEdits();
    while (designer.edits() < c.edits) {
        const auto list = static_cast<level::ListId>(pick(static_cast<int>(level::kListCount)));
        const std::size_t size = designer.Level().List(list).size();
        switch (pick(3)) {
        case 0: designer.Add(level::kFirstTag + pick(10), left(), top()); break;
        case 1:
            if (size > 0) designer.Move(list, static_cast<std::size_t>(pick(static_cast<int>(size))), left(), top());
            break;
        default:
            if (size > 0) designer.Delete(list, static_cast<std::size_t>(pick(static_cast<int>(size))));
        }
    }
    const std::string after = designer.File();
    const std::vector<ObjectChange> changes = Diff(before, after);
    const Places oldPlaces = PlacesOf(LoadDiffObjects(before));
    const Places newPlaces = PlacesOf(LoadDiffObjects(after));
    EXPECT_EQ(Applied(LoadDiffObjects(before), changes), newPlaces);
    EXPECT_LE(changes.size(), static_cast<std::size_t>(designer.edits()));
    EXPECT_EQ(changes.size(), Fewest(oldPlaces, newPlaces));
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomEdits,
                         ::testing::Values(RandomCase{1, 10, 3, 20}, RandomCase{2, 30, 10, 4},
                                           RandomCase{3, 60, 40, 3}, RandomCase{4, 5, 30, 6},
                                           RandomCase{5, 80, 80, 2}, RandomCase{6, 200, 25, 30},
                                           RandomCase{7, 0, 20, 5}, RandomCase{8, 120, 200, 8}),
                         [](const auto& test) { return "Seed" + std::to_string(test.param.seed); });

// Edits whose result the files tell apart, and the report each must give.
struct ExactCase {
    const char* name;
    void (*edit)(Designer&);
    std::vector<std::string> report;
};

void PrintTo(const ExactCase& c, std::ostream* out) { *out << c.name; }

std::string Said(const ObjectChange& c) {
    const auto at = [](const DiffObject& o) { return std::to_string(o.left) + "," + std::to_string(o.top); };
    switch (c.change) {
    case ChangeKind::Moved: return "moved " + std::to_string(c.after.tag) + " " + at(c.before) + " " + at(c.after);
    case ChangeKind::Added: return "added " + std::to_string(c.after.tag) + " " + at(c.after);
    case ChangeKind::Removed: break;
    }
    return "removed " + std::to_string(c.before.tag) + " " + at(c.before);
}

using level::ListId;
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
    {"MovedOntoAnother", [](Designer& d) { d.Move(ListId::Bomb, 0, 300, 40); }, {"moved 1 200,40 300,40"}},
    {"DeletedBeside", [](Designer& d) { d.Delete(ListId::Bomb, 1); d.Move(ListId::Bomb, 1, 406, 40); },
     {"moved 1 400,40 406,40", "removed 1 300,40"}},
    {"DeletedAndAdded", [](Designer& d) { d.Delete(ListId::Bomb, 0); d.Add(kBomb, 402, 42); },
     {"moved 1 200,40 402,42"}},
};

class ExactEdits : public ::testing::TestWithParam<ExactCase> {};

TEST_P(ExactEdits, AreReportedAsMade) {
    Designer designer;
    designer.Add(level::kHeroTag, 320, 120);
    for (const int x : {200, 300, 400}) designer.Add(kBomb, x, 40);
    for (const int x : {240, 260}) designer.Add(level::kEnemy1Tag, x, 60);
    const std::string before = designer.File();
    GetParam().edit(designer);
    std::vector<std::string> said;
    for (const ObjectChange& c : Diff(before, designer.File())) said.push_back(Said(c));
    EXPECT_EQ(said, GetParam().report);
}

INSTANTIATE_TEST_SUITE_P(Table, ExactEdits, ::testing::ValuesIn(kExactCases),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
