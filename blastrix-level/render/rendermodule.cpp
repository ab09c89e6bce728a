#include "rendermodule.h"

#include <stdexcept>
#include <string>

#include "gamearea.h"
#include "module.h"
#include "programdirectory.h"

RenderModule::RenderModule() {
#ifdef BLASTRIX_RENDER_MODULE
    const std::string path = files::ExecutableDirectory() + BLASTRIX_RENDER_MODULE;
    void* function = nullptr;
    try {
        function = files::LoadModuleFunction(path, kComposeGameAreaSymbol);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(std::string("cannot load the render module: ") + e.what());
    }
    if (function == nullptr) throw std::runtime_error("the render module " + path + " lacks " + kComposeGameAreaSymbol);
    compose_ = reinterpret_cast<ComposeGameAreaFunction*>(function);
#else
    throw std::runtime_error(kNoRenderText);
#endif
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
