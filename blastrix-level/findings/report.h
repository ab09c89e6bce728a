#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "finding.h"
#include "roundcheck.h"

enum class OutputFormat { Text, Json, Github, Sarif };

struct Totals {
    std::size_t errors = 0;
    std::size_t warnings = 0;
    std::size_t notes = 0;
};
void Tally(const RoundReport& round, Totals& totals);

// `levels/Level3.lev:12:9: error: message [code]`, or without line and column for a whole file.
void AppendText(std::string& out, const Finding& finding);
// A workflow command that GitHub Actions shows as an annotation on the file and line.
void AppendGithub(std::string& out, const Finding& finding);

// `text` as a JSON string: valid UTF-8 passes, any other byte becomes U+FFFD.
void AppendJsonString(std::string& out, const std::string& text);

// A finding as a JSON object: file, line, column, severity, code and message.
void AppendJsonFinding(std::string& out, const Finding& finding);

// `14 rounds checked: 2 errors, 5 warnings`
std::string SummaryLine(std::size_t rounds, const Totals& totals);

// One JSON document: per round its files, objects against their limits and findings; the totals.
std::string CheckJson(const std::vector<RoundReport>& rounds, const Totals& totals);
