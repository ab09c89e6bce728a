#pragma once

#include <cstdint>
#include <string>

namespace level {

struct PlacedObject;

struct Bounds {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The window's on-screen picture of one placed object. The window owns it; the level refers to it.
class ObjectControl {};

enum class DialogType { Information, Confirmation };

// What the level code needs of the window: the only way it reaches the screen.
class LevelServices {
public:
    virtual ~LevelServices() = default;
    // A control for the object, whose tag and bounds are set, or nullptr where nothing shows objects.
    // The window keeps it until the level gives it back through DestroyControl or DestroyControls.
    virtual ObjectControl* MakeControl(PlacedObject& object) = 0;
    // Throws when the picture cannot be read; the message is the one to show.
    virtual void LoadPicture(ObjectControl& control, const std::string& path) = 0;
    // Takes one control off the screen for good.
    virtual void DestroyControl(ObjectControl& control) = 0;
    // Takes every control off the screen at once, as the level empties: a level of many objects
    // goes in one step instead of one control at a time.
    virtual void DestroyControls() = 0;
    virtual void ShowDialog(const std::string& text, DialogType type) = 0;
    virtual void SetBusyCursor(bool busy) = 0;
};

// Shows the busy cursor for as long as it lives.
class BusyCursor {
public:
    explicit BusyCursor(LevelServices& services) : services_(services) { services_.SetBusyCursor(true); }
    ~BusyCursor() { services_.SetBusyCursor(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    LevelServices& services_;
};

}  // namespace level
