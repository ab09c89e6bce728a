#pragma once

#include <QGraphicsItem>
#include <QImage>
#include <QString>

#include "level.h"

class TStage;

// A picture control of the window: draws its picture at its top-left corner, at the picture's
// natural size, cut off at the control's size, blended over what lies beneath.
class PictureItem : public QGraphicsItem {
public:
    enum class Role { Background, GameArea, Palette, Object };

    PictureItem(Role role, QString name, QSize size, int tag = 0);

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return picture_; }
    // Palette pictures take the size of their picture; the game area and the background keep theirs.
    void SetPictureAndSize(const QImage& picture);
    void SetSize(QSize size);
    QSize Size() const { return size_; }

    Role GetRole() const { return role_; }
    const QString& Name() const { return name_; }
    int Tag() const { return tag_; }
    QString hint;
    Qt::CursorShape cursorShape = Qt::ArrowCursor;

private:
    Role role_;
    QString name_;
    int tag_;
    QSize size_;
    QImage picture_;
};

// A placed object's control; it lives exactly as long as its object.
class ObjectItem : public PictureItem, public level::ObjectControl {
public:
    ObjectItem(TStage& stage, level::PlacedObject& object);
    ~ObjectItem() override;

    level::PlacedObject& Object() const { return object_; }
    // Shows the object where its bounds say; one wholly outside the window is hidden.
    void SyncToBounds();

private:
    TStage& stage_;
    level::PlacedObject& object_;
};
