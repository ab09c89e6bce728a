#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pngdecoder.h"
#include "services.h"

// A placed object's control without a screen: the sprite it shows.
struct SpriteControl : level::ObjectControl {
    const files::RgbaImage* sprite = nullptr;
};

// What the level code needs of the window, without one: controls that only hold their sprite,
// sprites decoded once per file and failing with the decoder's message as in the editor, and the
// last dialog kept instead of shown.
class HeadlessServices : public level::LevelServices {
public:
    explicit HeadlessServices(std::string programDirectory) : programDirectory_(std::move(programDirectory)) {}

    level::ObjectControl* MakeControl(level::PlacedObject& object) override;
    void LoadPicture(level::ObjectControl& control, const std::string& path) override;
    void DestroyControl(level::ObjectControl& control) override;
    void DestroyControls() override;
    void ShowDialog(const std::string& text, level::DialogType type) override;
    void SetBusyCursor(bool busy) override;

    // The sprite of a composed path; throws files::PngError as the editor's picture load does.
    const files::RgbaImage& Sprite(const std::string& composedPath);

    const std::string& LastDialog() const { return lastDialog_; }
    // The composed path of the last sprite that could not be read, and why; empty when none.
    const std::string& FailedSprite() const { return failedSprite_; }
    const std::string& FailedSpriteReason() const { return failedSpriteReason_; }
    void ForgetFailedSprite() { failedSprite_.clear(); }

private:
    struct Entry {
        std::unique_ptr<files::RgbaImage> image;
        std::string error;
    };

    std::string programDirectory_;
    // A large round makes controls by the million: they live in blocks, kept for reuse.
    std::deque<SpriteControl> controls_;
    std::vector<SpriteControl*> free_;
    std::map<std::string, Entry> sprites_;
    // Objects of one kind come in runs: the last sprite asked for is found without a search.
    const std::pair<const std::string, Entry>* last_ = nullptr;
    const std::string* lastPath_ = nullptr;
    const files::RgbaImage* lastSprite_ = nullptr;
    std::string lastDialog_;
    std::string failedSprite_;
    std::string failedSpriteReason_;
};
