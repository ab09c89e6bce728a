#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "commands.h"
#include "headlessservices.h"
#include "pngencoder.h"
#include "rendermodule.h"
#include "roundcheck.h"
#include "roundpicture.h"

namespace {

files::RgbaImage RenderRound(const GameFolder& folder, HeadlessServices& services, const RenderModule& module,
                             const files::RgbaImage& artwork, int round) {
    RoundScene scene;
    // A level file that cannot be read shows as an empty round, as in the editor.
    const FolderFile levelFile = folder.LevelFile(round);
    const LevelFileBytes file = ReadLevelFile(levelFile.path);
    // The editor would show what such a file holds; an empty round in its place would mislead.
    if (file.tooLarge) throw std::runtime_error(levelFile.shown + " is not drawn: " + file.error);
    BuildRoundScene(scene, artwork, folder.Background(round).path, file.bytes, services, folder.ProgramDirectory());
    return module.ComposeGameArea(scene.controls);
}

}  // namespace

int RunRender(const Invocation& invocation, const GameFolder& folder) {
    try {
        const RenderModule module;
        const files::RgbaImage artwork = WindowArtwork();
        HeadlessServices services(folder.ProgramDirectory());
        int status = kExitClean;
        for (const int round : invocation.rounds) {
            const std::vector<std::uint8_t> png =
                EncodePng(Scaled(RenderRound(folder, services, module, artwork, round), invocation.scale));
            const std::string target =
                invocation.output.empty() ? "round" + std::to_string(round) + ".png" : invocation.output;
            if (!WritePicture(target, png)) status = kExitTrouble;
        }
        return status;
    } catch (const std::exception& e) {
        Complain(e.what());
        return kExitTrouble;
    }
}
