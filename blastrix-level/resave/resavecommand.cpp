#include <algorithm>
#include <cstdio>

#include "commands.h"
#include "headlessservices.h"
#include "levelfile.h"
#include "linediff.h"
#include "report.h"
#include "roundcheck.h"
#include "safefile.h"

namespace {

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

// Every line of a level file that a save would not write back, with the reason as its code.
class DroppedLines : public level::LoadObserver {
public:
    void LineSkipped(const level::LoadedLine& line) override {
        if (!line.text.empty()) Drop(line.number, line.text, "unknown-keyword");
    }
    void LimitRefused(const level::LoadedLine& line, const level::ObjectKind&) override {
        Drop(line.number, line.text, "over-limit");
    }
    void PlatformSizeRefused(const level::LoadedLine& line, std::string_view) override {
        Drop(line.number, line.text, "bad-platform-size");
    }
    // `lines` are the file's lines, as SplitLines gives them.
    explicit DroppedLines(const std::vector<std::string_view>& lines) : lines_(lines) {}

    void ObjectCreated(const level::LoadedLine& line, const level::PlacedObject& object) override {
        std::string_view stored = lines_[line.number - 1];
        if (!stored.empty() && stored.back() == '\n') stored.remove_suffix(1);
        if (std::optional<MeaningChange> change = ChangedMeaning(line, object, stored)) {
            dropped_.push_back({line.number, std::move(change->message), change->code});
            ++changed_;
        }
    }
    void Stopped(const level::LoadedLine& line, std::size_t field, const std::string&, std::size_t) override {
        Drop(line.number, line.text, StopCode(line, field));
        unreadFrom_ = line.number + 1;
        unreadCode_ = "unread-lines";
    }
    void Ended(std::size_t linesRead, std::size_t linesLeft) override {
        if (linesLeft == 0) return;
        unreadFrom_ = linesRead + 1;
        unreadCode_ = "end-of-file-mark";
    }

    // The dropped and changed lines as findings of `severity` on `file`, those the loader never read
    // taken from `lines`; `lost` counts those that held more than the end-of-file mark that closes a file.
    std::vector<Finding> Findings(const std::string& file, Severity severity, std::size_t& lost) const {
        const std::vector<std::string_view>& lines = lines_;
        std::vector<Finding> findings;
        for (const Dropped& d : dropped_) findings.push_back({file, d.number, 1, severity, d.code, d.message});
        lost = findings.size();
        if (unreadFrom_ == 0) return findings;
        for (std::size_t number = unreadFrom_; number <= lines.size(); ++number) {
            const std::string_view text = WithoutLineEnd(lines[number - 1]);
            if (text.empty()) continue;
            findings.push_back({file, number, 1, severity, unreadCode_, DropMessage(text)});
            if (!(number == unreadFrom_ && number == lines.size() && text == "\x1a")) ++lost;
        }
        return findings;
    }

    // Lines whose meaning a save changes: their count among the lost ones.
    std::size_t Changed() const { return changed_; }

private:
    struct Dropped {
        std::size_t number;
        std::string message;
        const char* code;
    };

    static std::string DropMessage(std::string_view text) { return "a save drops this line: " + Quoted(text); }

    void Drop(std::size_t number, std::string_view text, const char* code) {
        dropped_.push_back({number, DropMessage(text), code});
    }

    const std::vector<std::string_view>& lines_;
    std::vector<Dropped> dropped_;
    std::size_t changed_ = 0;
    std::size_t unreadFrom_ = 0;
    const char* unreadCode_ = "";
};

// Every line of the file that a save writes otherwise, besides the dropped ones, as errors.
void AddChangedLines(const std::vector<std::string_view>& before, const std::vector<std::string_view>& after,
                     const std::string& file, std::vector<Finding>& findings) {
    std::vector<bool> dropped(before.size() + 1, false);
    for (const Finding& f : findings) dropped[f.line] = true;
    for (const LineChange& change : DiffLines(before, after)) {
        // The lines a save keeps, but otherwise, meet what it writes in their place in order.
        std::size_t written = change.newStart;
        for (std::size_t i = change.oldStart; i < change.oldStart + change.oldCount; ++i) {
            if (dropped[i + 1]) continue;
            const std::string_view line = WithoutLineEnd(before[i]);
            std::size_t column = 1;
            std::string message = "the file is not as a save writes it: ";
            if (line.empty()) {
                message += "a save leaves out this empty line";
            } else if (written == change.newStart + change.newCount) {
                message += "a save writes this line elsewhere, with the other objects of its kind";
            } else if (WithoutLineEnd(after[written]) == line) {
                column = line.size() + 1;
                message += "a save ends this line with CR LF";
                ++written;
            } else {
                message += "a save writes this line as " + Quoted(WithoutLineEnd(after[written++]));
            }
            findings.push_back({file, i + 1, column, Severity::Error, "not-as-saved", std::move(message)});
        }
    }
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) { return a.line < b.line; });
}

