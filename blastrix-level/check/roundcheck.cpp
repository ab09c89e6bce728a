#include "roundcheck.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <future>

#include "dragarea.h"
#include "filelookup.h"
#include "gamefile.h"
#include "fields.h"
#include "gamearea.h"
#include "levelfile.h"
#include "locations.h"
#include "pathinfo.h"
#include "safefile.h"

namespace {

// Lines of the file as stored, for columns as an editor counts them: the loader drops CRs.
class RawLines {
public:
    explicit RawLines(std::string_view bytes) : bytes_(bytes) {}

    // Line `number` as stored, without its line feed.
    std::string_view Stored(std::size_t number) { return Line(number); }

    // The column, from 1, of the byte that the loader's text of line `number` has at `offset`.
    std::size_t Column(std::size_t number, std::size_t offset) {
        const std::string_view raw = Line(number);
        std::size_t kept = 0;
        std::size_t past = 1;  // the column after the last byte kept: the end of the loader's text
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\r') continue;
            if (kept++ == offset) return i + 1;
            past = i + 2;
        }
        return past;
    }

private:
    // Asked for in rising order nearly always, so the search goes on from the last line found.
    std::string_view Line(std::size_t number) {
        if (number < number_) {
            number_ = 1;
            start_ = 0;
        }
        while (number_ < number && start_ < bytes_.size()) {
            const std::size_t feed = bytes_.find('\n', start_);
            start_ = feed == std::string_view::npos ? bytes_.size() : feed + 1;
            ++number_;
        }
        const std::size_t end = std::min(bytes_.find('\n', start_), bytes_.size());
        return bytes_.substr(start_, end - start_);
    }

    std::string_view bytes_;
    std::size_t number_ = 1;
    std::size_t start_ = 0;
};

constexpr std::string_view kByteOrderMark = "\xef\xbb\xbf";

// "1, 2 or 3"
std::string PlatformSizes() {
    std::vector<std::string> sizes;
    for (const level::ObjectKind& kind : level::kKinds)
        if (kind.list == level::ListId::Platform) sizes.push_back(std::to_string(kind.platformSize));
    std::string text = sizes.back();
    for (std::size_t i = sizes.size() - 1; i-- > 0;) text = sizes[i] + (i + 2 == sizes.size() ? " or " : ", ") + text;
    return text;
}

std::string LimitText(const level::ObjectKind& kind) {
    std::string text = "line dropped: over the limit of " + std::to_string(kind.limit) + " " + Quoted(kind.keyword) +
                       (kind.limit == 1 ? " object" : " objects") + " a round";
    if (kind.list == level::ListId::Platform) text += ", all lengths together";
    return text;
}

std::string OutOfRangeText(std::string_view field, level::LevelIntFault fault) {
    const std::string range = fault == level::LevelIntFault::HexOutOfRange
                                  ? "a hexadecimal coordinate has at most 8 digits, $0 to $FFFFFFFF"
                                  : "a coordinate lies from -2147483648 to 2147483647";
    return Quoted(field) + " is out of range (" + range + "), so the editor stops reading here";
}

// What a save writes after the coordinates of every object of kind `k`, line end included, taken
// from the writer.
std::string_view SavedTail(std::size_t k) {
    static const std::array<std::string, level::kKinds.size()> tails = [] {
        std::array<std::string, level::kKinds.size()> all;
        for (std::size_t i = 0; i < all.size(); ++i) {
            const level::ObjectKind& kind = level::kKinds[i];
            const level::PlacedObject sample{kind.tag, {1, 1, kind.width, kind.height}};
            char line[level::kLineCapacity];
            const std::size_t length = level::FormatObjectLine(sample, line);
            all[i].assign(line + kind.keyword.size() + 4, line + length);  // past "keyword,1,1"
        }
        return all;
    }();
    return tails[k];
}

std::vector<std::string_view> SplitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) return fields;
        start = comma + 1;
    }
}

// Two fields the game reads alike: the same text, or the same integer written otherwise.
bool SameValue(std::string_view a, std::string_view b) {
    if (a == b) return true;
    const std::optional<std::int32_t> x = level::ParseLevelInt(a);
    return x && x == level::ParseLevelInt(b);
}

// Reports what the loader does with the lines of one level file.
class LineExplainer : public level::LoadObserver {
public:
    LineExplainer(std::string_view bytes, RoundReport& report, const SpriteNamer& spriteNamer)
        : bytes_(bytes), lines_(bytes), report_(report), spriteNamer_(spriteNamer) {}

