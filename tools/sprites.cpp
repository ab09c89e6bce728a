#include "canvas.h"

#include <QRadialGradient>

#include <cmath>

namespace art {

namespace {

constexpr int kScale = 8;

void pixel(QPainter& p, qreal x, qreal y, qreal w, qreal h, const QColor& c)
{
    p.fillRect(QRectF(x, y, w, h), c);
}

QPainterPath star(qreal cx, qreal cy, qreal outer, qreal inner, int points, qreal turn = -M_PI / 2)
{
    QPolygonF poly;
    for (int i = 0; i < points * 2; ++i) {
        const qreal r = (i % 2) ? inner : outer;
        const qreal a = turn + i * M_PI / points;
        poly << QPointF(cx + r * std::cos(a), cy + r * std::sin(a));
    }
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    return path;
}

void spark(QPainter& p, qreal cx, qreal cy, qreal r)
{
    p.save();
    p.setPen(Qt::NoPen);
    QRadialGradient glow(cx, cy, r);
    glow.setColorAt(0.0, QColor(255, 240, 160, 230));
    glow.setColorAt(0.5, QColor(255, 150, 30, 120));
    glow.setColorAt(1.0, QColor(255, 90, 0, 0));
    p.setBrush(glow);
    p.drawEllipse(QPointF(cx, cy), r, r);
    p.setBrush(QColor(255, 170, 40));
    p.drawPath(star(cx, cy, r, r * 0.32, 4, -M_PI / 2));
    p.setBrush(QColor(255, 230, 90));
    p.drawPath(star(cx, cy, r * 0.7, r * 0.25, 4, -M_PI / 4));
    p.setBrush(QColor(255, 255, 235));
    p.drawEllipse(QPointF(cx, cy), r * 0.3, r * 0.3);
    p.restore();
}

// Shared by the two tokens so they read as a family and differ only in hue and letter.
void token(QPainter& p, const QColor& light, const QColor& mid, const QColor& dark, const QColor& ink, const char* letter)
{
    QRadialGradient face(5.0, 4.5, 9.0);
    face.setColorAt(0.0, light);
    face.setColorAt(0.45, mid);
    face.setColorAt(1.0, dark);
    outlined(p, {{ellipse(1, 1, 12, 12), face}}, ink);

    p.setPen(QPen(QColor(255, 255, 255, 90), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2.5, 2.5, 9, 9), 40 * 16, 150 * 16);
    p.setPen(QPen(QColor(0, 0, 0, 70), 1.0));
    p.drawArc(QRectF(2.5, 2.5, 9, 9), 220 * 16, 150 * 16);

    QColor shadow = ink;
    shadow.setAlpha(200);
    drawPixelText(p, 4, 4, letter, 0, 0, shadow, shadow);
    drawPixelText(p, 4, 3, letter, 0, 0, QColor(255, 255, 255), QColor(235, 240, 250));
}

} // namespace

QImage paintHero()
{
    return supersample(24, 24, kScale, [](QPainter& p) {
        const QColor ink(22, 16, 42);
        QLinearGradient cape = vertical(11, 22, {{0.0, QColor(235, 55, 70)}, {1.0, QColor(150, 20, 50)}});
        QLinearGradient suit = vertical(11, 19, {{0.0, QColor(90, 170, 255)}, {1.0, QColor(35, 90, 210)}});
        QLinearGradient skin = vertical(2, 11, {{0.0, QColor(255, 222, 185)}, {1.0, QColor(240, 180, 135)}});
        const QColor legs(40, 50, 120), boots(170, 45, 45), hair(110, 55, 35), glove(245, 245, 250);

        outlined(p,
                 {
                     {polygon({{10, 11}, {6, 12}, {3.5, 16.5}, {2, 21}, {4.5, 19.5}, {6, 21.5}, {7.5, 19}, {10, 18}}), cape},
                     {roundRect(6, 12, 3, 6, 1.5), QColor(30, 80, 185)},
                     {roundRect(8.5, 17, 3.5, 4, 1), legs},
                     {roundRect(13, 17, 3.5, 4, 1), legs},
                     {roundRect(7, 20, 5, 3, 1), boots},
                     {roundRect(13, 20, 6, 3, 1), boots},
                     {roundRect(8, 11, 9, 8, 2.5), suit},
                     {roundRect(15, 12.5, 4, 3, 1.5), QColor(60, 135, 240)},
                     {ellipse(18, 11.5, 4, 4), glove},
                     {ellipse(7.5, 1.5, 10, 10), skin},
                     {polygon({{7.2, 8}, {6.6, 4.5}, {7.8, 2.4}, {9.2, 0.9}, {11, 1.7}, {13, 0.6}, {14.6, 1.9},
                               {16.8, 1.6}, {17.4, 4.2}, {15, 4.1}, {12.5, 4.7}, {10.3, 5.8}, {10, 8.6}}),
                      hair},
                 },
                 ink);

        pixel(p, 8, 16, 9, 1.5, QColor(250, 200, 50));
        pixel(p, 11.5, 15.8, 2, 1.9, QColor(255, 240, 150));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 215, 60));
        p.drawPath(star(12.5, 13.4, 2.0, 0.9, 5));
        pixel(p, 9, 11.5, 1, 3, QColor(255, 255, 255, 70));

        pixel(p, 14, 5.5, 1.2, 2.2, ink);
        pixel(p, 13.5, 4.6, 2.5, 0.8, hair);
        pixel(p, 10.8, 6.6, 1.2, 1.4, QColor(225, 150, 110));
        pixel(p, 15.2, 9, 1.4, 0.6, QColor(170, 80, 60));
        pixel(p, 10, 1.6, 2, 0.7, QColor(170, 95, 60));
        pixel(p, 19, 12.3, 1.5, 1, QColor(255, 255, 255));
    });
}

