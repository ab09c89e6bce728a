#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "objectkind.h"
#include "services.h"

namespace level {

// One object on the game area and the window's control that shows it (null where nothing shows objects).
struct PlacedObject {
    int tag = 0;
    Bounds bounds;
    ObjectControl* control = nullptr;
};

// A list refers to objects; the level owns them.
using ObjectList = std::vector<PlacedObject*>;

constexpr std::int32_t kDefaultLeft = 320;
constexpr std::int32_t kDefaultTop = 120;

// The level of the round on screen: eight ordered lists, the pending position and the window's services.
class Level {
public:
    Level(LevelServices& services, std::string programDirectory);
    ~Level();
    Level(const Level&) = delete;
    Level& operator=(const Level&) = delete;

    // Creates one object of the kind, or returns nullptr when a limit refuses it.
    // Throws when the sprite cannot be read; the object is then in no list and already gone.
    PlacedObject* CreateObject(int tag);

    void Clear();
    // Takes the object out of its list and destroys it; false (and nothing done) if it is in none.
    // A pointer that is in no list is never read.
    bool Remove(const PlacedObject* object);

    const ObjectList& List(ListId id) const { return lists_[static_cast<std::size_t>(id)]; }
    std::size_t ObjectCount() const;

    std::int32_t pendingX = 0;
    std::int32_t pendingY = 0;

    LevelServices& Services() const { return services_; }
    const std::string& ProgramDirectory() const { return programDirectory_; }

private:
    ObjectList& MutableList(ListId id) { return lists_[static_cast<std::size_t>(id)]; }
    bool Refuses(const ObjectKind& kind) const;
    PlacedObject* NewObject();
    void Release(PlacedObject* object);

    LevelServices& services_;
    std::string programDirectory_;
    std::array<std::string, kKinds.size()> spritePaths_;
    std::array<ObjectList, kListCount> lists_;
    // Objects live in blocks that never move, with destroyed ones kept for reuse: a level of a
    // million enemies would otherwise cost a million allocations. The blocks outlive Clear, so that
    // loading again neither allocates nor touches fresh pages.
    static constexpr std::size_t kBlockObjects = 2048;
    // Raw room: an object is made in it when it is needed, so that its memory is written once.
    struct Block {
        alignas(PlacedObject) unsigned char room[kBlockObjects * sizeof(PlacedObject)];
    };
    std::vector<std::unique_ptr<Block>> blocks_;
    std::size_t used_ = 0;
    std::vector<PlacedObject*> free_;
};

}  // namespace level