    // Whether the file is byte for byte what a save of the loaded level writes. Told line by line as
    // the objects come, so that a file that is needs no second text to compare with.
    bool AsSaved() const { return asSaved_ && savedUpTo_ == bytes_.size(); }

    void LineSkipped(const level::LoadedLine& line) override {
        if (line.text.empty()) return;
        std::string_view keyword = line.fields[0];
        std::string message;
        if (line.number == 1 && keyword.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
            // Editors that save "UTF-8 with BOM" put three bytes before the first keyword.
            keyword.remove_prefix(kByteOrderMark.size());
            message = "the file starts with a UTF-8 byte-order mark, which the editor reads as part of the keyword " +
                      Quoted(keyword) + ": the line is skipped; save the file without the mark";
        } else {
            message = "unknown keyword " + Quoted(keyword) + ": the line is skipped";
        }
        for (const level::ObjectKind& kind : level::kKinds) {
            if (keyword == kind.keyword) break;
            if (files::EqualIgnoringCase(keyword, kind.keyword)) {
                message += "; did you mean " + Quoted(kind.keyword) + "?";
                break;
            }
        }
        Add(line, line.fields[0], Severity::Warning, "unknown-keyword", std::move(message));
    }

    void ObjectCreated(const level::LoadedLine& line, const level::PlacedObject& object) override {
        if (asSaved_) FollowSave(line, object);
        // A line that stands where a save writes it, as it writes it, says what the editor loads.
        if (!asSaved_) {
            if (std::optional<MeaningChange> change = ChangedMeaning(line, object, lines_.Stored(line.number)))
                Add(line, line.text.substr(change->offset, 0), Severity::Warning, change->code,
                    std::move(change->message));
        }
        if (firstObjectLine == 0) firstObjectLine = line.number;
        if (object.tag == level::kHeroTag) heroLine = line.number;
        const level::Bounds& b = object.bounds;
        const level::DragPosition at{b.left, b.top};
        if (level::SnapDragged(at, b.width) == at) return;
        const std::string where =
            Quoted(line.fields[0]) + " at " + std::to_string(b.left) + "," + std::to_string(b.top);
        if (level::WithinDragBounds(at, b.width)) {
            Add(line, line.fields[b.left % 2 != 0 ? 1 : 2], Severity::Warning, "odd-coordinate",
                where + " has an odd coordinate; a drag places objects on even ones only");
        } else {
            const bool leftOut = !level::WithinDragBounds({at.left, level::kDragTop}, b.width);
            Add(line, line.fields[leftOut ? 1 : 2], Severity::Warning, "out-of-reach",
                where + " lies outside the area a drag can reach (left " + std::to_string(level::kDragLeft) + " to " +
                    std::to_string(level::kDragRight - b.width) + ", top " + std::to_string(level::kDragTop) + " to " +
                    std::to_string(level::kDragBottom) + ")");
        }
    }

    void LimitRefused(const level::LoadedLine& line, const level::ObjectKind& kind) override {
        pendingLine = line.number;
        Add(line, line.fields[0], Severity::Warning, "over-limit", LimitText(kind));
    }

    void PlatformSizeRefused(const level::LoadedLine& line, std::string_view size) override {
        pendingLine = line.number;
        Add(line, size, Severity::Warning, "bad-platform-size",
            "platform size " + Quoted(size) + " is not " + PlatformSizes() + ": the line is dropped");
    }

    void Stopped(const level::LoadedLine& line, std::size_t field, const std::string& reason,
                 std::size_t linesLeft) override {
        const std::string_view text = line.fields[field];
        if (field == 0) {
            const std::string sprite = spriteNamer_ ? spriteNamer_() : std::string();
            Add(line, text, Severity::Error, "sprite-unreadable",
                sprite.empty() ? "the sprite of " + Quoted(text) + " cannot be read, so the editor stops reading here: " +
                                     reason
                               : "the sprite " + sprite + " of " + Quoted(text) +
                                     " cannot be read, so the editor stops reading here");
        } else {
            // The second coordinate fails after the first has been kept for the next object.
            if (field == 2) pendingLine = line.number;
            Keep(CoordinateStop(report_.levelFile, line, field, Column(line, text)));
        }
        if (linesLeft > 0) Keep(UnreadLines(report_.levelFile, line.number, Column(line, line.fields[0]), linesLeft));
    }

