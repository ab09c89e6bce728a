#include "leveldiff.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <string>
#include <tuple>

#include "level.h"
#include "levelfile.h"
#include "roundcheck.h"

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
    explicit Collector(DiffFile& file) : file_(file) {}
    void LineSkipped(const level::LoadedLine& line) override { skippedText_ = skippedText_ || !line.text.empty(); }
    void ObjectCreated(const level::LoadedLine& line, const level::PlacedObject& object) override {
        read_ = true;
        const std::string_view top = line.fields[2];
        const std::string_view rest = line.text.substr(static_cast<std::size_t>(top.data() + top.size() - line.text.data()));
        file_.objects.push_back({object.tag, object.bounds.left, object.bounds.top,
                                 static_cast<std::uint32_t>(file_.objects.size()), line.number});
        file_.fields.push_back({!rest.empty(), std::string(rest.substr(rest.empty() ? 0 : 1))});
    }
    void LimitRefused(const level::LoadedLine&, const level::ObjectKind&) override { read_ = true; }
    void PlatformSizeRefused(const level::LoadedLine&, std::string_view) override { read_ = true; }
    void Stopped(const level::LoadedLine& line, std::size_t field, const std::string&, std::size_t linesLeft) override {
        read_ = true;
        // No sprite is read, so only a coordinate stops the loader here.
        const auto column = [&](std::string_view text) {
            return static_cast<std::size_t>(text.data() - line.text.data()) + 1;
        };
        file_.stops.push_back(CoordinateStop({}, line, field, column(line.fields[field])));
        if (linesLeft > 0) file_.stops.push_back(UnreadLines({}, line.number, column(line.fields[0]), linesLeft));
    }
    void Ended(std::size_t linesRead, std::size_t linesLeft) override {
        if (std::optional<Finding> mark = EndOfFileMark({}, linesRead, linesLeft)) file_.stops.push_back(*mark);
    }

    // A file of text lines none of which the editor reads is some other file, as is one with a zero byte.
    bool HoldsNoRound() const { return skippedText_ && !read_; }

private:
    DiffFile& file_;
    bool read_ = false;
    bool skippedText_ = false;
};

std::uint64_t Place(const DiffObject& object) {
    return std::uint64_t{static_cast<std::uint32_t>(object.left)} << 32 | static_cast<std::uint32_t>(object.top);
}

struct Point {
    std::int64_t left;
    std::int64_t top;
};

Point PointOf(const DiffObject& object) { return {object.left, object.top}; }

// How far a move takes an object: across and down together, as a drag goes.
std::int64_t Distance(Point a, Point b) { return std::llabs(a.left - b.left) + std::llabs(a.top - b.top); }

// Above this many candidate pairs a stretch is paired in order instead of by the nearest.
constexpr std::size_t kNearestPairingLimit = std::size_t{1} << 16;

