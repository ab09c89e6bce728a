#pragma once

#include <QGraphicsItem>
#include <QImage>
#include <QRect>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "pictureitem.h"

// The controls of every placed object, drawn as one item above the picture controls: in creation
// order, later ones above earlier ones. A coarse grid of the stage finds the objects under a point
// or in a rectangle; an object wholly outside the stage is in no cell and is never drawn.
class ObjectLayer : public QGraphicsItem {
public:
    explicit ObjectLayer(QSize stageSize);

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    // A control for the object, above every other, shown where the object's bounds say.
    ObjectItem& Add(level::PlacedObject& object);
    void SetPicture(ObjectItem& item, const QImage& picture);
    // Shows the object where its bounds say now.
    void Sync(ObjectItem& item);
    // Takes the control off the stage; the item stays readable, shown nowhere, until Clear.
    void Remove(ObjectItem& item);
    // Takes every control off the stage at once.
    void Clear();

    // The topmost object whose control covers the point, if any.
    ObjectItem* At(QPoint position);
    // The controls on the stage, bottom to top.
    std::vector<ObjectItem*> BottomToTop();
    std::size_t Count() const { return items_.size() - removed_; }

private:
    struct CellRange {
        int left, top, right, bottom;  // inclusive
        bool Empty() const { return left > right || top > bottom; }
        bool Contains(int column, int row) const { return column >= left && column <= right && row >= top && row <= bottom; }
    };

    CellRange CellsOf(const QRect& rect) const;
    std::vector<std::uint32_t>& Cell(int column, int row) { return cells_[static_cast<std::size_t>(row * columns_ + column)]; }
    const std::vector<std::uint32_t>& Cell(int column, int row) const {
        return cells_[static_cast<std::size_t>(row * columns_ + column)];
    }
    void Enter(const ObjectItem& item, const CellRange& range, const CellRange& except);
    void Leave(const ObjectItem& item, const CellRange& range, const CellRange& except);
    void Draw(QPainter& painter, const ObjectItem& item) const;

    QRect stage_;
    int columns_;
    int rows_;
    // Items never move, so controls may be referred to; their place here is their creation order.
    std::deque<ObjectItem> items_;
    std::size_t removed_ = 0;
    // Each cell lists, in creation order, the shown objects that reach into it.
    std::vector<std::vector<std::uint32_t>> cells_;
    // The distinct pictures of the objects; every object of a kind shares its kind's.
    std::deque<QImage> pictures_;
    std::vector<std::uint32_t> scratch_;
};
