#include "editorfixture.h"

#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QColor>
#include <QCursor>
#include <QDialog>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace editor_testing {
namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        application_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[13] = "editor_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

struct Sprite {
    const char* file;
    int width;
    int height;
};

constexpr Sprite kSprites[] = {
    {"bomba.png", 14, 18}, {"moneda.png", 14, 14}, {"boost.png", 14, 14}, {"power.png", 14, 14},
    {"50.png", 50, 10},    {"75.png", 75, 10},     {"100.png", 100, 10}, {"trom.png", 24, 24},
    {"malo1.png", 20, 24}, {"malo2.png", 30, 22},
};

// Each picture painted here has colours of its own, so that pictures can be told apart.
void Paint(const fs::path& path, int width, int height, int seed) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(QColor::fromHsv((seed * 37) % 360, 200, 120 + (seed * 11) % 120));
    for (int x = 0; x < width; ++x) image.setPixelColor(x, (x + seed) % height, QColor(seed % 256, 255, 0, 128));
    if (!image.save(QString::fromStdString(path.string()), "PNG"))
        throw std::runtime_error("cannot write " + path.string());
}

void CopyOrPaint(const fs::path& source, const fs::path& target, int width, int height, int seed) {
    std::error_code error;
    if (fs::is_regular_file(source, error) && fs::copy_file(source, target, error)) return;
    Paint(target, width, height, seed);
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const ShownObject& object) {
    return out << "{tag " << object.tag << " at " << object.left << "," << object.top << "}";
}

ModalCatcher::ModalCatcher() {
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, &ModalCatcher::Poll);
}

void ModalCatcher::Start() { timer_.start(); }

void ModalCatcher::Stop() { timer_.stop(); }

void ModalCatcher::Poll() {
    if (answerQueued_) return;
    if (QApplication::activePopupWidget() == nullptr && QApplication::activeModalWidget() == nullptr) return;
    // Answered from the event queue, not from inside this timer's own event: a box that the
    // answer opens must find the timer free to fire again.
    answerQueued_ = true;
    QMetaObject::invokeMethod(this, &ModalCatcher::AnswerTopmost, Qt::QueuedConnection);
}

void ModalCatcher::AnswerTopmost() {
    answerQueued_ = false;
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        MenuSeen seen{menu->objectName(), {}};
        for (const QAction* action : menu->actions())
            if (!action->isSeparator() && action->isVisible()) seen.actions << action->text();
        menus.push_back(seen);
        QAction* chosen = nullptr;
        if (!choices_.empty()) {
            const QString choice = choices_.front();
            choices_.pop_front();
            for (QAction* action : menu->actions())
                if (action->text() == choice) chosen = action;
            if (chosen == nullptr)
                ADD_FAILURE() << "menu " << menu->objectName().toStdString() << " has no " << choice.toStdString();
        }
        if (chosen != nullptr) {
            menu->setActiveAction(chosen);
            QTest::keyClick(menu, Qt::Key_Return);
        } else {
            QTest::keyClick(menu, Qt::Key_Escape);
        }
        return;
    }
    if (QWidget* popup = QApplication::activePopupWidget()) {
        ADD_FAILURE() << "unexpected popup " << popup->metaObject()->className();
        popup->close();
        return;
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        dialogs.push_back({box->icon(), box->windowTitle(), box->text(), box->standardButtons(),
                           static_cast<int>(box->buttons().size())});
        QAbstractButton* button = box->defaultButton();
        if (button == nullptr) button = box->buttons().value(0);
        if (button != nullptr) button->click();
        else box->done(0);
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        ADD_FAILURE() << "unexpected dialog " << dialog->metaObject()->className();
        dialog->reject();
    } else if (modal != nullptr) {
        ADD_FAILURE() << "unexpected modal window " << modal->metaObject()->className();
        modal->close();
    }
}

