#pragma once

#include <QUrl>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "artwork.h"
#include "hintpass.h"
#include "iconwidget.h"
#include "level.h"
#include "linklabel.h"
#include "locations.h"
#include "pictureitem.h"
#include "stage.h"
#include "statusbar.h"

class QMenu;
class QAction;

inline constexpr const char* kMakersAddress = "www.vellamor.example";
inline constexpr const char* kMakersHint = "Click to visit vellamor headquarters";
inline constexpr const char* kPaletteHint = "Double click to add to game";
inline constexpr const char* kGameAreaHint = "Click to put object, right click to change level";
inline constexpr const char* kMissingBackgroundText = "Create a png background (278x252) named:";

// The editor's one window: it holds the level of the round on screen, the round and the drag
// state, and provides the level code with its controls, pictures, dialogs and cursor.
class TForm1 : public QWidget, private level::LevelServices {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 480;
    static constexpr int kClientHeight = 293;

    // Runs the start-up sequence; `programDirectory` ends in '/'.
    explicit TForm1(std::string programDirectory);
    ~TForm1() override;

    level::Level& Level() { return *level_; }
    int Round() const { return round_; }
    bool Dragging() const { return dragging_; }
    ObjectItem* SelectedObject() const { return selectedObject_; }
    TStage* Stage() const { return stage_; }
    TStatusBar* StatusBar1() const { return statusBar_; }
    TLinkLabel* Label1() const { return label1_; }
    TIcon* guardar() const { return guardar_; }
    TIcon* cargar() const { return cargar_; }
    PictureItem* Image1() const { return image1_; }
    PictureItem* Image2() const { return image2_; }
    PictureItem* PaletteControl(int tag) const;
    QMenu* PopupMenu1() const { return popupMenu1_; }
    QMenu* BorrarObjeto() const { return borrarObjeto_; }

    // How a click on the label reaches the browser; replaceable so that tests open nothing.
    std::function<bool(const QUrl&)> openUrl;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs an event handler; a failure that escapes it is shown in the error box.
    template <typename Handler>
    void Guarded(Handler&& handler) {
        try {
            handler();
        } catch (const std::exception& e) {
            ShowFailure(e.what());
        }
    }
    static void ShowFailure(const char* text);

    void img_bombaDblClick(PictureItem* sender);
    void ControlMouseDown(ObjectItem* sender, Qt::MouseButton button, int x, int y);
    void ControlMouseMove(ObjectItem* sender, int x, int y);
    void ControlMouseUp(ObjectItem* sender, Qt::MouseButton button, int x, int y);
    void DeleteItem1Click();
    void NextLevel1Click();
    void PreviousLevel1Click();
    void guardarDblClick();
    void cargarDblClick();
    void ApplicationHint(const QString& hint);
    void Label1MouseEnter();
    void Label1MouseLeave();
    void Label1Click();

    // Opens the context menu of the control under a screen position (none for most controls) there.
    void OpenContextMenu(QPoint globalPosition);
    void CaptureLost();
    void ObjectDestroyed(ObjectItem* item);
    void ObjectsDestroyed();

    level::ObjectControl* MakeControl(level::PlacedObject& object) override;
    void LoadPicture(level::ObjectControl& control, const std::string& path) override;
    void DestroyControl(level::ObjectControl& control) override;
    void DestroyControls() override;
    void ShowDialog(const std::string& text, level::DialogType type) override;
    void SetBusyCursor(bool busy) override;

    void CreateControls();
    void ConnectControls();
    void FormCreate();
    void FormClose();
    void ChangeRound(int round, level::BackgroundSpelling spelling);
    // Loads the round's level file; each sprite file is read at most once for it.
    void LoadRound();

    std::string programDirectory_;
    std::unique_ptr<level::Level> level_;
    SpriteCache sprites_;
    int round_ = level::kFirstRound;

    bool dragging_ = false;
    std::int32_t dragOriginX_ = 0;
    std::int32_t dragOriginY_ = 0;
    ObjectItem* selectedObject_ = nullptr;

    TStage* stage_ = nullptr;
    PictureItem* image1_ = nullptr;
    PictureItem* image2_ = nullptr;
    PictureItem* palette_[level::kLastTag + 1] = {};
    TIcon* guardar_ = nullptr;
    TIcon* cargar_ = nullptr;
    TLinkLabel* label1_ = nullptr;
    TStatusBar* statusBar_ = nullptr;
    QMenu* popupMenu1_ = nullptr;
    QMenu* borrarObjeto_ = nullptr;

    THintPass* hintPass_ = nullptr;
    int busyDepth_ = 0;
};
