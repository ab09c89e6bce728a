#include <gtest/gtest.h>

#include <QPainter>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "artwork.h"
#include "dialogs.h"
#include "editorfixture.h"

namespace editor_testing {
namespace {

using editor_testing::operator<<;


QString Coordinates(int left, int top) { return QStringLiteral(" X: %1 Y: %2").arg(left).arg(top); }

struct CreateCase {
    int tag;
    const char* name;
    const char* sprite;
    QSize size;
};

class CreateTest : public EditorTest, public ::testing::WithParamInterface<CreateCase> {};

TEST_P(CreateTest, DoubleClickOnThePaletteAddsOneOnTopAtTheDefaultPlace) {
    const CreateCase& c = GetParam();
    Start();
    ObjectItem* first = AddFromPalette(level::kHeroTag == c.tag ? level::kBombTag : level::kHeroTag);
    ASSERT_NE(first, nullptr);

    ObjectItem* item = AddFromPalette(c.tag);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Object().tag, c.tag);
    const level::Bounds& b = item->Object().bounds;
    EXPECT_EQ(QRect(b.left, b.top, b.width, b.height), QRect(QPoint(320, 120), c.size));
    EXPECT_EQ(item->Position(), QPoint(320, 120));
    EXPECT_EQ(item->Size(), c.size);
    EXPECT_TRUE(item->IsShown());
    EXPECT_GT(item->Order(), first->Order());
    EXPECT_EQ(Form().Stage()->HitAt({321, 121}).object, item);
    EXPECT_EQ(item->Picture(), artwork::FromFile(dir_->Join(std::string("data/") + c.sprite)));
    EXPECT_EQ(Form().Level().ObjectCount(), 2u);
    EXPECT_TRUE(catcher_.dialogs.empty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, CreateTest,
                         ::testing::Values(CreateCase{level::kHeroTag, "Hero", "trom.png", {24, 24}},
                                           CreateCase{level::kPlatform50Tag, "Platform50", "50.png", {50, 10}},
                                           CreateCase{level::kPlatform75Tag, "Platform75", "75.png", {75, 10}},
                                           CreateCase{level::kPlatform100Tag, "Platform100", "100.png", {100, 10}},
                                           CreateCase{level::kBombTag, "Bomb", "bomba.png", {14, 18}},
                                           CreateCase{level::kBoostTag, "Boost", "boost.png", {14, 14}},
                                           CreateCase{level::kCoinTag, "Coin", "moneda.png", {14, 14}},
                                           CreateCase{level::kEnemy1Tag, "Enemy1", "malo1.png", {20, 24}},
                                           CreateCase{level::kEnemy2Tag, "Enemy2", "malo2.png", {32, 26}},
                                           CreateCase{level::kPowerTag, "Power", "power.png", {14, 14}}),
                         CaseName());

using ObjectsTest = EditorTest;

TEST_F(ObjectsTest, PendingPlaceIsTakenByTheNextObjectOnly) {
    TForm1& form = Start();
    form.Level().pendingX = 250;
    form.Level().pendingY = 60;
    ASSERT_NE(AddFromPalette(level::kCoinTag), nullptr);
    ASSERT_NE(AddFromPalette(level::kCoinTag), nullptr);
    EXPECT_EQ(Shown(), (std::vector<ShownObject>{{level::kCoinTag, 250, 60}, {level::kCoinTag, 320, 120}}));
}

struct DragCase {
    const char* name;
    int tag;
    QPoint by;
    QPoint expected;
};

class DragTest : public EditorTest, public ::testing::WithParamInterface<DragCase> {};

TEST_P(DragTest, MovesOnEvenCoordinatesInsideTheGameArea) {
    const DragCase& c = GetParam();
    TForm1& form = Start();
    ObjectItem* item = AddFromPalette(c.tag);
    ASSERT_NE(item, nullptr);
    const QPoint grip(322, 122);
    const auto place = [item] { return QPoint(item->Object().bounds.left, item->Object().bounds.top); };

    Press(grip);
    EXPECT_TRUE(form.Dragging());
    MoveHeld(grip + c.by);
    EXPECT_EQ(place(), c.expected);
    EXPECT_EQ(item->Position(), c.expected);
    EXPECT_EQ(form.Label1()->text(), Coordinates(c.expected.x(), c.expected.y()));
    Release(grip + c.by);
    EXPECT_FALSE(form.Dragging());
    EXPECT_EQ(place(), c.expected);
    EXPECT_EQ(form.Label1()->text(), Coordinates(c.expected.x(), c.expected.y()));

    HoverStage({250, 200});
    HoverStage(c.expected + QPoint(3, 3));
    EXPECT_EQ(place(), c.expected);
    EXPECT_EQ(item->Object().bounds.width, item->Size().width());
}

INSTANTIATE_TEST_SUITE_P(
    Moves, DragTest,
    ::testing::Values(DragCase{"Even", level::kHeroTag, {10, 20}, {330, 140}},
                      DragCase{"OddRoundsUp", level::kHeroTag, {11, -21}, {332, 100}},
                      DragCase{"OddBackwards", level::kHeroTag, {-3, -1}, {318, 120}},
                      DragCase{"NoMove", level::kHeroTag, {0, 0}, {320, 120}},
                      DragCase{"PastTheRight", level::kHeroTag, {200, 0}, {444, 120}},
                      DragCase{"PastTheLeft", level::kHeroTag, {-200, 0}, {192, 120}},
                      DragCase{"PastTheBottom", level::kHeroTag, {0, 200}, {320, 238}},
                      DragCase{"PastTheTop", level::kHeroTag, {0, -200}, {320, 12}},
                      DragCase{"Platform75StopsOnAnOddLeft", level::kPlatform75Tag, {200, 0}, {393, 120}},
                      DragCase{"Platform100JustFits", level::kPlatform100Tag, {47, 0}, {368, 120}},
                      DragCase{"RoundingPassesTheRight", level::kPlatform50Tag, {99, 0}, {418, 120}},
                      DragCase{"BottomLimitIgnoresHeight", level::kEnemy2Tag, {0, 119}, {320, 238}},
                      DragCase{"AtTheLeftLimit", level::kBombTag, {-128, 0}, {192, 120}},
                      DragCase{"OddPastTheLeftLimit", level::kBombTag, {-129, 0}, {192, 120}},
                      DragCase{"OddJustInsideTopLeft", level::kBombTag, {-127, -107}, {194, 14}},
                      DragCase{"AtTheTopLimit", level::kBombTag, {0, -108}, {320, 12}},
                      DragCase{"OddPastTheTopLimit", level::kBombTag, {0, -109}, {320, 12}}),
    CaseName());

TEST_F(ObjectsTest, DraggedObjectFollowsThePointerBackFromOutside) {
    TForm1& form = Start();
    ObjectItem* hero = AddFromPalette(level::kHeroTag);
    ASSERT_NE(hero, nullptr);
    Press({322, 122});
    MoveHeld({600, 400});
    EXPECT_EQ(Shown(), (std::vector<ShownObject>{{level::kHeroTag, 444, 238}}));
    MoveHeld({332, 132});
    EXPECT_EQ(Shown(), (std::vector<ShownObject>{{level::kHeroTag, 330, 130}}));
    Release({332, 132});
    EXPECT_EQ(form.Label1()->text(), Coordinates(330, 130));
}

struct RightDuringDragCase {
    const char* name;
    const char* choice;
    bool remains;
};

class RightDuringDragTest : public EditorTest, public ::testing::WithParamInterface<RightDuringDragCase> {};

TEST_P(RightDuringDragTest, RightClickEndsTheDragAndOpensTheObjectsMenu) {
    const RightDuringDragCase& c = GetParam();
    TForm1& form = Start();
    ASSERT_NE(AddFromPalette(level::kHeroTag), nullptr);
    Press({322, 122});
    MoveHeld({332, 142});
    if (c.choice != nullptr) catcher_.ChooseInNextMenu(c.choice);
    Press({332, 142}, Qt::RightButton);
    Release({332, 142}, Qt::RightButton);
    EXPECT_FALSE(form.Dragging());
    ASSERT_EQ(catcher_.menus.size(), 1u);
    EXPECT_EQ(catcher_.menus[0].name, "BorrarObjeto");
    EXPECT_EQ(catcher_.menus[0].actions, QStringList{"Delete Item"});

    MoveHeld({362, 172});
    Release({362, 172});
    EXPECT_FALSE(form.Dragging());
    const std::vector<ShownObject> expected =
        c.remains ? std::vector<ShownObject>{{level::kHeroTag, 330, 140}} : std::vector<ShownObject>{};
    EXPECT_EQ(Shown(), expected);
    EXPECT_EQ(form.Level().ObjectCount(), c.remains ? 1u : 0u);
    EXPECT_TRUE(catcher_.dialogs.empty());
}

INSTANTIATE_TEST_SUITE_P(Choices, RightDuringDragTest,
                         ::testing::Values(RightDuringDragCase{"MenuClosed", nullptr, true},
                                           RightDuringDragCase{"DeleteItem", "Delete Item", false}),
                         CaseName());

TEST_F(ObjectsTest, DeletingAPlatformFreesAPlaceUnderTheLimit) {
    struct Platform {
        int tag;
        int width;
        int size;
    };
    const Platform kinds[] = {{level::kPlatform50Tag, 50, 1}, {level::kPlatform75Tag, 75, 2}, {level::kPlatform100Tag, 100, 3}};
    std::string file;
    std::vector<ShownObject> placed;
    for (int i = 0; i < 10; ++i) {
        const Platform& p = kinds[i % 3];
        const int top = 20 + 22 * i;
        file += "plataforma,200," + std::to_string(top) + "," + std::to_string(p.width) + ",10,1," +
                std::to_string(p.size) + "\r\n";
        placed.push_back({p.tag, 200, top});
    }
    dir_->Write("levels/Level1.lev", file);
    TForm1& form = Start();
    ASSERT_EQ(Shown(), placed);
    for (const int tag : {level::kPlatform50Tag, level::kPlatform75Tag, level::kPlatform100Tag}) EXPECT_EQ(AddFromPalette(tag), nullptr) << "tag " << tag;

    catcher_.ChooseInNextMenu("Delete Item");
    Click({210, 20 + 22 * 3 + 5}, Qt::RightButton);
    placed.erase(placed.begin() + 3);
    EXPECT_EQ(Shown(), placed);
    EXPECT_EQ(form.Level().ObjectCount(), 9u);

    ASSERT_NE(AddFromPalette(level::kPlatform100Tag), nullptr);
    placed.push_back({level::kPlatform100Tag, 320, 120});
    EXPECT_EQ(Shown(), placed);
    EXPECT_EQ(AddFromPalette(level::kPlatform50Tag), nullptr);
    EXPECT_EQ(Shown(), placed);
}

TEST_F(ObjectsTest, LaterObjectIsOnTopAndStaysThereWhenTheLowerOneMoves) {
    TForm1& form = Start();
    ObjectItem* hero = AddFromPalette(level::kHeroTag);
    ObjectItem* bomb = AddFromPalette(level::kBombTag);
    ASSERT_NE(hero, nullptr);
    ASSERT_NE(bomb, nullptr);

    Drag({325, 125}, {345, 145});
    EXPECT_EQ(Shown(), (std::vector<ShownObject>{{level::kHeroTag, 320, 120}, {level::kBombTag, 340, 140}}));
    Drag({345, 145}, {325, 125});
    ASSERT_EQ(Shown(), (std::vector<ShownObject>{{level::kHeroTag, 320, 120}, {level::kBombTag, 320, 120}}));

    // The hero reaches out right of and below the bomb.
    Drag({340, 140}, {330, 130});
    EXPECT_EQ(Shown(), (std::vector<ShownObject>{{level::kHeroTag, 310, 110}, {level::kBombTag, 320, 120}}));
    EXPECT_LT(hero->Order(), bomb->Order());
    EXPECT_EQ(form.Stage()->HitAt({325, 125}).object, bomb);
    Drag({325, 125}, {345, 145});
    EXPECT_EQ(Shown(), (std::vector<ShownObject>{{level::kHeroTag, 310, 110}, {level::kBombTag, 340, 140}}));
}

struct RepaintCase {
    const char* name;
    QRect area;  // the part of the stage painted afresh
};

class StackingPixelsTest : public EditorTest, public ::testing::WithParamInterface<RepaintCase> {};

TEST_P(StackingPixelsTest, LaterObjectsCoverEarlierOnesWhereverTheStageIsPainted) {
    const QRect area = GetParam().area;
    TForm1& form = Start();
    const auto paint = [&] { return Viewport()->grab(area).toImage(); };
    const QImage bare = paint();
    dir_->Write("levels/Level1.lev",
                "start,300,100\r\nmalo1,306,104,20,24,100,200,1\r\nbomba,310,110,14,18,1,500\r\n");
    DoubleClickWidget(form.cargar());
    struct Drawn {
        const char* sprite;
        QPoint at;
    };
    const auto expected = [&](const std::vector<Drawn>& bottomToTop) {
        QImage image = bare;
        QPainter painter(&image);
        for (const Drawn& d : bottomToTop) {
            const QImage sprite = artwork::FromFile(dir_->Join(std::string("data/") + d.sprite));
            painter.drawImage(d.at - area.topLeft(), sprite);
        }
        return image;
    };
    EXPECT_EQ(paint(), expected({{"trom.png", {300, 100}}, {"malo1.png", {306, 104}}, {"bomba.png", {310, 110}}}));

    // The hero, the lowest, moves where only it lies and stays below the others.
    Drag({301, 101}, {303, 103});
    EXPECT_EQ(paint(), expected({{"trom.png", {302, 102}}, {"malo1.png", {306, 104}}, {"bomba.png", {310, 110}}}));
}

INSTANTIATE_TEST_SUITE_P(Areas, StackingPixelsTest,
                         ::testing::Values(RepaintCase{"WholeStage", {0, 0, 480, 272}},
                                           RepaintCase{"SmallRectangle", {304, 106, 16, 16}}),
                         CaseName());

struct RefusalCase {
    const char* name;
    std::vector<int> before;
    int tag;
};

class RefusalTest : public EditorTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, RefusedCreationChangesNothing) {
    const RefusalCase& c = GetParam();
    TForm1& form = Start();
    for (const int tag : c.before) ASSERT_NE(AddFromPalette(tag), nullptr) << "tag " << tag;
    Drag({322, 122}, {302, 102});
    const std::vector<ShownObject> shown = Shown();
    const std::size_t controls = form.Stage()->ObjectCount();
    const QString caption = form.Label1()->text();

