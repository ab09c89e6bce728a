#include "gamearearender.h"

#include <QImage>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "drawpicture.h"
#include "gamearea.h"

namespace {

void DrawMark(QPainter& painter, const RenderedMark& mark) {
    // Marks are whole pixels, as crisp as the sprites they point at.
    painter.setPen(QPen(QColor(QRgb(mark.rgb)), 1));
    painter.setBrush(Qt::NoBrush);
    const auto x = [](std::int32_t v) { return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{v} - level::kGameAreaLeft, -4096, 4096)); };
    const auto y = [](std::int32_t v) { return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{v} - level::kGameAreaTop, -4096, 4096)); };
    if (mark.shape == RenderedMark::Shape::Line) {
        painter.drawLine(x(mark.x1), y(mark.y1), x(mark.x2), y(mark.y2));
        return;
    }
    // An aliased rectangle covers one pixel more than its size on the right and bottom: this one
    // runs just outside the object on all four sides.
    painter.drawRect(QRect(x(mark.x1) - 1, y(mark.y1) - 1, mark.x2 + 1, mark.y2 + 1));
}

}  // namespace

extern "C" __attribute__((visibility("default"))) bool BlastrixComposeGameArea(const RenderedControl* controls,
                                                                               std::size_t count,
                                                                               const RenderedMark* marks,
                                                                               std::size_t markCount, std::uint8_t* out) {
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
                painter.setOpacity(control.opacity / 255.0);
                picture::DrawPicture(painter, QPoint(static_cast<int>(left), static_cast<int>(top)), image->second,
                                     QSize(control.width, control.height));
            }
            painter.setOpacity(1.0);
            for (std::size_t i = 0; i < markCount; ++i) DrawMark(painter, marks[i]);
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