    void Ended(std::size_t linesRead, std::size_t linesLeft) override {
        if (std::optional<Finding> mark = EndOfFileMark(report_.levelFile, linesRead, linesLeft)) {
            mark->column = lines_.Column(mark->line, 0);
            Keep(std::move(*mark));
        }
    }

    void Report(std::size_t line, std::size_t column, Severity severity, const char* code, std::string message) {
        report_.findings.push_back({report_.levelFile, line, column, severity, code, std::move(message)});
    }

    std::size_t firstObjectLine = 0;
    std::size_t heroLine = 0;
    std::size_t pendingLine = 0;

private:
    // The line a save writes for the object is its keyword and coordinates, then what it writes for
    // every object of the kind. The file is as saved while each line lies where the save writes it,
    // with the coordinates as a save writes them and that same rest; and as a save writes the lists in
    // order, the objects come list by list.
    void FollowSave(const level::LoadedLine& line, const level::PlacedObject& object) {
        const auto k = static_cast<std::size_t>(object.tag - level::kFirstTag);
        const std::string_view left = line.fields[1];
        const std::string_view top = line.fields[2];
        const std::string_view rest = SavedTail(k);
        const char* const end = top.data() + top.size();
        asSaved_ = level::kKinds[k].list >= lastList_ && line.text.data() == bytes_.data() + savedUpTo_ &&
                   top.data() == left.data() + left.size() + 1 && AsWritten(left) && AsWritten(top) &&
                   rest.size() <= static_cast<std::size_t>(bytes_.data() + bytes_.size() - end) &&
                   std::equal(rest.begin(), rest.end(), end);
        lastList_ = level::kKinds[k].list;
        if (asSaved_) savedUpTo_ = static_cast<std::size_t>(end - bytes_.data()) + rest.size();
    }

    // A coordinate as a save writes it: decimal digits without a leading zero, after a '-' when
    // negative. A zero never is, as it stands for the default position.
    static bool AsWritten(std::string_view field) {
        std::size_t i = !field.empty() && field.front() == '-' ? 1 : 0;
        if (i == field.size() || field[i] == '0') return false;
        for (; i < field.size(); ++i)
            if (field[i] < '0' || field[i] > '9') return false;
        return true;
    }

    void Add(const level::LoadedLine& line, std::string_view field, Severity severity, const char* code,
             std::string message) {
        Report(line.number, Column(line, field), severity, code, std::move(message));
    }

    std::size_t Column(const level::LoadedLine& line, std::string_view field) {
        return lines_.Column(line.number, static_cast<std::size_t>(field.data() - line.text.data()));
    }

    void Keep(Finding finding) { report_.findings.push_back(std::move(finding)); }

    std::string_view bytes_;
    RawLines lines_;
    RoundReport& report_;
    const SpriteNamer& spriteNamer_;
    bool asSaved_ = true;
    std::size_t savedUpTo_ = 0;
    level::ListId lastList_ = level::ListId::Hero;
};

// What a save does with the level file, by what it is.
std::string SaveOutcome(files::NodeKind kind, const std::string& path) {
    const auto fails = [](int error) { return "a save fails (\"" + level::SaveErrorText(error) + "\")"; };
    switch (kind) {
    case files::NodeKind::Regular:
        if (const int error = files::WriteAccessError(path)) return fails(error);
        return "a save overwrites it";
    case files::NodeKind::Directory: return fails(EISDIR);
    case files::NodeKind::Fifo:
        return "a save writes the round into the pipe, or fails (\"" + level::SaveErrorText(ENXIO) +
               "\") while nothing reads it";
    case files::NodeKind::Device: return "a save writes the round into the device";
    case files::NodeKind::Socket: break;
    }
    return fails(ENXIO);
}

std::string_view LineAt(std::string_view text, std::size_t start) {
    if (start >= text.size()) return {};
    return text.substr(start, std::min(text.find('\n', start), text.size()) - start);
}

std::string_view WithoutCr(std::string_view line) {
    return !line.empty() && line.back() == '\r' ? line.substr(0, line.size() - 1) : line;
}

}  // namespace

