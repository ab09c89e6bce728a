#include "stage.h"

#include <QApplication>
#include <QMouseEvent>

#include "objectlayer.h"

namespace {

// Pictures stack from 0 up in creation order; the objects' layer lies above them all.
constexpr qreal kObjectLayerZ = 1e9;

QPoint Inside(const ObjectItem& item, QPoint position) { return position - item.Position(); }

}  // namespace

TStage::TStage(QWidget* parent) : QGraphicsView(parent), objects_(new ObjectLayer(QSize(kWidth, kHeight))) {
    // A dozen pictures and one layer: the layer keeps its own index of the objects.
    scene_.setItemIndexMethod(QGraphicsScene::NoIndex);
    scene_.setSceneRect(0, 0, kWidth, kHeight);
    objects_->setZValue(kObjectLayerZ);
    scene_.addItem(objects_);
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
    item->setZValue(static_cast<qreal>(pictures_.size()));
    scene_.addItem(item);
    pictures_.push_back(item);
    return item;
}

ObjectItem& TStage::AddObject(level::PlacedObject& object) { return objects_->Add(object); }

void TStage::SetObjectPicture(ObjectItem& item, const QImage& picture) { objects_->SetPicture(item, picture); }

void TStage::MoveObject(ObjectItem& item) { objects_->Sync(item); }

void TStage::DestroyObject(ObjectItem& item) {
    emit ObjectDestroyed(&item);
    if (captured_ == &item) captured_ = nullptr;
    objects_->Remove(item);
}

void TStage::DestroyObjects() {
    emit ObjectsDestroyed();
    captured_ = nullptr;
    objects_->Clear();
}

std::vector<ObjectItem*> TStage::ObjectsBottomToTop() const { return objects_->BottomToTop(); }

std::size_t TStage::ObjectCount() const { return objects_->Count(); }

StageHit TStage::HitAt(QPoint position) const {
    StageHit hit;
    hit.object = objects_->At(position);
    if (hit.object != nullptr) return hit;
    for (auto it = pictures_.rbegin(); it != pictures_.rend(); ++it) {
        PictureItem* picture = *it;
        if (QRect(picture->pos().toPoint(), picture->Size()).contains(position)) {
            hit.picture = picture;
            break;
        }
    }
    return hit;
}

StageHit TStage::HitAtScreen(QPoint globalPosition) const {
    if (QApplication::widgetAt(globalPosition) != viewport()) return StageHit{};
    return HitAt(viewport()->mapFromGlobal(globalPosition));
}

ObjectItem* TStage::Target(QPoint position) const {
    return captured_ != nullptr ? captured_ : objects_->At(position);
}

void TStage::UpdateCursor(QPoint position) {
    // Placed objects show the default cursor.
    const StageHit hit = captured_ != nullptr ? StageHit{captured_, nullptr} : HitAt(position);
    const Qt::CursorShape shape = hit.picture != nullptr ? hit.picture->cursorShape : Qt::ArrowCursor;
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
    if (captured_ == nullptr) {
        const StageHit hit = HitAt(position);
        if (hit.picture != nullptr && hit.picture->GetRole() == PictureItem::Role::Palette) {
            if (event->button() == Qt::LeftButton) emit PaletteDoubleClicked(hit.picture);
            return;
        }
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
