#pragma once

#include <QGraphicsScene>
#include <QGraphicsView>

#include "pictureitem.h"

class TForm1;

// The picture area of the window: every picture control and placed object is an item of one
// scene. It turns the mouse into the control events of the window, with one control at a time
// holding the mouse capture.
class TStage : public QGraphicsView {
    Q_OBJECT

public:
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 272;

    TStage(TForm1& form, QWidget* parent);
    ~TStage() override;

    // A picture control owned by the scene, above every control created before it.
    PictureItem* AddPicture(PictureItem::Role role, const QString& name, QPoint position, QSize size, int tag = 0);
    void AddObject(ObjectItem* item);
    void ForgetObject(ObjectItem* item);

    // The topmost control under a point of the stage, if any.
    PictureItem* ControlAt(QPoint position) const;

    void Capture(ObjectItem* item) { captured_ = item; }
    void ReleaseCapture() { captured_ = nullptr; }
    ObjectItem* Captured() const { return captured_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void Press(QMouseEvent* event);
    void UpdateCursor(QPoint position);

    TForm1& form_;
    QGraphicsScene scene_;
    ObjectItem* captured_ = nullptr;
    qreal nextZ_ = 0;
};
