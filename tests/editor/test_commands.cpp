#include <gtest/gtest.h>

#include <QMenu>
#include <QPainter>

#include <filesystem>
#include <string>
#include <vector>

#include "artwork.h"
#include "dialogs.h"
#include "editorfixture.h"

namespace editor_testing {
namespace {

using editor_testing::operator<<;

const QString kNext = "Next Level";
const QString kPrevious = "Previous Level";
const QPoint kOpenGameArea(300, 200);

QString RoundTitle(int round) { return QStringLiteral(" Blastrix PSP - Level Editor  [Round: %1/14]").arg(round); }

std::string Background(int round) { return "levels/Level" + std::to_string(round) + ".png"; }

std::string LevelFile(int round) { return "levels/Level" + std::to_string(round) + ".lev"; }

class CommandsTest : public EditorTest {
protected:
    // What the menu entry does without its menu, to reach a round quickly.
    void Trigger(const QString& text) {
        for (QAction* action : Form().PopupMenu1()->actions())
            if (action->text() == text) return action->trigger();
        ADD_FAILURE() << "no " << text.toStdString() << " in the game area's menu";
    }
    void GoToRound(int round) {
        for (int step = 0; step < 14 && Form().Round() != round; ++step) Trigger(kNext);
        ASSERT_EQ(Form().Round(), round);
    }
    // Right-click on the game area and the entry chosen in the menu that opens.
    void ChooseOnGameArea(const QString& text) {
        const std::size_t menus = catcher_.menus.size();
        catcher_.ChooseInNextMenu(text);
        Click(kOpenGameArea, Qt::RightButton);
        ASSERT_EQ(catcher_.menus.size(), menus + 1);
        EXPECT_EQ(catcher_.menus.back().name, "PopupMenu1");
    }
};

struct RoundStepCase {
    const char* name;
    int from;
    const char* action;
    int to;
};

class RoundStepTest : public CommandsTest, public ::testing::WithParamInterface<RoundStepCase> {};

TEST_P(RoundStepTest, MenuStepsTheRoundWithItsBackgroundLevelAndTitle) {
    const RoundStepCase& c = GetParam();
    dir_->Write(LevelFile(c.to), "start," + std::to_string(200 + 2 * c.to) + ",100\r\n");
    TForm1& form = Start();
    ASSERT_NO_FATAL_FAILURE(GoToRound(c.from));
    ASSERT_EQ(form.windowTitle(), RoundTitle(c.from));

    ChooseOnGameArea(c.action);
    EXPECT_EQ(form.Round(), c.to);
    EXPECT_EQ(form.windowTitle(), RoundTitle(c.to));
    EXPECT_EQ(form.Image2()->Picture(), artwork::FromFile(dir_->Join(Background(c.to))));
    EXPECT_EQ(Shown(), (std::vector<ShownObject>{{level::kHeroTag, 200 + 2 * c.to, 100}}));
    EXPECT_TRUE(catcher_.dialogs.empty());
}

INSTANTIATE_TEST_SUITE_P(Steps, RoundStepTest,
                         ::testing::Values(RoundStepCase{"NextFromOne", 1, "Next Level", 2},
                                           RoundStepCase{"NextToFourteen", 13, "Next Level", 14},
                                           RoundStepCase{"NextFromFourteenWraps", 14, "Next Level", 1},
                                           RoundStepCase{"PreviousFromOneWraps", 1, "Previous Level", 14},
                                           RoundStepCase{"PreviousToOne", 2, "Previous Level", 1}),
                         CaseName());

struct MissingBackgroundCase {
    const char* name;
    int from;
    const char* action;
    int to;
    const char* spelling;  // the path as the message names it, below the program directory
};

class MissingBackgroundTest : public CommandsTest, public ::testing::WithParamInterface<MissingBackgroundCase> {};

TEST_P(MissingBackgroundTest, AsksForTheFileAndKeepsTheOldPicture) {
    const MissingBackgroundCase& c = GetParam();
    dir_->Write(LevelFile(c.to), "bomba,250,50,14,18,1,500\r\n");
    TForm1& form = Start();
    ASSERT_NO_FATAL_FAILURE(GoToRound(c.from));
    dir_->Remove(Background(c.to));
    const QImage before = form.Image2()->Picture();
    ASSERT_FALSE(before.isNull());

    ChooseOnGameArea(c.action);
    ASSERT_EQ(catcher_.dialogs.size(), 1u);
    const DialogSeen& box = catcher_.dialogs[0];
    EXPECT_EQ(box.icon, QMessageBox::Information);
    EXPECT_EQ(box.title, "Information");
    EXPECT_EQ(box.text,
              QString::fromStdString("Create a png background (278x252) named:\n\n" + dir_->Path() + c.spelling));
    EXPECT_EQ(box.standardButtons, QMessageBox::Ok);
    EXPECT_EQ(box.buttonCount, 1);
    EXPECT_EQ(form.Image2()->Picture(), before);
    EXPECT_EQ(form.Round(), c.to);
    EXPECT_EQ(form.windowTitle(), RoundTitle(c.to));
    EXPECT_EQ(Shown(), (std::vector<ShownObject>{{level::kBombTag, 250, 50}}));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, MissingBackgroundTest,
    ::testing::Values(MissingBackgroundCase{"Next", 1, "Next Level", 2, "Levels/level2.png"},
                      MissingBackgroundCase{"NextWrapping", 14, "Next Level", 1, "Levels/level1.png"},
                      MissingBackgroundCase{"Previous", 3, "Previous Level", 2, "levels/level2.png"},
                      MissingBackgroundCase{"PreviousWrapping", 1, "Previous Level", 14, "levels/level14.png"}),
    CaseName());

TEST_F(CommandsTest, BackgroundIsFoundWhateverTheCaseOfItsName) {
    std::filesystem::rename(dir_->Join(Background(2)), dir_->Join("levels/LEVEL2.Png"));
    TForm1& form = Start();
    ChooseOnGameArea(kNext);
    EXPECT_TRUE(catcher_.dialogs.empty());
    EXPECT_EQ(form.Image2()->Picture(), artwork::FromFile(dir_->Join("levels/LEVEL2.Png")));
}

// Each command composes its own spelling; the one first in byte order is what all of them show.
TEST_F(CommandsTest, EveryCommandShowsTheFileFirstInByteOrder) {
    std::filesystem::copy_file(dir_->Join(Background(5)), dir_->Join("levels/LEVEL1.PNG"));
    dir_->Write("levels/LEVEL1.LEV", "start,210,100\r\n");
    dir_->Write(LevelFile(1), "start,300,100\r\n");
    const QImage first = artwork::FromFile(dir_->Join("levels/LEVEL1.PNG"));
    const std::vector<ShownObject> hero = {{level::kHeroTag, 210, 100}};
    TForm1& form = Start();
    EXPECT_EQ(form.Image2()->Picture(), first);
    EXPECT_EQ(Shown(), hero);
    for (const auto& [from, action] : {std::pair{14, kNext}, std::pair{2, QStringLiteral("Previous Level")}}) {
        ASSERT_NO_FATAL_FAILURE(GoToRound(from));
        ChooseOnGameArea(action);
        ASSERT_EQ(form.Round(), 1);
        EXPECT_EQ(form.Image2()->Picture(), first) << action.toStdString();
        EXPECT_EQ(Shown(), hero) << action.toStdString();
    }
    EXPECT_TRUE(catcher_.dialogs.empty());
}

enum class Breakage { None, LevelsRemoved, LevelsIsAFile };

struct SaveCase {
    const char* name;
    const char* level;  // round 1's file at start-up
    Breakage breakage;
    QMessageBox::Icon icon;
    const char* title;  // null: the application's title
    const char* text;   // null: no box, the file is written
    const char* written;
};

class SaveTest : public CommandsTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveTest, LevelSavedOnlyAfterTheFileIsWritten) {
    const SaveCase& c = GetParam();
    dir_->Write(LevelFile(1), c.level);
    TForm1& form = Start();
    const std::vector<ShownObject> shown = Shown();
    if (!shown.empty()) {
        const QPoint grip(shown[0].left + 1, shown[0].top + 1);
        Drag(grip, grip + QPoint(10, 10));
    }
    if (c.breakage == Breakage::LevelsRemoved) dir_->Remove("levels");
    if (c.breakage == Breakage::LevelsIsAFile) {
        dir_->Remove("levels");
        dir_->Write("levels", "not a directory");
    }
    const QString caption = form.Label1()->text();
    const std::vector<std::string> levels =
        c.breakage == Breakage::None ? dir_->List("levels") : std::vector<std::string>{};

