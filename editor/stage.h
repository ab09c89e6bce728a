#pragma once

#include <QGraphicsScene>
#include <QGraphicsView>

#include <cstddef>
#include <vector>

#include "pictureitem.h"

class ObjectLayer;

// What lies topmost under a point of the stage: a placed object, else a picture control, else neither.
struct StageHit {
    ObjectItem* object = nullptr;
    PictureItem* picture = nullptr;
};

// The picture area of the window: the picture controls are items of one scene, and the placed
// objects' controls are drawn by one layer above them all. It reports what the mouse does to its
// controls as signals, with one placed object at a time holding the mouse capture.
class TStage : public QGraphicsView {
    Q_OBJECT

public:
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 272;

    explicit TStage(QWidget* parent);
    ~TStage() override;

    // A picture control owned by the scene, above every control created before it and below every placed object.
    PictureItem* AddPicture(PictureItem::Role role, const QString& name, QPoint position, QSize size, int tag = 0);

    // A placed object's control, above every one created before it, shown where the object's bounds say.
    ObjectItem& AddObject(level::PlacedObject& object);
    void SetObjectPicture(ObjectItem& item, const QImage& picture);
    // Shows the object where its bounds say now.
    void MoveObject(ObjectItem& item);
    void DestroyObject(ObjectItem& item);
    void DestroyObjects();
    std::vector<ObjectItem*> ObjectsBottomToTop() const;
    std::size_t ObjectCount() const;

    StageHit HitAt(QPoint position) const;
    // The same under a point of the screen, where the stage is what lies there.
    StageHit HitAtScreen(QPoint globalPosition) const;

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
    // Sent while the object, or every object, and the capture are still there.
    void ObjectDestroyed(ObjectItem* object);
    void ObjectsDestroyed();

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
    // In creation order, which is their stacking order.
    std::vector<PictureItem*> pictures_;
    ObjectLayer* objects_;
    ObjectItem* captured_ = nullptr;
};