Finding CoordinateStop(const std::string& file, const level::LoadedLine& line, std::size_t field,
                       std::size_t column) {
    const std::string_view text = line.fields[field];
    const level::LevelIntFault fault = level::WhyNotLevelInt(text);
    return {file, line.number, column, Severity::Error, StopCode(line, field),
            fault == level::LevelIntFault::NotANumber ? Quoted(text) + " is not an integer, so the editor stops reading here"
                                                      : OutOfRangeText(text, fault)};
}

Finding UnreadLines(const std::string& file, std::size_t line, std::size_t column, std::size_t linesLeft) {
    return {file, line, column, Severity::Note, "unread-lines",
            "the editor never reads the " + Counted(linesLeft, "line", "lines") + " after this one"};
}

std::optional<Finding> EndOfFileMark(const std::string& file, std::size_t linesRead, std::size_t linesLeft) {
    // A 0x1A alone on the last line is the old end-of-file mark; only lines after it are lost.
    if (linesLeft <= 1) return std::nullopt;
    return Finding{file, linesRead + 1, 1, Severity::Warning, "end-of-file-mark",
                   "a 0x1A byte starts this line and ends the file for the editor, which never reads the " +
                       Counted(linesLeft - 1, "line", "lines") + " after it"};
}

std::optional<Finding> FirstUnsavedLine(std::string_view bytes, const std::string& saved, const std::string& file,
                                        Severity severity) {
    // Block by block first: a large round's file and its save are megabytes alike.
    constexpr std::size_t kBlock = 4096;
    const std::size_t shorter = std::min(bytes.size(), saved.size());
    std::size_t common = 0;
    while (common + kBlock <= shorter && std::memcmp(bytes.data() + common, saved.data() + common, kBlock) == 0)
        common += kBlock;
    while (common < shorter && bytes[common] == saved[common]) ++common;
    if (common == bytes.size() && common == saved.size()) return std::nullopt;
    const std::size_t lastFeed = common == 0 ? std::string_view::npos : bytes.rfind('\n', common - 1);
    const std::size_t start = lastFeed == std::string_view::npos ? 0 : lastFeed + 1;
    const auto line =
        static_cast<std::size_t>(std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(start), '\n')) +
        1;

    const std::string_view savedLine = WithoutCr(LineAt(saved, start));
    std::string message = "the file is not as a save writes it: ";
    if (start >= saved.size())
        message += "a save ends the file before this line";
    else if (WithoutCr(LineAt(bytes, start)) == savedLine)
        message += "a save ends this line with CR LF";
    else
        message += "a save writes this line as " + Quoted(savedLine);
    return Finding{file, line, common - start + 1, severity, "not-as-saved", std::move(message)};
}

const char* StopCode(const level::LoadedLine& line, std::size_t field) {
    if (field == 0) return "sprite-unreadable";
    return level::WhyNotLevelInt(line.fields[field]) == level::LevelIntFault::NotANumber ? "not-an-integer"
                                                                                         : "out-of-range";
}

std::optional<MeaningChange> ChangedMeaning(const level::LoadedLine& line, const level::PlacedObject& object,
                                            std::string_view stored) {
    const auto k = static_cast<std::size_t>(object.tag - level::kFirstTag);
    const level::ObjectKind& kind = level::kKinds[k];
    std::string_view tail = SavedTail(k);
    tail.remove_suffix(2);  // the line end, which the loader's text lacks
    const std::string_view top = line.fields[2];
    const bool ownTop = top.data() != line.fields[1].data();
    const char* const end = top.data() + top.size();
    // Nearly every line ends as a save writes it; only the others are taken apart.
    if (ownTop && std::string_view(end, static_cast<std::size_t>(line.text.data() + line.text.size() - end)) == tail)
        return std::nullopt;
    const std::string where =
        " loads at " + std::to_string(object.bounds.left) + "," + std::to_string(object.bounds.top);
    // The loader drops CRs, and ends a line's text at a 0x1A.
    if (line.text.size() < static_cast<std::size_t>(stored.size() - std::count(stored.begin(), stored.end(), '\r')))
        return MeaningChange{"mark-in-line", line.text.size(),
                             "a 0x1A byte ends the line for the editor, which reads " + Quoted(line.text) + ", so " +
                                 Quoted(kind.keyword) + where};
    if (!ownTop)
        return MeaningChange{"missing-field", line.text.size(),
                             Quoted(kind.keyword) +
                                 " has no second coordinate: the editor reads the first twice, so it" + where};
    const std::vector<std::string_view> fields = SplitFields(line.text);
    const std::string savedLine = std::string(kind.keyword) + ",0,0" + std::string(tail);
    const std::vector<std::string_view> saved = SplitFields(savedLine);
    // A platform's size is the last field a save writes.
    if (kind.list == level::ListId::Platform && fields.size() < saved.size())
        return MeaningChange{"missing-field", line.text.size(),
                             Quoted(kind.keyword) + " has no size field: the editor takes the size from the last " +
                                 "field, " + Quoted(fields.back()) + ", so it" + where + " as a platform " +
                                 std::to_string(kind.width) + " pixels wide"};
    for (std::size_t i = 3; i < fields.size(); ++i) {
        // A line may end before the fields the editor does not read; a save adds them.
        if (i < saved.size() ? SameValue(fields[i], saved[i]) : fields[i].empty()) continue;
        const auto offset = static_cast<std::size_t>(fields[i].data() - line.text.data());
        const std::string number = std::to_string(i + 1);
        return MeaningChange{"unread-field", offset,
                             "field " + number + " of " + Quoted(kind.keyword) + " is " + Quoted(fields[i]) +
                                 ", which the editor does not read: a save " +
                                 (i < saved.size() ? "writes " + Quoted(saved[i]) + " in its place" : "drops it")};
    }
    return std::nullopt;
}

