#include "pictureitem.h"

#include <utility>

#include "drawpicture.h"
#include "stage.h"

PictureItem::PictureItem(Role role, QString name, QSize size, int tag)
    : role_(role), name_(std::move(name)), tag_(tag), size_(size) {}

QRectF PictureItem::boundingRect() const { return QRectF(QPointF(0, 0), QSizeF(size_)); }

void PictureItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    picture::DrawPicture(*painter, QPoint(0, 0), picture_, size_);
}

void PictureItem::SetPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void PictureItem::SetPictureAndSize(const QImage& picture) {
    SetSize(picture.size());
    SetPicture(picture);
}

void PictureItem::SetSize(QSize size) {
    if (size == size_) return;
    prepareGeometryChange();
    size_ = size;
}

ObjectItem::ObjectItem(TStage& stage, level::PlacedObject& object)
    : PictureItem(Role::Object, QString(), QSize(object.bounds.width, object.bounds.height), object.tag),
      stage_(stage),
      object_(object) {
    SyncToBounds();
    stage_.AddObject(this);
}

ObjectItem::~ObjectItem() { stage_.ForgetObject(this); }

void ObjectItem::SyncToBounds() {
    // Loaded coordinates may lie anywhere in the 32-bit range; only objects that reach into the
    // window are given to the scene at their place, the rest are hidden and cost nothing to draw.
    const level::Bounds& b = object_.bounds;
    const std::int64_t left = b.left;
    const std::int64_t top = b.top;
    const bool onScreen = left + b.width > 0 && left < TStage::kWidth && top + b.height > 0 && top < TStage::kHeight;
    setVisible(onScreen);
    setPos(onScreen ? QPointF(static_cast<qreal>(left), static_cast<qreal>(top)) : QPointF(0, 0));
}
