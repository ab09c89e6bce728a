#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <set>
#include <string_view>

#include "commands.h"
#include "headlessservices.h"
#include "report.h"
#include "roundcheck.h"
#include "sarifreport.h"

bool WriteOut(const std::string& text) { return std::fwrite(text.data(), 1, text.size(), stdout) == text.size(); }

int RunCheck(const Invocation& invocation, const std::vector<Work>& work) {
    std::vector<RoundReport> rounds;
    Totals totals;
    SarifLog sarif;
    std::set<std::string> spritesReported;
    std::string out;
    // The first failure's reason, kept: checking the rounds after it sets errno for its own ends.
    int writeError = 0;
    const auto write = [&writeError](const std::string& text) {
        if (writeError == 0 && !WriteOut(text)) writeError = errno != 0 ? errno : EIO;
    };
    if (invocation.format == OutputFormat::Sarif) write(SarifLog::Head());
    const auto append = [&](std::string& to, const Finding& finding) {
        switch (invocation.format) {
        case OutputFormat::Github: AppendGithub(to, finding); break;
        case OutputFormat::Sarif: sarif.Append(to, finding); break;
        case OutputFormat::Text:
        case OutputFormat::Json: AppendText(to, finding); break;
        }
    };
    for (const Work& one : work) {
        HeadlessServices services(one.folder.ProgramDirectory());
        // The findings on the folder's other files (sprites, directories) follow its rounds, by file.
        std::vector<Finding> others;
        std::set<std::string> ambiguous;
        for (const int round : one.rounds) {
            rounds.push_back(CheckRound(one.folder, services, round));
            std::vector<Finding>& findings = rounds.back().findings;
            for (Finding& finding : AmbiguousNames(one.folder, round, ambiguous)) findings.push_back(std::move(finding));
            // A sprite that cannot be read is one finding, however many rounds use it.
            findings.erase(std::remove_if(findings.begin(), findings.end(),
                                          [&](const Finding& f) {
                                              return !invocation.codes.Keeps(f.code) ||
                                                     (f.line == 0 && std::string_view(f.code) == "sprite-unreadable" &&
                                                      !spritesReported.insert(f.file).second);
                                          }),
                           findings.end());
            Tally(rounds.back(), totals);
            if (invocation.format == OutputFormat::Json) continue;
            // Findings go out round by round, so that those of a large round do not pile up; the
            // buffer stays grown for the next round.
            out.clear();
            for (Finding& finding : findings) {
                if (finding.file == rounds.back().levelFile || finding.file == rounds.back().backgroundFile)
                    append(out, finding);
                else
                    others.push_back(std::move(finding));
            }
            write(out);
            findings = {};
        }
        std::stable_sort(others.begin(), others.end(),
                         [](const Finding& a, const Finding& b) { return a.file < b.file; });
        out.clear();
        for (const Finding& finding : others) append(out, finding);
        write(out);
    }
    std::string end;
    switch (invocation.format) {
    case OutputFormat::Json: end = CheckJson(rounds, totals); break;
    case OutputFormat::Sarif: end = SarifLog::Tail(); break;
    case OutputFormat::Text:
    case OutputFormat::Github: end = SummaryLine(rounds.size(), totals); break;
    }
    write(end);
    if (writeError == 0 && std::fflush(stdout) != 0) writeError = errno;
    if (writeError != 0) {
        Complain(std::string("writing the report: ") + std::strerror(writeError));
        return kExitTrouble;
    }
    const bool failed = totals.errors > 0 || (invocation.werror && totals.warnings > 0);
    return failed ? kExitFindings : kExitClean;
}