// Why a resave refuses a round, with what --force does then.
std::string Loss(std::size_t lost, std::size_t changed) {
    const std::size_t drops = lost - changed;
    std::string text = "a save would ";
    if (drops > 0) text += "drop " + Counted(drops, "line", "lines");
    if (drops > 0 && changed > 0) text += " and ";
    if (changed > 0) text += "change what " + Counted(changed, "line", "lines") + " mean" + (changed == 1 ? "s" : "");
    return text + (changed > 0 ? "; --force saves what the editor loads" : "; --force saves without them");
}

// The path a patch names: as shown, unless git apply would refuse it (absolute, or above the current
// directory); then from the game folder, where the patch applies.
std::string PatchPath(const GameFolder& folder, const std::string& shown) {
    const std::string wrapped = "/" + shown + "/";
    if (shown.front() != '/' && wrapped.find("/../") == std::string::npos) return shown;
    return shown.substr(folder.ProgramDirectory().size());
}

struct Outcomes {
    std::size_t saved = 0;
    std::size_t unchanged = 0;
    std::size_t refused = 0;
    std::size_t failed = 0;
    std::size_t absent = 0;
};

}  // namespace

int RunResave(const Invocation& invocation, const GameFolder& folder) {
    HeadlessServices services(folder.ProgramDirectory());
    Outcomes tally;
    // With --diff, standard output is the patch alone.
    std::string out;
    std::string diff;
    for (const int round : invocation.rounds) {
        const FolderFile file = folder.LevelFile(round);
        try {
            // The round read is the one last saved, as the editor's load makes it.
            files::UndoInterruptedSave(file.path);
        } catch (const files::SaveFailure& e) {
            AppendText(out, {file.shown, 0, 0, Severity::Error, "save-failed", level::SaveFailureReport(e)});
            ++tally.failed;
            continue;
        }
        const LevelFileBytes read = ReadLevelFile(file.path);
        if (!read.error.empty()) {
            AppendText(out, UnreadableLevelFile(read, file.shown, "it is left as it is"));
            ++tally.failed;
            continue;
        }
        if (!read.bytes) {
            ++tally.absent;
            continue;
        }
        const std::string& bytes = *read.bytes;
        level::Level level(services, folder.ProgramDirectory());
        const std::vector<std::string_view> before = SplitLines(bytes);
        DroppedLines dropped(before);
        level::LoadLevelText(level, bytes, &dropped);
        if (const std::optional<level::SaveRefusal> refusal = level::RefuseToSave(level)) {
            const bool noHero = level.List(level::ListId::Hero).empty();
            AppendText(out,
                       {file.shown, 0, 0, Severity::Error, noHero ? "no-hero" : "no-bomb",
                        std::string("not saved, as the editor refuses to save this round: \"") + refusal->text + "\""});
            ++tally.refused;
            continue;
        }
        const std::string saved = level::FormatLevel(level);
        if (saved == bytes) {
            ++tally.unchanged;
            continue;
        }
        const bool reportOnly = invocation.checkOnly || invocation.showDiff;
        std::size_t lost = 0;
        std::vector<Finding> findings = dropped.Findings(file.shown, Severity::Warning, lost);
        const bool refused = lost > 0 && !invocation.force;
        if (reportOnly || refused)
            for (Finding& finding : findings) finding.severity = Severity::Error;
        if (reportOnly) {
            const std::vector<std::string_view> after = SplitLines(saved);
            if (invocation.showDiff)
                diff += UnifiedDiff(PatchPath(folder, file.shown), before, after, DiffLines(before, after));
            if (invocation.checkOnly) {
                AddChangedLines(before, after, file.shown, findings);
                for (const Finding& finding : findings) AppendText(out, finding);
                if (refused) out += file.shown + ": a resave refuses it, as " + Loss(lost, dropped.Changed()) + "\n";
            }
            ++(refused ? tally.refused : tally.saved);
            continue;
        }
        for (const Finding& finding : findings) AppendText(out, finding);
        if (refused) {
            out += file.shown + ": not saved, as " + Loss(lost, dropped.Changed()) + "\n";
            ++tally.refused;
            continue;
        }
        try {
            if (!level::SaveLevel(level, round)) throw level::SaveError(services.LastDialog());
            out += file.shown + ": saved\n";
            ++tally.saved;
        } catch (const level::SaveError& e) {
            AppendText(out, {file.shown, 0, 0, Severity::Error, "save-failed", e.Report()});
            ++tally.failed;
        }
    }
    const auto part = [](std::size_t count, const char* what) { return std::to_string(count) + " " + what; };
    out += Counted(invocation.rounds.size(), "round: ", "rounds: ") +
           part(tally.saved, invocation.checkOnly || invocation.showDiff ? "would change" : "saved") + ", " +
           part(tally.unchanged, "unchanged") + ", " + part(tally.refused, "refused") + ", " +
           (tally.failed > 0 ? part(tally.failed, "failed") + ", " : std::string()) +
           part(tally.absent, "without a level file") + "\n";
    const bool written = invocation.showDiff ? WriteOut(diff) && std::fputs(out.c_str(), stderr) >= 0 : WriteOut(out);
    if (!written || std::fflush(stdout) != 0) {
        std::perror("blastrix-level: writing the report");
        return kExitTrouble;
    }
    const bool failed = tally.refused > 0 || tally.failed > 0 || (invocation.checkOnly && tally.saved > 0);
    return failed ? kExitFindings : kExitClean;
}
