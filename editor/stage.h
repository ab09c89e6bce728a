#pragma once

#include <QGraphicsScene>
#include <QGraphicsView>

#include "pictureitem.h"

// The picture area of the window: every picture control and placed object is an item of one
// scene. It reports what the mouse does to its controls as signals, with one placed object at a
// time holding the mouse capture.
class TStage : public QGraphicsView {
    Q_OBJECT

public:
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 272;

    explicit TStage(QWidget* parent);
    ~TStage() override;

    // A picture control owned by the scene, above every control created before it.
    PictureItem* AddPicture(PictureItem::Role role, const QString& name, QPoint position, QSize size, int tag = 0);
    void AddObject(ObjectItem* item);
    void ForgetObject(ObjectItem* item);

    // The topmost control under a point of the stage, if any.
    PictureItem* ControlAt(QPoint position) const;
    // The same under a point of the screen, where the stage is what lies there.
    PictureItem* ControlAtScreen(QPoint globalPosition) const;

    void Capture(ObjectItem* item) { captured_ = item; }
    void ReleaseCapture() { captured_ = nullptr; }
    ObjectItem* Captured() const { return captured_; }

signals:
    // Positions are relative to the object's top-left corner; the captured object gets them all.
    void ObjectPressed(ObjectItem* object, Qt::MouseButton button, QPoint position);
    void ObjectMoved(ObjectItem* object, QPoint position);
    void ObjectReleased(ObjectItem* object, Qt::MouseButton button, QPoint position);
    void PaletteDoubleClicked(PictureItem* control);
    // The right button came up over the stage; the menu is that of the control there.
    void RightReleased(QPoint globalPosition);
    // The captured object lost the mouse without a release reaching it.
    void CaptureLost();
    void ObjectDestroyed(ObjectItem* object);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The captured object, else the object under the point.
    ObjectItem* Target(QPoint position) const;
    void Press(QMouseEvent* event);
    void UpdateCursor(QPoint position);

    QGraphicsScene scene_;
    ObjectItem* captured_ = nullptr;
    qreal nextZ_ = 0;
};
