#include "leveldiff.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <string>
#include <tuple>

#include "level.h"
#include "levelfile.h"

namespace {

// The level keeps tags and bounds only: no control, so no sprite is read and a missing data folder
// changes nothing about which objects a file holds.
class NoControls : public level::LevelServices {
public:
    level::ObjectControl* MakeControl(level::PlacedObject&) override { return nullptr; }
    void LoadPicture(level::ObjectControl&, const std::string&) override {}
    void DestroyControl(level::ObjectControl&) override {}
    void DestroyControls() override {}
    void ShowDialog(const std::string&, level::DialogType) override {}
    void SetBusyCursor(bool) override {}
};

class Collector : public level::LoadObserver {
public:
    explicit Collector(std::vector<DiffObject>& objects) : objects_(objects) {}
    void ObjectCreated(const level::LoadedLine& line, const level::PlacedObject& object) override {
        objects_.push_back({object.tag, object.bounds.left, object.bounds.top, line.number});
    }

private:
    std::vector<DiffObject>& objects_;
};

std::uint64_t Place(const DiffObject& object) {
    return std::uint64_t{static_cast<std::uint32_t>(object.left)} << 32 | static_cast<std::uint32_t>(object.top);
}

std::int64_t Distance(const DiffObject& a, const DiffObject& b) {
    return std::llabs(std::int64_t{a.left} - b.left) + std::llabs(std::int64_t{a.top} - b.top);
}

// Above this many candidate pairs a run is paired in order instead of by the nearest.
constexpr std::size_t kNearestPairingLimit = std::size_t{1} << 16;

// The objects of a run that no move took, by their indices in the run.
struct Pairing {
    std::vector<std::size_t> removedLeft;
    std::vector<std::size_t> addedLeft;
};

// Pairs removed with added objects into moves, keeping the order of both: where the counts are equal
// the k-th with the k-th, else each object of the shorter run with one of the longer run so that
// the distances moved add up to the least.
Pairing PairRun(const std::vector<const DiffObject*>& removed, const std::vector<const DiffObject*>& added,
                std::vector<ObjectChange>& changes) {
    Pairing left;
    const bool removedLonger = removed.size() > added.size();
    const std::vector<const DiffObject*>& longer = removedLonger ? removed : added;
    const std::vector<const DiffObject*>& shorter = removedLonger ? added : removed;
    const std::size_t p = longer.size();
    const std::size_t q = shorter.size();
    std::vector<bool> taken(p, false);
    std::vector<std::size_t> partner(q);
    if (p == q || q == 0 || p * q > kNearestPairingLimit) {
        for (std::size_t j = 0; j < q; ++j) partner[j] = j;
    } else {
        // cost[i][j]: the least total distance pairing the first j of the shorter run within the
        // first i of the longer; only i - j <= p - q can still pair every one of the shorter run.
        constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::max();
        const std::size_t slack = p - q;
        std::vector<std::int64_t> cost((p + 1) * (q + 1), kNone);
        const auto at = [&](std::size_t i, std::size_t j) -> std::int64_t& { return cost[i * (q + 1) + j]; };
        for (std::size_t i = 0; i <= slack; ++i) at(i, 0) = 0;
        for (std::size_t i = 1; i <= p; ++i)
            for (std::size_t j = std::max<std::size_t>(1, i > slack ? i - slack : 1); j <= std::min(i, q); ++j) {
                const std::int64_t skip = at(i - 1, j);
                const std::int64_t pair = at(i - 1, j - 1) == kNone
                                              ? kNone
                                              : at(i - 1, j - 1) + Distance(*longer[i - 1], *shorter[j - 1]);
                at(i, j) = std::min(skip, pair);
            }
        for (std::size_t i = p, j = q; j > 0; --i) {
            if (at(i - 1, j - 1) != kNone &&
                at(i, j) == at(i - 1, j - 1) + Distance(*longer[i - 1], *shorter[j - 1])) {
                partner[--j] = i - 1;
            }
        }
    }
    for (std::size_t j = 0; j < q; ++j) {
        taken[partner[j]] = true;
        const DiffObject* from = removedLonger ? longer[partner[j]] : shorter[j];
        const DiffObject* to = removedLonger ? shorter[j] : longer[partner[j]];
        changes.push_back({ChangeKind::Moved, *from, *to});
    }
    for (std::size_t i = 0; i < p; ++i)
        if (!taken[i]) (removedLonger ? left.removedLeft : left.addedLeft).push_back(i);
    return left;
}

// The changes of one kind: `before` and `after` hold its objects in the order the editor keeps them.
void DiffKind(const std::vector<const DiffObject*>& before, const std::vector<const DiffObject*>& after,
              std::vector<ObjectChange>& changes) {
    // An object at the same place in both is unchanged: the k-th at a place in OLD is the k-th there
    // in NEW.
    const auto byPlace = [](const std::vector<const DiffObject*>& objects) {
        std::vector<std::size_t> order(objects.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return Place(*objects[a]) < Place(*objects[b]); });
        return order;
    };
    const std::vector<std::size_t> oldOrder = byPlace(before);
    const std::vector<std::size_t> newOrder = byPlace(after);
    std::vector<std::size_t> newOfOld(before.size(), SIZE_MAX);
    std::vector<bool> newMatched(after.size(), false);
    for (std::size_t i = 0, j = 0; i < oldOrder.size() && j < newOrder.size();) {
        const std::uint64_t a = Place(*before[oldOrder[i]]);
        const std::uint64_t b = Place(*after[newOrder[j]]);
        if (a < b) {
            ++i;
        } else if (b < a) {
            ++j;
        } else {
            newOfOld[oldOrder[i]] = newOrder[j];
            newMatched[newOrder[j]] = true;
            ++i;
            ++j;
        }
    }

