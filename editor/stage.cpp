#include "stage.h"

#include <QMouseEvent>

#include <cmath>

#include "unit1.h"

namespace {

// 2^8 leaves of about 30 x 17 pixels: an object lies in a handful of them.
constexpr int kIndexDepth = 8;

QPoint Inside(const PictureItem& item, QPoint position) {
    const QPointF local = item.mapFromScene(QPointF(position));
    return QPoint(static_cast<int>(std::floor(local.x())), static_cast<int>(std::floor(local.y())));
}

ObjectItem* AsObject(PictureItem* item) {
    return item != nullptr && item->GetRole() == PictureItem::Role::Object ? static_cast<ObjectItem*>(item) : nullptr;
}

}  // namespace

TStage::TStage(TForm1& form, QWidget* parent) : QGraphicsView(parent), form_(form) {
    // Placed objects move all the time and may be counted in tens of thousands; the index keeps
    // hit tests and repaints local. Its depth is fixed: left to itself, the index deepens with the
    // number of items until, on a scene this small, every leaf is a pixel or two and each object is
    // filed in hundreds of them, which makes a large level take seconds and a gigabyte to load.
    scene_.setItemIndexMethod(QGraphicsScene::BspTreeIndex);
    scene_.setBspTreeDepth(kIndexDepth);
    scene_.setSceneRect(0, 0, kWidth, kHeight);
    setScene(&scene_);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setViewportUpdateMode(QGraphicsView::SmartViewportUpdate);
    setOptimizationFlags(QGraphicsView::DontSavePainterState | QGraphicsView::DontAdjustForAntialiasing);
    setInteractive(false);
    setFocusPolicy(Qt::NoFocus);
    setContextMenuPolicy(Qt::PreventContextMenu);
    viewport()->setContextMenuPolicy(Qt::PreventContextMenu);
    viewport()->setMouseTracking(true);
    setBackgroundBrush(Qt::black);
    setGeometry(0, 0, kWidth, kHeight);
}

TStage::~TStage() { setScene(nullptr); }

PictureItem* TStage::AddPicture(PictureItem::Role role, const QString& name, QPoint position, QSize size, int tag) {
    auto* item = new PictureItem(role, name, size, tag);
    item->setPos(position);
    item->setZValue(nextZ_++);
    scene_.addItem(item);
    return item;
}

void TStage::AddObject(ObjectItem* item) {
    item->setZValue(nextZ_++);
    scene_.addItem(item);
}

void TStage::ForgetObject(ObjectItem* item) {
    if (captured_ == item) captured_ = nullptr;
    form_.ObjectDestroyed(item);
}

PictureItem* TStage::ControlAt(QPoint position) const {
    QGraphicsItem* item = scene_.itemAt(QPointF(position), QTransform());
    return static_cast<PictureItem*>(item);
}

void TStage::UpdateCursor(QPoint position) {
    const PictureItem* control = captured_ != nullptr ? captured_ : ControlAt(position);
    const Qt::CursorShape shape = control != nullptr ? control->cursorShape : Qt::ArrowCursor;
    if (viewport()->cursor().shape() != shape) viewport()->setCursor(shape);
}

void TStage::Press(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    ObjectItem* target = captured_ != nullptr ? captured_ : AsObject(ControlAt(position));
    if (target == nullptr) return;
    const QPoint local = Inside(*target, position);
    form_.ControlMouseDown(target, event->button(), local.x(), local.y());
}

void TStage::mousePressEvent(QMouseEvent* event) {
    event->accept();
    form_.Guarded([&] { Press(event); });
}

void TStage::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    form_.Guarded([&] {
        // The second click of a double-click is also a press for the control under it.
        const QPoint position = event->position().toPoint();
        PictureItem* control = captured_ != nullptr ? captured_ : ControlAt(position);
        if (control != nullptr && control->GetRole() == PictureItem::Role::Palette) {
            if (event->button() == Qt::LeftButton) form_.img_bombaDblClick(control);
            return;
        }
        Press(event);
    });
}

void TStage::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    const QPoint position = event->position().toPoint();
    form_.Guarded([&] {
        if (captured_ != nullptr && !(event->buttons() & Qt::LeftButton)) {
            // The release went elsewhere; end the drag where the object stands.
            form_.CaptureLost();
        }
        ObjectItem* target = captured_ != nullptr ? captured_ : AsObject(ControlAt(position));
        if (target != nullptr) {
            const QPoint local = Inside(*target, position);
            form_.ControlMouseMove(target, local.x(), local.y());
        }
    });
    UpdateCursor(position);
}

void TStage::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    const QPoint position = event->position().toPoint();
    form_.Guarded([&] {
        ObjectItem* target = captured_ != nullptr ? captured_ : AsObject(ControlAt(position));
        if (target != nullptr) {
            const QPoint local = Inside(*target, position);
            form_.ControlMouseUp(target, event->button(), local.x(), local.y());
        }
        if (event->button() == Qt::RightButton) {
            const QPoint globalPosition = event->globalPosition().toPoint();
            form_.OpenContextMenu(form_.ControlUnder(globalPosition), globalPosition);
        }
    });
    UpdateCursor(position);
}

void TStage::wheelEvent(QWheelEvent* event) { event->accept(); }

void TStage::keyPressEvent(QKeyEvent* event) { event->ignore(); }

void TStage::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }
