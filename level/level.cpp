#include "level.h"

#include <algorithm>
#include <array>
#include <string>
#include <unordered_map>
#include <utility>

#include "locations.h"

namespace level {
namespace {

// Composing the sprite path costs more than reading an object's line, so each program directory's
// paths are made once. Entries are never changed or dropped: a path handed to LoadPicture stays
// valid even if the window creates objects from inside it.
const std::string& CachedSpritePath(const std::string& programDirectory, const ObjectKind& kind) {
    using Paths = std::array<std::string, kKinds.size()>;
    thread_local std::unordered_map<std::string, Paths> cache;
    auto it = cache.find(programDirectory);
    if (it == cache.end()) {
        Paths paths;
        for (std::size_t i = 0; i < kKinds.size(); ++i) paths[i] = SpritePath(programDirectory, kKinds[i]);
        it = cache.emplace(programDirectory, std::move(paths)).first;
    }
    return it->second[static_cast<std::size_t>(kind.tag - kFirstTag)];
}

}  // namespace

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
    if (object->control) services_.LoadPicture(*object->control, CachedSpritePath(programDirectory_, kind));

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