    // The unchanged objects that keep their order split both sequences into runs: the longest
    // increasing run of NEW indices over OLD order.
    std::vector<std::size_t> tails;  // OLD indices ending the best run of each length
    std::vector<std::size_t> previous(before.size(), SIZE_MAX);
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (newOfOld[i] == SIZE_MAX) continue;
        const auto it = std::lower_bound(tails.begin(), tails.end(), newOfOld[i],
                                         [&](std::size_t t, std::size_t n) { return newOfOld[t] < n; });
        previous[i] = it == tails.begin() ? SIZE_MAX : *(it - 1);
        if (it == tails.end())
            tails.push_back(i);
        else
            *it = i;
    }
    std::vector<bool> anchorOld(before.size(), false);
    std::vector<bool> anchorNew(after.size(), false);
    for (std::size_t i = tails.empty() ? SIZE_MAX : tails.back(); i != SIZE_MAX; i = previous[i]) {
        anchorOld[i] = true;
        anchorNew[newOfOld[i]] = true;
    }

    std::vector<const DiffObject*> removedLeft;
    std::vector<const DiffObject*> addedLeft;
    std::vector<const DiffObject*> removed;
    std::vector<const DiffObject*> added;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < before.size() || j < after.size()) {
        removed.clear();
        added.clear();
        for (; i < before.size() && !anchorOld[i]; ++i)
            if (newOfOld[i] == SIZE_MAX) removed.push_back(before[i]);
        for (; j < after.size() && !anchorNew[j]; ++j)
            if (!newMatched[j]) added.push_back(after[j]);
        const Pairing left = PairRun(removed, added, changes);
        for (const std::size_t k : left.removedLeft) removedLeft.push_back(removed[k]);
        for (const std::size_t k : left.addedLeft) addedLeft.push_back(added[k]);
        ++i;
        ++j;
    }
    const Pairing unpaired = PairRun(removedLeft, addedLeft, changes);
    for (const std::size_t k : unpaired.removedLeft) changes.push_back({ChangeKind::Removed, *removedLeft[k], {}});
    for (const std::size_t k : unpaired.addedLeft) changes.push_back({ChangeKind::Added, {}, *addedLeft[k]});
}

}  // namespace

std::vector<DiffObject> LoadDiffObjects(std::string_view bytes) {
    NoControls services;
    level::Level level(services, std::string());
    std::vector<DiffObject> objects;
    Collector collector(objects);
    level::LoadLevelText(level, bytes, &collector);
    return objects;
}

std::vector<ObjectChange> DiffObjects(const std::vector<DiffObject>& before, const std::vector<DiffObject>& after) {
    std::array<std::vector<const DiffObject*>, level::kKinds.size()> oldByKind;
    std::array<std::vector<const DiffObject*>, level::kKinds.size()> newByKind;
    for (const DiffObject& object : before) oldByKind[static_cast<std::size_t>(object.tag - level::kFirstTag)].push_back(&object);
    for (const DiffObject& object : after) newByKind[static_cast<std::size_t>(object.tag - level::kFirstTag)].push_back(&object);
    std::vector<ObjectChange> changes;
    for (std::size_t k = 0; k < level::kKinds.size(); ++k) DiffKind(oldByKind[k], newByKind[k], changes);
    const auto key = [](const ObjectChange& c) {
        const DiffObject& placed = c.change == ChangeKind::Removed ? c.before : c.after;
        return std::make_tuple(level::KindOf(placed.tag).list, placed.line, c.change);
    };
    std::stable_sort(changes.begin(), changes.end(),
                     [&](const ObjectChange& a, const ObjectChange& b) { return key(a) < key(b); });
    return changes;
}