// For each object of `shorter`, the index of its partner in `longer` in the pairing whose distances
// moved add up to the least, and of those the one whose partners stand least far apart in their lists.
// The Hungarian method: shortest augmenting paths over reduced costs, one for each object that its
// nearest does not take at once.
std::vector<std::size_t> NearestPartners(const std::vector<const DiffObject*>& shorter,
                                         const std::vector<const DiffObject*>& longer) {
    const std::size_t n = shorter.size();
    const std::size_t m = longer.size();
    // Close together, as the searches read every place of `longer` again and again.
    std::vector<Point> from(n);
    std::vector<Point> to(m);
    std::int64_t low = std::numeric_limits<std::int32_t>::max();
    std::int64_t high = std::numeric_limits<std::int32_t>::min();
    for (std::size_t i = 0; i < n; ++i) from[i] = PointOf(*shorter[i]);
    for (std::size_t j = 0; j < m; ++j) to[j] = PointOf(*longer[j]);
    for (const std::vector<Point>* points : {&from, &to})
        for (const Point& p : *points) low = std::min({low, p.left, p.top}), high = std::max({high, p.left, p.top});
    // A distance counts above any sum of list gaps; where coordinates spread so far that sums of costs
    // would overflow, the distance alone.
    const auto pairs = static_cast<std::int64_t>(n * m);
    const std::int64_t most = std::numeric_limits<std::int64_t>::max() / (2 * static_cast<std::int64_t>(n) + 2);
    const std::int64_t spread = 2 * (high - low);
    const std::int64_t unit = spread <= (most - pairs) / (pairs + 1) ? pairs + 1 : 1;
    // Worked out once: the searches read each row again and again, a row at a time.
    std::vector<std::int64_t> costs(n * m);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < m; ++j) {
            const std::int64_t gap =
                unit == 1 ? 0 : i > j ? static_cast<std::int64_t>(i - j) : static_cast<std::int64_t>(j - i);
            costs[i * m + j] = Distance(from[i], to[j]) * unit + gap;
        }
    const auto cost = [&costs, m](std::size_t i, std::size_t j) { return costs[i * m + j]; };

    constexpr std::size_t kNone = SIZE_MAX;
    std::vector<std::int64_t> rowPotential(n, 0);
    std::vector<std::int64_t> columnPotential(m, 0);
    std::vector<std::size_t> columnOf(n, kNone);
    std::vector<std::size_t> rowOf(m, kNone);
    // Each first takes its nearest unless an earlier one has: with the cost of the nearest as its
    // potential, no reduced cost is negative and the pairs taken cost nothing.
    std::vector<std::size_t> unplaced;
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t nearest = 0;
        for (std::size_t j = 1; j < m; ++j)
            if (cost(i, j) < cost(i, nearest)) nearest = j;
        rowPotential[i] = cost(i, nearest);
        if (rowOf[nearest] == kNone) {
            rowOf[nearest] = i;
            columnOf[i] = nearest;
        } else {
            unplaced.push_back(i);
        }
    }

    std::vector<std::int64_t> distance(m);
    std::vector<std::size_t> via(m);
    std::vector<std::size_t> open(m);  // the columns not yet reached, in any order
    std::vector<std::size_t> reached;
    for (const std::size_t start : unplaced) {
        const auto reduced = [&](std::size_t i, std::size_t j) { return cost(i, j) - rowPotential[i] - columnPotential[j]; };
        std::size_t next = 0;
        for (std::size_t j = 0; j < m; ++j) {
            open[j] = j;
            distance[j] = reduced(start, j);
            via[j] = start;
            if (distance[j] < distance[next]) next = j;
        }
        std::size_t openCount = m;
        reached.clear();
        std::size_t column = kNone;
        while (true) {
            column = open[next];
            open[next] = open[--openCount];
            reached.push_back(column);
            if (rowOf[column] == kNone) break;
            const std::size_t row = rowOf[column];
            const std::int64_t base = distance[column];
            next = 0;
            for (std::size_t k = 0; k < openCount; ++k) {
                const std::size_t j = open[k];
                const std::int64_t d = base + reduced(row, j);
                if (d < distance[j]) {
                    distance[j] = d;
                    via[j] = row;
                }
                if (distance[j] < distance[open[next]]) next = k;
            }
        }
        // Every reached column's potential falls, and its row's rises, by how much shorter its path
        // was than the one found: the pairs keep costing nothing and no reduced cost turns negative.
        const std::int64_t found = distance[column];
        rowPotential[start] += found;
        for (const std::size_t j : reached) {
            if (j == column) continue;
            columnPotential[j] -= found - distance[j];
            rowPotential[rowOf[j]] += found - distance[j];
        }
        for (std::size_t row = kNone; row != start;) {
            row = via[column];
            rowOf[column] = row;
            std::swap(columnOf[row], column);
        }
    }
    return columnOf;
}

// The objects of a run that no move took, by their indices in the run.
struct Pairing {
    std::vector<std::size_t> removedLeft;
    std::vector<std::size_t> addedLeft;
};

