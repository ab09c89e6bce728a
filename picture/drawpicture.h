#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>

#include <string>

#include "pngdecoder.h"

class QPainter;

// How a picture control shows its picture, for the window and for renders alike.
namespace picture {

// Draws `picture` at its natural size with its top-left corner at `topLeft`, cut off at `size`
// (the control's), blended over what lies beneath.
void DrawPicture(QPainter& painter, QPoint topLeft, const QImage& picture, QSize size);

// A decoded picture in the form the window draws, premultiplied.
QImage ToImage(const files::RgbaImage& rgba);

// Reads and decodes a PNG file; throws files::PngError with the text to show when it cannot.
// Inline, so that code drawing pictures decoded elsewhere needs nothing of the decoder's.
inline QImage FromPngFile(const std::string& path) { return ToImage(files::DecodePngFile(path)); }

}  // namespace picture
