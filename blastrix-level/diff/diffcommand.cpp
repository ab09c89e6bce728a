#include <cstdio>
#include <exception>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>
#include <string>
#include <vector>

#include "commandline.h"
#include "commands.h"
#include "finding.h"
#include "headlessservices.h"
#include "leveldiff.h"
#include "locations.h"
#include "objectkind.h"
#include "pathinfo.h"
#include "pngencoder.h"
#include "rendermodule.h"
#include "report.h"
#include "roundcheck.h"
#include "roundpicture.h"

namespace {

constexpr std::uint32_t kRemovedColour = 0xff2020;
constexpr std::uint32_t kAddedColour = 0x20e020;
constexpr std::uint32_t kMovedColour = 0xffb000;
// How much of an object shows at a place it has left.
constexpr std::uint8_t kFadedOpacity = 96;

const char* Code(ChangeKind change) {
    switch (change) {
    case ChangeKind::Moved: return "moved";
    case ChangeKind::Added: return "added";
    case ChangeKind::Changed: return "changed";
    case ChangeKind::Removed: break;
    }
    return "removed";
}

// Platforms of three lengths share a keyword; the length tells them apart.
std::string KindWords(int tag) {
    const level::ObjectKind& kind = level::KindOf(tag);
    std::string words(kind.keyword);
    if (kind.platformSize != 0) words += " (" + std::to_string(kind.width) + " wide)";
    return words;
}

std::string At(const DiffObject& object) { return std::to_string(object.left) + "," + std::to_string(object.top); }

// The further fields of both lines from the first that differs: "100,200,1 → 150,90,3".
std::string FieldsChange(std::string_view before, std::string_view after) {
    // Past the comma before the first field that differs; a field one line adds shows after the last
    // they share.
    std::size_t same = 0;
    for (std::size_t i = 0; i < std::min(before.size(), after.size()) && before[i] == after[i]; ++i)
        if (before[i] == ',') same = i + 1;
    const auto shown = [same](std::string_view fields) {
        fields.remove_prefix(same);
        if (!fields.empty() && fields.front() == ',') fields.remove_prefix(1);
        return fields.empty() ? std::string("nothing") : std::string(fields);
    };
    return shown(before) + " \u2192 " + shown(after);
}

Finding ChangeFinding(const ObjectChange& c, const DiffRequest& request, const DiffFile& before, const DiffFile& after) {
    const bool removed = c.change == ChangeKind::Removed;
    const DiffObject& object = removed ? c.before : c.after;
    std::string message = std::string(Code(c.change)) + " " + KindWords(object.tag);
    if (c.change == ChangeKind::Moved)
        message += " from " + At(c.before) + " to " + At(c.after);
    else
        message += " at " + At(object);
    if (c.change == ChangeKind::Changed)
        message += ": " + FieldsChange(before.fields[c.before.index].Written(), after.fields[c.after.index].Written());
    return {removed ? request.before.shown : request.after.shown, object.line, 1, Severity::Note, Code(c.change),
            message};
}

struct Counts {
    std::size_t moved = 0;
    std::size_t added = 0;
    std::size_t removed = 0;
    std::size_t changed = 0;
};

void AppendObject(std::string& out, const DiffObject& object, const DiffFile& file) {
    out += "{\"x\": " + std::to_string(object.left) + ", \"y\": " + std::to_string(object.top) +
           ", \"line\": " + std::to_string(object.line) + ", \"fields\": ";
    AppendJsonString(out, file.fields[object.index].Written());
    out += "}";
}

std::string DiffJson(const std::vector<ObjectChange>& changes, const DiffRequest& request, const Counts& counts,
                     bool sameBytes, const std::vector<Finding>& stops, const DiffFile& before,
                     const DiffFile& after) {
    std::string out = "{\"old\": ";
    AppendJsonString(out, request.before.shown);
    out += ", \"new\": ";
    AppendJsonString(out, request.after.shown);
    out += ", \"sameBytes\": ";
    out += sameBytes ? "true" : "false";
    out += ", \"changes\": [";
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const ObjectChange& c = changes[i];
        const int tag = c.change == ChangeKind::Removed ? c.before.tag : c.after.tag;
        const level::ObjectKind& kind = level::KindOf(tag);
        out += i == 0 ? "\n  " : ",\n  ";
        out += "{\"change\": \"" + std::string(Code(c.change)) + "\", \"kind\": ";
        AppendJsonString(out, kind.kindName);
        out += ", \"keyword\": ";
        AppendJsonString(out, std::string(kind.keyword));
        out += ", \"width\": " + std::to_string(kind.width) + ", \"height\": " + std::to_string(kind.height);
        if (c.change != ChangeKind::Added) {
            out += ", \"from\": ";
            AppendObject(out, c.before, before);
        }
        if (c.change != ChangeKind::Removed) {
            out += ", \"to\": ";
            AppendObject(out, c.after, after);
        }
        out += "}";
    }
    out += changes.empty() ? "]" : "\n]";
    out += ", \"stops\": [";
    for (std::size_t i = 0; i < stops.size(); ++i) {
        out += i == 0 ? "\n  " : ",\n  ";
        AppendJsonFinding(out, stops[i]);
    }
    out += stops.empty() ? "]" : "\n]";
    out += ", \"moved\": " + std::to_string(counts.moved) + ", \"added\": " + std::to_string(counts.added) +
           ", \"removed\": " + std::to_string(counts.removed) + ", \"changed\": " + std::to_string(counts.changed) +
           "}\n";
    return out;
}