QImage paintEnemy1()
{
    return supersample(20, 24, kScale, [](QPainter& p) {
        const QColor ink(16, 32, 12);
        QLinearGradient body = vertical(4, 22, {{0.0, QColor(170, 235, 80)}, {0.6, QColor(95, 185, 55)}, {1.0, QColor(50, 125, 45)}});
        const QColor horn(240, 228, 190), feet(40, 100, 40);

        outlined(p,
                 {
                     {polygon({{5.5, 6.5}, {2.5, 1}, {8.5, 4.5}}), horn},
                     {polygon({{14.5, 6.5}, {17.5, 1}, {11.5, 4.5}}), horn},
                     {ellipse(2.5, 19.5, 6.5, 3.5), feet},
                     {ellipse(11, 19.5, 6.5, 3.5), feet},
                     {ellipse(1, 12, 3.5, 5), QColor(110, 195, 60)},
                     {ellipse(15.5, 12, 3.5, 5), QColor(80, 160, 50)},
                     {ellipse(2.5, 3.5, 15, 18), body},
                 },
                 ink);

        p.setPen(Qt::NoPen);
        p.setBrush(QColor(215, 245, 150, 110));
        p.drawEllipse(QRectF(6, 13.5, 8, 6.5));
        p.setBrush(QColor(255, 255, 255, 70));
        p.drawEllipse(QRectF(4.5, 5, 3, 2));

        p.setPen(QPen(ink, 1.0));
        p.setBrush(QColor(250, 250, 240));
        p.drawEllipse(QRectF(5, 6.5, 9, 7.5));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(230, 70, 40));
        p.drawEllipse(QRectF(5.8, 8, 5, 5));
        p.setBrush(QColor(20, 10, 10));
        p.drawEllipse(QRectF(7, 9, 2.2, 3));
        pixel(p, 7, 8.6, 1, 1, QColor(255, 255, 255));

        p.setBrush(ink);
        p.drawPath(polygon({{4.2, 6.2}, {15.5, 7.4}, {15.2, 9}, {4.2, 7.6}}));

        QPainterPath mouth(QPointF(5.2, 15));
        mouth.cubicTo(8, 16.2, 12, 16.2, 14.8, 15);
        mouth.cubicTo(13.5, 19.2, 6.5, 19.2, 5.2, 15);
        p.drawPath(mouth);
        p.setBrush(QColor(230, 90, 110));
        p.drawEllipse(QRectF(8.5, 17, 3.5, 1.6));
        p.setBrush(QColor(255, 250, 235));
        p.drawPath(polygon({{6.6, 15.5}, {8.6, 15.9}, {7.3, 17.6}}));
        p.drawPath(polygon({{11.4, 15.9}, {13.4, 15.5}, {12.7, 17.6}}));
    });
}

