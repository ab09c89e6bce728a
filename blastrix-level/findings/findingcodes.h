#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "finding.h"

// Every code a finding can carry, with the severity `check` gives it, one line for listings and the
// longer text of the manual and of SARIF rules.
struct FindingCode {
    std::string_view code;
    Severity severity;
    const char* summary;
    const char* description;
    bool toldByDiff = false;  // diff's, which check never gives
};

constexpr std::size_t kFindingCodeCount = 33;
extern const std::array<FindingCode, kFindingCodeCount> kFindingCodes;

// The code's place in kFindingCodes; nothing for a string that is no code.
std::optional<std::size_t> FindingCodeIndex(std::string_view code);

// `blastrix-level codes`: one line per code with its severity and summary.
std::string CodeListing();

// Which codes a report keeps: with --select only those chosen, less those --ignore names.
class CodeFilter {
public:
    void Select(std::size_t index);
    void Ignore(std::size_t index) {
        ignored_[index] = true;
        ignoring_ = true;
    }
    bool Keeps(std::string_view code) const;

private:
    std::array<bool, kFindingCodeCount> selected_{};
    std::array<bool, kFindingCodeCount> ignored_{};
    bool selecting_ = false;
    bool ignoring_ = false;
};
