#include "level.h"

#include <algorithm>
#include <utility>

#include "locations.h"

namespace level {

Level::Level(LevelServices& services, std::string programDirectory)
    : services_(services), programDirectory_(std::move(programDirectory)) {}

Level::~Level() { Clear(); }

bool Level::Refuses(const ObjectKind& kind) const {
    switch (kind.tag) {
    case kBoostTag: return !List(ListId::Boost).empty();
    case kPowerTag: return !List(ListId::Power).empty();
    case kHeroTag: return !List(ListId::Hero).empty();
    case kBombTag:
    case kCoinTag:
    case kPlatform50Tag:
    case kPlatform75Tag:
    case kPlatform100Tag:
        return List(kind.list).size() >= static_cast<std::size_t>(kind.limit);
    default: return false;
    }
}

PlacedObject* Level::CreateObject(int tag) {
    const ObjectKind& kind = KindOf(tag);
    if (Refuses(kind)) return nullptr;

    auto object = std::make_unique<PlacedObject>();
    object->tag = kind.tag;
    object->bounds.left = pendingX != 0 ? pendingX : kDefaultLeft;
    object->bounds.top = pendingY != 0 ? pendingY : kDefaultTop;
    pendingX = 0;
    pendingY = 0;
    object->bounds.width = kind.width;
    object->bounds.height = kind.height;
    object->control = services_.MakeControl(*object);
    if (object->control) services_.LoadPicture(*object->control, SpritePath(programDirectory_, kind));

    ObjectList& list = MutableList(kind.list);
    list.push_back(std::move(object));
    return list.back().get();
}

void Level::Clear() {
    for (ObjectList& list : lists_) list.clear();
}

bool Level::Remove(const PlacedObject* object) {
    if (object == nullptr || !IsValidTag(object->tag)) return false;
    ObjectList& list = MutableList(KindOf(object->tag).list);
    const auto it = std::find_if(list.begin(), list.end(),
                                 [object](const std::unique_ptr<PlacedObject>& p) { return p.get() == object; });
    if (it == list.end()) return false;
    list.erase(it);
    return true;
}

std::size_t Level::ObjectCount() const {
    std::size_t count = 0;
    for (const ObjectList& list : lists_) count += list.size();
    return count;
}

}  // namespace level
