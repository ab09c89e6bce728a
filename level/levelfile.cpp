#include "levelfile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <optional>

#include "fields.h"
#include "gamefile.h"
#include "linereader.h"
#include "locations.h"
#include "pathinfo.h"
#include "safefile.h"

namespace level {
namespace {

constexpr char kSeparator = ',';
constexpr std::string_view kLineEnd = "\r\n";
constexpr int kPlatformSizeField = 7;

constexpr std::string_view kPlatformKeyword = kKinds[kPlatform50Tag - kFirstTag].keyword;

constexpr std::size_t kLongestInt = 11;  // "-2147483648"
// About the length of a saved line, for reserving the file's bytes up front.
constexpr std::size_t kTypicalLineLength = 32;

std::size_t WriteLine(char (&line)[kLineCapacity], const ObjectKind& kind, const PlacedObject& object) {
    char* p = line;
    const auto put = [&p](std::string_view text) { p = std::copy(text.begin(), text.end(), p); };
    const auto putInt = [&p](std::int32_t value) {
        *p++ = kSeparator;
        p = std::to_chars(p, p + kLongestInt, value).ptr;
    };
    put(kind.keyword);
    putInt(object.bounds.left);
    putInt(object.bounds.top);
    if (kind.writesSize) {
        putInt(object.bounds.width);
        putInt(object.bounds.height);
    }
    put(kind.lineTail);
    put(kLineEnd);
    return static_cast<std::size_t>(p - line);
}

// Platforms are written by their width, whatever kind made them.
const ObjectKind* PlatformKindOfWidth(std::int32_t width) {
    for (const ObjectKind& kind : kKinds)
        if (kind.list == ListId::Platform && kind.width == width) return &kind;
    return nullptr;
}

const ObjectKind* KindOfKeyword(std::string_view keyword) {
    if (keyword.empty()) return nullptr;
    // Looking at the first letter first spares a comparison call for nearly every kind.
    for (const ObjectKind& kind : kKinds) {
        if (keyword.front() == kind.keyword.front() && kind.list != ListId::Platform && keyword == kind.keyword)
            return &kind;
    }
    return nullptr;
}

const ObjectKind* PlatformKindOfSize(std::string_view size) {
    for (const ObjectKind& kind : kKinds) {
        if (kind.list != ListId::Platform) continue;
        char digits[4];
        const auto result = std::to_chars(digits, digits + sizeof digits, kind.platformSize);
        if (size == std::string_view(digits, static_cast<std::size_t>(result.ptr - digits))) return &kind;
    }
    return nullptr;
}

[[noreturn]] void ThrowNotAnInteger(std::string_view field) {
    throw std::invalid_argument("'" + std::string(field) + "' is not a valid integer value");
}

std::int32_t ReadCoordinate(std::string_view field) {
    std::int32_t value = 0;
    if (!ParseLevelInt(field, value)) ThrowNotAnInteger(field);
    return value;
}

// The field a failed line stopped at: the first coordinate that is not an integer, else the
// keyword, whose object could not be created.
std::size_t FailedField(const LoadedLine& seen) {
    for (const std::size_t field : {1, 2})
        if (!ParseLevelInt(seen.fields[field])) return field;
    return 0;
}

// Counting the lines left refills the reader's buffer under the line's views, so the observer is
// shown a copy of the line.
void ReportStop(const LoadedLine& seen, const std::string& reason, LineReader& reader, LoadObserver& observer) {
    const std::string text(seen.text);
    LoadedLine copy = seen;
    copy.text = text;
    for (std::size_t i = 0; i < std::size(copy.fields); ++i) {
        const std::string_view field = seen.fields[i];
        const bool inLine = field.data() >= seen.text.data() && field.data() <= seen.text.data() + seen.text.size();
        copy.fields[i] = inLine ? std::string_view(text).substr(static_cast<std::size_t>(field.data() - seen.text.data()),
                                                                field.size())
                                : std::string_view();
    }
    const std::size_t field = FailedField(copy);
    observer.Stopped(copy, field, reason, reader.CountRemainingLines());
}

// One loop for both loads; the editor's, which nobody watches, is compiled without the observer's
// bookkeeping, which would otherwise cost it a sixth of its time.
template <bool kObserved>
void ReadLines(Level& level, LineReader& reader, LoadObserver* observer) {
    std::string_view line;
    LoadedLine seen;
    std::string_view* const fields = seen.fields;
    while (reader.ReadLine(line)) {
        if constexpr (kObserved) {
            ++seen.number;
            seen.text = line;
        }
        try {
            GetFields(line, kSeparator, fields, std::size(seen.fields));
            const std::string_view keyword = fields[0];
            const bool platform = keyword == kPlatformKeyword;
            const ObjectKind* kind = platform ? nullptr : KindOfKeyword(keyword);
            if (!platform && kind == nullptr) {
                if constexpr (kObserved) observer->LineSkipped(seen);
                continue;
            }

            level.pendingX = ReadCoordinate(fields[1]);
            level.pendingY = ReadCoordinate(fields[2]);
            std::string_view size;
            if (platform) {
                size = GetField(line, kSeparator, kPlatformSizeField);
                kind = PlatformKindOfSize(size);
            }
            if (kind == nullptr) {
                if constexpr (kObserved) observer->PlatformSizeRefused(seen, size);
                continue;
            }
            const PlacedObject* object = level.CreateObject(kind->tag);
            if constexpr (kObserved) {
                if (object != nullptr) observer->ObjectCreated(seen, *object);
                else observer->LimitRefused(seen, *kind);
            }
        } catch (const std::exception& e) {
            if constexpr (kObserved) ReportStop(seen, e.what(), reader, *observer);
            throw;
        }
    }
    if constexpr (kObserved) observer->Ended(seen.number, reader.CountRemainingLines());
}

void ReadObjects(Level& level, LineReader& reader, LoadObserver* observer) {
    if (observer != nullptr) ReadLines<true>(level, reader, observer);
    else ReadLines<false>(level, reader, nullptr);
}

void ReadFile(Level& level, int round, LoadObserver* observer) {
    const std::string& directory = level.ProgramDirectory();
    // A pipe, a device or a directory is no level file; like a missing file, it leaves the level empty.
    std::string path = LocateLevelFile(directory, round).onDisk;
    try {
        files::UndoInterruptedSave(path);
    } catch (const files::SaveFailure& e) {
        // The round last saved is in the copy that could not be put back.
        path = e.KeptCopy();
    }
    const files::GameFile file = files::OpenGameFile(path);
    if (!file.Readable()) return;

    LineReader reader([&file](char* buffer, std::size_t capacity) { return file.file.Read(buffer, capacity); });
    ReadObjects(level, reader, observer);
}

template <typename Read>
void Load(Level& level, Read read) {
    level.Clear();
    const BusyCursor busy(level.Services());
    try {
        read();
    } catch (...) {
        // A level file ends at its first bad line; what was read before it stays.
    }
}

// The round's file in the levels directory that exists, spelled as found or, when new, as composed.
std::string LevelFileToWrite(const std::string& directory, int round) {
    const FileLocation levels = Locate(directory, directory + kLevelsDirectory);
    if (!levels.found || !files::IsDirectory(levels.onDisk))
        throw files::FileSystemError(ENOTDIR, "No levels directory in " + directory);
    const FileLocation file = LocateLevelFile(directory, round);
    return file.found ? file.onDisk : levels.onDisk + "/" + LevelFileName(round);
}

std::string NotSavedReport(const std::string& reason) { return "not saved: " + reason + "; the level is as it was"; }

std::string KeptCopyText(const files::SaveFailure& failure) {
    return "; the previous level is kept in " + failure.KeptCopy();
}

}  // namespace

std::string SaveErrorText(int error) {
    switch (error) {
    case ENOENT: return "File not found";
    case ENOTDIR: return "Invalid filename";
    case EMFILE:
    case ENFILE: return "Too many open files";
    case EACCES:
    case EPERM:
    case EROFS:
    // Creating a file where a directory stands is refused as access, not as a failure of the device.
    case EISDIR: return "File access denied";
    default: return "I/O error " + std::to_string(error);
    }
}

std::string SaveFailureReport(const files::SaveFailure& failure) {
    const std::string reason = failure.what();
    switch (failure.Left()) {
    case files::SaveLeft::OldBytes: break;
    case files::SaveLeft::CopyOfOldBytes: return "not saved: " + reason + KeptCopyText(failure);
    case files::SaveLeft::NewBytesUnflushed: return "written, but may not survive a power cut: " + reason;
    }
    return NotSavedReport(reason);
}

std::size_t FormatObjectLine(const PlacedObject& object, char (&line)[kLineCapacity]) {
    const ObjectKind& kind = KindOf(object.tag);
    if (kind.list != ListId::Platform) return WriteLine(line, kind, object);
    const ObjectKind* byWidth = PlatformKindOfWidth(object.bounds.width);
    return byWidth != nullptr ? WriteLine(line, *byWidth, object) : 0;
}

std::string FormatLevel(const Level& level) {
    std::string out;
    out.reserve(level.ObjectCount() * kTypicalLineLength);
    // Each line is put together on the stack and appended at once: appending it piece by piece cost
    // more than the rest of saving.
    char line[kLineCapacity];
    const ObjectList& heroes = level.List(ListId::Hero);
    if (!heroes.empty()) out.append(line, FormatObjectLine(*heroes.front(), line));
    for (const ListId id : {ListId::Enemy1, ListId::Enemy2, ListId::Bomb, ListId::Coin, ListId::Boost, ListId::Power,
                            ListId::Platform}) {
        for (const auto& object : level.List(id)) out.append(line, FormatObjectLine(*object, line));
    }
    return out;
}

std::optional<SaveRefusal> RefuseToSave(const Level& level) {
    if (level.List(ListId::Hero).empty()) return SaveRefusal{kNoHeroMessage, DialogType::Confirmation};
    if (level.List(ListId::Bomb).empty()) return SaveRefusal{kNoBombMessage, DialogType::Information};
    return std::nullopt;
}

bool SaveLevel(const Level& level, int round) {
    LevelServices& services = level.Services();
    if (const std::optional<SaveRefusal> refusal = RefuseToSave(level)) {
        services.ShowDialog(refusal->text, refusal->type);
        return false;
    }

    const BusyCursor busy(services);
    try {
        files::WriteFileReplacing(LevelFileToWrite(level.ProgramDirectory(), round), FormatLevel(level));
    } catch (const files::SaveFailure& e) {
        std::string text = SaveErrorText(e.Error());
        if (e.Left() == files::SaveLeft::CopyOfOldBytes) text += KeptCopyText(e);
        if (e.Left() == files::SaveLeft::NewBytesUnflushed)
            text += "; the level is written but may not survive a power cut";
        throw SaveError(text, SaveFailureReport(e));
    } catch (const files::FileSystemError& e) {
        throw SaveError(SaveErrorText(e.Error()), NotSavedReport(e.what()));
    }
    return true;
}

void LoadLevel(Level& level, int round, LoadObserver* observer) {
    Load(level, [&] { ReadFile(level, round, observer); });
}

void LoadLevelText(Level& level, std::string_view text, LoadObserver* observer) {
    Load(level, [&] {
        LineReader reader(text);
        ReadObjects(level, reader, observer);
    });
}

}  // namespace level
