#include <cctype>
#include <cstdio>
#include <exception>
#include <optional>
#include <regex>
#include <string>
#include <vector>

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

Finding ChangeFinding(const ObjectChange& c, const DiffRequest& request) {
    const bool removed = c.change == ChangeKind::Removed;
    const DiffObject& object = removed ? c.before : c.after;
    std::string message = std::string(Code(c.change)) + " " + KindWords(object.tag);
    message += c.change == ChangeKind::Moved ? " from " + At(c.before) + " to " + At(c.after) : " at " + At(object);
    return {removed ? request.before.shown : request.after.shown, object.line, 1, Severity::Note, Code(c.change),
            message};
}

struct Counts {
    std::size_t moved = 0;
    std::size_t added = 0;
    std::size_t removed = 0;
};

void AppendObject(std::string& out, const DiffObject& object) {
    out += "{\"x\": " + std::to_string(object.left) + ", \"y\": " + std::to_string(object.top) +
           ", \"line\": " + std::to_string(object.line) + "}";
}

std::string DiffJson(const std::vector<ObjectChange>& changes, const DiffRequest& request, const Counts& counts,
                     bool sameBytes) {
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
            AppendObject(out, c.before);
        }
        if (c.change != ChangeKind::Removed) {
            out += ", \"to\": ";
            AppendObject(out, c.after);
        }
        out += "}";
    }
    out += changes.empty() ? "]" : "\n]";
    out += ", \"moved\": " + std::to_string(counts.moved) + ", \"added\": " + std::to_string(counts.added) +
           ", \"removed\": " + std::to_string(counts.removed) + "}\n";
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

// The game folder whose levels/ holds the file, or the current directory.
std::string FolderOf(const std::string& path) {
    // Byte by byte, not by std::filesystem, which takes a Windows path in the ANSI code page, not UTF-8.
    const std::size_t slash = files::FindLastPathSeparator(path);
    if (slash == std::string::npos || slash == 0) return std::string();
    const std::size_t parentEnd = files::FindLastPathSeparator(path, slash - 1);
    const std::size_t from = parentEnd == std::string::npos ? 0 : parentEnd + 1;
    std::string name = path.substr(from, slash - from);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name != level::kLevelsDirectory) return std::string();
    if (parentEnd == std::string::npos) return std::string("./");
    return path.substr(0, parentEnd == 0 ? 1 : parentEnd);
}

// The round whose file is named, as the editor names them; 0 for another name.
int RoundOf(const std::string& path) {
    static const std::regex kName("level([0-9]+)\\.lev", std::regex::icase);
    std::smatch match;
    const std::size_t slash = files::FindLastPathSeparator(path);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!std::regex_match(name, match, kName) || match[1].length() > 2) return 0;
    const int round = std::stoi(match[1]);
    return round >= level::kFirstRound && round <= level::kRoundCount ? round : 0;
}

RenderedMark Outline(const DiffObject& object, std::uint32_t rgb) {
    const level::ObjectKind& kind = level::KindOf(object.tag);
    return {RenderedMark::Shape::Outline, rgb, object.left, object.top, kind.width, kind.height};
}

std::int32_t Centre(std::int32_t at, int size) { return static_cast<std::int32_t>(std::int64_t{at} + size / 2); }

// NEW as render draws it, then what left a place faded there, then the outlines and the lines of moves.
std::vector<std::uint8_t> DiffPicture(const DiffRequest& request, const std::optional<std::string>& newBytes,
                                      const std::vector<ObjectChange>& changes) {
    const GameFolder folder(request.directory.empty() ? FolderOf(request.after.path) : request.directory);
    const int round = RoundOf(request.after.shown) != 0 ? RoundOf(request.after.shown) : RoundOf(request.before.shown);
    const RenderModule module;
    const files::RgbaImage artwork = WindowArtwork();
    HeadlessServices services(folder.ProgramDirectory());
    RoundScene scene;
    BuildRoundScene(scene, artwork, round != 0 ? folder.Background(round).path : std::string(), newBytes, services,
                    folder.ProgramDirectory());
    std::vector<RenderedMark> marks;
    for (const ObjectChange& c : changes) {
        if (c.change != ChangeKind::Added) {
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

    const std::vector<DiffObject> before = LoadDiffObjects(*oldBytes);
    const std::vector<DiffObject> after = LoadDiffObjects(*newBytes);
    const std::vector<ObjectChange> changes = DiffObjects(before, after);
    Counts counts;
    for (const ObjectChange& c : changes)
        ++(c.change == ChangeKind::Moved ? counts.moved : c.change == ChangeKind::Added ? counts.added : counts.removed);

    std::string out;
    if (request.format == OutputFormat::Json) {
        out = DiffJson(changes, request, counts, *oldBytes == *newBytes);
    } else {
        std::vector<Finding> findings;
        for (const ObjectChange& c : changes) findings.push_back(ChangeFinding(c, request));
        if (changes.empty())
            findings.push_back({request.after.shown, 0, 0, Severity::Note, "unchanged",
                                *oldBytes == *newBytes ? "no object changed: the files are the same"
                                                       : "no object changed: the files differ only in form"});
        for (const Finding& finding : findings)
            request.format == OutputFormat::Github ? AppendGithub(out, finding) : AppendText(out, finding);
        if (request.format == OutputFormat::Text)
            out += std::to_string(counts.moved) + " moved, " + std::to_string(counts.added) + " added, " +
                   std::to_string(counts.removed) + " removed\n";
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
