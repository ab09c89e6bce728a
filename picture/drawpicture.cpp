#include "drawpicture.h"

#include <QPainter>

#include <algorithm>

namespace picture {

void DrawPicture(QPainter& painter, QPoint topLeft, const QImage& picture, QSize size) {
    if (picture.isNull()) return;
    const int width = std::min(picture.width(), size.width());
    const int height = std::min(picture.height(), size.height());
    painter.drawImage(QPointF(topLeft), picture, QRectF(0, 0, width, height));
}

QImage ToImage(const files::RgbaImage& rgba) {
    const QImage view(rgba.pixels.data(), rgba.width, rgba.height, rgba.width * 4, QImage::Format_RGBA8888);
    // Premultiplied pixels blend fastest, and the copy stops the image from pointing into `rgba`.
    return view.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace picture
