#include <cstdio>

#include "commands.h"
#include "headlessservices.h"
#include "levelfile.h"
#include "report.h"
#include "roundcheck.h"

namespace {

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
    void Stopped(const level::LoadedLine& line, std::size_t field, const std::string&, std::size_t) override {
        Drop(line.number, line.text, field == 0 ? "sprite-unreadable" : "not-an-integer");
        unreadFrom_ = line.number + 1;
        unreadCode_ = "unread-lines";
    }
    void Ended(std::size_t linesRead, std::size_t linesLeft) override {
        if (linesLeft == 0) return;
        unreadFrom_ = linesRead + 1;
        unreadCode_ = "end-of-file-mark";
    }

    // The dropped lines as findings on `file`, those the loader never read taken from `bytes`.
    std::vector<Finding> Findings(std::string_view bytes, const std::string& file) const {
        std::vector<Finding> findings;
        for (const Dropped& d : dropped_) findings.push_back(DropFinding(file, d.number, d.code, d.text));
        if (unreadFrom_ == 0) return findings;
        std::size_t number = 1;
        for (std::size_t start = 0; start < bytes.size(); ++number) {
            const std::size_t feed = std::min(bytes.find('\n', start), bytes.size());
            std::string_view text = bytes.substr(start, feed - start);
            if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
            if (number >= unreadFrom_ && !text.empty())
                findings.push_back(DropFinding(file, number, unreadCode_, text));
            start = feed + 1;
        }
        return findings;
    }

private:
    struct Dropped {
        std::size_t number;
        std::string text;
        const char* code;
    };

    static Finding DropFinding(const std::string& file, std::size_t number, const char* code, std::string_view text) {
        return {file, number, 1, Severity::Warning, code, "a save drops this line: " + Quoted(text)};
    }

    void Drop(std::size_t number, std::string_view text, const char* code) {
        dropped_.push_back({number, std::string(text), code});
    }

    std::vector<Dropped> dropped_;
    std::size_t unreadFrom_ = 0;
    const char* unreadCode_ = "";
};

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
    std::string out;
    for (const int round : invocation.rounds) {
        const FolderFile file = folder.LevelFile(round);
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
        DroppedLines dropped;
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
        if (invocation.checkOnly) {
            if (std::optional<Finding> change = FirstUnsavedLine(bytes, saved, file.shown, Severity::Error))
                AppendText(out, *change);
            ++tally.saved;
            continue;
        }
        for (const Finding& finding : dropped.Findings(bytes, file.shown)) AppendText(out, finding);
        try {
            if (!level::SaveLevel(level, round)) throw level::SaveError(services.LastDialog());
            out += file.shown + ": saved\n";
            ++tally.saved;
        } catch (const level::SaveError& e) {
            AppendText(out, {file.shown, 0, 0, Severity::Error, "save-failed", std::string("not saved: ") + e.what()});
            ++tally.failed;
        }
    }
    const auto part = [](std::size_t count, const char* what) { return std::to_string(count) + " " + what; };
    out += Counted(invocation.rounds.size(), "round: ", "rounds: ") +
           part(tally.saved, invocation.checkOnly ? "would change" : "saved") + ", " +
           part(tally.unchanged, "unchanged") + ", " + part(tally.refused, "refused") + ", " +
           (tally.failed > 0 ? part(tally.failed, "failed") + ", " : std::string()) +
           part(tally.absent, "without a level file") + "\n";
    if (!WriteOut(out) || std::fflush(stdout) != 0) {
        std::perror("blastrix-level: writing the report");
        return kExitTrouble;
    }
    const bool failed = tally.refused > 0 || tally.failed > 0 || (invocation.checkOnly && tally.saved > 0);
    return failed ? kExitFindings : kExitClean;
}