    DoubleClickWidget(form.guardar());
    if (c.text == nullptr) {
        EXPECT_TRUE(catcher_.dialogs.empty());
        EXPECT_EQ(form.Label1()->text(), "Level saved!");
        EXPECT_EQ(dir_->Read(LevelFile(1)), c.written);
        EXPECT_EQ(dir_->List("levels"), levels);
        return;
    }
    ASSERT_EQ(catcher_.dialogs.size(), 1u);
    const DialogSeen& box = catcher_.dialogs[0];
    EXPECT_EQ(box.icon, c.icon);
    EXPECT_EQ(box.title, c.title != nullptr ? QString(c.title) : dialogs::ApplicationTitle());
    EXPECT_EQ(box.text, c.text);
    EXPECT_EQ(box.standardButtons, QMessageBox::Ok);
    EXPECT_EQ(box.buttonCount, 1);
    EXPECT_EQ(form.Label1()->text(), caption);
    switch (c.breakage) {
    case Breakage::None:
        EXPECT_EQ(dir_->Read(LevelFile(1)), c.level);
        EXPECT_EQ(dir_->List("levels"), levels);
        break;
    case Breakage::LevelsRemoved: EXPECT_FALSE(dir_->Exists("levels")); break;
    case Breakage::LevelsIsAFile: EXPECT_EQ(dir_->Read("levels"), "not a directory"); break;
    }
}

const char* const kHeroAndBomb = "start,300,100\r\nbomba,200,40,14,18,1,500\r\n";

INSTANTIATE_TEST_SUITE_P(
    Outcomes, SaveTest,
    ::testing::Values(
        SaveCase{"NoHero", "bomba,200,40,14,18,1,500\r\n", Breakage::None, QMessageBox::Question, "Confirm",
                 "Where is Trom?", nullptr},
        SaveCase{"NoBomb", "start,300,100\r\n", Breakage::None, QMessageBox::Information, "Information",
                 "You need one bomb at least", nullptr},
        SaveCase{"NothingAtAll", "", Breakage::None, QMessageBox::Question, "Confirm", "Where is Trom?", nullptr},
        SaveCase{"LevelsDirectoryRemoved", kHeroAndBomb, Breakage::LevelsRemoved, QMessageBox::Critical, nullptr,
                 "Invalid filename.", nullptr},
        SaveCase{"LevelsIsAFile", kHeroAndBomb, Breakage::LevelsIsAFile, QMessageBox::Critical, nullptr,
                 "Invalid filename.", nullptr},
        SaveCase{"Written", kHeroAndBomb, Breakage::None, QMessageBox::NoIcon, nullptr, nullptr,
                 "start,310,110\r\nbomba,200,40,14,18,1,500\r\n"}),
    CaseName());

TEST_F(CommandsTest, LoadShowsWhatWasSavedInFileOrder) {
    TForm1& form = Start();
    const QImage bare = Viewport()->grab().toImage();
    // Placed out of file order, each object overlapping the one after it in the file.
    const std::vector<ShownObject> placed = {
        {level::kEnemy1Tag, 262, 70},  {level::kPlatform75Tag, 300, 146}, {level::kHeroTag, 250, 60},
        {level::kCoinTag, 316, 120},   {level::kBombTag, 300, 100},       {level::kPlatform50Tag, 340, 150},
        {level::kEnemy2Tag, 276, 84},  {level::kBombTag, 308, 110},       {level::kPowerTag, 332, 136},
        {level::kBoostTag, 324, 128},
    };
    for (const ShownObject& p : placed) {
        const ObjectItem* item = PlaceFromPalette(p.tag, {p.left, p.top});
        ASSERT_NE(item, nullptr) << "tag " << p.tag;
        ASSERT_EQ(QPoint(item->Object().bounds.left, item->Object().bounds.top), QPoint(p.left, p.top)) << "tag " << p.tag;
    }
    DoubleClickWidget(form.guardar());
    ASSERT_EQ(form.Label1()->text(), "Level saved!");

    Drag({251, 61}, {271, 81});
    ASSERT_NE(AddFromPalette(level::kCoinTag), nullptr);
    DoubleClickWidget(form.cargar());
    const std::vector<ShownObject> fileOrder = {placed[2], placed[0], placed[6], placed[4], placed[7],
                                                placed[3], placed[9], placed[8], placed[1], placed[5]};
    EXPECT_EQ(Shown(), fileOrder);
    QImage expected = bare;
    QPainter painter(&expected);
    for (std::size_t i = 0; i < fileOrder.size(); ++i) {
        const level::ObjectKind& kind = level::KindOf(fileOrder[i].tag);
        const QRect bounds(fileOrder[i].left, fileOrder[i].top, kind.width, kind.height);
        painter.drawImage(bounds.topLeft(), artwork::FromFile(dir_->Join(std::string("data/") + kind.spriteFile)));
        if (i == 0) continue;
        const level::ObjectKind& below = level::KindOf(fileOrder[i - 1].tag);
        const QRect overlap = bounds & QRect(fileOrder[i - 1].left, fileOrder[i - 1].top, below.width, below.height);
        const ObjectItem* top = form.Stage()->HitAt(overlap.center()).object;
        ASSERT_NE(top, nullptr) << i;
        EXPECT_EQ(QPoint(top->Object().bounds.left, top->Object().bounds.top), bounds.topLeft()) << i;
    }
    painter.end();
    EXPECT_EQ(Viewport()->grab().toImage(), expected);
    EXPECT_TRUE(catcher_.dialogs.empty());
}

TEST_F(CommandsTest, ChangingRoundDropsUnsavedObjects) {
    dir_->Write(LevelFile(1), kHeroAndBomb);
    TForm1& form = Start();
    Drag({301, 101}, {321, 131});
    ASSERT_NE(AddFromPalette(level::kCoinTag), nullptr);

    ChooseOnGameArea(kNext);
    EXPECT_EQ(form.Round(), 2);
    EXPECT_TRUE(Shown().empty());
    ChooseOnGameArea(kPrevious);
    EXPECT_EQ(form.Round(), 1);
    EXPECT_EQ(Shown(), (std::vector<ShownObject>{{level::kHeroTag, 300, 100}, {level::kBombTag, 200, 40}}));
    EXPECT_TRUE(catcher_.dialogs.empty());
    EXPECT_EQ(dir_->Read(LevelFile(1)), kHeroAndBomb);
}

TEST_F(CommandsTest, LoadWithoutALevelFileEmptiesTheGameArea) {
    TForm1& form = Start();
    ASSERT_NE(PlaceFromPalette(level::kHeroTag, {250, 60}), nullptr);
    ASSERT_NE(AddFromPalette(level::kBombTag), nullptr);
    const std::vector<std::string> levels = dir_->List("levels");

    DoubleClickWidget(form.cargar());
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(form.Level().ObjectCount(), 0u);
    EXPECT_EQ(dir_->List("levels"), levels);
    EXPECT_TRUE(catcher_.dialogs.empty());
    EXPECT_EQ(form.Label1()->text(), " X: 250 Y: 60");
}

struct CloseCase {
    const char* name;
    const char* level;  // null: round 1 has no file
};

class CloseTest : public CommandsTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseTest, ClosingWritesNoFile) {
    const CloseCase& c = GetParam();
    if (c.level != nullptr) dir_->Write(LevelFile(1), c.level);
    TForm1& form = Start();
    ASSERT_NE(PlaceFromPalette(level::kEnemy1Tag, {250, 60}), nullptr);
    ASSERT_NE(AddFromPalette(level::kBombTag), nullptr);
    const std::vector<std::string> levels = dir_->List("levels");

    EXPECT_TRUE(form.close());
    Settle();
    EXPECT_FALSE(form.isVisible());
    form_.reset();
    Settle();
    EXPECT_EQ(dir_->List("levels"), levels);
    if (c.level != nullptr) {
        EXPECT_EQ(dir_->Read(LevelFile(1)), c.level);
    }
    EXPECT_TRUE(catcher_.dialogs.empty());
}

INSTANTIATE_TEST_SUITE_P(Levels, CloseTest,
                         ::testing::Values(CloseCase{"WithoutLevelFile", nullptr},
                                           CloseCase{"WithLevelFile", "start,300,100\r\nbomba,200,40,14,18,1,500\r\n"}),
                         CaseName());

}  // namespace
}  // namespace editor_testing
