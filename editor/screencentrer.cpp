#include "screencentrer.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

TScreenCentrer::TScreenCentrer(QWidget& window) : QObject(&window), window_(window) { window_.installEventFilter(this); }

bool TScreenCentrer::Centre() {
    const QScreen* screen = window_.screen() != nullptr ? window_.screen() : QGuiApplication::primaryScreen();
    QWindow* handle = window_.windowHandle();
    if (screen == nullptr || handle == nullptr) return false;
    // Until the window manager has framed the window, the frame is not known and counts as none.
    const QMargins margins = handle->frameMargins();
    QRect frame = window_.geometry().marginsAdded(margins);
    frame.moveCenter(screen->availableGeometry().center());
    handle->setFramePosition(frame.topLeft());
    return !margins.isNull();
}

bool TScreenCentrer::eventFilter(QObject* watched, QEvent* event) {
    QWindow* handle = window_.windowHandle();
    if (watched == &window_) {
        // Shown, the window is not mapped yet; a late change of size (a message box fits itself to
        // its text) centres it again.
        if (event->type() == QEvent::Show && handle != nullptr) handle->installEventFilter(this);
        if ((event->type() == QEvent::Show || event->type() == QEvent::Resize) && window_.isVisible()) Centre();
    } else if (watched == handle && event->type() == QEvent::Expose && handle->isExposed()) {
        // Mapped, it is framed: centred once more, its place is then the user's.
        if (Centre()) {
            handle->removeEventFilter(this);
            window_.removeEventFilter(this);
        }
    }
    return false;
}
