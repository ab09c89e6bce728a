#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "commands.h"
#include "gamearea.h"
#include "headlessservices.h"
#include "levelfile.h"
#include "pngencoder.h"
#include "rendermodule.h"
#include "roundcheck.h"
#include "safefile.h"

namespace {

// The objects the editor would place, in the order it creates them, which is their stacking order.
class PlacedControls : public level::LoadObserver {
public:
    explicit PlacedControls(std::vector<RenderedControl>& controls) : controls_(controls) {}

    void ObjectCreated(const level::LoadedLine&, const level::PlacedObject& object) override {
        const level::Bounds& b = object.bounds;
        controls_.push_back(
            {static_cast<const SpriteControl&>(*object.control).sprite, b.left, b.top, b.width, b.height});
    }

private:
    std::vector<RenderedControl>& controls_;
};

files::RgbaImage WindowArtwork() {
    QFile file(":/artwork/background.png");
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("the window's artwork is missing from the program");
    const QByteArray bytes = file.readAll();
    return files::DecodePng(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                            static_cast<std::size_t>(bytes.size()));
}

files::RgbaImage Scaled(const files::RgbaImage& image, int scale) {
    if (scale == 1) return image;
    files::RgbaImage out;
    out.width = image.width * scale;
    out.height = image.height * scale;
    out.pixels.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height) * 4);
    std::uint8_t* to = out.pixels.data();
    for (int y = 0; y < out.height; ++y) {
        const std::uint8_t* row = image.pixels.data() + static_cast<std::size_t>(y / scale) * image.width * 4;
        for (int x = 0; x < out.width; ++x, to += 4) std::memcpy(to, row + static_cast<std::size_t>(x / scale) * 4, 4);
    }
    return out;
}

files::RgbaImage RenderRound(const GameFolder& folder, HeadlessServices& services, const RenderModule& module,
                             const files::RgbaImage& artwork, int round) {
    std::vector<RenderedControl> controls;
    controls.push_back({&artwork, 0, 0, artwork.width, artwork.height});
    std::optional<files::RgbaImage> background;
    try {
        background = files::DecodePngFile(folder.Background(round).path);
        controls.push_back(
            {&*background, level::kGameAreaLeft, level::kGameAreaTop, level::kGameAreaWidth, level::kGameAreaHeight});
    } catch (const files::PngError&) {
        // The window then shows its own artwork in the game area.
    }
    // A level file that cannot be read shows as an empty round, as in the editor.
    const FolderFile levelFile = folder.LevelFile(round);
    const LevelFileBytes file = ReadLevelFile(levelFile.path);
    // The editor would show what such a file holds; an empty round in its place would mislead.
    if (file.tooLarge) throw std::runtime_error(levelFile.shown + " is not drawn: " + file.error);
    level::Level level(services, folder.ProgramDirectory());
    PlacedControls placed(controls);
    if (file.bytes) level::LoadLevelText(level, *file.bytes, &placed);
    return module.ComposeGameArea(controls);
}

// Special files such as /dev/stdout are written in place; files are replaced only once complete.
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const std::string_view data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) {
        files::WriteFileReplacing(path, data);
        return;
    }
    const int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) throw files::FileSystemError(errno, "Cannot write " + path + ": " + std::strerror(errno));
    const ssize_t n = write(fd, data.data(), data.size());
    const int error = errno;
    close(fd);
    if (n != static_cast<ssize_t>(data.size()))
        throw files::FileSystemError(error, "Cannot write " + path + ": " + std::strerror(n < 0 ? error : EIO));
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
            if (target == "-") {
                if (std::fwrite(png.data(), 1, png.size(), stdout) != png.size() || std::fflush(stdout) != 0) {
                    std::perror("blastrix-level: writing the picture");
                    status = kExitFindings;
                }
                continue;
            }
            try {
                WriteFile(target, png);
            } catch (const files::FileSystemError& e) {
                std::fprintf(stderr, "blastrix-level: %s\n", e.what());
                status = kExitFindings;
            }
        }
        return status;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "blastrix-level: %s\n", e.what());
        return kExitFindings;
    }
}
