#include "linediff.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr std::size_t kContext = 3;
// Beyond this many cells, the part between the common head and tail is one change: a save that
// rewrites a million lines has nothing finer to show.
constexpr std::size_t kMostCells = std::size_t{1} << 22;

void AppendLine(std::string& out, char mark, std::string_view line) {
    out += mark;
    out.append(line.data(), line.size());
    if (line.empty() || line.back() != '\n') out += "\n\\ No newline at end of file\n";
}

std::string Range(std::size_t start, std::size_t count) {
    // An empty range names the line before it, as diff does.
    return std::to_string(count == 0 ? start : start + 1) + (count == 1 ? "" : "," + std::to_string(count));
}

}  // namespace

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size() - 1) + 1;
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return lines;
}

std::vector<LineChange> DiffLines(const std::vector<std::string_view>& before,
                                  const std::vector<std::string_view>& after) {
    std::size_t head = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
    std::size_t tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    const std::size_t n = before.size() - head - tail;
    const std::size_t m = after.size() - head - tail;
    if (n == 0 && m == 0) return {};
    if (n == 0 || m == 0 || n * m > kMostCells) return {{head, n, head, m}};

    // Longest common subsequence of the middle, from its end, so that it is walked forward.
    std::vector<std::uint32_t> longest((n + 1) * (m + 1), 0);
    const auto at = [&](std::size_t i, std::size_t j) -> std::uint32_t& { return longest[i * (m + 1) + j]; };
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            at(i, j) = before[head + i] == after[head + j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
    std::vector<LineChange> changes;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && before[head + i] == after[head + j]) {
            ++i;
            ++j;
            continue;
        }
        LineChange change{head + i, 0, head + j, 0};
        while ((i < n || j < m) && !(i < n && j < m && before[head + i] == after[head + j])) {
            if (j == m || (i < n && at(i + 1, j) >= at(i, j + 1))) {
                ++i;
                ++change.oldCount;
            } else {
                ++j;
                ++change.newCount;
            }
        }
        changes.push_back(change);
    }
    return changes;
}

std::string UnifiedDiff(const std::string& path, const std::vector<std::string_view>& before,
                        const std::vector<std::string_view>& after, const std::vector<LineChange>& changes) {
    if (changes.empty()) return {};
    std::string out = "--- a/" + path + "\n+++ b/" + path + "\n";
    for (std::size_t first = 0; first < changes.size();) {
        // Changes closer than twice the context share a hunk.
        std::size_t last = first;
        while (last + 1 < changes.size() &&
               changes[last + 1].oldStart - (changes[last].oldStart + changes[last].oldCount) <= 2 * kContext)
            ++last;
        const std::size_t oldStart = changes[first].oldStart - std::min(changes[first].oldStart, kContext);
        const std::size_t newStart = changes[first].newStart - (changes[first].oldStart - oldStart);
        const std::size_t oldEnd =
            std::min(before.size(), changes[last].oldStart + changes[last].oldCount + kContext);
        const std::size_t newEnd = changes[last].newStart + changes[last].newCount +
                                   (oldEnd - changes[last].oldStart - changes[last].oldCount);
        out += "@@ -" + Range(oldStart, oldEnd - oldStart) + " +" + Range(newStart, newEnd - newStart) + " @@\n";
        std::size_t line = oldStart;
        for (std::size_t c = first; c <= last; ++c) {
            for (; line < changes[c].oldStart; ++line) AppendLine(out, ' ', before[line]);
            for (std::size_t k = 0; k < changes[c].oldCount; ++k) AppendLine(out, '-', before[line++]);
            for (std::size_t k = 0; k < changes[c].newCount; ++k)
                AppendLine(out, '+', after[changes[c].newStart + k]);
        }
        for (; line < oldEnd; ++line) AppendLine(out, ' ', before[line]);
        first = last + 1;
    }
    return out;
}
