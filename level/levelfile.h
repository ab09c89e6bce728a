#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "level.h"

namespace files {
class SaveFailure;
}

namespace level {

inline constexpr const char* kNoHeroMessage = "Where is Trom?";
inline constexpr const char* kNoBombMessage = "You need one bomb at least";

// A save that failed; the text is the one the editor shows, Report() what a tool tells: the step, the
// system's words and what became of the file.
class SaveError : public std::runtime_error {
public:
    explicit SaveError(const std::string& text, std::string report = {})
        : std::runtime_error(text), report_(report.empty() ? "not saved: " + text : std::move(report)) {}
    const std::string& Report() const { return report_; }

private:
    std::string report_;
};

// Why a save of the level is refused: the dialog it shows instead of writing.
struct SaveRefusal {
    const char* text;
    DialogType type;
};
std::optional<SaveRefusal> RefuseToSave(const Level& level);

// The text for a save that failed with the host's error number.
std::string SaveErrorText(int error);

// What a tool tells of a failed save: the step, the system's words and what became of the file ("not
// saved: ...; the level is as it was", the copy that keeps the previous level, or "written, but may not
// survive a power cut: ...").
std::string SaveFailureReport(const files::SaveFailure& failure);

// The bytes of the level file for the level as it stands.
std::string FormatLevel(const Level& level);

// The line a save writes for `object`, its line end included, into `line`; its length, 0 for none.
// A save writes the lists in the order of ListId, each in its order.
constexpr std::size_t kLineCapacity = 128;  // more than the longest line
std::size_t FormatObjectLine(const PlacedObject& object, char (&line)[kLineCapacity]);

// Writes the level to the round's file. False after a refusal, which it has shown as a dialog;
// throws SaveError when writing fails, leaving any previous file as it was, unless the error says
// the new one is written but not flushed or the old bytes are kept beside it.
bool SaveLevel(const Level& level, int round);

// One line of a level file as the loader read it: CRs dropped, cut at a 0x1A.
struct LoadedLine {
    std::size_t number = 0;      // from 1, counting line feeds
    std::string_view text;
    std::string_view fields[3];  // keyword and the two coordinates, as GetField gives them; views into `text`
};

// Told what the loader does with each line, for tools that explain a level file. The views live
// only for the call.
class LoadObserver {
public:
    virtual ~LoadObserver() = default;
    // The keyword is none of the kinds'.
    virtual void LineSkipped(const LoadedLine&) {}
    virtual void ObjectCreated(const LoadedLine&, const PlacedObject&) {}
    // CreateObject refused the kind: its list is at its limit.
    virtual void LimitRefused(const LoadedLine&, const ObjectKind&) {}
    // A "plataforma" line whose size field is not a platform size; nothing was created.
    virtual void PlatformSizeRefused(const LoadedLine&, std::string_view /*sizeField*/) {}
    // Reading stops at this line: fields[`field`] is the coordinate that is not an integer, or the
    // keyword (0) when creating the object failed; `linesLeft` lines follow unread.
    virtual void Stopped(const LoadedLine&, std::size_t /*field*/, const std::string& /*reason*/,
                         std::size_t /*linesLeft*/) {}
    // The text ended after `linesRead` lines with `linesLeft` lines of the data unread (a 0x1A
    // starting a line ends the text).
    virtual void Ended(std::size_t /*linesRead*/, std::size_t /*linesLeft*/) {}
};

// Empties the level and fills it from the round's file; stops silently at the first failure. A save of
// the round that was cut short is undone first, so the level is the one last saved.
void LoadLevel(Level& level, int round, LoadObserver* observer = nullptr);

// As LoadLevel, reading the bytes of a level file instead of the round's file.
void LoadLevelText(Level& level, std::string_view text, LoadObserver* observer = nullptr);

}  // namespace level
