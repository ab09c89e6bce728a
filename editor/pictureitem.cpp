#include "pictureitem.h"

#include <QPainter>

#include <algorithm>
#include <utility>

void DrawPicture(QPainter& painter, QPoint topLeft, const QImage& picture, QSize size) {
    if (picture.isNull()) return;
    const int width = std::min(picture.width(), size.width());
    const int height = std::min(picture.height(), size.height());
    painter.drawImage(QPointF(topLeft), picture, QRectF(0, 0, width, height));
}

PictureItem::PictureItem(Role role, QString name, QSize size, int tag)
    : role_(role), name_(std::move(name)), tag_(tag), size_(size) {}

QRectF PictureItem::boundingRect() const { return QRectF(QPointF(0, 0), QSizeF(size_)); }

void PictureItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    DrawPicture(*painter, QPoint(0, 0), picture_, size_);
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