LevelFileBytes ReadLevelFile(const std::string& path) {
    LevelFileBytes file;
    const files::GameFile opened = files::OpenGameFile(path);
    file.kind = opened.kind;
    if (opened.error != 0) {
        if (opened.error != ENOENT && opened.error != ENOTDIR) file.error = std::strerror(opened.error);
        return file;
    }
    if (!opened.Readable()) {
        file.error = "not a regular file";
        return file;
    }
    if (static_cast<std::uintmax_t>(opened.size) > kMostLevelFileBytes) {
        file.tooLarge = true;
        file.error = "it holds " + std::to_string(opened.size) + " bytes, more than the " +
                     std::to_string(kMostLevelFileBytes >> 20) + " MiB this tool reads";
        return file;
    }
    std::string bytes;
    // One byte more than the file holds, so that the end shows without growing the buffer.
    std::size_t room = static_cast<std::size_t>(opened.size) + 1;
    std::size_t got = 0;
    while (file.error.empty()) {
        // A file that grows while it is read stops at the limit all the same.
        if (got > kMostLevelFileBytes) {
            file.tooLarge = true;
            file.error = "it grew past the " + std::to_string(kMostLevelFileBytes >> 20) + " MiB this tool reads";
            break;
        }
        if (got == room) room *= 2;
        if (bytes.size() < room) bytes.resize(room);
        std::size_t n = 0;
        try {
            n = opened.file.Read(bytes.data() + got, room - got);
        } catch (const files::FileSystemError& e) {
            file.error = e.what();
        }
        if (n == 0) break;
        got += n;
    }
    bytes.resize(got);
    if (file.error.empty()) file.bytes = std::move(bytes);
    return file;
}

Finding UnreadableLevelFile(const LevelFileBytes& file, const std::string& shown, const std::string& consequence) {
    static constexpr const char* kNames[] = {"a regular file", "a directory", "a pipe", "a device", "a socket"};
    if (file.tooLarge)
        return {shown, 0, 0, Severity::Error, "too-large", "the level file is not read: " + file.error + "; " + consequence};
    if (file.kind == files::NodeKind::Regular)
        return {shown, 0, 0, Severity::Error, "unreadable-file",
                "the level file cannot be read (" + file.error + "): " + consequence};
    return {shown, 0, 0, Severity::Error, "not-a-file",
            std::string("the level file is ") + kNames[static_cast<int>(file.kind)] + ": " + consequence};
}