QImage paintEnemy2()
{
    return supersample(30, 22, kScale, [](QPainter& p) {
        const QColor ink(26, 10, 40);
        QLinearGradient wing = vertical(2, 15, {{0.0, QColor(150, 85, 210)}, {1.0, QColor(80, 40, 130)}});
        QLinearGradient fur = vertical(4, 18, {{0.0, QColor(175, 145, 215)}, {1.0, QColor(110, 80, 160)}});

        outlined(p,
                 {
                     {polygon({{12, 8}, {8, 3.5}, {3.5, 2.5}, {1, 4}, {1.5, 9}, {3.5, 13}, {5.5, 11}, {7.5, 13.5},
                               {9.2, 11.2}, {11.5, 14}, {13, 12}}),
                      wing},
                     {polygon({{18, 8}, {22, 3.5}, {26.5, 2.5}, {29, 4}, {28.5, 9}, {26.5, 13}, {24.5, 11}, {22.5, 13.5},
                               {20.8, 11.2}, {18.5, 14}, {17, 12}}),
                      wing},
                     {polygon({{11.5, 8.5}, {11.5, 2}, {14.5, 6.5}}), fur},
                     {polygon({{18.5, 8.5}, {18.5, 2}, {15.5, 6.5}}), fur},
                     {roundRect(12.8, 16, 1.6, 4, 0.8), QColor(90, 60, 120)},
                     {roundRect(15.6, 16, 1.6, 4, 0.8), QColor(90, 60, 120)},
                     {ellipse(10.5, 5.5, 9, 12), fur},
                 },
                 ink);

        p.setPen(QPen(QColor(60, 25, 95), 0.8, Qt::SolidLine, Qt::RoundCap));
        for (const auto& seg : {std::pair<QPointF, QPointF>{{11, 8.5}, {2.5, 4}}, {{11, 9}, {5.5, 11}},
                                {{11, 9.5}, {9.2, 11.2}}, {{19, 8.5}, {27.5, 4}}, {{19, 9}, {24.5, 11}},
                                {{19, 9.5}, {20.8, 11.2}}})
            p.drawLine(seg.first, seg.second);

        p.setPen(Qt::NoPen);
        p.setBrush(QColor(230, 150, 200));
        p.drawPath(polygon({{12.2, 7}, {12.2, 4}, {13.6, 6.4}}));
        p.drawPath(polygon({{17.8, 7}, {17.8, 4}, {16.4, 6.4}}));
        p.setBrush(QColor(215, 195, 240, 120));
        p.drawEllipse(QRectF(12.5, 12, 5, 4.5));

        QRadialGradient eye(0, 0, 1.6);
        eye.setColorAt(0.0, QColor(255, 250, 170));
        eye.setColorAt(0.6, QColor(255, 80, 40));
        eye.setColorAt(1.0, QColor(170, 20, 20));
        for (qreal ex : {13.4, 16.6}) {
            p.save();
            p.translate(ex, 10);
            p.setBrush(eye);
            p.drawEllipse(QPointF(0, 0), 1.4, 1.4);
            p.restore();
        }

        p.setBrush(ink);
        p.drawPath(polygon({{13, 12.3}, {17, 12.3}, {15, 13.8}}));
        p.setBrush(QColor(255, 255, 245));
        p.drawPath(polygon({{13.6, 12.6}, {14.6, 12.6}, {14.1, 14.4}}));
        p.drawPath(polygon({{15.4, 12.6}, {16.4, 12.6}, {15.9, 14.4}}));
    });
}

