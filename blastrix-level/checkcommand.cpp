#include <algorithm>
#include <cstdio>
#include <set>
#include <string_view>

#include "commands.h"
#include "headlessservices.h"
#include "report.h"
#include "roundcheck.h"

bool WriteOut(const std::string& text) { return std::fwrite(text.data(), 1, text.size(), stdout) == text.size(); }

int RunCheck(const Invocation& invocation, const GameFolder& folder) {
    HeadlessServices services(folder.ProgramDirectory());
    std::vector<RoundReport> rounds;
    Totals totals;
    bool written = true;
    std::set<std::string> spritesReported;
    for (const int round : invocation.rounds) {
        rounds.push_back(CheckRound(folder, services, round));
        // A sprite that cannot be read is one finding, however many rounds use it.
        std::vector<Finding>& findings = rounds.back().findings;
        findings.erase(std::remove_if(findings.begin(), findings.end(),
                                      [&](const Finding& f) {
                                          return f.line == 0 && std::string_view(f.code) == "sprite-unreadable" &&
                                                 !spritesReported.insert(f.file).second;
                                      }),
                       findings.end());
        Tally(rounds.back(), totals);
        if (invocation.format == OutputFormat::Json) continue;
        // Findings go out round by round, so that those of a large round do not pile up.
        std::string out;
        for (const Finding& finding : rounds.back().findings) {
            if (invocation.format == OutputFormat::Github)
                AppendGithub(out, finding);
            else
                AppendText(out, finding);
        }
        written = written && WriteOut(out);
        rounds.back().findings = {};
    }
    written = written && WriteOut(invocation.format == OutputFormat::Json ? CheckJson(rounds, totals)
                                                                          : SummaryLine(rounds.size(), totals));
    if (!written || std::fflush(stdout) != 0) {
        std::perror("blastrix-level: writing the report");
        return kExitFindings;
    }
    const bool failed = totals.errors > 0 || (invocation.werror && totals.warnings > 0);
    return failed ? kExitFindings : kExitClean;
}
