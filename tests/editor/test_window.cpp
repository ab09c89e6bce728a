#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QMenu>
#include <QTest>

#include <filesystem>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "artwork.h"
#include "dialogs.h"
#include "editorfixture.h"
#include "pngdecoder.h"

namespace editor_testing {
namespace {

using editor_testing::operator<<;

const QString kRoundOneTitle = " Blastrix PSP - Level Editor  [Round: 1/14]";
const QString kPaletteText = " Double click to add to game";
const QString kGameAreaText = " Click to put object, right click to change level";

using WindowTest = EditorTest;

TEST_F(WindowTest, FixedClientSizeCloseButtonOnlyAndRoundOneInTheTitle) {
    TForm1& form = Start();
    EXPECT_EQ(form.size(), QSize(480, 293));
    EXPECT_EQ(form.minimumSize(), QSize(480, 293));
    EXPECT_EQ(form.maximumSize(), QSize(480, 293));
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_EQ(form.windowTitle(), kRoundOneTitle);
    EXPECT_TRUE(catcher_.dialogs.empty());
}

TEST_F(WindowTest, PicturesOfTheStage) {
    TForm1& form = Start();
    EXPECT_EQ(form.Stage()->geometry(), QRect(0, 0, 480, 272));
    EXPECT_EQ(form.Image1()->pos(), QPointF(0, 0));
    EXPECT_EQ(form.Image1()->Size(), QSize(480, 272));
    EXPECT_EQ(form.Image2()->pos(), QPointF(191, 10));
    EXPECT_EQ(form.Image2()->Size(), QSize(278, 252));
    EXPECT_EQ(form.Image2()->cursorShape, Qt::CrossCursor);
    EXPECT_EQ(form.Image2()->Picture().size(), QSize(278, 252));
}

// Every pixel of `shown` is the opaque colour the decoder gives for the same place of `decoded`.
::testing::AssertionResult ShowsDecoded(const QImage& shown, const files::RgbaImage& decoded, QPoint from) {
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const std::uint8_t* p = &decoded.pixels[(static_cast<std::size_t>(from.y() + y) * decoded.width + from.x() + x) * 4];
            if (shown.pixel(x, y) != qRgb(p[0], p[1], p[2]))
                return ::testing::AssertionFailure() << "differs at " << x << "," << y;
        }
    }
    return ::testing::AssertionSuccess();
}

TEST_F(WindowTest, BackgroundAndRoundPictureShowAsDecoded) {
    Start();
    QFile artwork(":/artwork/background.png");
    ASSERT_TRUE(artwork.open(QIODevice::ReadOnly));
    const QByteArray bytes = artwork.readAll();
    const files::RgbaImage background =
        files::DecodePng(reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size()));
    // Left of the palette's pictures and above them: the background alone.
    EXPECT_TRUE(ShowsDecoded(Viewport()->grab(QRect(0, 0, 191, 100)).toImage(), background, {0, 0}));
    const files::RgbaImage round = files::DecodePngFile(dir_->Join("levels/Level1.png"));
    EXPECT_TRUE(ShowsDecoded(Viewport()->grab(QRect(191, 10, 278, 252)).toImage(), round, {0, 0}));
}

struct PaletteCase {
    int tag;
    const char* name;
    QPoint position;
    QSize size;
    QSize picture;
};

class PaletteTest : public EditorTest, public ::testing::WithParamInterface<PaletteCase> {};

TEST_P(PaletteTest, PlacedAndSizedByKind) {
    const PaletteCase& c = GetParam();
    TForm1& form = Start();
    const PictureItem* item = form.PaletteControl(c.tag);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Name(), c.name);
    EXPECT_EQ(item->Tag(), c.tag);
    EXPECT_EQ(item->pos(), QPointF(c.position));
    EXPECT_EQ(item->Size(), c.size);
    EXPECT_EQ(item->Picture().size(), c.picture);
    EXPECT_EQ(item->cursorShape, Qt::PointingHandCursor);
    EXPECT_EQ(item->GetRole(), PictureItem::Role::Palette);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PaletteTest,
    ::testing::Values(PaletteCase{level::kHeroTag, "img_trom", {16, 112}, {24, 24}, {24, 24}},
                      PaletteCase{level::kPlatform50Tag, "img_plataf1", {8, 184}, {50, 10}, {50, 10}},
                      PaletteCase{level::kPlatform75Tag, "img_plataf2", {8, 200}, {75, 10}, {75, 10}},
                      PaletteCase{level::kPlatform100Tag, "img_plataf3", {8, 216}, {100, 10}, {100, 10}},
                      PaletteCase{level::kBombTag, "img_bomba", {8, 240}, {14, 18}, {14, 18}},
                      PaletteCase{level::kBoostTag, "img_boost", {56, 245}, {14, 14}, {14, 14}},
                      PaletteCase{level::kCoinTag, "img_Moneda", {32, 245}, {14, 14}, {14, 14}},
                      PaletteCase{level::kEnemy1Tag, "img_malo1", {64, 112}, {20, 24}, {20, 24}},
                      PaletteCase{level::kEnemy2Tag, "img_malo2", {104, 112}, {32, 26}, {30, 22}},
                      PaletteCase{level::kPowerTag, "img_power", {80, 245}, {14, 14}, {14, 14}}),
    CaseName());

