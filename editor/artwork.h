#pragma once

#include <QImage>
#include <QString>

#include <map>
#include <string>

#include "pngdecoder.h"

// Pictures for the screen, decoded by the project's own PNG decoder.
namespace artwork {

QImage ToImage(const level::RgbaImage& rgba);

// One of the pictures built into the program, e.g. "bomb"; throws when it is missing.
QImage Embedded(const QString& name);

// Reads a PNG file; throws level::PngError with the text to show when it cannot.
QImage FromFile(const std::string& path);

}  // namespace artwork

// Sprites are read again only when their file changes, so a level of many objects decodes each sprite once.
class SpriteCache {
public:
    QImage Load(const std::string& path);

private:
    struct Entry {
        long long modified = 0;
        long long size = 0;
        unsigned long long inode = 0;
        QImage image;
    };
    std::map<std::string, Entry> entries_;
};
