#include "artwork.h"

#include <QFile>
#include <QRgb>

#include <cstring>

#include "drawpicture.h"
#include "pathinfo.h"

namespace artwork {

namespace {

bool Opaque(const files::RgbaImage& rgba) {
    for (std::size_t alpha = 3; alpha < rgba.pixels.size(); alpha += 4)
        if (rgba.pixels[alpha] != 0xFF) return false;
    return true;
}

// An opaque picture, a background say, is shown in the decoder's own buffer, its pixels put in
// place in the form the screen blends fastest (premultiplying changes none of them): converting it
// cost a second buffer as large, fresh pages and all, which start-up felt.
QImage Adopt(files::RgbaImage&& rgba) {
    if (rgba.pixels.empty() || !Opaque(rgba)) return picture::ToImage(rgba);
    auto* pixels = new std::vector<std::uint8_t>(std::move(rgba.pixels));
    for (std::size_t i = 0; i < pixels->size(); i += 4) {
        const std::uint8_t* p = pixels->data() + i;
        const QRgb argb = qRgba(p[0], p[1], p[2], p[3]);
        std::memcpy(pixels->data() + i, &argb, sizeof argb);
    }
    return QImage(
        pixels->data(), rgba.width, rgba.height, rgba.width * 4, QImage::Format_ARGB32_Premultiplied,
        [](void* owned) { delete static_cast<std::vector<std::uint8_t>*>(owned); }, pixels);
}

}  // namespace

QImage Embedded(const QString& name) {
    QFile file(":/artwork/" + name + ".png");
    if (!file.open(QIODevice::ReadOnly)) throw files::PngError("Missing built-in picture " + name.toStdString());
    const QByteArray bytes = file.readAll();
    return Adopt(files::DecodePng(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                  static_cast<std::size_t>(bytes.size())));
}

QImage FromFile(const std::string& path) { return Adopt(files::DecodePngFile(path)); }

}  // namespace artwork

QImage SpriteCache::Load(const std::string& composedPath) {
    if (batchDepth_ == 0) return LoadChecked(composedPath);
    const auto it = batch_.find(composedPath);
    if (it != batch_.end()) return it->second;
    QImage image = LoadChecked(composedPath);
    batch_.emplace(composedPath, image);
    return image;
}

QImage SpriteCache::LoadChecked(const std::string& composedPath) {
    files::PathInfo st;
    auto known = resolved_.find(composedPath);
    if (known == resolved_.end() || (st = files::LookAt(known->second)).error != 0) {
        std::string candidate = resolve_(composedPath);
        if ((st = files::LookAt(candidate)).error != 0) return artwork::FromFile(candidate);
        known = resolved_.insert_or_assign(composedPath, std::move(candidate)).first;
    }
    const std::string& path = known->second;
    const auto it = entries_.find(path);
    if (it != entries_.end() && it->second.modified == st.modifiedNanoseconds && it->second.size == st.size &&
        it->second.inode == st.identity)
        return it->second.image;
    Entry entry{st.modifiedNanoseconds, st.size, st.identity, artwork::FromFile(path)};
    QImage image = entry.image;
    entries_[path] = std::move(entry);
    return image;
}
