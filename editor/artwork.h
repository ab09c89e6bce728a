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

    // While one lives, a sprite once read is taken as it was: loading a level looks at each sprite
    // file once, not once for each of its objects.
    class Batch {
    public:
        explicit Batch(SpriteCache& cache) : cache_(cache) { ++cache_.batchDepth_; }
        ~Batch() {
            if (--cache_.batchDepth_ == 0) cache_.batch_.clear();
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        SpriteCache& cache_;
    };

private:
    QImage LoadChecked(const std::string& composedPath);

    struct Entry {
        long long modified = 0;
        long long size = 0;
        unsigned long long inode = 0;
        QImage image;
    };
    std::function<std::string(const std::string&)> resolve_;
    std::map<std::string, std::string> resolved_;
    std::map<std::string, Entry> entries_;
    int batchDepth_ = 0;
    std::map<std::string, QImage> batch_;
};
