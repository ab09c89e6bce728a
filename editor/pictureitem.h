#pragma once

#include <QGraphicsItem>
#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>

#include "level.h"

// A picture control of the window: the background, the game area or a palette picture.
class PictureItem : public QGraphicsItem {
public:
    enum class Role { Background, GameArea, Palette };

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

// A placed object's control: which picture the stage shows for the object, and where. It has no
// hint and the default cursor. The stage keeps it from MakeControl until the level gives it back.
class ObjectItem : public level::ObjectControl {
public:
    ObjectItem(level::PlacedObject& object, std::uint32_t order) : object_(&object), order_(order) {}

    level::PlacedObject& Object() const { return *object_; }
    const QImage& Picture() const;
    QSize Size() const { return QSize(object_->bounds.width, object_->bounds.height); }
    // Place in creation order, which is the stacking order: later ones lie above.
    std::uint32_t Order() const { return order_; }
    // Where the stage shows the object; nothing for one wholly outside the stage, which is never drawn.
    bool IsShown() const { return !shown_.isEmpty(); }
    const QRect& Shown() const { return shown_; }
    QPoint Position() const { return shown_.topLeft(); }

private:
    friend class ObjectLayer;

    level::PlacedObject* object_;
    const QImage* picture_ = nullptr;
    QRect shown_;
    std::uint32_t order_;
    bool alive_ = true;
};
