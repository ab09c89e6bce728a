#pragma once

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <ostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "unit1.h"

namespace editor_testing {

struct DialogSeen {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons standardButtons;
    int buttonCount = 0;
};

struct MenuSeen {
    QString name;
    QStringList actions;
};

// Answers every modal message box with its button and every popup menu with the next queued
// choice (Escape when none is queued), writing down what it saw. It polls, so that it also
// answers boxes shown inside constructors and inside other menus' and boxes' event loops.
class ModalCatcher : public QObject {
public:
    ModalCatcher();
    void Start();
    void Stop();

    // The next menu that opens gets the action of this text chosen with the keyboard.
    void ChooseInNextMenu(const QString& actionText) { choices_.push_back(actionText); }

    std::vector<DialogSeen> dialogs;
    std::vector<MenuSeen> menus;

private:
    void Poll();
    void AnswerTopmost();

    QTimer timer_;
    bool answerQueued_ = false;
    std::deque<QString> choices_;
};

// A program directory of its own: levels/ with the fourteen backgrounds and data/ with the
// sprites, taken from the source tree where it has them and painted here where it has not.
class ProgramDirectory {
public:
    ProgramDirectory();
    ~ProgramDirectory();
    ProgramDirectory(const ProgramDirectory&) = delete;
    ProgramDirectory& operator=(const ProgramDirectory&) = delete;

    // Ends in '/', as the editor wants it.
    const std::string& Path() const { return path_; }
    std::string Join(const std::string& relative) const { return path_ + relative; }

    void Write(const std::string& relative, const std::string& bytes) const;
    std::string Read(const std::string& relative) const;
    bool Exists(const std::string& relative) const;
    // A file or a whole directory.
    void Remove(const std::string& relative) const;
    // Names in a directory, sorted.
    std::vector<std::string> List(const std::string& relative) const;

private:
    std::string path_;
};

// What the window shows of one placed object.
struct ShownObject {
    int tag;
    int left;
    int top;
    bool operator==(const ShownObject& other) const {
        return tag == other.tag && left == other.left && top == other.top;
    }
};
std::ostream& operator<<(std::ostream& out, const ShownObject& object);

// Names each case of a parameterised test after its `name`...
struct CaseName {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
        return info.param.name;
    }
};

// ...and prints it so; a test file lets the cases in its own namespace find this with `using`.
template <typename Case, typename = decltype(std::declval<std::ostream&>() << std::declval<const Case&>().name)>
std::ostream& operator<<(std::ostream& out, const Case& c) {
    return out << c.name;
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the start-up sequence on the program directory...
    TForm1& Create();
    // ...and shows the window.
    void Show();
    TForm1& Start() {
        Create();
        Show();
        return *form_;
    }
    TForm1& Form() { return *form_; }
    QWidget* Viewport() const;

    // Mouse events on the stage; positions are window (and so scene) coordinates.
    void Press(QPoint at, Qt::MouseButton button = Qt::LeftButton);
    void MoveHeld(QPoint at);
    void Release(QPoint at, Qt::MouseButton button = Qt::LeftButton);
    void Click(QPoint at, Qt::MouseButton button = Qt::LeftButton);
    // Press, release, double-click, release: what a double-click brings.
    void DoubleClick(QPoint at);
    void Drag(QPoint from, QPoint to);
    // The pointer moves there with no button down, then the pending hint pass runs.
    void Hover(QWidget* widget, QPoint at);
    void HoverStage(QPoint at) { Hover(Viewport(), at); }
    void DoubleClickWidget(QWidget* widget);
    // Runs what is posted, zero timers included.
    static void Settle();

    // Double-clicks the palette picture of the kind; the object that appeared on top, if any.
    ObjectItem* AddFromPalette(int tag);
    // Adds one from the palette and drags it from where new objects appear to `topLeft`.
    ObjectItem* PlaceFromPalette(int tag, QPoint topLeft);
    static QPoint Centre(const PictureItem& item);
    static QPoint Centre(const ObjectItem& item);
    std::vector<ObjectItem*> ObjectsBottomToTop() const;
    std::vector<ShownObject> Shown() const;

    std::unique_ptr<ProgramDirectory> dir_;
    ModalCatcher catcher_;
    std::unique_ptr<TForm1> form_;
};

}  // namespace editor_testing
