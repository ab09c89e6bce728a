#include "findingcodes.h"

#include <algorithm>

const std::array<FindingCode, kFindingCodeCount> kFindingCodes = {{
    {"not-an-integer", Severity::Error, "a coordinate is not an integer: the editor stops reading there",
     "A coordinate of the line is not an integer, so the editor stops reading the level file at this line and "
     "keeps only the objects before it."},
    {"out-of-range", Severity::Error, "a coordinate out of the integers' range: the editor stops reading there",
     "A coordinate written as a number outside -2147483648 to 2147483647, or as more than 8 hexadecimal digits, so "
     "the editor stops reading the level file at this line."},
    {"sprite-unreadable", Severity::Error, "an object's sprite cannot be read: the editor stops reading there",
     "On the sprite file (once, however many rounds use it): it cannot be read, with the decoder's message; on the "
     "first line of each round that needs it: the editor stops reading the level file there."},
    {"unread-lines", Severity::Note, "lines after a stop that the editor never reads",
     "How many lines after the line where the editor stops it never reads."},
    {"no-hero", Severity::Error, "a level file from which no hero loads: the editor refuses to save the round",
     "A level file from which no hero loads, even when nothing loads at all, so the editor refuses to save the "
     "round."},
    {"no-bomb", Severity::Error, "a round with a hero but no bomb: the editor refuses to save it",
     "The round has a hero but no bomb, so the editor refuses to save it."},
    {"over-limit", Severity::Warning, "a line dropped by a limit of objects a round",
     "The line is dropped because its kind is at its limit: one hero, one boost, one power item, 20 bombs, "
     "10 coins, 10 platforms of any length."},
    {"bad-platform-size", Severity::Warning, "a platform whose size is not 1, 2 or 3: it is dropped",
     "A plataforma line whose size is not 1, 2 or 3; the editor drops it."},
    {"pending-position", Severity::Note, "where the next object added from the palette lands after a dropped line",
     "A dropped line leaves its position behind: the next object added from the editor's palette lands there "
     "instead of at 320,120."},
    {"unknown-keyword", Severity::Warning, "a line the editor skips, as its keyword is no kind's",
     "The line's keyword is none of the kinds', so the editor skips the line; a keyword that differs from one only "
     "in case gets a suggestion, and a byte-order mark at the start of the file is named as such. Quoted text of "
     "the file is cut after 40 bytes with an ellipsis."},
    {"out-of-reach", Severity::Warning, "an object outside the area a drag can reach",
     "The object lies outside the area a drag can reach: left 192 to 468 less its width, top 12 to 238."},
    {"odd-coordinate", Severity::Warning, "an object at an odd coordinate, where no drag puts it",
     "The object is at an odd coordinate, while a drag places objects on even ones only."},
    {"end-of-file-mark", Severity::Warning, "a 0x1A byte that ends the file before its last lines",
     "A byte 0x1A starts a line and ends the file for the editor, which never reads the lines after it."},
    {"mark-in-line", Severity::Warning, "a 0x1A byte inside a line, which ends the line for the editor",
     "A byte 0x1A inside the line ends its text for the editor, which loads the object from what stands before "
     "it (bomba,200,4 for bomba,200,4, a 0x1A, then 0). A resave refuses it unless forced."},
    {"missing-field", Severity::Warning, "a line that lacks a field the editor reads: it reads another in its place",
     "The line lacks a field the editor reads: a second coordinate (bomba,200 loads at 200,200) or a platform's "
     "size, which it then takes from the line's last field. A resave refuses to write the object the editor made of "
     "it unless forced."},
    {"unread-field", Severity::Warning, "a field the editor does not read, which a save writes otherwise",
     "A field after the coordinates differs from what a save writes for the kind (an enemy's range and speed, a "
     "platform's width, a field a save drops): the editor does not read it, and a save writes its own value, which "
     "the game then reads. A resave refuses it unless forced."},
    {"not-as-saved", Severity::Note, "the file differs from what a save writes",
     "The file differs from what a save writes only in form (line ends, how numbers are written, fields a save "
     "adds, order): the first line a save changes."},
    {"unreadable-file", Severity::Error, "a level file that exists but cannot be read",
     "The level file exists but cannot be read; the system's reason follows, with what a save would do to it."},
    {"too-large", Severity::Error, "a level file of more than 256 MiB, left unread",
     "The level file holds more than 256 MiB, which this tool does not read."},
    {"not-a-file", Severity::Error, "a level file that is a directory, a pipe, a device or a socket",
     "The level file is a directory, a pipe, a device or a socket, which the editor loads as an empty round; the "
     "message tells what a save does with it: a directory or a socket makes it fail, a pipe or a device gets the "
     "round written into it."},
    {"ambiguous-name", Severity::Warning, "several entries match one name ignoring case",
     "Several entries of a directory match one name ignoring case (Level3.lev and level3.lev, or levels and "
     "Levels): the one first in byte order is used by the editor and every command, whatever spelling asked for "
     "it. Told once per name."},
    {"no-level-file", Severity::Note, "a round without a level file, or with a link to none in its place",
     "The round has no level file (a deleted round, or a symbolic link to a file that does not exist), so the "
     "editor shows it empty."},
    {"background-missing", Severity::Warning, "a round without its background picture",
     "The round has no background picture; told at the level file, it names the 278x252 PNG the editor asks for."},
    {"background-unreadable", Severity::Warning, "a round background that cannot be decoded",
     "The round background cannot be decoded as a PNG; the decoder's message follows."},
    {"background-size", Severity::Warning, "a round background that is not 278x252",
     "The round background is not 278x252: the editor cuts off what lies beyond the game area, and the window's "
     "artwork shows where it does not reach."},
    {"save-failed", Severity::Error, "a resave that could not write the level file",
     "A resave could not write the level file: the step that failed with the system's words, then what became of "
     "the file: as it was; or with the previous round kept in a copy beside it, which is named; or written but "
     "not yet flushed, so that it may not survive a power cut."},
    {"interrupted-save", Severity::Error, "a level file whose save in place was cut short",
     "A save was cut short while it rewrote the level file in place, so the file may hold part of the new round "
     "and part of the old one. The complete copy of the old bytes beside it is named: the editor's load and "
     "resave put it back."},
    {"save-leftover", Severity::Warning, "a temporary file left beside a level file by a save cut short",
     "A temporary file or an unfinished copy that a save cut short left beside the level file; the next load or "
     "save of the round removes it."},
    {"moved", Severity::Note, "diff: an object of the kind moved",
     "Told by diff: an object moved from its place in OLD to its place in NEW.", true},
    {"added", Severity::Note, "diff: an object that NEW has and OLD does not",
     "Told by diff: NEW has an object at a place where OLD has none to pair it with.", true},
    {"removed", Severity::Note, "diff: an object that OLD has and NEW does not",
     "Told by diff: OLD has an object that NEW has none to pair with; the line is OLD's.", true},
    {"unchanged", Severity::Note, "diff: the files differ, but in form only",
     "Told by diff: the two files differ only in form (line ends, how numbers are written, lines the editor "
     "skips or drops), so no object changed.", true},
    {"changed", Severity::Note, "diff: an object whose further fields the game reads changed",
     "Told by diff: an object kept or moved whose line carries other fields after its coordinates in NEW than in "
     "OLD (an enemy's range and speed, say); the game reads them and the editor writes its own.", true},
}};

std::optional<std::size_t> FindingCodeIndex(std::string_view code) {
    for (std::size_t i = 0; i < kFindingCodes.size(); ++i)
        if (kFindingCodes[i].code == code) return i;
    return std::nullopt;
}

std::string CodeListing() {
    std::size_t width = 0;
    for (const FindingCode& c : kFindingCodes) width = std::max(width, c.code.size());
    std::string out;
    for (const FindingCode& c : kFindingCodes) {
        const std::string severity = SeverityName(c.severity);
        out += std::string(c.code) + std::string(width + 2 - c.code.size(), ' ') + severity +
               std::string(9 - severity.size(), ' ') + c.summary + "\n";
    }
    return out;
}

void CodeFilter::Select(std::size_t index) {
    selected_[index] = true;
    selecting_ = true;
}

bool CodeFilter::Keeps(std::string_view code) const {
    if (!selecting_ && !ignoring_) return true;
    const std::optional<std::size_t> index = FindingCodeIndex(code);
    if (!index) return true;
    return (!selecting_ || selected_[*index]) && !ignored_[*index];
}
