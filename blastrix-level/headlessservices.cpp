#include "headlessservices.h"

#include "filelookup.h"

std::unique_ptr<level::ObjectControl> HeadlessServices::MakeControl(level::PlacedObject&) {
    return std::make_unique<SpriteControl>();
}

void HeadlessServices::LoadPicture(level::ObjectControl& control, const std::string& path) {
    static_cast<SpriteControl&>(control).sprite = &Sprite(path);
}

void HeadlessServices::ShowDialog(const std::string& text, level::DialogType) { lastDialog_ = text; }

void HeadlessServices::SetBusyCursor(bool) {}

const level::RgbaImage& HeadlessServices::Sprite(const std::string& composedPath) {
    if (last_ == nullptr || last_->first != composedPath) {
        auto it = sprites_.find(composedPath);
        if (it == sprites_.end()) {
            Entry entry;
            try {
                entry.image = std::make_unique<level::RgbaImage>(
                    level::DecodePngFile(level::ResolveBelow(programDirectory_, composedPath)));
            } catch (const level::PngError& e) {
                entry.error = e.what();
            }
            it = sprites_.emplace(composedPath, std::move(entry)).first;
        }
        last_ = &*it;
    }
    if (!last_->second.image) throw level::PngError(last_->second.error);
    return *last_->second.image;
}