void CheckLevelText(level::Level& level, std::string_view bytes, RoundReport& report, const SpriteNamer& spriteNamer) {
    LineExplainer explainer(bytes, report, spriteNamer);
    level::LoadLevelText(level, bytes, &explainer);

    // Only the platform list holds more than one kind.
    for (std::size_t k = 0; k < level::kKinds.size(); ++k)
        if (level::kKinds[k].list != level::ListId::Platform)
            report.counts[k] = level.List(level::kKinds[k].list).size();
    for (const level::PlacedObject* platform : level.List(level::ListId::Platform))
        ++report.counts[static_cast<std::size_t>(platform->tag - level::kFirstTag)];

    if (level.pendingX != 0 || level.pendingY != 0) {
        const std::int32_t x = level.pendingX != 0 ? level.pendingX : level::kDefaultLeft;
        const std::int32_t y = level.pendingY != 0 ? level.pendingY : level::kDefaultTop;
        explainer.Report(explainer.pendingLine, 1, Severity::Note, "pending-position",
                         "after loading, the next object added from the palette lands at " + std::to_string(x) + "," +
                             std::to_string(y) + " instead of at " + std::to_string(level::kDefaultLeft) + "," +
                             std::to_string(level::kDefaultTop));
    }

    const std::optional<level::SaveRefusal> refusal = level::RefuseToSave(level);
    if (refusal) {
        const bool noHero = level.List(level::ListId::Hero).empty();
        // A file from which nothing loads is a round the game cannot play, named at its start.
        const char* what = !noHero                  ? "the round has a hero but no bomb"
                           : level.ObjectCount() > 0 ? "the round has objects but no hero"
                                                     : "no object loads from the file, so the editor shows the round empty";
        explainer.Report(noHero ? std::max<std::size_t>(explainer.firstObjectLine, 1) : explainer.heroLine, 1,
                         Severity::Error, noHero ? "no-hero" : "no-bomb",
                         std::string(what) + ": the editor refuses to save it (\"" + refusal->text + "\")");
    }
    if (!refusal && !explainer.AsSaved()) {
        if (std::optional<Finding> unsaved =
                FirstUnsavedLine(bytes, level::FormatLevel(level), report.levelFile, Severity::Note))
            report.findings.push_back(std::move(*unsaved));
    }
}

std::optional<Finding> CheckBackground(const FolderFile& background, const std::string& levelFile) {
    const auto finding = [&](const char* code, std::string message) {
        return Finding{background.shown, 0, 0, Severity::Warning, code, std::move(message)};
    };
    const std::string size = std::to_string(level::kGameAreaWidth) + "x" + std::to_string(level::kGameAreaHeight);
    const int lookError = files::LookAt(background.path).error;
    // Told at the level file, as annotations need a file that is there.
    if (lookError == ENOENT || lookError == ENOTDIR)
        return Finding{levelFile, 0, 0, Severity::Warning, "background-missing",
                       "the round has no background: the editor asks for a " + size + " PNG, " + background.shown};
    files::RgbaImage image;
    try {
        image = files::DecodePngFile(background.path);
    } catch (const files::PngError& e) {
        return finding("background-unreadable", std::string("the round background cannot be read: ") + e.what());
    }
    if (image.width == level::kGameAreaWidth && image.height == level::kGameAreaHeight) return std::nullopt;
    const bool larger = image.width > level::kGameAreaWidth || image.height > level::kGameAreaHeight;
    const bool smaller = image.width < level::kGameAreaWidth || image.height < level::kGameAreaHeight;
    std::string message = "the round background is " + std::to_string(image.width) + "x" +
                          std::to_string(image.height) + ", not " + size + ": ";
    if (larger) message += "the editor cuts off what lies beyond the game area";
    if (larger && smaller) message += ", and ";
    if (smaller) message += "the window's artwork shows where it does not reach";
    return finding("background-size", std::move(message));
}

namespace {

// What saves cut short left beside the level file, named as the file is.
void AddSaveLeftovers(const FolderFile& levelFile, RoundReport& report) {
    const files::SaveLeftovers leftovers = files::FindSaveLeftovers(levelFile.path);
    const auto shown = [&levelFile](const std::string& path) {
        return files::ShownBeside(levelFile.shown, path.substr(files::FindLastPathSeparator(path) + 1));
    };
    if (!leftovers.journal.empty())
        report.findings.push_back({report.levelFile, 0, 0, Severity::Error, "interrupted-save",
                                   "a save was cut short while it rewrote this file in place: the round last saved "
                                   "is in " + shown(leftovers.journal) + ", which the editor's load and resave put back"});
    for (const std::string& temporary : leftovers.temporaries)
        report.findings.push_back({shown(temporary), 0, 0, Severity::Warning, "save-leftover",
                                   "a file left by a save that was cut short: the next load or save of the round "
                                   "removes it"});
}

}  // namespace

