#include "linklabel.h"

#include <QMouseEvent>

TLinkLabel::TLinkLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setContentsMargins(0, 0, 0, 0);
    setMargin(0);
    setCursor(Qt::PointingHandCursor);
    // Inside the status bar a label would draw in the button-text colour; the link draws in the
    // window-text colour, which the pointer's entry and leave then change.
    setForegroundRole(QPalette::WindowText);
}

void TLinkLabel::SetCaption(const QString& text) {
    setText(text);
    adjustSize();
}

void TLinkLabel::SetTextColour(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

void TLinkLabel::mousePressEvent(QMouseEvent* event) {
    event->accept();
    pressed_ = event->button() == Qt::LeftButton;
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click) emit Clicked();
}