TEST_F(WindowTest, StatusBarHoldsTheIconsAndTheLabel) {
    TForm1& form = Start();
    TStatusBar* bar = form.StatusBar1();
    EXPECT_EQ(bar->geometry(), QRect(0, 272, 480, 21));
    EXPECT_EQ(bar->PanelRect(0).width(), 290);
    EXPECT_EQ(bar->PanelRect(1).width(), 24);
    EXPECT_EQ(bar->PanelRect(2).width(), 24);
    for (int panel = 1; panel < 4; ++panel)
        EXPECT_GT(bar->PanelRect(panel).left(), bar->PanelRect(panel - 1).right()) << "panel " << panel;
    EXPECT_EQ(bar->PanelRect(3).right(), bar->width() - 1);

    struct Placement {
        QWidget* widget;
        QPoint position;
    };
    for (const Placement& p : {Placement{form.guardar(), {295, 4}}, Placement{form.cargar(), {319, 3}},
                               Placement{form.Label1(), {345, 5}}}) {
        SCOPED_TRACE(p.widget->objectName().toStdString());
        EXPECT_EQ(p.widget->parentWidget(), bar);
        EXPECT_EQ(p.widget->pos(), p.position);
        EXPECT_TRUE(p.widget->isVisible());
    }
    EXPECT_EQ(form.Label1()->text(), kMakersAddress);
}

TEST_F(WindowTest, NothingHasATooltip) {
    TForm1& form = Start();
    EXPECT_TRUE(form.toolTip().isEmpty());
    for (const QWidget* widget : form.findChildren<QWidget*>())
        EXPECT_TRUE(widget->toolTip().isEmpty())
            << widget->metaObject()->className() << " " << widget->objectName().toStdString();
    for (const QGraphicsItem* item : form.Stage()->scene()->items()) EXPECT_TRUE(item->toolTip().isEmpty());
    for (const QMenu* menu : {form.PopupMenu1(), form.BorrarObjeto()}) EXPECT_FALSE(menu->toolTipsVisible());
}

TEST_F(WindowTest, HintPanelFollowsThePointer) {
    TForm1& form = Start();
    EXPECT_TRUE(form.StatusBar1()->PanelText(0).isEmpty());
    ObjectItem* hero = AddFromPalette(level::kHeroTag);
    ASSERT_NE(hero, nullptr);
    EXPECT_TRUE(form.StatusBar1()->PanelText(0).isEmpty());

    struct Step {
        const char* where;
        QWidget* widget;  // the stage's viewport when null
        QPoint at;
        QString hint;
        std::optional<Qt::CursorShape> cursor;
    };
    const QPoint trom = Centre(*form.PaletteControl(level::kHeroTag));
    const std::vector<Step> walk = {
        {"hero on the palette", nullptr, trom, kPaletteText, Qt::PointingHandCursor},
        {"game area", nullptr, {300, 200}, kGameAreaText, Qt::CrossCursor},
        {"placed hero", nullptr, Centre(*hero), " ", std::nullopt},
        {"bomb on the palette", nullptr, Centre(*form.PaletteControl(level::kBombTag)), kPaletteText, Qt::PointingHandCursor},
        {"bare background", nullptr, {170, 20}, " ", Qt::ArrowCursor},
        {"game area again", nullptr, {200, 250}, kGameAreaText, Qt::CrossCursor},
        {"second enemy's margin", nullptr, {104 + 31, 112 + 25}, kPaletteText, Qt::PointingHandCursor},
        {"just right of the hero on the palette", nullptr, {16 + 24, 120}, " ", Qt::ArrowCursor},
        {"save icon", form.guardar(), {8, 8}, " Save Level", std::nullopt},
        {"load icon", form.cargar(), {8, 8}, " Load Level", std::nullopt},
        {"label", form.Label1(), {4, 4}, " Click to visit vellamor headquarters", std::nullopt},
        {"status bar panel", form.StatusBar1(), {100, 10}, " ", std::nullopt},
        {"game area from the status bar", nullptr, {468, 261}, kGameAreaText, Qt::CrossCursor},
    };
    for (const Step& step : walk) {
        SCOPED_TRACE(step.where);
        if (step.widget != nullptr) Hover(step.widget, step.at);
        else HoverStage(step.at);
        EXPECT_EQ(form.StatusBar1()->PanelText(0), step.hint);
        if (step.cursor) {
            EXPECT_EQ(Viewport()->cursor().shape(), *step.cursor);
        }
    }
    EXPECT_TRUE(catcher_.menus.empty());
}

