#include <algorithm>
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
    bool written = invocation.format != OutputFormat::Sarif || WriteOut(SarifLog::Head());
    for (const Work& one : work) {
        HeadlessServices services(one.folder.ProgramDirectory());
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
            for (const Finding& finding : findings) {
                switch (invocation.format) {
                case OutputFormat::Github: AppendGithub(out, finding); break;
                case OutputFormat::Sarif: sarif.Append(out, finding); break;
                case OutputFormat::Text:
                case OutputFormat::Json: AppendText(out, finding); break;
                }
            }
            written = written && WriteOut(out);
            findings = {};
        }
    }
    std::string end;
    switch (invocation.format) {
    case OutputFormat::Json: end = CheckJson(rounds, totals); break;
    case OutputFormat::Sarif: end = SarifLog::Tail(); break;
    case OutputFormat::Text:
    case OutputFormat::Github: end = SummaryLine(rounds.size(), totals); break;
    }
    written = written && WriteOut(end);
    if (!written || std::fflush(stdout) != 0) {
        std::perror("blastrix-level: writing the report");
        return kExitTrouble;
    }
    const bool failed = totals.errors > 0 || (invocation.werror && totals.warnings > 0);
    return failed ? kExitFindings : kExitClean;
}
