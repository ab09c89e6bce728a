#include "spriteuse.h"

#include <algorithm>

#include "headlessservices.h"
#include "levelfile.h"
#include "locations.h"
#include "roundcheck.h"

namespace {

class SpriteWatch : public level::LoadObserver {
public:
    explicit SpriteWatch(const std::vector<std::string>& sprites) : sprites_(sprites) {}

    void ObjectCreated(const level::LoadedLine&, const level::PlacedObject& object) override {
        Saw(level::KindOf(object.tag).spriteFile);
    }
    // A sprite that cannot be read stops the load at the first object of its kind; which platform
    // length it was is not told, so each length of the keyword counts.
    void Stopped(const level::LoadedLine& line, std::size_t field, const std::string&, std::size_t) override {
        if (field != 0) return;
        for (const level::ObjectKind& kind : level::kKinds)
            if (kind.keyword == line.fields[0]) Saw(kind.spriteFile);
    }

    bool used = false;

private:
    void Saw(const char* sprite) {
        used = used || std::find(sprites_.begin(), sprites_.end(), sprite) != sprites_.end();
    }

    const std::vector<std::string>& sprites_;
};

}  // namespace

std::vector<int> RoundsUsingSprites(const GameFolder& folder, const std::vector<std::string>& sprites) {
    std::vector<int> rounds;
    if (sprites.empty()) return rounds;
    HeadlessServices services(folder.ProgramDirectory());
    for (int round = level::kFirstRound; round <= level::kRoundCount; ++round) {
        const LevelFileBytes file = ReadLevelFile(folder.LevelFile(round).path);
        if (!file.bytes) continue;
        level::Level level(services, folder.ProgramDirectory());
        SpriteWatch watch(sprites);
        level::LoadLevelText(level, *file.bytes, &watch);
        if (watch.used) rounds.push_back(round);
    }
    return rounds;
}
