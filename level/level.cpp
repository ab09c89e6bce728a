#include "level.h"

#include <algorithm>
#include <new>
#include <type_traits>
#include <utility>

#include "locations.h"

namespace level {

Level::Level(LevelServices& services, std::string programDirectory)
    : services_(services), programDirectory_(std::move(programDirectory)) {
    for (std::size_t i = 0; i < kKinds.size(); ++i) spritePaths_[i] = SpritePath(programDirectory_, kKinds[i]);
}

Level::~Level() { Clear(); }

bool Level::Refuses(const ObjectKind& kind) const {
    return kind.limit != kNoLimit && List(kind.list).size() >= static_cast<std::size_t>(kind.limit);
}

PlacedObject* Level::NewObject() {
    if (!free_.empty()) {
        PlacedObject* object = free_.back();
        free_.pop_back();
        return object;
    }
    static_assert(std::is_trivially_destructible_v<PlacedObject>, "objects in a block are never destroyed one by one");
    if (used_ == blocks_.size() * kBlockObjects) blocks_.push_back(std::unique_ptr<Block>(new Block));
    unsigned char* const room = blocks_[used_ / kBlockObjects]->room + used_ % kBlockObjects * sizeof(PlacedObject);
    ++used_;
    return new (room) PlacedObject{};
}

void Level::Release(PlacedObject* object) {
    if (object->control != nullptr) services_.DestroyControl(*object->control);
    *object = PlacedObject{};
    free_.push_back(object);
}

PlacedObject* Level::CreateObject(int tag) {
    const ObjectKind& kind = KindOf(tag);
    if (Refuses(kind)) return nullptr;

    PlacedObject* object = NewObject();
    try {
        object->tag = kind.tag;
        object->bounds.left = pendingX != 0 ? pendingX : kDefaultLeft;
        object->bounds.top = pendingY != 0 ? pendingY : kDefaultTop;
        pendingX = 0;
        pendingY = 0;
        object->bounds.width = kind.width;
        object->bounds.height = kind.height;
        object->control = services_.MakeControl(*object);
        if (object->control)
            services_.LoadPicture(*object->control, spritePaths_[static_cast<std::size_t>(kind.tag - kFirstTag)]);
        MutableList(kind.list).push_back(object);
    } catch (...) {
        Release(object);
        throw;
    }
    return object;
}

void Level::Clear() {
    // The controls go before the lists that refer to them; with no object made since the last
    // Clear there are none, and the window is not asked (it may be closing).
    if (used_ > 0) services_.DestroyControls();
    for (ObjectList& list : lists_) list.clear();
    free_.clear();
    used_ = 0;
}

bool Level::Remove(const PlacedObject* object) {
    // Only the address is compared: a pointer that is in no list may point anywhere.
    for (ObjectList& list : lists_) {
        const auto it = std::find(list.begin(), list.end(), object);
        if (it == list.end()) continue;
        PlacedObject* removed = *it;
        list.erase(it);
        Release(removed);
        return true;
    }
    return false;
}

std::size_t Level::ObjectCount() const {
    std::size_t count = 0;
    for (const ObjectList& list : lists_) count += list.size();
    return count;
}

}  // namespace level
