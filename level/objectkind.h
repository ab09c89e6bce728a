#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace level {

// The eight lists of a level, in the order the level file is written.
enum class ListId : std::uint8_t { Hero, Enemy1, Enemy2, Bomb, Coin, Boost, Power, Platform };
constexpr std::size_t kListCount = 8;

constexpr int kNoLimit = -1;

// Everything fixed about one kind of object: the palette, the reader, the writer and CreateObject all read this.
struct ObjectKind {
    int tag;
    const char* kindName;
    std::string_view keyword;  // first field of the kind's level file line
    int width;
    int height;
    const char* spriteFile;    // inside the data directory
    ListId list;
    int limit;                 // most objects in `list`, or kNoLimit
    const char* paletteName;   // palette picture control
    int platformSize;          // last field of a "plataforma" line; 0 for other kinds
    std::string_view lineTail; // what the writer puts after the position (and size) of every line of this kind
    bool writesSize;           // whether the line carries the object's own width and height
};

constexpr int kFirstTag = 1;
constexpr int kLastTag = 10;

constexpr int kBombTag = 1;
constexpr int kCoinTag = 2;
constexpr int kBoostTag = 3;
constexpr int kPowerTag = 4;
constexpr int kPlatform50Tag = 5;
constexpr int kPlatform75Tag = 6;
constexpr int kPlatform100Tag = 7;
constexpr int kHeroTag = 8;
constexpr int kEnemy1Tag = 9;
constexpr int kEnemy2Tag = 10;

inline constexpr std::array<ObjectKind, 10> kKinds = {{
    {kBombTag, "Bomb", "bomba", 14, 18, "bomba.png", ListId::Bomb, 20, "img_bomba", 0, ",1,500", true},
    {kCoinTag, "Coin", "moneda", 14, 14, "moneda.png", ListId::Coin, 10, "img_Moneda", 0, ",1,200", true},
    {kBoostTag, "Boost", "boost", 14, 14, "boost.png", ListId::Boost, 1, "img_boost", 0, ",1,0", true},
    {kPowerTag, "Power", "power", 14, 14, "power.png", ListId::Power, 1, "img_power", 0, ",1,0", true},
    {kPlatform50Tag, "Platform50", "plataforma", 50, 10, "50.png", ListId::Platform, 10, "img_plataf1", 1, ",1,1", true},
    {kPlatform75Tag, "Platform75", "plataforma", 75, 10, "75.png", ListId::Platform, 10, "img_plataf2", 2, ",1,2", true},
    {kPlatform100Tag, "Platform100", "plataforma", 100, 10, "100.png", ListId::Platform, 10, "img_plataf3", 3, ",1,3", true},
    {kHeroTag, "Hero", "start", 24, 24, "trom.png", ListId::Hero, 1, "img_trom", 0, "", false},
    {kEnemy1Tag, "Enemy1", "malo1", 20, 24, "malo1.png", ListId::Enemy1, kNoLimit, "img_malo1", 0, ",100,200,1", true},
    {kEnemy2Tag, "Enemy2", "malo2", 32, 26, "malo2.png", ListId::Enemy2, kNoLimit, "img_malo2", 0, ",32,26,1", false},
}};

// KindOf indexes the table by tag.
constexpr bool TableFollowsTags() {
    for (std::size_t i = 0; i < kKinds.size(); ++i)
        if (kKinds[i].tag != kFirstTag + static_cast<int>(i)) return false;
    return kKinds.size() == static_cast<std::size_t>(kLastTag - kFirstTag + 1);
}
static_assert(TableFollowsTags(), "kKinds must list the kinds in the order of their tags");

constexpr bool IsValidTag(int tag) { return tag >= kFirstTag && tag <= kLastTag; }

// The kind of a valid tag; throws std::out_of_range for any other.
const ObjectKind& KindOf(int tag);

}  // namespace level
