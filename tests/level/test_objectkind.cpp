#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "level.h"
#include "objectkind.h"
#include "recordinghost.h"

namespace {

using level::ListId;
using testing_support::RecordingHost;

struct KindCase {
    int tag;
    int width;
    int height;
    const char* sprite;
    ListId list;
};

std::ostream& operator<<(std::ostream& out, const KindCase& c) { return out << "tag " << c.tag; }

class KindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(KindTest, CreatesObjectOfTheKindsSizeSpriteAndList) {
    const KindCase& c = GetParam();
    RecordingHost host;
    level::Level lvl(host, "/game/");

    const level::PlacedObject* object = lvl.CreateObject(c.tag);

    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->tag, c.tag);
    EXPECT_EQ(object->bounds.width, c.width);
    EXPECT_EQ(object->bounds.height, c.height);
    const std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"make " + std::to_string(c.tag) + " 320,120," + size,
                                                    std::string("picture /game/data/") + c.sprite}));
    for (std::size_t i = 0; i < level::kListCount; ++i) {
        const auto id = static_cast<ListId>(i);
        EXPECT_EQ(lvl.List(id).size(), id == c.list ? 1u : 0u) << "list " << i;
    }
    ASSERT_EQ(lvl.List(c.list).size(), 1u);
    EXPECT_EQ(lvl.List(c.list).front(), object);
}

INSTANTIATE_TEST_SUITE_P(EveryTag, KindTest,
                         ::testing::Values(KindCase{1, 14, 18, "bomba.png", ListId::Bomb},
                                           KindCase{2, 14, 14, "moneda.png", ListId::Coin},
                                           KindCase{3, 14, 14, "boost.png", ListId::Boost},
                                           KindCase{4, 14, 14, "power.png", ListId::Power},
                                           KindCase{5, 50, 10, "50.png", ListId::Platform},
                                           KindCase{6, 75, 10, "75.png", ListId::Platform},
                                           KindCase{7, 100, 10, "100.png", ListId::Platform},
                                           KindCase{8, 24, 24, "trom.png", ListId::Hero},
                                           KindCase{9, 20, 24, "malo1.png", ListId::Enemy1},
                                           KindCase{10, 32, 26, "malo2.png", ListId::Enemy2}),
                         [](const ::testing::TestParamInfo<KindCase>& row) { return "Tag" + std::to_string(row.param.tag); });

TEST(KindOfTest, RejectsTagsOutsideOneToTen) {
    for (const int tag : {0, 11, -1, 1000}) {
        EXPECT_THROW(level::KindOf(tag), std::out_of_range) << tag;
        RecordingHost host;
        level::Level lvl(host, "/game/");
        lvl.pendingX = 5;
        EXPECT_THROW(lvl.CreateObject(tag), std::out_of_range) << tag;
        EXPECT_TRUE(host.calls.empty()) << tag;
        EXPECT_EQ(lvl.pendingX, 5) << tag;
        EXPECT_EQ(lvl.ObjectCount(), 0u) << tag;
    }
}

}  // namespace
