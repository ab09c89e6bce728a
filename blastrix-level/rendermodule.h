#pragma once

#include <vector>

#include "gamearearender.h"

// The painting module, loaded from beside the executable: ../lib/blastrix-level/ from its directory.
class RenderModule {
public:
    // Throws std::runtime_error naming the module and why it could not be loaded.
    RenderModule();

    // The game area with the controls painted over it, kGameAreaWidth x kGameAreaHeight.
    files::RgbaImage ComposeGameArea(const std::vector<RenderedControl>& controls) const;

private:
    ComposeGameAreaFunction* compose_ = nullptr;
};
