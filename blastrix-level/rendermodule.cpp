#include "rendermodule.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "gamearea.h"
#include "programdirectory.h"

RenderModule::RenderModule() {
    const std::string path = files::ExecutableDirectory() + BLASTRIX_RENDER_MODULE;
    // Never closed: the painting library is not made to be unloaded while the process runs on.
    void* const handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    const char* const error = handle == nullptr ? dlerror() : nullptr;
    if (handle == nullptr)
        throw std::runtime_error("cannot load the render module: " + std::string(error ? error : path));
    compose_ = reinterpret_cast<ComposeGameAreaFunction*>(dlsym(handle, kComposeGameAreaSymbol));
    if (compose_ == nullptr) throw std::runtime_error("the render module " + path + " lacks " + kComposeGameAreaSymbol);
}

files::RgbaImage RenderModule::ComposeGameArea(const std::vector<RenderedControl>& controls,
                                               const std::vector<RenderedMark>& marks) const {
    files::RgbaImage area;
    area.width = level::kGameAreaWidth;
    area.height = level::kGameAreaHeight;
    area.pixels.resize(static_cast<std::size_t>(area.width) * static_cast<std::size_t>(area.height) * 4);
    if (!compose_(controls.data(), controls.size(), marks.data(), marks.size(), area.pixels.data()))
        throw std::runtime_error("painting the game area failed");
    return area;
}
