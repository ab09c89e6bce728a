#pragma once

#include <vector>

#include "gamearearender.h"

// What render and diff -o say in a build made without Qt Gui, which they paint with.
inline constexpr const char* kNoRenderText =
    "this blastrix-level was built without Qt Gui: render and diff -o are not available";

// The painting module, loaded from beside the executable: ../lib/blastrix-level/ from its directory.
class RenderModule {
public:
    // Throws std::runtime_error naming the module and why it could not be loaded.
    RenderModule();

    // The game area with the controls and then the marks painted over it, kGameAreaWidth x kGameAreaHeight.
    files::RgbaImage ComposeGameArea(const std::vector<RenderedControl>& controls,
                                     const std::vector<RenderedMark>& marks = {}) const;

private:
    ComposeGameAreaFunction* compose_ = nullptr;
};