std::optional<std::string> ReadSide(const DiffSide& side) {
    if (files::IsNullDevice(side.path)) return std::string();
    LevelFileBytes file = ReadLevelFile(side.path);
    if (!file.bytes) {
        std::fprintf(stderr, "blastrix-level: cannot read %s: %s\n", side.path.c_str(),
                     file.error.empty() ? "no such file" : file.error.c_str());
        return std::nullopt;
    }
    return std::move(file.bytes);
}

// One version as the editor loads it, the places where its reading stops named by the side's name.
DiffFile LoadSide(const std::string& bytes, const DiffSide& side) {
    DiffFile file = LoadDiffFile(bytes);
    for (Finding& stop : file.stops) stop.file = side.shown;
    return file;
}

RenderedMark Outline(const DiffObject& object, std::uint32_t rgb) {
    const level::ObjectKind& kind = level::KindOf(object.tag);
    return {RenderedMark::Shape::Outline, rgb, object.left, object.top, kind.width, kind.height};
}

// The centre of an object at the right edge of the coordinates stays there.
std::int32_t Centre(std::int32_t at, int size) {
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(std::int64_t{at} + size / 2, std::numeric_limits<std::int32_t>::max()));
}

// NEW as render draws it, then what left a place faded there, then the outlines and the lines of moves.
std::vector<std::uint8_t> DiffPicture(const DiffRequest& request, const std::optional<std::string>& newBytes,
                                      const std::vector<ObjectChange>& changes) {
    const GameFolder folder(request.folder);
    const int round = request.round;
    if (!folder.HasLevelsDirectory())
        Complain("the picture has no background and no sprites: " +
                 (request.folder.empty() ? std::string("the current directory") : "'" + request.folder + "'") +
                 " is no game folder (it has no levels directory); name NEW in a game's levels/, or the game "
                 "folder with -C");
    else if (round == 0)
        Complain("the picture has no background: neither NEW's nor OLD's name is a round's level file (LevelN.lev)");
    const RenderModule module;
    const files::RgbaImage artwork = WindowArtwork();
    HeadlessServices services(folder.ProgramDirectory());
    RoundScene scene;
    BuildRoundScene(scene, artwork, round != 0 ? folder.Background(round).path : std::string(), newBytes, services,
                    folder.ProgramDirectory());
    std::vector<RenderedMark> marks;
    for (const ObjectChange& c : changes) {
        if (c.change == ChangeKind::Removed || c.change == ChangeKind::Moved) {
            const level::ObjectKind& kind = level::KindOf(c.before.tag);
            try {
                const files::RgbaImage& sprite = services.Sprite(level::SpritePath(folder.ProgramDirectory(), kind));
                scene.controls.push_back({&sprite, c.before.left, c.before.top, kind.width, kind.height, kFadedOpacity});
            } catch (const files::PngError&) {
                // Without its sprite the old place is shown by its mark alone.
            }
        }
        switch (c.change) {
        case ChangeKind::Removed: marks.push_back(Outline(c.before, kRemovedColour)); break;
        case ChangeKind::Added: marks.push_back(Outline(c.after, kAddedColour)); break;
        case ChangeKind::Changed: break;  // fields the picture cannot show
        case ChangeKind::Moved: {
            const level::ObjectKind& kind = level::KindOf(c.after.tag);
            marks.push_back(Outline(c.after, kMovedColour));
            marks.push_back({RenderedMark::Shape::Line, kMovedColour, Centre(c.before.left, kind.width),
                             Centre(c.before.top, kind.height), Centre(c.after.left, kind.width),
                             Centre(c.after.top, kind.height)});
            break;
        }
        }
    }
    return EncodePng(Scaled(module.ComposeGameArea(scene.controls, marks), request.scale));
}

}  // namespace