struct CaptionCase {
    const char* name;
    bool save;  // else a drag
    const char* caption;
};

class LabelCaptionTest : public EditorTest, public ::testing::WithParamInterface<CaptionCase> {};

TEST_P(LabelCaptionTest, EnteringTheLabelShowsTheAddressAgain) {
    const CaptionCase& c = GetParam();
    dir_->Write("levels/Level1.lev", "start,320,120\r\nbomba,200,40,14,18,1,500\r\n");
    TForm1& form = Start();
    if (c.save) DoubleClickWidget(form.guardar());
    else Drag({322, 122}, {332, 142});
    ASSERT_EQ(form.Label1()->text(), c.caption);

    Hover(form.Label1(), {2, 2});
    EXPECT_EQ(form.Label1()->text(), kMakersAddress);
    EXPECT_EQ(form.Label1()->pos(), QPoint(345, 5));
    EXPECT_GE(form.Label1()->width(), form.Label1()->sizeHint().width());
}

INSTANTIATE_TEST_SUITE_P(Captions, LabelCaptionTest,
                         ::testing::Values(CaptionCase{"AfterDrag", false, " X: 330 Y: 140"},
                                           CaptionCase{"AfterSave", true, "Level saved!"}),
                         CaseName());

struct LabelClickCase {
    const char* name;
    Qt::MouseButton button;
    bool releaseOnLabel;
    bool opens;
};

class LabelClickTest : public EditorTest, public ::testing::WithParamInterface<LabelClickCase> {};

TEST_P(LabelClickTest, LeftClickOpensTheAddress) {
    const LabelClickCase& c = GetParam();
    TForm1& form = Start();
    std::vector<QUrl> opened;
    form.openUrl = [&opened](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    TLinkLabel* label = form.Label1();
    Hover(label, {3, 3});
    QTest::mousePress(label, c.button, {}, {3, 3});
    QTest::mouseRelease(label, c.button, {}, c.releaseOnLabel ? QPoint(4, 4) : QPoint(label->width() + 20, 4));
    Settle();
    if (c.opens) {
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0], QUrl::fromUserInput(kMakersAddress));
    } else {
        EXPECT_TRUE(opened.empty());
    }
    EXPECT_TRUE(catcher_.dialogs.empty());
}

INSTANTIATE_TEST_SUITE_P(Clicks, LabelClickTest,
                         ::testing::Values(LabelClickCase{"Left", Qt::LeftButton, true, true},
                                           LabelClickCase{"LeftReleasedElsewhere", Qt::LeftButton, false, false},
                                           LabelClickCase{"Right", Qt::RightButton, true, false},
                                           LabelClickCase{"Middle", Qt::MiddleButton, true, false}),
                         CaseName());

struct FullStopCase {
    const char* text;
    const char* shown;
};

class FullStopTest : public ::testing::TestWithParam<FullStopCase> {};

