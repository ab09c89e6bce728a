#include "gamearearender.h"

#include <QImage>
#include <QPainter>

#include <cstring>
#include <unordered_map>

#include "drawpicture.h"
#include "gamearea.h"

extern "C" __attribute__((visibility("default"))) bool BlastrixComposeGameArea(const RenderedControl* controls,
                                                                               std::size_t count, std::uint8_t* out) {
    try {
        QImage area(level::kGameAreaWidth, level::kGameAreaHeight, QImage::Format_ARGB32_Premultiplied);
        area.fill(Qt::black);
        {
            QPainter painter(&area);
            // Many objects share a sprite; each is made ready for drawing once.
            std::unordered_map<const files::RgbaImage*, QImage> images;
            for (std::size_t i = 0; i < count; ++i) {
                const RenderedControl& control = controls[i];
                if (control.picture == nullptr) continue;
                const std::int64_t left = std::int64_t{control.left} - level::kGameAreaLeft;
                const std::int64_t top = std::int64_t{control.top} - level::kGameAreaTop;
                // Only what reaches into the area is drawn; far-off coordinates never reach the painter.
                if (left >= level::kGameAreaWidth || top >= level::kGameAreaHeight || left + control.width <= 0 ||
                    top + control.height <= 0 || control.width <= 0 || control.height <= 0)
                    continue;
                auto [image, fresh] = images.try_emplace(control.picture);
                if (fresh) image->second = picture::ToImage(*control.picture);
                picture::DrawPicture(painter, QPoint(static_cast<int>(left), static_cast<int>(top)), image->second,
                                     QSize(control.width, control.height));
            }
        }
        const QImage rgba = area.convertToFormat(QImage::Format_RGBA8888);
        const auto rowBytes = static_cast<std::size_t>(level::kGameAreaWidth) * 4;
        for (int y = 0; y < rgba.height(); ++y)
            std::memcpy(out + static_cast<std::size_t>(y) * rowBytes, rgba.constScanLine(y), rowBytes);
        return true;
    } catch (...) {
        return false;
    }
}