int RunDiff(const DiffRequest& request) {
    const std::optional<std::string> oldBytes = ReadSide(request.before);
    const std::optional<std::string> newBytes = ReadSide(request.after);
    if (!oldBytes || !newBytes) return kExitTrouble;

    const DiffFile before = LoadSide(*oldBytes, request.before);
    const DiffFile after = LoadSide(*newBytes, request.after);
    for (const auto& [file, side] : {std::pair{&before, &request.before}, std::pair{&after, &request.after}}) {
        if (file->notALevel.empty()) continue;
        Complain(side->shown + " is not a level file: " + file->notALevel);
        // git stops at a driver that fails, and the other files' changes would go untold.
        return request.git ? kExitClean : kExitTrouble;
    }
    const std::vector<ObjectChange> changes = DiffObjects(before, after);
    Counts counts;
    for (const ObjectChange& c : changes) {
        switch (c.change) {
        case ChangeKind::Moved: ++counts.moved; break;
        case ChangeKind::Added: ++counts.added; break;
        case ChangeKind::Removed: ++counts.removed; break;
        case ChangeKind::Changed: ++counts.changed; break;
        }
    }

    std::vector<Finding> stops = before.stops;
    stops.insert(stops.end(), after.stops.begin(), after.stops.end());
    std::string out;
    if (request.format == OutputFormat::Json) {
        out = DiffJson(changes, request, counts, *oldBytes == *newBytes, stops, before, after);
    } else {
        std::vector<Finding> findings;
        for (const ObjectChange& c : changes) findings.push_back(ChangeFinding(c, request, before, after));
        if (changes.empty())
            findings.push_back({request.after.shown, 0, 0, Severity::Note, "unchanged",
                                *oldBytes == *newBytes ? "no object changed: the files are the same"
                                                       : "no object changed: the files differ only in form"});
        findings.insert(findings.end(), stops.begin(), stops.end());
        // Of several files, git prints the blocks one after another: each says whose it is.
        const bool text = request.format == OutputFormat::Text;
        if (text && request.git) out += "diff " + request.before.shown + " " + request.after.shown + "\n";
        for (const Finding& finding : findings) text ? AppendText(out, finding) : AppendGithub(out, finding);
        if (text)
            out += (request.git ? request.after.shown.substr(2) + ": " : std::string()) +
                   std::to_string(counts.moved) + " moved, " + std::to_string(counts.added) + " added, " +
                   std::to_string(counts.removed) + " removed, " + std::to_string(counts.changed) + " changed\n";
    }
    // With the picture on standard output the words go to standard error.
    if (request.output == "-" ? std::fputs(out.c_str(), stderr) < 0 : !WriteOut(out) || std::fflush(stdout) != 0) {
        std::perror("blastrix-level: writing the report");
        return kExitTrouble;
    }

    if (!request.output.empty()) {
        try {
            if (!WritePicture(request.output, DiffPicture(request, newBytes, changes))) return kExitTrouble;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "blastrix-level: %s\n", e.what());
            return kExitTrouble;
        }
    }
    if (request.git) return kExitClean;
    return changes.empty() ? kExitClean : kExitFindings;
}
