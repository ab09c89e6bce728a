#include "pictureitem.h"

#include <utility>

#include "drawpicture.h"

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

const QImage& ObjectItem::Picture() const {
    static const QImage kNone;
    return picture_ != nullptr ? *picture_ : kNone;
}