ProgramDirectory::ProgramDirectory() {
    std::string pattern = (fs::temp_directory_path() / "blastrix-editor.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern + "/";

    const fs::path source(BLASTRIX_SOURCE_DIR);
    fs::create_directory(Join("levels"));
    fs::create_directory(Join("data"));
    for (int round = 1; round <= 14; ++round) {
        const std::string name = "Level" + std::to_string(round) + ".png";
        CopyOrPaint(source / "levels" / name, Join("levels/" + name), 278, 252, round);
    }
    int seed = 100;
    for (const Sprite& sprite : kSprites)
        CopyOrPaint(source / "data" / sprite.file, Join(std::string("data/") + sprite.file), sprite.width,
                    sprite.height, seed++);
}

ProgramDirectory::~ProgramDirectory() {
    std::error_code error;
    fs::remove_all(path_, error);
}

void ProgramDirectory::Write(const std::string& relative, const std::string& bytes) const {
    std::ofstream out(Join(relative), std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush()) throw std::runtime_error("cannot write " + Join(relative));
}

std::string ProgramDirectory::Read(const std::string& relative) const {
    std::ifstream in(Join(relative), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + Join(relative));
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool ProgramDirectory::Exists(const std::string& relative) const {
    std::error_code error;
    return fs::exists(fs::symlink_status(Join(relative), error));
}

void ProgramDirectory::Remove(const std::string& relative) const { fs::remove_all(Join(relative)); }

std::vector<std::string> ProgramDirectory::List(const std::string& relative) const {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(Join(relative)))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void EditorTest::SetUp() {
    dir_ = std::make_unique<ProgramDirectory>();
    // The pointer starts off the window, wherever the last test left it.
    QCursor::setPos(0, 0);
    Settle();
    catcher_.Start();
}

void EditorTest::TearDown() {
    form_.reset();
    Settle();
    catcher_.Stop();
    QTestPrivate::qtestMouseButtons = Qt::NoButton;
    dir_.reset();
}

TForm1& EditorTest::Create() {
    form_ = std::make_unique<TForm1>(dir_->Path());
    form_->openUrl = [](const QUrl&) { return true; };
    return *form_;
}

void EditorTest::Show() {
    form_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    Settle();
}

QWidget* EditorTest::Viewport() const { return form_->Stage()->viewport(); }

void EditorTest::Press(QPoint at, Qt::MouseButton button) { QTest::mousePress(Viewport(), button, {}, at); }

void EditorTest::MoveHeld(QPoint at) { QTest::mouseMove(Viewport(), at); }

void EditorTest::Release(QPoint at, Qt::MouseButton button) {
    QTest::mouseRelease(Viewport(), button, {}, at);
    Settle();
}

void EditorTest::Click(QPoint at, Qt::MouseButton button) {
    Press(at, button);
    Release(at, button);
}

void EditorTest::DoubleClick(QPoint at) {
    QTest::mousePress(Viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(Viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(Viewport(), Qt::LeftButton, {}, at);
    Settle();
}

void EditorTest::Drag(QPoint from, QPoint to) {
    Press(from);
    MoveHeld(to);
    Release(to);
}

void EditorTest::Hover(QWidget* widget, QPoint at) {
    QCursor::setPos(widget->mapToGlobal(at));
    Settle();
}

void EditorTest::DoubleClickWidget(QWidget* widget) {
    const QPoint at = widget->rect().center();
    QTest::mousePress(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
    Settle();
}

void EditorTest::Settle() {
    for (int i = 0; i < 4; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

ObjectItem* EditorTest::AddFromPalette(int tag) {
    const std::vector<ObjectItem*> before = ObjectsBottomToTop();
    DoubleClick(Centre(*form_->PaletteControl(tag)));
    const std::vector<ObjectItem*> after = ObjectsBottomToTop();
    if (after.size() != before.size() + 1) return nullptr;
    return after.back();
}

ObjectItem* EditorTest::PlaceFromPalette(int tag, QPoint topLeft) {
    ObjectItem* item = AddFromPalette(tag);
    if (item == nullptr) return nullptr;
    const QPoint grip(item->Object().bounds.left + 1, item->Object().bounds.top + 1);
    Drag(grip, grip + topLeft - QPoint(item->Object().bounds.left, item->Object().bounds.top));
    return item;
}

QPoint EditorTest::Centre(const PictureItem& item) {
    return item.pos().toPoint() + QPoint(item.Size().width() / 2, item.Size().height() / 2);
}

QPoint EditorTest::Centre(const ObjectItem& item) {
    return item.Position() + QPoint(item.Size().width() / 2, item.Size().height() / 2);
}

std::vector<ObjectItem*> EditorTest::ObjectsBottomToTop() const {
    std::vector<ObjectItem*> objects = form_->Stage()->ObjectsBottomToTop();
    std::stable_sort(objects.begin(), objects.end(),
                     [](const ObjectItem* a, const ObjectItem* b) { return a->Order() < b->Order(); });
    return objects;
}

std::vector<ShownObject> EditorTest::Shown() const {
    std::vector<ShownObject> shown;
    for (const ObjectItem* item : ObjectsBottomToTop()) {
        const level::Bounds& b = item->Object().bounds;
        shown.push_back({item->Object().tag, b.left, b.top});
    }
    return shown;
}

}  // namespace editor_testing
