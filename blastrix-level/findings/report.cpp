#include "report.h"

#include <array>

#include "objectkind.h"

namespace {

// Workflow commands end at a line break, and their properties at ',' and ':'.
std::string GithubEscaped(const std::string& text, bool property) {
    std::string out;
    for (const char c : text) {
        if (c == '%')
            out += "%25";
        else if (c == '\r')
            out += "%0D";
        else if (c == '\n')
            out += "%0A";
        else if (property && c == ':')
            out += "%3A";
        else if (property && c == ',')
            out += "%2C";
        else
            out += c;
    }
    return out;
}

// GitHub names a note a notice.
const char* GithubCommand(Severity severity) { return severity == Severity::Note ? "notice" : SeverityName(severity); }

// The bytes a JSON string holds as they are.
constexpr std::array<bool, 256> kPlainJson = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x7f; ++c) plain[static_cast<std::size_t>(c)] = c != '"' && c != '\\';
    return plain;
}();

}  // namespace

// Messages carry file bytes already escaped and system texts that may be in any 8-bit encoding:
// valid UTF-8 passes, any other byte becomes U+FFFD, so that the document is always valid JSON.
void AppendJsonString(std::string& out, const std::string& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        // Runs of printable ASCII, nearly all of a message, go in whole.
        std::size_t plain = i;
        while (plain < text.size() && kPlainJson[static_cast<unsigned char>(text[plain])]) ++plain;
        out.append(text, i, plain - i);
        i = plain;
        if (i == text.size()) break;
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xf];
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            const std::size_t length = Utf8Length(text, i);
            if (length == 0) {
                out += "\\ufffd";
                ++i;
                continue;
            }
            out.append(text, i, length);
            i += length;
            continue;
        }
        ++i;
    }
    out += '"';
}

namespace {

// A line or column, or null for a finding about a whole file.
std::string JsonPosition(std::size_t value) { return value == 0 ? "null" : std::to_string(value); }

// One entry per list: the platforms of every length share theirs, and its limit, with their counts
// by length beside.
void AppendObjects(std::string& out, const RoundReport& round) {
    bool first = true;
    for (std::size_t k = 0; k < level::kKinds.size(); ++k) {
        const level::ObjectKind& kind = level::kKinds[k];
        const bool platform = kind.list == level::ListId::Platform;
        if (platform && k > 0 && level::kKinds[k - 1].list == level::ListId::Platform) continue;
        std::size_t count = round.counts[k];
        std::string lengths;
        std::string name = kind.kindName;
        if (platform) {
            name.erase(name.find_first_of("0123456789"));
            for (std::size_t p = k; p < level::kKinds.size() && level::kKinds[p].list == level::ListId::Platform; ++p) {
                if (p > k) count += round.counts[p];
                lengths += (p > k ? ", \"" : ", \"lengths\": {\"") + std::to_string(level::kKinds[p].width) +
                           "\": " + std::to_string(round.counts[p]);
            }
            lengths += "}";
        }
        out += first ? "\n" : ",\n";
        first = false;
        out += "        {\"kind\": ";
        AppendJsonString(out, name);
        out += ", \"keyword\": ";
        AppendJsonString(out, std::string(kind.keyword));
        out += ", \"count\": " + std::to_string(count) + ", \"limit\": ";
        out += kind.limit == level::kNoLimit ? "null" : std::to_string(kind.limit);
        out += lengths + "}";
    }
}

}  // namespace

void Tally(const RoundReport& round, Totals& totals) {
    for (const Finding& finding : round.findings) {
        switch (finding.severity) {
        case Severity::Error: ++totals.errors; break;
        case Severity::Warning: ++totals.warnings; break;
        case Severity::Note: ++totals.notes; break;
        }
    }
}

void AppendText(std::string& out, const Finding& finding) {
    out += finding.file;
    if (finding.line != 0) {
        out += ':';
        out += std::to_string(finding.line);
        out += ':';
        out += std::to_string(finding.column);
    }
    out += ": ";
    out += SeverityName(finding.severity);
    out += ": ";
    out += finding.message;
    out += " [";
    out += finding.code;
    out += "]\n";
}

void AppendGithub(std::string& out, const Finding& finding) {
    out += "::";
    out += GithubCommand(finding.severity);
    out += " file=" + GithubEscaped(finding.file, true);
    if (finding.line != 0) {
        out += ",line=" + std::to_string(finding.line);
        out += ",col=" + std::to_string(finding.column);
    }
    out += ",title=" + GithubEscaped(finding.code, true);
    out += "::" + GithubEscaped(finding.message, false) + "\n";
}

std::string SummaryLine(std::size_t rounds, const Totals& totals) {
    return Counted(rounds, "round", "rounds") + " checked: " + Counted(totals.errors, "error", "errors") + ", " +
           Counted(totals.warnings, "warning", "warnings") + "\n";
}

void AppendJsonFinding(std::string& out, const Finding& finding) {
    out += "{\"file\": ";
    AppendJsonString(out, finding.file);
    out += ", \"line\": " + JsonPosition(finding.line) + ", \"column\": " + JsonPosition(finding.column);
    out += ", \"severity\": \"";
    out += SeverityName(finding.severity);
    out += "\", \"code\": \"";
    out += finding.code;
    out += "\", \"message\": ";
    AppendJsonString(out, finding.message);
    out += "}";
}

std::string CheckJson(const std::vector<RoundReport>& rounds, const Totals& totals) {
    std::string out = "{\n  \"version\": 1,\n  \"tool\": {\"name\": \"blastrix-level\", \"version\": \"" BLASTRIX_VERSION
                      "\"},\n  \"rounds\": [";
    for (std::size_t r = 0; r < rounds.size(); ++r) {
        const RoundReport& round = rounds[r];
        out += r == 0 ? "\n" : ",\n";
        out += "    {\n      \"round\": " + std::to_string(round.round) + ",\n      \"file\": ";
        AppendJsonString(out, round.levelFile);
        out += ",\n      \"exists\": ";
        out += round.levelFileExists ? "true" : "false";
        out += ",\n      \"background\": ";
        AppendJsonString(out, round.backgroundFile);
        out += ",\n      \"objects\": [";
        AppendObjects(out, round);
        out += "\n      ],\n      \"findings\": [";
        for (std::size_t f = 0; f < round.findings.size(); ++f) {
            const Finding& finding = round.findings[f];
            out += f == 0 ? "\n        " : ",\n        ";
            AppendJsonFinding(out, finding);
        }
        out += round.findings.empty() ? "]\n    }" : "\n      ]\n    }";
    }
    out += rounds.empty() ? "],\n" : "\n  ],\n";
    out += "  \"errors\": " + std::to_string(totals.errors) + ",\n  \"warnings\": " + std::to_string(totals.warnings) +
           ",\n  \"notes\": " + std::to_string(totals.notes) + "\n}\n";
    return out;
}
