#include "hintpass.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QWidget>

#include "stage.h"

THintPass::THintPass(QWidget& window, TStage& stage, QWidget& label)
    : QObject(&window), window_(window), stage_(stage), label_(label) {
    timer_.setSingleShot(true);
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &THintPass::Run);
    qApp->installEventFilter(this);
    // A window blocked by a dialog gets no mouse events, yet the hint must still follow the
    // pointer; the dialog's own event loop goes idle like the main one. Otherwise the mouse events
    // bring the pass, and an idle loop need not ask the X server where the pointer is.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (QApplication::activeModalWidget() != nullptr) Run();
        });
}

THintPass::~THintPass() { qApp->removeEventFilter(this); }

void THintPass::Schedule() {
    if (!timer_.isActive()) timer_.start();
}

bool THintPass::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::Show:
    case QEvent::Hide:
        Schedule();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

QString THintPass::HintAt(QPoint globalPosition, QWidget** widget) const {
    *widget = nullptr;
    // An open menu's items have no hint of their own, and a window blocked by a dialog lends none.
    if (QApplication::activePopupWidget() != nullptr) return QString();
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal != &window_) return QString();
    QWidget* under = QApplication::widgetAt(globalPosition);
    if (under == nullptr || under->window() != &window_) return QString();
    *widget = under;
    if (under == stage_.viewport()) {
        // Placed objects have no hint.
        const StageHit hit = stage_.HitAtScreen(globalPosition);
        return hit.object == nullptr && hit.picture != nullptr ? hit.picture->hint : QString();
    }
    for (QWidget* w = under; w != nullptr; w = w->parentWidget()) {
        const QString hint = w->property(kHintProperty).toString();
        if (!hint.isEmpty()) return hint;
    }
    return QString();
}

void THintPass::Run() {
    QWidget* under = nullptr;
    const QString hint = HintAt(QCursor::pos(), &under);
    if (hint != current_) {
        current_ = hint;
        emit HintChanged(hint);
    }
    // Entry and leave wait while a button holds the mouse for some control.
    if (QGuiApplication::mouseButtons() != Qt::NoButton || stage_.Captured() != nullptr) return;
    const bool overLabel = under == &label_;
    if (overLabel == overLabel_) return;
    overLabel_ = overLabel;
    if (overLabel) emit LabelEntered();
    else emit LabelLeft();
}
