#include "objectlayer.h"

#include <QPainter>
#include <QStyleOptionGraphicsItem>

#include <algorithm>

#include "drawpicture.h"

namespace {

// A cell holds a few objects' worth of the stage, so that an object reaches into a handful of
// cells and a cell lists a small share of a crowded level.
constexpr int kCellSize = 32;

}  // namespace

ObjectLayer::ObjectLayer(QSize stageSize)
    : stage_(QPoint(0, 0), stageSize),
      columns_((stageSize.width() + kCellSize - 1) / kCellSize),
      rows_((stageSize.height() + kCellSize - 1) / kCellSize),
      cells_(static_cast<std::size_t>(columns_ * rows_)) {
    // Repaints of a dragged object then draw only what lies in their own rectangles.
    setFlag(QGraphicsItem::ItemUsesExtendedStyleOption);
}

QRectF ObjectLayer::boundingRect() const { return QRectF(stage_); }

ObjectLayer::CellRange ObjectLayer::CellsOf(const QRect& rect) const {
    const QRect inside = rect & stage_;
    if (inside.isEmpty()) return CellRange{0, 0, -1, -1};
    return CellRange{inside.left() / kCellSize, inside.top() / kCellSize, inside.right() / kCellSize,
                     inside.bottom() / kCellSize};
}

void ObjectLayer::Enter(const ObjectItem& item, const CellRange& range, const CellRange& except) {
    for (int row = range.top; row <= range.bottom; ++row) {
        for (int column = range.left; column <= range.right; ++column) {
            if (except.Contains(column, row)) continue;
            std::vector<std::uint32_t>& cell = Cell(column, row);
            // New objects come last; only a dragged one goes back between others.
            if (cell.empty() || cell.back() < item.order_) cell.push_back(item.order_);
            else cell.insert(std::lower_bound(cell.begin(), cell.end(), item.order_), item.order_);
        }
    }
}

void ObjectLayer::Leave(const ObjectItem& item, const CellRange& range, const CellRange& except) {
    for (int row = range.top; row <= range.bottom; ++row) {
        for (int column = range.left; column <= range.right; ++column) {
            if (except.Contains(column, row)) continue;
            std::vector<std::uint32_t>& cell = Cell(column, row);
            const auto it = std::lower_bound(cell.begin(), cell.end(), item.order_);
            if (it != cell.end() && *it == item.order_) cell.erase(it);
        }
    }
}

ObjectItem& ObjectLayer::Add(level::PlacedObject& object) {
    ObjectItem& item = items_.emplace_back(object, static_cast<std::uint32_t>(items_.size()));
    Sync(item);
    return item;
}

void ObjectLayer::SetPicture(ObjectItem& item, const QImage& picture) {
    const auto same = std::find_if(pictures_.rbegin(), pictures_.rend(),
                                   [&](const QImage& known) { return known.cacheKey() == picture.cacheKey(); });
    item.picture_ = same != pictures_.rend() ? &*same : &pictures_.emplace_back(picture);
    if (item.IsShown()) update(item.shown_);
}

void ObjectLayer::Sync(ObjectItem& item) {
    if (!item.alive_) return;
    const QRect before = item.shown_;
    const level::Bounds& b = item.object_->bounds;
    // Loaded coordinates may lie anywhere in the 32-bit range.
    const std::int64_t left = b.left;
    const std::int64_t top = b.top;
    const bool onStage = b.width > 0 && b.height > 0 && left + b.width > 0 && left < stage_.width() &&
                         top + b.height > 0 && top < stage_.height();
    item.shown_ = onStage ? QRect(static_cast<int>(left), static_cast<int>(top), b.width, b.height) : QRect();
    if (item.shown_ == before) return;
    const CellRange from = CellsOf(before);
    const CellRange to = CellsOf(item.shown_);
    Leave(item, from, to);
    Enter(item, to, from);
    if (!before.isEmpty()) update(before);
    if (item.IsShown()) update(item.shown_);
}

void ObjectLayer::Remove(ObjectItem& item) {
    if (!item.alive_) return;
    if (item.IsShown()) {
        Leave(item, CellsOf(item.shown_), CellRange{0, 0, -1, -1});
        update(item.shown_);
    }
    item.shown_ = QRect();
    item.alive_ = false;
    ++removed_;
}

void ObjectLayer::Clear() {
    if (items_.empty()) return;
    // The cells keep their room for the next level.
    for (std::vector<std::uint32_t>& cell : cells_) cell.clear();
    items_.clear();
    removed_ = 0;
    pictures_.clear();
    update();
}

ObjectItem* ObjectLayer::At(QPoint position) {
    if (!stage_.contains(position)) return nullptr;
    const std::vector<std::uint32_t>& cell = Cell(position.x() / kCellSize, position.y() / kCellSize);
    for (auto it = cell.rbegin(); it != cell.rend(); ++it) {
        ObjectItem& item = items_[*it];
        if (item.shown_.contains(position)) return &item;
    }
    return nullptr;
}

std::vector<ObjectItem*> ObjectLayer::BottomToTop() {
    std::vector<ObjectItem*> items;
    items.reserve(Count());
    for (ObjectItem& item : items_)
        if (item.alive_) items.push_back(&item);
    return items;
}

void ObjectLayer::Draw(QPainter& painter, const ObjectItem& item) const {
    picture::DrawPicture(painter, item.shown_.topLeft(), item.Picture(), item.shown_.size());
}

void ObjectLayer::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*) {
    const QRect exposed = option->exposedRect.toAlignedRect() & stage_;
    if (exposed.isEmpty() || Count() == 0) return;
    const CellRange range = CellsOf(exposed);
    const int cells = (range.right - range.left + 1) * (range.bottom - range.top + 1);
    // Much of the stage is drawn from the list; a small part, as a drag repaints, from its cells.
    if (cells * 4 >= columns_ * rows_) {
        for (const ObjectItem& item : items_)
            if (item.shown_.intersects(exposed)) Draw(*painter, item);
        return;
    }
    scratch_.clear();
    for (int row = range.top; row <= range.bottom; ++row) {
        for (int column = range.left; column <= range.right; ++column) {
            for (const std::uint32_t order : Cell(column, row))
                if (items_[order].shown_.intersects(exposed)) scratch_.push_back(order);
        }
    }
    std::sort(scratch_.begin(), scratch_.end());
    scratch_.erase(std::unique(scratch_.begin(), scratch_.end()), scratch_.end());
    for (const std::uint32_t order : scratch_) Draw(*painter, items_[order]);
}
