#include "headlessservices.h"

#include <sys/stat.h>

#include <new>
#include <vector>

#include "locations.h"

namespace {

union Slot {
    Slot* next;
    alignas(SpriteControl) unsigned char bytes[sizeof(SpriteControl)];
};

struct SlotPool {
    static constexpr std::size_t kBlockSlots = 4096;
    std::vector<std::unique_ptr<Slot[]>> blocks;
    Slot* free = nullptr;
};

SlotPool& Pool() {
    static SlotPool pool;
    return pool;
}

}  // namespace

files::RgbaImage DecodePicture(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        throw files::PngError("Cannot open file \"" + path + "\". Not a regular file");
    return files::DecodePngFile(path);
}

void* SpriteControl::operator new(std::size_t size) {
    if (size != sizeof(SpriteControl)) return ::operator new(size);
    SlotPool& pool = Pool();
    if (pool.free == nullptr) {
        Slot* const block = pool.blocks.emplace_back(std::make_unique<Slot[]>(SlotPool::kBlockSlots)).get();
        for (std::size_t i = 0; i < SlotPool::kBlockSlots; ++i)
            block[i].next = i + 1 < SlotPool::kBlockSlots ? &block[i + 1] : nullptr;
        pool.free = block;
    }
    Slot* const slot = pool.free;
    pool.free = slot->next;
    return slot;
}

void SpriteControl::operator delete(void* control) noexcept {
    auto* const slot = static_cast<Slot*>(control);
    slot->next = Pool().free;
    Pool().free = slot;
}

std::unique_ptr<level::ObjectControl> HeadlessServices::MakeControl(level::PlacedObject&) {
    return std::make_unique<SpriteControl>();
}

void HeadlessServices::LoadPicture(level::ObjectControl& control, const std::string& path) {
    static_cast<SpriteControl&>(control).sprite = &Sprite(path);
}

void HeadlessServices::ShowDialog(const std::string& text, level::DialogType) { lastDialog_ = text; }

void HeadlessServices::SetBusyCursor(bool) {}

const files::RgbaImage& HeadlessServices::Sprite(const std::string& composedPath) {
    if (last_ == nullptr || last_->first != composedPath) {
        auto it = sprites_.find(composedPath);
        if (it == sprites_.end()) {
            Entry entry;
            try {
                entry.image = std::make_unique<files::RgbaImage>(
                    DecodePicture(level::Locate(programDirectory_, composedPath).onDisk));
            } catch (const std::exception& e) {
                entry.error = e.what();
            }
            it = sprites_.emplace(composedPath, std::move(entry)).first;
        }
        last_ = &*it;
    }
    if (!last_->second.image) throw files::PngError(last_->second.error);
    return *last_->second.image;
}