    EXPECT_EQ(AddFromPalette(c.tag), nullptr);
    EXPECT_EQ(Shown(), shown);
    EXPECT_EQ(form.Stage()->ObjectCount(), controls);
    EXPECT_EQ(form.Label1()->text(), caption);
    EXPECT_TRUE(catcher_.dialogs.empty());
}

std::vector<int> Times(int count, int tag) { return std::vector<int>(static_cast<std::size_t>(count), tag); }

std::vector<int> Joined(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

INSTANTIATE_TEST_SUITE_P(Limits, RefusalTest,
                         ::testing::Values(RefusalCase{"SecondHero", {level::kHeroTag}, level::kHeroTag},
                                           RefusalCase{"SecondBoost", {level::kBoostTag}, level::kBoostTag},
                                           RefusalCase{"SecondPower", {level::kPowerTag}, level::kPowerTag},
                                           RefusalCase{"TwentyFirstBomb", Times(20, level::kBombTag), level::kBombTag},
                                           RefusalCase{"EleventhCoin", Times(10, level::kCoinTag), level::kCoinTag},
                                           RefusalCase{"EleventhPlatformOfAnotherLength",
                                                       Joined(Times(5, level::kPlatform50Tag), Times(5, level::kPlatform75Tag)), level::kPlatform100Tag}),
                         CaseName());

struct MissingSpriteCase {
    const char* name;
    int bombsBefore;
};

class MissingSpriteTest : public EditorTest, public ::testing::WithParamInterface<MissingSpriteCase> {};

TEST_P(MissingSpriteTest, ErrorBoxAndNoObject) {
    const MissingSpriteCase& c = GetParam();
    TForm1& form = Start();
    for (int i = 0; i < c.bombsBefore; ++i) ASSERT_NE(AddFromPalette(level::kBombTag), nullptr);
    std::filesystem::rename(dir_->Join("data/bomba.png"), dir_->Join("data/bomba.png.away"));
    const std::vector<ShownObject> shown = Shown();
    const std::size_t controls = form.Stage()->ObjectCount();

    EXPECT_EQ(AddFromPalette(level::kBombTag), nullptr);
    ASSERT_EQ(catcher_.dialogs.size(), 1u);
    const DialogSeen& box = catcher_.dialogs[0];
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.title, dialogs::ApplicationTitle());
    EXPECT_EQ(box.text, QString::fromStdString("Cannot open file \"" + dir_->Path() +
                                               "data/bomba.png\". No such file or directory."));
    EXPECT_EQ(box.buttonCount, 1);
    EXPECT_EQ(Shown(), shown);
    EXPECT_EQ(form.Stage()->ObjectCount(), controls);
    EXPECT_EQ(form.Level().ObjectCount(), static_cast<std::size_t>(c.bombsBefore));
    EXPECT_FALSE(form.Dragging());

    std::filesystem::rename(dir_->Join("data/bomba.png.away"), dir_->Join("data/bomba.png"));
    EXPECT_NE(AddFromPalette(level::kBombTag), nullptr);
    EXPECT_EQ(catcher_.dialogs.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Sprites, MissingSpriteTest,
                         ::testing::Values(MissingSpriteCase{"BeforeAnyBomb", 0},
                                           MissingSpriteCase{"AfterOneWasShown", 1}),
                         CaseName());

TEST_F(ObjectsTest, SpriteRenamedToAnotherCaseIsFoundAgain) {
    Start();
    ASSERT_NE(AddFromPalette(level::kBombTag), nullptr);
    std::filesystem::rename(dir_->Join("data/bomba.png"), dir_->Join("data/BOMBA.png"));
    ObjectItem* bomb = AddFromPalette(level::kBombTag);
    ASSERT_NE(bomb, nullptr);
    EXPECT_EQ(bomb->Picture(), artwork::FromFile(dir_->Join("data/BOMBA.png")));
    EXPECT_TRUE(catcher_.dialogs.empty());
}

TEST_F(ObjectsTest, ObjectsAtTheEndsOfTheIntegerRangeLoadAndSaveBackExactly) {
    const std::string file =
        "start,-2147483648,2147483647\r\n"
        "malo1,2147483647,-2147483648,20,24,100,200,1\r\n"
        "bomba,200,40,14,18,1,500\r\n";
    dir_->Write("levels/Level1.lev", file);
    TForm1& form = Start();
    const std::vector<ShownObject> loaded = {{level::kHeroTag, INT_MIN, INT_MAX}, {level::kEnemy1Tag, INT_MAX, INT_MIN}, {level::kBombTag, 200, 40}};
    ASSERT_EQ(Shown(), loaded);
    const std::vector<ObjectItem*> items = ObjectsBottomToTop();
    EXPECT_FALSE(items[0]->IsShown());
    EXPECT_FALSE(items[1]->IsShown());
    EXPECT_TRUE(items[2]->IsShown());

    // Nothing hidden answers the pointer where it was put away.
    EXPECT_EQ(form.Stage()->HitAt({2, 2}).object, nullptr);
    EXPECT_EQ(form.Stage()->HitAt({2, 2}).picture, form.Image1());
    HoverStage({2, 2});
    Click({2, 2}, Qt::RightButton);
    Drag({2, 2}, {40, 40});
    EXPECT_TRUE(catcher_.menus.empty());
    EXPECT_EQ(Shown(), loaded);

    DoubleClickWidget(form.guardar());
    EXPECT_EQ(form.Label1()->text(), "Level saved!");
    EXPECT_EQ(dir_->Read("levels/Level1.lev"), file);
    DoubleClickWidget(form.cargar());
    EXPECT_EQ(Shown(), loaded);
    EXPECT_TRUE(catcher_.dialogs.empty());
}

struct NoAddCase {
    const char* name;
    QPoint at;
};

class DoubleClickElsewhereTest : public EditorTest, public ::testing::WithParamInterface<NoAddCase> {};

TEST_P(DoubleClickElsewhereTest, AddsNothing) {
    TForm1& form = Start();
    ASSERT_NE(AddFromPalette(level::kHeroTag), nullptr);
    DoubleClick(GetParam().at);
    EXPECT_EQ(Shown(), (std::vector<ShownObject>{{level::kHeroTag, 320, 120}}));
    EXPECT_EQ(form.Level().ObjectCount(), 1u);
    EXPECT_FALSE(form.Dragging());
    EXPECT_TRUE(catcher_.dialogs.empty());
    EXPECT_TRUE(catcher_.menus.empty());
}

INSTANTIATE_TEST_SUITE_P(Places, DoubleClickElsewhereTest,
                         ::testing::Values(NoAddCase{"GameArea", {300, 200}}, NoAddCase{"Background", {170, 20}},
                                           NoAddCase{"BetweenPalettePictures", {50, 250}},
                                           NoAddCase{"PlacedObject", {322, 122}}),
                         CaseName());

struct RightClickCase {
    const char* name;
    int paletteTag;  // right-click that palette picture; else `at`
    QPoint at;
    const char* menu;  // null: none opens
    QStringList actions;
};

class RightClickTest : public EditorTest, public ::testing::WithParamInterface<RightClickCase> {};

TEST_P(RightClickTest, OnlyTheGameAreaAndObjectsHaveMenus) {
    const RightClickCase& c = GetParam();
    TForm1& form = Start();
    ASSERT_NE(AddFromPalette(level::kHeroTag), nullptr);
    Click(c.paletteTag != 0 ? Centre(*form.PaletteControl(c.paletteTag)) : c.at, Qt::RightButton);
    if (c.menu == nullptr) {
        EXPECT_TRUE(catcher_.menus.empty());
    } else {
        ASSERT_EQ(catcher_.menus.size(), 1u);
        EXPECT_EQ(catcher_.menus[0].name, c.menu);
        EXPECT_EQ(catcher_.menus[0].actions, c.actions);
    }
    EXPECT_EQ(Shown(), (std::vector<ShownObject>{{level::kHeroTag, 320, 120}}));
    EXPECT_EQ(form.Round(), 1);
    EXPECT_FALSE(form.Dragging());
}

INSTANTIATE_TEST_SUITE_P(
    Places, RightClickTest,
    ::testing::Values(RightClickCase{"HeroOnThePalette", level::kHeroTag, {}, nullptr, {}},
                      RightClickCase{"PlatformOnThePalette", level::kPlatform100Tag, {}, nullptr, {}},
                      RightClickCase{"Background", 0, {170, 20}, nullptr, {}},
                      RightClickCase{"GameArea", 0, {300, 200}, "PopupMenu1", {"Next Level", "Previous Level"}},
                      RightClickCase{"PlacedObject", 0, {322, 122}, "BorrarObjeto", {"Delete Item"}}),
    CaseName());

}  // namespace
}  // namespace editor_testing
