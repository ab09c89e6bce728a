#include "headlessservices.h"


#include <vector>

#include "locations.h"

level::ObjectControl* HeadlessServices::MakeControl(level::PlacedObject&) {
    if (free_.empty()) return &controls_.emplace_back();
    SpriteControl* control = free_.back();
    free_.pop_back();
    *control = SpriteControl{};
    return control;
}

void HeadlessServices::DestroyControl(level::ObjectControl& control) {
    free_.push_back(&static_cast<SpriteControl&>(control));
}

void HeadlessServices::DestroyControls() {
    controls_.clear();
    free_.clear();
    lastPath_ = nullptr;
}

void HeadlessServices::LoadPicture(level::ObjectControl& control, const std::string& path) {
    // A level asks with one string of its own per kind, and empties itself through DestroyControls
    // before that string goes: till then its address alone tells the sprite of a run of one kind.
    if (&path != lastPath_) {
        lastSprite_ = &Sprite(path);
        lastPath_ = &path;
    }
    static_cast<SpriteControl&>(control).sprite = lastSprite_;
}

void HeadlessServices::ShowDialog(const std::string& text, level::DialogType) { lastDialog_ = text; }

void HeadlessServices::SetBusyCursor(bool) {}

const files::RgbaImage& HeadlessServices::Sprite(const std::string& composedPath) {
    if (last_ == nullptr || last_->first != composedPath) {
        auto it = sprites_.find(composedPath);
        if (it == sprites_.end()) {
            Entry entry;
            try {
                // Opened as reachable from the current directory, which the decoder's messages name.
                const std::string path = level::Locate(programDirectory_, composedPath).onDisk;
                entry.image = std::make_unique<files::RgbaImage>(
                    files::DecodePngFile(programDirectory_ == "./" ? path.substr(2) : path));
            } catch (const std::exception& e) {
                entry.error = e.what();
            }
            it = sprites_.emplace(composedPath, std::move(entry)).first;
        }
        last_ = &*it;
    }
    if (!last_->second.image) {
        failedSprite_ = composedPath;
        failedSpriteReason_ = last_->second.error;
        throw files::PngError(last_->second.error);
    }
    return *last_->second.image;
}
