#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdint>
#include <functional>
#include <vector>

namespace art {

// Own generator so the pictures come out identical on every platform.
class Rng {
public:
    explicit Rng(std::uint64_t seed);
    std::uint32_t next();
    double uniform();
    double range(double lo, double hi);

private:
    std::uint64_t state_;
};

QColor mix(const QColor& a, const QColor& b, double t);

// Paints in w x h logical units at `scale` times the size, then box-filters down.
QImage supersample(int w, int h, int scale, const std::function<void(QPainter&)>& paint);

// ARGB32_Premultiplied in place; three passes approximate a gaussian.
void boxBlur(QImage& img, int radius, int passes = 3);

// Bold 7-row capitals used for small labels, painted as whole pixels.
int pixelTextWidth(const char* text, int gap, int space);
void drawPixelText(QPainter& p, int x, int y, const char* text, int gap, int space,
                   const QColor& top, const QColor& bottom);

struct Part {
    QPainterPath path;
    QBrush fill;
};

// Strokes every part first so the outline hugs the joint silhouette, then fills in order.
void outlined(QPainter& p, const std::vector<Part>& parts, const QColor& ink, qreal width = 2.0);

QPainterPath ellipse(qreal x, qreal y, qreal w, qreal h);
QPainterPath roundRect(qreal x, qreal y, qreal w, qreal h, qreal r);
QPainterPath polygon(std::initializer_list<QPointF> pts);
QLinearGradient vertical(qreal y0, qreal y1, std::initializer_list<std::pair<qreal, QColor>> stops);

QImage paintHero();
QImage paintEnemy1();
QImage paintEnemy2();
QImage paintBomb();
QImage paintCoin();
QImage paintBoost();
QImage paintPower();
QImage paintPlatform(int width);
QImage paintSave();
QImage paintLoad();

QImage paintEditorBackground();
QImage paintRound(int number);

} // namespace art