QImage paintBomb()
{
    return supersample(14, 18, kScale, [](QPainter& p) {
        const QColor ink(8, 8, 14);
        QRadialGradient shell(5.0, 9.5, 7.5);
        shell.setColorAt(0.0, QColor(125, 135, 170));
        shell.setColorAt(0.35, QColor(60, 64, 88));
        shell.setColorAt(1.0, QColor(18, 18, 28));
        QLinearGradient cap(4.5, 0, 9.5, 0);
        cap.setColorAt(0.0, QColor(120, 125, 140));
        cap.setColorAt(0.4, QColor(220, 225, 235));
        cap.setColorAt(1.0, QColor(90, 95, 110));

        p.setPen(QPen(ink, 2.4, Qt::SolidLine, Qt::RoundCap));
        QPainterPath fuse(QPointF(7, 4.5));
        fuse.cubicTo(7.2, 2.2, 9.2, 1.6, 10.6, 2.8);
        p.drawPath(fuse);

        outlined(p, {{ellipse(1.2, 5.8, 11.6, 11.6), shell}, {roundRect(4.5, 3.8, 5, 2.8, 0.8), cap}}, ink);

        p.setPen(QPen(QColor(215, 180, 120), 1.2, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(fuse);

        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(120, 140, 200, 150), 0.9));
        p.drawArc(QRectF(2.2, 6.8, 9.6, 9.6), -80 * 16, 95 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawEllipse(QRectF(3.6, 8.2, 2.0, 1.6));

        spark(p, 11.2, 2.9, 2.8);
    });
}

QImage paintCoin()
{
    return supersample(14, 14, kScale, [](QPainter& p) {
        const QColor ink(100, 50, 0);
        QLinearGradient rim(2, 2, 12, 12);
        rim.setColorAt(0.0, QColor(255, 215, 90));
        rim.setColorAt(1.0, QColor(200, 115, 15));
        outlined(p, {{ellipse(1, 1, 12, 12), rim}}, ink);

        QLinearGradient face(4, 4, 10, 10);
        face.setColorAt(0.0, QColor(255, 240, 140));
        face.setColorAt(1.0, QColor(240, 165, 35));
        p.setPen(QPen(QColor(185, 105, 15), 0.8));
        p.setBrush(face);
        p.drawEllipse(QRectF(2.6, 2.6, 8.8, 8.8));

        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 252, 215));
        p.drawPath(star(7.6, 7.8, 3.4, 1.45, 5));
        p.setBrush(QColor(205, 115, 10));
        p.drawPath(star(7, 7.2, 3.4, 1.45, 5));

        p.setBrush(QColor(255, 255, 255, 230));
        p.drawPath(star(3.6, 3.6, 1.8, 0.45, 4));
    });
}

QImage paintBoost()
{
    return supersample(14, 14, kScale, [](QPainter& p) {
        token(p, QColor(190, 255, 255), QColor(30, 200, 235), QColor(10, 95, 160), QColor(5, 35, 70), "B");
    });
}

QImage paintPower()
{
    return supersample(14, 14, kScale, [](QPainter& p) {
        token(p, QColor(255, 200, 230), QColor(235, 50, 120), QColor(130, 10, 60), QColor(60, 0, 25), "P");
    });
}