Finding MissingLevelFile(const FolderFile& levelFile) {
    std::string message = "the round has no level file: the editor shows it empty";
    if (const std::optional<std::string> link = files::LinkTarget(levelFile.path))
        message = "the level file is a link to " + *link + ", which does not exist: the editor shows the round empty";
    return {levelFile.shown, 0, 0, Severity::Note, "no-level-file", std::move(message)};
}

RoundReport CheckRound(const GameFolder& folder, HeadlessServices& services, int round) {
    RoundReport report;
    report.round = round;
    const FolderFile levelFile = folder.LevelFile(round);
    report.levelFile = levelFile.shown;
    const FolderFile background = folder.Background(round);
    report.backgroundFile = background.shown;
    // Decoding the background takes as long as loading a large round: it runs meanwhile.
    std::future<std::optional<Finding>> backgroundFinding =
        std::async(std::launch::async, [&] { return CheckBackground(background, report.levelFile); });
    const LevelFileBytes file = ReadLevelFile(levelFile.path);
    if (file.tooLarge) {
        report.levelFileExists = true;
        report.findings.push_back({report.levelFile, 0, 0, Severity::Error, "too-large",
                                   "the level file is not checked: " + file.error});
    } else if (!file.error.empty()) {
        report.levelFileExists = true;
        report.findings.push_back(UnreadableLevelFile(file, report.levelFile,
                                                      "the editor shows the round empty, and " + SaveOutcome(file.kind, levelFile.path)));
    } else if (file.bytes) {
        report.levelFileExists = true;
        level::Level level(services, folder.ProgramDirectory());
        services.ForgetFailedSprite();
        const SpriteNamer namer = [&] { return folder.Locate(services.FailedSprite()).shown; };
        CheckLevelText(level, *file.bytes, report, namer);
        // One finding on the sprite itself; the run reports it once for all its rounds.
        if (!services.FailedSprite().empty())
            report.findings.push_back({namer(), 0, 0, Severity::Error, "sprite-unreadable",
                                       "the sprite cannot be read: " + services.FailedSpriteReason() +
                                           "; the editor stops loading a round at the first object that needs it"});
    } else {
        report.findings.push_back(MissingLevelFile(levelFile));
    }
    AddSaveLeftovers(levelFile, report);
    if (std::optional<Finding> finding = backgroundFinding.get()) report.findings.push_back(std::move(*finding));
    // The level file's findings first, then the other files'; each file's by line.
    std::stable_sort(report.findings.begin(), report.findings.end(), [&](const Finding& a, const Finding& b) {
        const bool aOther = a.file != report.levelFile;
        const bool bOther = b.file != report.levelFile;
        return aOther != bOther ? bOther : a.line < b.line;
    });
    return report;
}

std::vector<Finding> AmbiguousNames(const GameFolder& folder, int round, std::set<std::string>& reported) {
    const std::string& base = folder.ProgramDirectory();
    std::vector<std::string> composed = {level::LevelFilePath(base, round),
                                         level::BackgroundPath(base, round, level::BackgroundSpelling::Startup)};
    for (const level::ObjectKind& kind : level::kKinds) composed.push_back(level::SpritePath(base, kind));
    // Named as reachable from the current directory, as every finding is.
    const std::string shownFolder = folder.Directory().empty() ? std::string() : base;
    std::vector<Finding> findings;
    for (const std::string& path : composed) {
        std::string shown;
        std::size_t start = base.size();
        while (start < path.size()) {
            const std::size_t end = std::min(path.find('/', start), path.size());
            const std::string name = path.substr(start, end - start);
            std::vector<std::string> entries;
            try {
                entries = files::EntriesIgnoringCase(base + shown, name);
            } catch (const files::FileSystemError&) {
                // The round's own findings tell of a folder that cannot be read.
            }
            if (entries.empty()) break;
            const std::string key = files::LowerAscii(shown + name);
            if (entries.size() > 1 && reported.insert(key).second) {
                std::string spellings;
                for (const std::string& entry : entries) spellings += (spellings.empty() ? "" : ", ") + entry;
                findings.push_back({shownFolder + shown + entries.front(), 0, 0, Severity::Warning, "ambiguous-name",
                                    "several entries match this name ignoring case (" + spellings +
                                        "): the editor and every command use " + entries.front()});
            }
            shown += entries.front() + "/";
            start = end + 1;
        }
    }
    return findings;
}
