#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <map>
#include <string>

#include "pngdecoder.h"

// Pictures for the screen, decoded by the project's own PNG decoder.
namespace artwork {

// One of the pictures built into the program, e.g. "bomb"; throws when it is missing.
QImage Embedded(const QString& name);

// Reads a PNG file; throws files::PngError with the text to show when it cannot.
QImage FromFile(const std::string& path);

}  // namespace artwork

// Sprites are read again only when their file changes, so a level of many objects decodes each sprite once.
class SpriteCache {
public:
    // `resolve` turns a composed path into the file to open; its answer is kept while that file exists.
    explicit SpriteCache(std::function<std::string(const std::string&)> resolve) : resolve_(std::move(resolve)) {}

    QImage Load(const std::string& composedPath);

private:
    struct Entry {
        long long modified = 0;
        long long size = 0;
        unsigned long long inode = 0;
        QImage image;
    };
    std::function<std::string(const std::string&)> resolve_;
    std::map<std::string, std::string> resolved_;
    std::map<std::string, Entry> entries_;
};