QImage paintPlatform(int width)
{
    return supersample(width, 10, kScale, [width](QPainter& p) {
        const QColor ink(105, 40, 0);
        QLinearGradient bar = vertical(1, 9, {{0.0, QColor(255, 245, 150)}, {0.3, QColor(255, 212, 60)},
                                              {0.7, QColor(250, 148, 30)}, {1.0, QColor(210, 90, 15)}});
        outlined(p, {{roundRect(1, 1, width - 2, 8, 4), bar}}, ink);

        // Seams every 25 px give one, two or three planks so the three lengths are told apart at a glance.
        for (int x = 25; x < width; x += 25) {
            pixel(p, x - 1, 2, 1, 6.5, QColor(180, 80, 10, 160));
            pixel(p, x, 2, 1, 6.5, QColor(255, 250, 200, 120));
        }
        pixel(p, 4, 2, width - 8, 1, QColor(255, 255, 235, 150));
        pixel(p, 4, 7.6, width - 8, 0.8, QColor(150, 55, 5, 120));

        p.setPen(Qt::NoPen);
        for (qreal cx : {4.8, width - 4.8}) {
            p.setBrush(QColor(150, 60, 5));
            p.drawEllipse(QPointF(cx, 5.2), 1.2, 1.2);
            p.setBrush(QColor(255, 240, 180));
            p.drawEllipse(QPointF(cx - 0.3, 4.9), 0.5, 0.5);
        }
    });
}

QImage paintSave()
{
    return supersample(16, 16, kScale, [](QPainter& p) {
        const QColor ink(14, 22, 60);
        QLinearGradient body = vertical(1, 15, {{0.0, QColor(90, 145, 245)}, {1.0, QColor(35, 70, 175)}});
        QLinearGradient metal(4, 0, 11, 0);
        metal.setColorAt(0.0, QColor(170, 178, 190));
        metal.setColorAt(0.5, QColor(235, 240, 245));
        metal.setColorAt(1.0, QColor(150, 158, 172));
        QPainterPath disk(QPointF(1, 3.5));
        disk.quadTo(1, 1, 3.5, 1);
        disk.lineTo(12.5, 1);
        disk.lineTo(15, 3.5);
        disk.lineTo(15, 12.5);
        disk.quadTo(15, 15, 12.5, 15);
        disk.lineTo(3.5, 15);
        disk.quadTo(1, 15, 1, 12.5);
        disk.closeSubpath();
        outlined(p, {{disk, body}}, ink);

        p.setPen(Qt::NoPen);
        p.setBrush(metal);
        p.drawRect(QRectF(4, 1, 7, 5));
        pixel(p, 8, 2, 2, 3, QColor(40, 50, 80));
        pixel(p, 3, 8, 10, 7, QColor(245, 244, 232));
        pixel(p, 4, 10, 8, 1, QColor(150, 170, 210));
        pixel(p, 4, 12, 6, 1, QColor(150, 170, 210));
        pixel(p, 2, 1.6, 1, 12, QColor(255, 255, 255, 60));
    });
}

QImage paintLoad()
{
    return supersample(16, 16, kScale, [](QPainter& p) {
        const QColor ink(85, 40, 0);
        QLinearGradient front = vertical(8, 14, {{0.0, QColor(255, 225, 110)}, {1.0, QColor(240, 155, 35)}});
        outlined(p,
                 {
                     {polygon({{1, 3}, {6, 3}, {7.5, 4.5}, {14, 4.5}, {14, 14}, {1, 14}}), QColor(200, 125, 30)},
                 },
                 ink);

        p.setPen(QPen(QColor(120, 120, 130), 1.0));
        p.setBrush(QColor(250, 250, 245));
        p.drawRect(QRectF(3.5, 5.5, 9, 6));
        pixel(p, 5, 7, 6, 1, QColor(150, 170, 210));
        pixel(p, 5, 9, 4, 1, QColor(150, 170, 210));

        outlined(p, {{polygon({{1, 14}, {3.5, 8}, {15.5, 8}, {13, 14}}), front}}, ink);
        pixel(p, 4, 9, 10.5, 1, QColor(255, 250, 200, 170));
    });
}

} // namespace art