TEST_P(FullStopTest, AddedAfterCharactersAboveTheFullStop) {
    EXPECT_EQ(dialogs::WithFullStop(QString::fromUtf8(GetParam().text)), QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(Texts, FullStopTest,
                         ::testing::Values(FullStopCase{"Invalid filename", "Invalid filename."},
                                           FullStopCase{"Done.", "Done."},
                                           FullStopCase{"", ""},
                                           FullStopCase{"Wow!", "Wow!"},
                                           FullStopCase{"(see above)", "(see above)"},
                                           FullStopCase{"count -", "count -"},
                                           FullStopCase{"trailing ", "trailing "},
                                           FullStopCase{"two lines\r\n", "two lines\r\n"},
                                           FullStopCase{"Why?", "Why?."},
                                           FullStopCase{"dir/", "dir/."},
                                           FullStopCase{"error 5", "error 5."},
                                           FullStopCase{"r\xc3\xa9sum\xc3\xa9", "r\xc3\xa9sum\xc3\xa9."}));

struct TitleCase {
    const char* path;
    const char* title;
};

class ApplicationTitleTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(ApplicationTitleTest, NameUpToTheFirstDotWithItsFirstCharacterKept) {
    EXPECT_EQ(dialogs::ApplicationTitle(QString::fromUtf8(GetParam().path)), QString::fromUtf8(GetParam().title));
}

INSTANTIATE_TEST_SUITE_P(Paths, ApplicationTitleTest,
                         ::testing::Values(TitleCase{"/usr/bin/blastrix-editor", "blastrix-editor"},
                                           TitleCase{"/opt/BLASTRIX.EXE", "Blastrix"},
                                           TitleCase{"/opt/MyEditor.v2.exe", "Myeditor"},
                                           TitleCase{"/opt/eDITOR", "editor"},
                                           TitleCase{"/games.d/v1.2/Editor", "Editor"},
                                           TitleCase{"/opt/X", "X"},
                                           TitleCase{"/opt/.hidden", ""},
                                           TitleCase{"", ""},
                                           TitleCase{"/opt/\xc3\x89" "DITEUR.bin", "\xc3\x89" "diteur"}));

TEST(ApplicationTitle, OfThisProgram) { EXPECT_EQ(dialogs::ApplicationTitle(), "editor_tests"); }

struct StartupCase {
    const char* name;
    const char* renameBackgroundTo;  // the round-1 background's new name, if any
    std::vector<std::string> remove;
    std::vector<std::pair<std::string, std::string>> write;  // path, bytes
    bool shown;           // the game area shows the background; else an error box tells why not
    bool missingFileBox;  // the box says the file is missing, not that it is no picture
};

class StartupTest : public EditorTest, public ::testing::WithParamInterface<StartupCase> {};

TEST_P(StartupTest, BackgroundProblemIsShownAndStartUpGoesOn) {
    const StartupCase& c = GetParam();
    std::string background = "levels/Level1.png";
    if (c.renameBackgroundTo != nullptr) {
        std::filesystem::rename(dir_->Join(background), dir_->Join(c.renameBackgroundTo));
        background = c.renameBackgroundTo;
    }
    for (const std::string& path : c.remove) dir_->Remove(path);
    for (const auto& [path, bytes] : c.write) dir_->Write(path, bytes);
    if (dir_->Exists("levels")) dir_->Write("levels/Level1.lev", "start,300,100\r\n");

    TForm1& form = Create();
    EXPECT_EQ(catcher_.dialogs.size(), c.shown ? 0u : 1u) << "while the window was being made";
    Show();
    if (c.shown) {
        EXPECT_TRUE(catcher_.dialogs.empty());
        EXPECT_EQ(form.Image2()->Picture(), artwork::FromFile(dir_->Join(background)));
    } else {
        ASSERT_EQ(catcher_.dialogs.size(), 1u);
        const DialogSeen& box = catcher_.dialogs[0];
        EXPECT_EQ(box.icon, QMessageBox::Critical);
        EXPECT_EQ(box.title, dialogs::ApplicationTitle());
        EXPECT_EQ(box.standardButtons, QMessageBox::Ok);
        EXPECT_EQ(box.buttonCount, 1);
        if (c.missingFileBox) {
            EXPECT_EQ(box.text, QString::fromStdString("Cannot open file \"" + dir_->Path() +
                                                       "Levels/Level1.png\". No such file or directory."));
        } else {
            EXPECT_FALSE(box.text.startsWith("Cannot open file"));
            EXPECT_TRUE(box.text.endsWith('.'));
        }
        EXPECT_TRUE(form.Image2()->Picture().isNull());
    }
    EXPECT_EQ(form.windowTitle(), kRoundOneTitle);
    EXPECT_EQ(form.Label1()->text(), kMakersAddress);
    EXPECT_EQ(form.guardar()->parentWidget(), form.StatusBar1());
    EXPECT_EQ(form.cargar()->parentWidget(), form.StatusBar1());
    if (dir_->Exists("levels")) {
        EXPECT_EQ(Shown(), (std::vector<ShownObject>{{level::kHeroTag, 300, 100}}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Backgrounds, StartupTest,
    ::testing::Values(StartupCase{"Present", nullptr, {}, {}, true, false},
                      StartupCase{"OtherCase", "levels/lEVEL1.PNG", {}, {}, true, false},
                      StartupCase{"Missing", nullptr, {"levels/Level1.png"}, {}, false, true},
                      StartupCase{"NoLevelsDirectory", nullptr, {"levels"}, {}, false, true},
                      StartupCase{"NotAPicture", nullptr, {}, {{"levels/Level1.png", "GIF89a"}}, false, false},
                      StartupCase{"Empty", nullptr, {}, {{"levels/Level1.png", ""}}, false, false}),
    CaseName());

}  // namespace
}  // namespace editor_testing
