#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "level.h"
#include "recordinghost.h"

namespace {

using level::ListId;
using testing_support::RecordingHost;


std::vector<int> Repeat(int tag, int count) { return std::vector<int>(static_cast<std::size_t>(count), tag); }

std::vector<int> Concat(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct LimitCase {
    const char* name;
    std::vector<int> before;  // all of these must be created
    int tag;
    bool refused;
};

std::ostream& operator<<(std::ostream& out, const LimitCase& c) { return out << c.name; }

class LimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(LimitTest, RefusesOnlyPastTheLimitAndRefusalLeavesEverythingAsItWas) {
    const LimitCase& c = GetParam();
    RecordingHost host;
    level::Level lvl(host, "/game/");
    for (const int tag : c.before) ASSERT_NE(lvl.CreateObject(tag), nullptr) << "tag " << tag;

    host.calls.clear();
    const std::size_t count = lvl.ObjectCount();
    lvl.pendingX = 11;
    lvl.pendingY = 22;
    const level::PlacedObject* object = lvl.CreateObject(c.tag);

    if (c.refused) {
        EXPECT_EQ(object, nullptr);
        EXPECT_TRUE(host.calls.empty());
        EXPECT_EQ(lvl.ObjectCount(), count);
        EXPECT_EQ(lvl.pendingX, 11);
        EXPECT_EQ(lvl.pendingY, 22);
    } else {
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(lvl.ObjectCount(), count + 1);
        EXPECT_EQ(object->bounds.left, 11);
        EXPECT_EQ(object->bounds.top, 22);
        EXPECT_EQ(lvl.pendingX, 0);
        EXPECT_EQ(lvl.pendingY, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, LimitTest,
    ::testing::Values(
        LimitCase{"SecondHero", {level::kHeroTag}, level::kHeroTag, true},
        LimitCase{"SecondBoost", {level::kBoostTag}, level::kBoostTag, true},
        LimitCase{"SecondPower", {level::kPowerTag}, level::kPowerTag, true},
        LimitCase{"PowerBesideBoost", {level::kBoostTag}, level::kPowerTag, false},
        LimitCase{"BoostBesidePower", {level::kPowerTag}, level::kBoostTag, false},
        LimitCase{"TwentiethBomb", Repeat(level::kBombTag, 19), level::kBombTag, false},
        LimitCase{"TwentyFirstBomb", Repeat(level::kBombTag, 20), level::kBombTag, true},
        LimitCase{"CoinBesideTwentyBombs", Repeat(level::kBombTag, 20), level::kCoinTag, false},
        LimitCase{"TenthCoin", Repeat(level::kCoinTag, 9), level::kCoinTag, false},
        LimitCase{"EleventhCoin", Repeat(level::kCoinTag, 10), level::kCoinTag, true},
        LimitCase{"BombBesideTenCoins", Repeat(level::kCoinTag, 10), level::kBombTag, false},
        LimitCase{"TenthPlatform", Concat({Repeat(level::kPlatform50Tag, 3), Repeat(level::kPlatform75Tag, 3), Repeat(level::kPlatform100Tag, 3)}), level::kPlatform50Tag, false},
        LimitCase{"Platform50PastMixedTen", Concat({Repeat(level::kPlatform50Tag, 4), Repeat(level::kPlatform75Tag, 3), Repeat(level::kPlatform100Tag, 3)}), level::kPlatform50Tag, true},
        LimitCase{"Platform75PastMixedTen", Concat({Repeat(level::kPlatform50Tag, 4), Repeat(level::kPlatform75Tag, 3), Repeat(level::kPlatform100Tag, 3)}), level::kPlatform75Tag, true},
        LimitCase{"Platform100PastTen75", Repeat(level::kPlatform75Tag, 10), level::kPlatform100Tag, true},
        LimitCase{"BombBesideTenPlatforms", Repeat(level::kPlatform100Tag, 10), level::kBombTag, false},
        LimitCase{"ThousandthFirstEnemy1", Repeat(level::kEnemy1Tag, 1000), level::kEnemy1Tag, false},
        LimitCase{"ThousandthFirstEnemy2", Repeat(level::kEnemy2Tag, 1000), level::kEnemy2Tag, false},
        LimitCase{"HeroAmongFullLists",
                  Concat({Repeat(level::kBombTag, 20), Repeat(level::kCoinTag, 10), Repeat(level::kPlatform50Tag, 10), {level::kBoostTag, level::kPowerTag}}), level::kHeroTag, false}),
    [](const ::testing::TestParamInfo<LimitCase>& row) { return row.param.name; });

struct PendingCase {
    std::int32_t pendingX;
    std::int32_t pendingY;
    std::int32_t left;
    std::int32_t top;
};

std::ostream& operator<<(std::ostream& out, const PendingCase& c) {
    return out << "pending " << c.pendingX << "," << c.pendingY;
}

class PendingTest : public ::testing::TestWithParam<PendingCase> {};

TEST_P(PendingTest, ZeroMeansDefaultAndCreationConsumesThePosition) {
    const PendingCase& c = GetParam();
    RecordingHost host;
    level::Level lvl(host, "/game/");
    lvl.pendingX = c.pendingX;
    lvl.pendingY = c.pendingY;

    const level::PlacedObject* first = lvl.CreateObject(level::kEnemy1Tag);
    const level::PlacedObject* second = lvl.CreateObject(level::kEnemy1Tag);

    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->bounds.left, c.left);
    EXPECT_EQ(first->bounds.top, c.top);
    EXPECT_EQ(host.calls.front(), "make 9 " + std::to_string(c.left) + "," + std::to_string(c.top) + ",20x24");
    EXPECT_EQ(second->bounds.left, 320);
    EXPECT_EQ(second->bounds.top, 120);
    EXPECT_EQ(lvl.pendingX, 0);
    EXPECT_EQ(lvl.pendingY, 0);
}

INSTANTIATE_TEST_SUITE_P(Positions, PendingTest,
                         ::testing::Values(PendingCase{0, 0, 320, 120}, PendingCase{10, 0, 10, 120},
                                           PendingCase{0, 15, 320, 15}, PendingCase{-5, 7, -5, 7},
                                           PendingCase{1, -1, 1, -1}, PendingCase{5000, 9000, 5000, 9000}));

TEST(CreateObjectTest, FailedPictureLeavesNoObjectAndPendingIsSpent) {
    RecordingHost host;
    host.failPicturePath = "/game/data/bomba.png";
    level::Level lvl(host, "/game/");
    lvl.pendingX = 5;
    lvl.pendingY = 6;

    EXPECT_THROW(lvl.CreateObject(level::kBombTag), std::runtime_error);

    EXPECT_EQ(host.calls, (std::vector<std::string>{"make 1 5,6,14x18", "picture /game/data/bomba.png"}));
    EXPECT_TRUE(lvl.List(ListId::Bomb).empty());
    EXPECT_EQ(lvl.ObjectCount(), 0u);
    EXPECT_EQ(lvl.pendingX, 0);
    EXPECT_EQ(lvl.pendingY, 0);
    // The failed bomb must not count towards a limit either.
    host.failPicturePath.reset();
    for (int i = 0; i < 20; ++i) EXPECT_NE(lvl.CreateObject(level::kBombTag), nullptr) << i;
}

TEST(CreateObjectTest, FailedPictureOfAUniqueKindDoesNotBlockTheNextOne) {
    RecordingHost host;
    host.failAfterPictures = 0;
    level::Level lvl(host, "/game/");
    EXPECT_THROW(lvl.CreateObject(level::kHeroTag), std::runtime_error);
    host.failAfterPictures.reset();
    const level::PlacedObject* hero = lvl.CreateObject(level::kHeroTag);
    ASSERT_NE(hero, nullptr);
    EXPECT_EQ(lvl.List(ListId::Hero).size(), 1u);
}

TEST(CreateObjectTest, ObjectsKeepCreationOrderInTheirList) {
    RecordingHost host;
    level::Level lvl(host, "/game/");
    const std::vector<std::pair<int, int>> positions = {{10, 20}, {30, 40}, {50, 60}};
    for (const auto& [x, y] : positions) {
        lvl.pendingX = x;
        lvl.pendingY = y;
        lvl.CreateObject(level::kCoinTag);
    }
    ASSERT_EQ(lvl.List(ListId::Coin).size(), positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i) {
        EXPECT_EQ(lvl.List(ListId::Coin)[i]->bounds.left, positions[i].first);
        EXPECT_EQ(lvl.List(ListId::Coin)[i]->bounds.top, positions[i].second);
    }
}

TEST(RemoveTest, TakesOutOnlyThatObjectAndFreesItsPlaceUnderTheLimit) {
    RecordingHost host;
    level::Level lvl(host, "/game/");
    std::vector<const level::PlacedObject*> coins;
    for (int i = 0; i < 10; ++i) coins.push_back(lvl.CreateObject(level::kCoinTag));
    ASSERT_EQ(lvl.CreateObject(level::kCoinTag), nullptr);

    EXPECT_TRUE(lvl.Remove(coins[4]));

    ASSERT_EQ(lvl.List(ListId::Coin).size(), 9u);
    for (std::size_t i = 0, j = 0; i < coins.size(); ++i) {
        if (i == 4) continue;
        EXPECT_EQ(lvl.List(ListId::Coin)[j++], coins[i]);
    }
    EXPECT_NE(lvl.CreateObject(level::kCoinTag), nullptr);
}

TEST(RemoveTest, RefusesObjectsThatAreNotInTheLevelWithoutReadingThem) {
    RecordingHost host;
    level::Level lvl(host, "/game/");
    level::Level other(host, "/game/");
    lvl.CreateObject(level::kBombTag);
    const level::PlacedObject* foreign = other.CreateObject(level::kBombTag);
    level::PlacedObject stray;
    stray.tag = 42;
    EXPECT_FALSE(lvl.Remove(nullptr));
    EXPECT_FALSE(lvl.Remove(foreign));
    EXPECT_FALSE(lvl.Remove(&stray));
#ifndef _WIN32
    // Any read through a pointer into this page ends the test program.
    const long pageSize = sysconf(_SC_PAGESIZE);
    void* const page = mmap(nullptr, static_cast<std::size_t>(pageSize), PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(page, MAP_FAILED);
    EXPECT_FALSE(lvl.Remove(static_cast<const level::PlacedObject*>(page)));
    munmap(page, static_cast<std::size_t>(pageSize));
#endif
    EXPECT_EQ(lvl.ObjectCount(), 1u);
    EXPECT_EQ(other.ObjectCount(), 1u);
}

TEST(ClearTest, EmptiesEveryListButKeepsThePendingPosition) {
    RecordingHost host;
    level::Level lvl(host, "/game/");
    for (int tag = level::kFirstTag; tag <= level::kLastTag; ++tag) lvl.CreateObject(tag);
    ASSERT_EQ(lvl.ObjectCount(), 10u);
    ASSERT_TRUE(lvl.Remove(lvl.List(ListId::Hero).front()));
    lvl.pendingX = 3;
    lvl.pendingY = 4;

    lvl.Clear();

    EXPECT_EQ(lvl.ObjectCount(), 0u);
    EXPECT_EQ(lvl.pendingX, 3);
    EXPECT_EQ(lvl.pendingY, 4);
    for (int tag = level::kFirstTag; tag <= level::kLastTag; ++tag) ASSERT_NE(lvl.CreateObject(tag), nullptr) << tag;
    // Every object made after the Clear is one of its own, each with the control that draws it.
    std::set<const level::PlacedObject*> objects;
    std::set<const level::ObjectControl*> controls;
    for (std::size_t i = 0; i < level::kListCount; ++i) {
        for (const level::PlacedObject* object : lvl.List(static_cast<ListId>(i))) {
            objects.insert(object);
            controls.insert(object->control);
        }
    }
    EXPECT_EQ(objects.size(), 10u);
    EXPECT_EQ(controls.size(), 10u);
}

TEST(ControlsTest, EveryControlComesBackToTheWindowWhenItsObjectGoesOrFailsToAppear) {
    RecordingHost host;
    level::Level lvl(host, "/game/");
    const level::PlacedObject* bomb = lvl.CreateObject(level::kBombTag);
    ASSERT_NE(lvl.CreateObject(level::kCoinTag), nullptr);
    ASSERT_EQ(host.LiveControls(), 2u);
    host.failPicturePath = "/game/data/moneda.png";
    EXPECT_THROW(lvl.CreateObject(level::kCoinTag), std::runtime_error);
    EXPECT_EQ(host.LiveControls(), 2u);
    EXPECT_TRUE(lvl.Remove(bomb));
    EXPECT_EQ(host.LiveControls(), 1u);
    lvl.Clear();
    EXPECT_EQ(host.LiveControls(), 0u);
}

}  // namespace
