// Runs the checks of `blastrix-level check` on arbitrary bytes as a round's level file, in a game
// folder with the sample sprites, and holds them to what they promise.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "gamefolder.h"
#include "headlessservices.h"
#include "levelfile.h"
#include "report.h"
#include "roundcheck.h"

namespace {

constexpr int kRound = 1;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

struct Folder {
    Folder() {
        char pattern[] = "/tmp/blastrix-fuzz-check-XXXXXX";
        if (mkdtemp(pattern) == nullptr) Fail("mkdtemp failed");
        root = std::string(pattern) + "/";
        std::filesystem::create_directory(root + "levels");
        std::filesystem::copy(std::filesystem::path(BLASTRIX_SOURCE_DIR) / "data", root + "data");
    }
    ~Folder() { std::filesystem::remove_all(root); }
    std::string root;
};

// "tag left,top" of every object, list by list.
std::string Placements(const level::Level& lvl) {
    std::string out;
    for (std::size_t i = 0; i < level::kListCount; ++i)
        for (const level::PlacedObject* o : lvl.List(static_cast<level::ListId>(i)))
            out += std::to_string(o->tag) + " " + std::to_string(o->bounds.left) + "," + std::to_string(o->bounds.top) +
                   "\n";
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Folder folder;
    static const GameFolder game(folder.root);
    static HeadlessServices services(game.ProgramDirectory());
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    RoundReport report;
    report.round = kRound;
    report.levelFile = "levels/Level1.lev";
    level::Level checked(services, game.ProgramDirectory());
    CheckLevelText(checked, text, report);

    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    bool unsaved = false;
    for (const Finding& f : report.findings) {
        if (f.line < 1 || f.line > lines || f.column < 1) Fail("a finding points outside the file");
        if (f.message.find('\n') != std::string::npos || f.message.find('\r') != std::string::npos)
            Fail("a message breaks its line");
        unsaved = unsaved || std::string_view(f.code) == "not-as-saved";
    }
    std::size_t counted = 0;
    for (const std::size_t n : report.counts) counted += n;
    if (counted != checked.ObjectCount()) Fail("the counts do not add up to the objects loaded");
    if (!unsaved && !level::RefuseToSave(checked) && level::FormatLevel(checked) != text)
        Fail("a file unlike its save is not noted");

    // The bytes read from memory load as the editor loads them from the round's file.
    std::ofstream(folder.root + "levels/Level1.lev", std::ios::binary | std::ios::trunc) << text;
    level::Level edited(services, game.ProgramDirectory());
    level::LoadLevel(edited, kRound);
    if (Placements(edited) != Placements(checked)) Fail("the file loads otherwise than its bytes");

    std::string out;
    for (const Finding& f : report.findings) {
        AppendText(out, f);
        AppendGithub(out, f);
    }
    Totals totals;
    Tally(report, totals);
    out += CheckJson({report}, totals);
    return out.empty() ? 1 : 0;
}