// Pairs removed with added objects into moves: `nearest`, so that the distances moved add up to the
// least; else keeping the order of both: where the counts are equal the k-th with the k-th, else each
// object of the shorter run with one of the longer run so that the distances add up to the least.
Pairing PairRun(const std::vector<const DiffObject*>& removed, const std::vector<const DiffObject*>& added,
                bool nearest, std::vector<ObjectChange>& changes) {
    Pairing left;
    const bool removedLonger = removed.size() > added.size();
    const std::vector<const DiffObject*>& longer = removedLonger ? removed : added;
    const std::vector<const DiffObject*>& shorter = removedLonger ? added : removed;
    const std::size_t p = longer.size();
    const std::size_t q = shorter.size();
    std::vector<bool> taken(p, false);
    std::vector<std::size_t> partner(q);
    if (nearest) {
        partner = NearestPartners(shorter, longer);
    } else if (p == q || q == 0 || p * q > kNearestPairingLimit) {
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
                                              : at(i - 1, j - 1) + Distance(PointOf(*longer[i - 1]), PointOf(*shorter[j - 1]));
                at(i, j) = std::min(skip, pair);
            }
        for (std::size_t i = p, j = q; j > 0; --i) {
            if (at(i - 1, j - 1) != kNone &&
                at(i, j) == at(i - 1, j - 1) + Distance(PointOf(*longer[i - 1]), PointOf(*shorter[j - 1]))) {
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

// What no move took was removed or added.
void Finish(const Pairing& unpaired, const std::vector<const DiffObject*>& removed,
            const std::vector<const DiffObject*>& added, std::vector<ObjectChange>& changes) {
    for (const std::size_t k : unpaired.removedLeft) {
        changes.emplace_back().change = ChangeKind::Removed;
        changes.back().before = *removed[k];
    }
    for (const std::size_t k : unpaired.addedLeft) {
        changes.emplace_back().change = ChangeKind::Added;
        changes.back().after = *added[k];
    }
}

// The changes of one kind: `before` and `after` hold its objects in the order the editor keeps them.
void DiffKind(const std::vector<const DiffObject*>& before, const std::vector<const DiffObject*>& after,
              const DiffFile& oldFile, const DiffFile& newFile, std::vector<ObjectChange>& changes) {
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

    std::vector<const DiffObject*> removed;
    std::vector<const DiffObject*> added;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (newOfOld[i] == SIZE_MAX)
            removed.push_back(before[i]);
        else if (oldFile.fields[before[i]->index] != newFile.fields[after[newOfOld[i]]->index])
            changes.push_back({ChangeKind::Changed, *before[i], *after[newOfOld[i]]});
    }
    for (std::size_t j = 0; j < after.size(); ++j)
        if (!newMatched[j]) added.push_back(after[j]);
    if (removed.size() * added.size() <= kExactPairing) {
        Finish(PairRun(removed, added, true, changes), removed, added, changes);
        return;
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
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < before.size() || j < after.size()) {
        removed.clear();
        added.clear();
        for (; i < before.size() && !anchorOld[i]; ++i)
            if (newOfOld[i] == SIZE_MAX) removed.push_back(before[i]);
        for (; j < after.size() && !anchorNew[j]; ++j)
            if (!newMatched[j]) added.push_back(after[j]);
        const Pairing left = PairRun(removed, added, false, changes);
        for (const std::size_t k : left.removedLeft) removedLeft.push_back(removed[k]);
        for (const std::size_t k : left.addedLeft) addedLeft.push_back(added[k]);
        ++i;
        ++j;
    }
    Finish(PairRun(removedLeft, addedLeft, false, changes), removedLeft, addedLeft, changes);
}

}  // namespace

DiffFile LoadDiffFile(std::string_view bytes) {
    NoControls services;
    level::Level level(services, std::string());
    DiffFile file;
    // At most an object a line: no object moves while the vector grows.
    const auto lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
    file.objects.reserve(lines);
    file.fields.reserve(lines);
    Collector collector(file);
    level::LoadLevelText(level, bytes, &collector);
    if (bytes.find('\0') != std::string_view::npos)
        file.notALevel = "it holds a zero byte, as binary files do";
    else if (collector.HoldsNoRound())
        file.notALevel = "no line of it starts with a keyword the editor reads";
    return file;
}

std::vector<ObjectChange> DiffObjects(const DiffFile& oldFile, const DiffFile& newFile) {
    std::array<std::vector<const DiffObject*>, level::kKinds.size()> oldByKind;
    std::array<std::vector<const DiffObject*>, level::kKinds.size()> newByKind;
    for (const DiffObject& object : oldFile.objects) oldByKind[static_cast<std::size_t>(object.tag - level::kFirstTag)].push_back(&object);
    for (const DiffObject& object : newFile.objects) newByKind[static_cast<std::size_t>(object.tag - level::kFirstTag)].push_back(&object);
    std::vector<ObjectChange> changes;
    for (std::size_t k = 0; k < level::kKinds.size(); ++k) DiffKind(oldByKind[k], newByKind[k], oldFile, newFile, changes);
    for (std::size_t i = 0, moves = changes.size(); i < moves; ++i)
        if (changes[i].change == ChangeKind::Moved &&
            oldFile.fields[changes[i].before.index] != newFile.fields[changes[i].after.index])
            changes.push_back({ChangeKind::Changed, changes[i].before, changes[i].after});
    const auto key = [](const ObjectChange& c) {
        const DiffObject& placed = c.change == ChangeKind::Removed ? c.before : c.after;
        return std::make_tuple(level::KindOf(placed.tag).list, placed.line, c.change);
    };
    std::stable_sort(changes.begin(), changes.end(),
                     [&](const ObjectChange& a, const ObjectChange& b) { return key(a) < key(b); });
    return changes;
}
