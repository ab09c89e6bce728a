#include "iconwidget.h"

#include <QMouseEvent>
#include <QPainter>

TIcon::TIcon(const QImage& picture, QWidget* parent) : QWidget(parent), picture_(picture) {
    setFixedSize(picture_.size());
}

void TIcon::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

void TIcon::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) emit DoubleClicked();
}
