#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The lines of a text, each with its line feed when it has one.
std::vector<std::string_view> SplitLines(std::string_view text);

// Lines [oldStart, oldStart + oldCount) of the old text give way to [newStart, newStart + newCount)
// of the new one; every line outside the changes is kept.
struct LineChange {
    std::size_t oldStart = 0;
    std::size_t oldCount = 0;
    std::size_t newStart = 0;
    std::size_t newCount = 0;
};

// The changes from `before` to `after`, as few as can be found cheaply; in order.
std::vector<LineChange> DiffLines(const std::vector<std::string_view>& before,
                                  const std::vector<std::string_view>& after);

// A unified diff (`--- a/PATH`, `+++ b/PATH`, hunks with three lines of context); empty without changes.
std::string UnifiedDiff(const std::string& path, const std::vector<std::string_view>& before,
                        const std::vector<std::string_view>& after, const std::vector<LineChange>& changes);
