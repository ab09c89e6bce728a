#include "stage.h"

#include <QApplication>
#include <QMouseEvent>

#include <cmath>

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

TStage::TStage(QWidget* parent) : QGraphicsView(parent) {
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
    emit ObjectDestroyed(item);
}

PictureItem* TStage::ControlAt(QPoint position) const {
    QGraphicsItem* item = scene_.itemAt(QPointF(position), QTransform());
    return static_cast<PictureItem*>(item);
}

PictureItem* TStage::ControlAtScreen(QPoint globalPosition) const {
    if (QApplication::widgetAt(globalPosition) != viewport()) return nullptr;
    return ControlAt(viewport()->mapFromGlobal(globalPosition));
}

ObjectItem* TStage::Target(QPoint position) const {
    return captured_ != nullptr ? captured_ : AsObject(ControlAt(position));
}

void TStage::UpdateCursor(QPoint position) {
    const PictureItem* control = captured_ != nullptr ? captured_ : ControlAt(position);
    const Qt::CursorShape shape = control != nullptr ? control->cursorShape : Qt::ArrowCursor;
    if (viewport()->cursor().shape() != shape) viewport()->setCursor(shape);
}

void TStage::Press(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    if (ObjectItem* target = Target(position)) emit ObjectPressed(target, event->button(), Inside(*target, position));
}

void TStage::mousePressEvent(QMouseEvent* event) {
    event->accept();
    Press(event);
}

void TStage::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    // The second click of a double-click is also a press for the control under it.
    const QPoint position = event->position().toPoint();
    PictureItem* control = captured_ != nullptr ? captured_ : ControlAt(position);
    if (control != nullptr && control->GetRole() == PictureItem::Role::Palette) {
        if (event->button() == Qt::LeftButton) emit PaletteDoubleClicked(control);
        return;
    }
    Press(event);
}

void TStage::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    const QPoint position = event->position().toPoint();
    // The release went elsewhere; the drag ends where the object stands.
    if (captured_ != nullptr && !(event->buttons() & Qt::LeftButton)) emit CaptureLost();
    if (ObjectItem* target = Target(position)) emit ObjectMoved(target, Inside(*target, position));
    UpdateCursor(position);
}

void TStage::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    const QPoint position = event->position().toPoint();
    if (ObjectItem* target = Target(position)) emit ObjectReleased(target, event->button(), Inside(*target, position));
    if (event->button() == Qt::RightButton) emit RightReleased(event->globalPosition().toPoint());
    UpdateCursor(position);
}

void TStage::wheelEvent(QWheelEvent* event) { event->accept(); }

void TStage::keyPressEvent(QKeyEvent* event) { event->ignore(); }

void TStage::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }
