#include "canvas.h"

#include <QFont>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <vector>

namespace art {

namespace {

constexpr int kW = 278;
constexpr int kH = 252;

QImage layer(int w = kW, int h = kH)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void sky(QPainter& p, std::initializer_list<std::pair<qreal, QColor>> stops)
{
    p.fillRect(QRect(0, 0, kW, kH), vertical(0, kH, stops));
}

void stars(QPainter& p, Rng& rng, int count, qreal maxY, const QColor& tint)
{
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        const qreal x = rng.range(0, kW), y = rng.range(0, maxY);
        QColor c = tint;
        c.setAlphaF(static_cast<float>(rng.range(0.15, 0.75) * (1.0 - 0.6 * y / maxY)));
        p.setBrush(c);
        const qreal r = rng.uniform() < 0.08 ? 0.95 : 0.55;
        p.drawEllipse(QPointF(x, y), r, r);
    }
    p.restore();
}

void disc(QPainter& p, QPointF c, qreal r, const QColor& face, const QColor& glow, qreal glowR)
{
    p.save();
    p.setPen(Qt::NoPen);
    QRadialGradient halo(c, glowR);
    halo.setColorAt(0.0, glow);
    QColor clear = glow;
    clear.setAlpha(0);
    halo.setColorAt(1.0, clear);
    p.setBrush(halo);
    p.drawEllipse(c, glowR, glowR);
    p.setBrush(face);
    p.drawEllipse(c, r, r);
    p.restore();
}

// Value noise rather than a random walk keeps ridgelines calm behind the sprites.
std::vector<qreal> profile(Rng& rng, qreal base, qreal amp, qreal period, int octaves = 3)
{
    std::vector<qreal> h(kW + 1, base);
    qreal a = amp, per = period;
    for (int o = 0; o < octaves; ++o) {
        const int knots = static_cast<int>(kW / per) + 3;
        std::vector<qreal> k(knots);
        for (auto& v : k)
            v = rng.range(-1, 1);
        for (int x = 0; x <= kW; ++x) {
            const qreal f = x / per;
            const int i = static_cast<int>(f);
            const qreal t = (1 - std::cos((f - i) * M_PI)) / 2;
            h[x] += a * (k[i] * (1 - t) + k[i + 1] * t);
        }
        a *= 0.45;
        per *= 0.42;
    }
    return h;
}

QPainterPath below(const std::vector<qreal>& h)
{
    QPainterPath path(QPointF(0, kH));
    for (int x = 0; x <= kW; ++x)
        path.lineTo(x, h[x]);
    path.lineTo(kW, kH);
    path.closeSubpath();
    return path;
}

void ridge(QPainter& p, const std::vector<qreal>& h, const QBrush& fill)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(below(h));
    p.restore();
}

void pine(QPainter& p, qreal x, qreal baseY, qreal height, const QColor& c)
{
    const qreal w = height * 0.42;
    QPainterPath path;
    for (int tier = 0; tier < 3; ++tier) {
        const qreal top = baseY - height + tier * height * 0.26;
        const qreal bottom = baseY - height * 0.12 - (2 - tier) * height * 0.2;
        const qreal half = w * (0.45 + tier * 0.28) / 2;
        path.addPolygon(QPolygonF({QPointF(x, top), QPointF(x + half, bottom), QPointF(x - half, bottom)}));
    }
    path.addRect(QRectF(x - height * 0.04, baseY - height * 0.16, height * 0.08, height * 0.16));
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(path.simplified());
    p.restore();
}

void forest(QPainter& p, Rng& rng, const std::vector<qreal>& ground, qreal minH, qreal maxH, qreal spacing,
            const QColor& c)
{
    for (qreal x = rng.range(0, spacing); x < kW + 6; x += spacing * rng.range(0.6, 1.3)) {
        const int ix = std::clamp(static_cast<int>(x), 0, kW);
        pine(p, x, ground[ix] + 2, rng.range(minH, maxH), c);
    }
}

void fog(QPainter& p, qreal y0, qreal y1, const QColor& c)
{
    QColor clear = c;
    clear.setAlpha(0);
    p.fillRect(QRectF(0, y0, kW, y1 - y0), vertical(y0, y1, {{0.0, clear}, {0.6, c}, {1.0, clear}}));
}

void skyline(QPainter& p, Rng& rng, qreal baseY, qreal minH, qreal maxH, const QColor& body, const QColor& lit,
             qreal litChance)
{
    for (qreal x = -rng.range(0, 10); x < kW;) {
        const qreal w = std::round(rng.range(14, 30));
        const qreal h = std::round(rng.range(minH, maxH));
        const qreal top = baseY - h;
        p.fillRect(QRectF(x, top, w, h + 1), body);
        if (rng.uniform() < 0.3)
            p.fillRect(QRectF(x + w / 2 - 1, top - rng.range(5, 12), 1.5, 12), body);
        else if (rng.uniform() < 0.3)
            p.fillRect(QRectF(x + 3, top - 3, w - 6, 3), body);
        for (qreal wy = top + 4; wy < baseY - 4; wy += 6)
            for (qreal wx = x + 3; wx < x + w - 4; wx += 5)
                if (rng.uniform() < litChance)
                    p.fillRect(QRectF(wx, wy, 2, 3), lit);
        x += w + std::round(rng.range(0, 4));
    }
}

void softBlobs(QPainter& p, Rng& rng, int count, QRectF area, qreal minR, qreal maxR, const QColor& c, int blur)
{
    QImage img = layer();
    {
        QPainter q(&img);
        q.setRenderHint(QPainter::Antialiasing);
        q.setPen(Qt::NoPen);
        q.setBrush(c);
        for (int i = 0; i < count; ++i) {
            const qreal r = rng.range(minR, maxR);
            q.drawEllipse(QPointF(rng.range(area.left(), area.right()), rng.range(area.top(), area.bottom())), r * 1.6, r);
        }
    }
    boxBlur(img, blur);
    p.drawImage(0, 0, img);
}

void roundNumber(QPainter& p, int n, const QColor& tint)
{
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(150);
    QPainterPath path;
    path.addText(0, 0, font, QString::number(n));
    const QRectF box = path.boundingRect();
    path.translate(kW / 2.0 - box.center().x(), kH / 2.0 - box.center().y());
    p.save();
    QColor fill = tint, edge = tint;
    fill.setAlpha(18);
    edge.setAlpha(18);
    p.setPen(QPen(edge, 1.5));
    p.setBrush(fill);
    p.drawPath(path);
    p.restore();
}

void vignette(QPainter& p, int strength)
{
    QRadialGradient g(kW / 2.0, kH / 2.0, kW * 0.75);
    g.setColorAt(0.55, QColor(0, 0, 0, 0));
    g.setColorAt(1.0, QColor(0, 0, 0, strength));
    p.fillRect(QRect(0, 0, kW, kH), g);
}

void duskHills(QPainter& p, Rng& rng)
{
    sky(p, {{0.0, QColor(28, 20, 60)}, {0.45, QColor(86, 46, 96)}, {0.7, QColor(160, 78, 74)}, {1.0, QColor(190, 110, 70)}});
    stars(p, rng, 40, 90, QColor(255, 240, 230));
    disc(p, QPointF(190, 150), 22, QColor(245, 170, 90), QColor(255, 150, 80, 90), 70);
    ridge(p, profile(rng, 150, 22, 120), QColor(112, 58, 86));
    ridge(p, profile(rng, 180, 18, 90), QColor(78, 38, 70));
    ridge(p, profile(rng, 212, 14, 70), QColor(48, 24, 52));
    ridge(p, profile(rng, 238, 6, 60), QColor(28, 14, 34));
}

void nightCity(QPainter& p, Rng& rng)
{
    sky(p, {{0.0, QColor(8, 12, 34)}, {0.6, QColor(22, 36, 76)}, {1.0, QColor(50, 52, 96)}});
    stars(p, rng, 70, 120, QColor(220, 230, 255));
    disc(p, QPointF(64, 52), 13, QColor(230, 232, 210), QColor(180, 200, 255, 60), 46);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 28, 60));
    p.drawEllipse(QPointF(70, 48), 11, 11);
    skyline(p, rng, 252, 60, 130, QColor(34, 44, 84), QColor(120, 130, 170, 90), 0.2);
    fog(p, 150, 230, QColor(70, 80, 130, 60));
    skyline(p, rng, 252, 30, 90, QColor(14, 18, 40), QColor(230, 190, 100, 150), 0.18);
}

void pineForest(QPainter& p, Rng& rng)
{
    sky(p, {{0.0, QColor(14, 30, 36)}, {0.55, QColor(38, 72, 70)}, {1.0, QColor(70, 100, 86)}});
    disc(p, QPointF(210, 60), 16, QColor(220, 230, 200), QColor(200, 230, 200, 50), 60);
    ridge(p, profile(rng, 120, 26, 140), QColor(44, 74, 72));
    fog(p, 120, 170, QColor(120, 150, 140, 70));
    const auto far = profile(rng, 168, 8, 80);
    ridge(p, far, QColor(30, 56, 52));
    forest(p, rng, far, 22, 40, 11, QColor(30, 56, 52));
    fog(p, 170, 220, QColor(110, 140, 130, 60));
    const auto near = profile(rng, 226, 6, 60);
    ridge(p, near, QColor(12, 28, 26));
    forest(p, rng, near, 34, 64, 22, QColor(12, 28, 26));
}

void desertMoon(QPainter& p, Rng& rng)
{
    sky(p, {{0.0, QColor(30, 20, 44)}, {0.55, QColor(84, 52, 70)}, {1.0, QColor(132, 84, 70)}});
    stars(p, rng, 50, 110, QColor(255, 235, 210));
    disc(p, QPointF(80, 80), 28, QColor(218, 192, 150), QColor(255, 210, 160, 45), 74);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(196, 168, 128));
    for (const auto& c : {QPointF(70, 72), QPointF(92, 90), QPointF(84, 66), QPointF(66, 94)})
        p.drawEllipse(c, 3 + std::fmod(c.x(), 3.0), 3 + std::fmod(c.x(), 3.0));
    ridge(p, profile(rng, 180, 16, 150, 2), QColor(100, 60, 60));
    ridge(p, profile(rng, 208, 14, 130, 2), QColor(72, 42, 50));
    const auto front = profile(rng, 236, 8, 110, 2);
    ridge(p, front, QColor(52, 30, 40));
    for (const auto& c : {QPointF(40, 236), QPointF(226, 234), QPointF(250, 240)}) {
        const qreal s = c.x() > 240 ? 0.6 : 1.0;
        p.setBrush(QColor(52, 30, 40));
        QPainterPath cactus;
        cactus.addRoundedRect(QRectF(c.x() - 3 * s, c.y() - 40 * s, 6 * s, 42 * s), 3 * s, 3 * s);
        cactus.addRoundedRect(QRectF(c.x() - 12 * s, c.y() - 30 * s, 5 * s, 16 * s), 2.5 * s, 2.5 * s);
        cactus.addRect(QRectF(c.x() - 12 * s, c.y() - 18 * s, 10 * s, 4 * s));
        cactus.addRoundedRect(QRectF(c.x() + 7 * s, c.y() - 34 * s, 5 * s, 18 * s), 2.5 * s, 2.5 * s);
        cactus.addRect(QRectF(c.x() + 2 * s, c.y() - 20 * s, 10 * s, 4 * s));
        p.drawPath(cactus.simplified());
    }
}

void duskSea(QPainter& p, Rng& rng)
{
    sky(p, {{0.0, QColor(14, 34, 58)}, {0.5, QColor(40, 80, 110)}, {0.62, QColor(120, 130, 130)}, {0.63, QColor(30, 64, 84)},
            {1.0, QColor(10, 26, 40)}});
    softBlobs(p, rng, 7, QRectF(0, 20, kW, 80), 8, 16, QColor(90, 120, 150, 70), 6);
    disc(p, QPointF(150, 150), 18, QColor(240, 210, 160), QColor(255, 200, 150, 60), 60);
    p.fillRect(QRectF(0, 158.8, kW, kH), vertical(158.8, kH, {{0.0, QColor(32, 66, 86)}, {1.0, QColor(10, 24, 38)}}));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 40; ++i) {
        const qreal y = 162 + i * i * 0.06 + rng.range(0, 2);
        const qreal w = rng.range(6, 26) * (1 + i * 0.05);
        const qreal x = 150 + rng.range(-1, 1) * (10 + i * 1.2) - w / 2;
        p.setBrush(QColor(240, 200, 150, static_cast<int>(90 - i * 1.8)));
        p.drawRect(QRectF(x, y, w, 1));
    }
    for (int i = 0; i < 60; ++i) {
        const qreal y = rng.range(165, 250);
        p.setBrush(QColor(120, 170, 190, 35));
        p.drawRect(QRectF(rng.range(0, kW), y, rng.range(6, 18), 1));
    }
    QPainterPath island;
    island.moveTo(20, 159);
    island.cubicTo(40, 140, 70, 136, 96, 159);
    p.setBrush(QColor(12, 28, 40));
    p.drawPath(island);
    QPen trunk(QColor(12, 28, 40), 2.2, Qt::SolidLine, Qt::RoundCap);
    p.setPen(trunk);
    p.setBrush(Qt::NoBrush);
    QPainterPath stem(QPointF(58, 144));
    stem.cubicTo(58, 130, 62, 118, 68, 110);
    p.drawPath(stem);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(12, 28, 40));
    for (int i = 0; i < 6; ++i) {
        p.save();
        p.translate(68, 110);
        p.rotate(-160 + i * 55 + (i > 2 ? 30 : 0));
        p.drawEllipse(QRectF(0, -2, 16, 4));
        p.restore();
    }
}

void caverns(QPainter& p, Rng& rng)
{
    sky(p, {{0.0, QColor(20, 14, 12)}, {0.5, QColor(44, 32, 30)}, {1.0, QColor(24, 18, 16)}});
    softBlobs(p, rng, 5, QRectF(40, 80, 200, 100), 20, 40, QColor(110, 70, 60, 60), 10);
    p.setPen(Qt::NoPen);
    auto spikes = [&](const std::vector<qreal>& base, qreal dir, const QColor& c, qreal minL, qreal maxL) {
        p.setBrush(c);
        for (qreal x = rng.range(-8, 0); x < kW + 8;) {
            const qreal w = rng.range(8, 20), len = rng.range(minL, maxL);
            const qreal y = base[std::clamp(static_cast<int>(x + w / 2), 0, kW)] - dir * 3;
            const qreal tip = x + w / 2 + rng.range(-2, 2);
            p.drawPolygon(QPolygonF({QPointF(x, y), QPointF(x + w, y), QPointF(tip, y + dir * (len + 3))}));
            x += w * rng.range(0.5, 1.1);
        }
    };
    spikes(std::vector<qreal>(kW + 1, 0.0), 1, QColor(58, 42, 38), 20, 70);
    spikes(std::vector<qreal>(kW + 1, qreal(kH)), -1, QColor(52, 38, 34), 16, 50);
    const auto ceiling = profile(rng, 10, 8, 60);
    QPainterPath roof(QPointF(0, 0));
    for (int x = 0; x <= kW; ++x)
        roof.lineTo(x, ceiling[x]);
    roof.lineTo(kW, 0);
    p.setBrush(QColor(30, 22, 20));
    p.drawPath(roof);
    spikes(ceiling, 1, QColor(30, 22, 20), 10, 40);
    const auto floor = profile(rng, 244, 5, 60);
    ridge(p, floor, QColor(24, 18, 16));
    spikes(floor, -1, QColor(24, 18, 16), 8, 26);
    // A few dim crystals give the eye something other than brown.
    for (int i = 0; i < 5; ++i) {
        const qreal x = 24 + i * 56 + rng.range(-12, 12);
        const QPointF c(x, floor[std::clamp(static_cast<int>(x), 0, kW)] + 2);
        disc(p, c - QPointF(0, 6), 0, QColor(0, 0, 0, 0), QColor(80, 200, 190, 45), 22);
        for (int shard = 0; shard < 3; ++shard) {
            p.save();
            p.translate(c + QPointF((shard - 1) * 3.0, 0));
            p.rotate((shard - 1) * 24 + rng.range(-6, 6));
            const qreal h = shard == 1 ? rng.range(10, 14) : rng.range(5, 9);
            p.setBrush(QColor(60, 150, 150, 190));
            p.drawPolygon(QPolygonF({QPointF(0, -h), QPointF(2.2, -h + 3), QPointF(2.2, 0), QPointF(-2.2, 0), QPointF(-2.2, -h + 3)}));
            p.setBrush(QColor(150, 230, 220, 120));
            p.drawPolygon(QPolygonF({QPointF(0, -h), QPointF(0.8, -h + 3), QPointF(0.8, 0), QPointF(-2.2, 0), QPointF(-2.2, -h + 3)}));
            p.restore();
        }
    }
}

void snowPeaks(QPainter& p, Rng& rng)
{
    sky(p, {{0.0, QColor(16, 24, 48)}, {0.6, QColor(50, 70, 110)}, {1.0, QColor(90, 110, 140)}});
    stars(p, rng, 40, 80, QColor(230, 240, 255));
    auto peaks = [&](qreal base, qreal height, int count, const QColor& rock, const QColor& snow) {
        QPainterPath mountain(QPointF(-20, kH));
        std::vector<QPointF> tops;
        qreal x = -20;
        const qreal step = (kW + 40.0) / count;
        for (int i = 0; i < count; ++i) {
            const QPointF top(x + step * rng.range(0.3, 0.7), base - height * rng.range(0.6, 1.0));
            mountain.lineTo(top);
            mountain.lineTo(x + step, base - height * rng.range(0.05, 0.25));
            tops.push_back(top);
            x += step;
        }
        mountain.lineTo(kW + 20, kH);
        mountain.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(rock);
        p.drawPath(mountain);
        p.save();
        p.setClipPath(mountain);
        p.setBrush(snow);
        for (const QPointF& t : tops) {
            const qreal d = (base - t.y()) * 0.3;
            p.drawPolygon(QPolygonF({t + QPointF(-d * 1.2, d), t + QPointF(-d * 0.4, d * 0.75), t + QPointF(0, d * 1.05),
                                     t + QPointF(d * 0.5, d * 0.7), t + QPointF(d * 1.2, d), t + QPointF(0, -2)}));
        }
        p.restore();
    };
    peaks(190, 120, 3, QColor(60, 74, 106), QColor(170, 185, 210));
    fog(p, 150, 200, QColor(120, 140, 170, 60));
    peaks(230, 90, 4, QColor(36, 46, 74), QColor(130, 148, 180));
    ridge(p, profile(rng, 240, 5, 70), QColor(76, 90, 122));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 120; ++i) {
        p.setBrush(QColor(235, 240, 255, static_cast<int>(rng.range(30, 120))));
        const qreal r = rng.range(0.5, 1.3);
        p.drawEllipse(QPointF(rng.range(0, kW), rng.range(0, kH)), r, r);
    }
}

void volcano(QPainter& p, Rng& rng)
{
    sky(p, {{0.0, QColor(24, 10, 12)}, {0.5, QColor(70, 24, 20)}, {1.0, QColor(40, 14, 12)}});
    softBlobs(p, rng, 8, QRectF(60, 10, 180, 70), 12, 24, QColor(60, 40, 40, 120), 8);
    disc(p, QPointF(150, 96), 0, QColor(0, 0, 0, 0), QColor(255, 110, 40, 90), 70);
    QPainterPath cone(QPointF(20, kH));
    cone.lineTo(122, 100);
    cone.lineTo(134, 96);
    cone.quadTo(150, 103, 166, 96);
    cone.lineTo(178, 100);
    cone.lineTo(270, kH);
    cone.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(96, kH, {{0.0, QColor(60, 24, 22)}, {1.0, QColor(30, 12, 12)}}));
    p.drawPath(cone);
    p.setPen(QPen(QColor(240, 90, 30, 150), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (const auto& flow : {std::vector<QPointF>{{140, 100}, {132, 130}, {138, 160}, {126, 200}},
                             std::vector<QPointF>{{160, 100}, {168, 140}, {160, 170}, {172, 210}}}) {
        QPainterPath path(flow[0]);
        path.cubicTo(flow[1], flow[2], flow[3]);
        p.drawPath(path);
    }
    p.setPen(Qt::NoPen);
    QRadialGradient mouth(150, 98, 16);
    mouth.setColorAt(0.0, QColor(255, 200, 100, 230));
    mouth.setColorAt(0.4, QColor(255, 110, 30, 160));
    mouth.setColorAt(1.0, QColor(255, 80, 20, 0));
    p.setBrush(mouth);
    p.drawEllipse(QRectF(130, 90, 40, 14));
    ridge(p, profile(rng, 236, 8, 60), QColor(18, 8, 8));
    for (int i = 0; i < 70; ++i) {
        const QPointF c(rng.range(90, 210) + rng.range(-60, 60) * rng.uniform(), rng.range(10, 110));
        p.setBrush(QColor(255, static_cast<int>(rng.range(90, 190)), 40, static_cast<int>(rng.range(60, 200))));
        p.drawEllipse(c, 0.8, 0.8);
    }
}

void deepSpace(QPainter& p, Rng& rng)
{
    sky(p, {{0.0, QColor(6, 4, 16)}, {1.0, QColor(16, 8, 30)}});
    softBlobs(p, rng, 10, QRectF(20, 40, 240, 120), 12, 30, QColor(110, 40, 130, 70), 12);
    softBlobs(p, rng, 6, QRectF(60, 90, 200, 90), 10, 22, QColor(40, 80, 150, 60), 10);
    stars(p, rng, 220, kH, QColor(230, 230, 255));
    const QPointF c(196, 178);
    p.save();
    p.translate(c);
    p.rotate(-18);
    p.setPen(QPen(QColor(200, 170, 140, 150), 3.0));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(-58, -12, 116, 24), 0, 180 * 16);
    p.setPen(Qt::NoPen);
    QRadialGradient body(-10, -12, 44);
    body.setColorAt(0.0, QColor(210, 150, 110));
    body.setColorAt(0.6, QColor(130, 80, 80));
    body.setColorAt(1.0, QColor(40, 20, 40));
    p.setBrush(body);
    p.drawEllipse(QPointF(0, 0), 34, 34);
    p.setBrush(QColor(90, 50, 60, 60));
    p.drawRect(QRectF(-34, -8, 68, 5));
    p.drawRect(QRectF(-34, 6, 68, 4));
    p.setPen(QPen(QColor(220, 190, 160, 180), 3.0));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(-58, -12, 116, 24), 180 * 16, 180 * 16);
    p.restore();
    disc(p, QPointF(60, 60), 7, QColor(140, 160, 190), QColor(140, 160, 220, 40), 20);
}

void underwater(QPainter& p, Rng& rng)
{
    sky(p, {{0.0, QColor(20, 80, 100)}, {0.4, QColor(12, 50, 74)}, {1.0, QColor(6, 20, 36)}});
    QImage rays = layer();
    {
        QPainter q(&rays);
        q.setRenderHint(QPainter::Antialiasing);
        q.setPen(Qt::NoPen);
        for (int i = 0; i < 6; ++i) {
            const qreal x = rng.range(10, 260), w = rng.range(8, 20);
            q.setBrush(vertical(0, 200, {{0.0, QColor(150, 220, 220, 60)}, {1.0, QColor(150, 220, 220, 0)}}));
            q.drawPolygon(QPolygonF({QPointF(x, 0), QPointF(x + w, 0), QPointF(x + w + 50, 200), QPointF(x + 20, 200)}));
        }
    }
    boxBlur(rays, 3);
    p.drawImage(0, 0, rays);
    ridge(p, profile(rng, 232, 10, 80), QColor(14, 40, 48));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 14; ++i) {
        const qreal x = rng.range(0, kW), h = rng.range(40, 110);
        const QColor c = i % 2 ? QColor(20, 70, 60) : QColor(16, 54, 52);
        p.setPen(QPen(c, rng.range(2.5, 4.5), Qt::SolidLine, Qt::RoundCap));
        QPainterPath weed(QPointF(x, kH));
        const qreal sway = rng.range(-10, 10);
        weed.cubicTo(x + sway, kH - h * 0.35, x - sway, kH - h * 0.7, x + sway * 0.6, kH - h);
        p.drawPath(weed);
    }
    ridge(p, profile(rng, 244, 5, 50), QColor(8, 26, 32));
    for (int i = 0; i < 30; ++i) {
        const qreal r = rng.range(1, 3.2);
        p.setPen(QPen(QColor(170, 230, 240, 90), 0.8));
        p.setBrush(QColor(170, 230, 240, 25));
        p.drawEllipse(QPointF(rng.range(0, kW), rng.range(10, 230)), r, r);
    }
}

void castle(QPainter& p, Rng& rng)
{
    sky(p, {{0.0, QColor(18, 16, 36)}, {0.6, QColor(54, 50, 84)}, {1.0, QColor(84, 72, 100)}});
    stars(p, rng, 60, 120, QColor(230, 225, 255));
    disc(p, QPointF(200, 58), 20, QColor(235, 230, 210), QColor(200, 200, 255, 60), 64);
    softBlobs(p, rng, 6, QRectF(120, 50, 160, 40), 8, 16, QColor(60, 55, 90, 160), 5);
    ridge(p, profile(rng, 200, 16, 120), QColor(40, 36, 62));
    const QColor stone(24, 22, 42);
    p.setPen(Qt::NoPen);
    p.setBrush(stone);
    QPainterPath keep;
    keep.addRect(QRectF(70, 150, 140, 60));
    for (qreal x = 70; x < 210; x += 10)
        keep.addRect(QRectF(x, 145, 6, 6));
    for (const auto& t : {QRectF(56, 110, 24, 100), QRectF(200, 120, 22, 90), QRectF(124, 90, 30, 120)}) {
        keep.addRect(t);
        keep.addPolygon(QPolygonF({QPointF(t.left() - 4, t.top()), QPointF(t.center().x(), t.top() - t.width() * 1.2),
                                   QPointF(t.right() + 4, t.top())}));
    }
    p.drawPath(keep.simplified());
    p.setBrush(QColor(230, 180, 90, 150));
    for (const auto& w : {QRectF(64, 130, 3, 6), QRectF(136, 110, 4, 7), QRectF(208, 140, 3, 6), QRectF(100, 170, 3, 6),
                          QRectF(176, 168, 3, 6)})
        p.drawRect(w);
    p.setBrush(stone);
    p.drawRect(QRectF(0, 206, kW, kH - 206));
    ridge(p, profile(rng, 220, 6, 60), QColor(14, 12, 26));
}

void factory(QPainter& p, Rng& rng)
{
    sky(p, {{0.0, QColor(34, 30, 22)}, {0.6, QColor(84, 70, 46)}, {1.0, QColor(110, 84, 50)}});
    softBlobs(p, rng, 12, QRectF(0, 20, kW, 90), 10, 22, QColor(70, 62, 50, 110), 8);
    const QColor far(56, 48, 36), near(26, 22, 18);
    p.setPen(Qt::NoPen);
    p.setBrush(far);
    for (qreal x = 0; x < kW; x += rng.range(24, 40))
        p.drawRect(QRectF(x, 160 - rng.range(0, 30), rng.range(18, 30), 100));
    QImage smoke = layer();
    {
        QPainter q(&smoke);
        q.setRenderHint(QPainter::Antialiasing);
        q.setPen(Qt::NoPen);
        for (qreal cx : {40.0, 90.0, 200.0}) {
            for (int i = 0; i < 8; ++i) {
                q.setBrush(QColor(130, 118, 100, 90 - i * 8));
                q.drawEllipse(QPointF(cx + i * 6 + rng.range(-2, 2), 90 - i * 10), 5.0 + i * 1.8, 4.0 + i * 1.4);
            }
        }
    }
    boxBlur(smoke, 2);
    p.drawImage(0, 0, smoke);
    p.setBrush(near);
    for (qreal cx : {40.0, 90.0, 200.0}) {
        p.drawRect(QRectF(cx - 5, 96, 10, 120));
        p.drawRect(QRectF(cx - 7, 94, 14, 4));
    }
    p.drawRect(QRectF(0, 180, kW, kH));
    QPainterPath roof(QPointF(0, 180));
    for (qreal x = 0; x < kW; x += 30) {
        roof.lineTo(x + 20, 164);
        roof.lineTo(x + 20, 180);
        roof.lineTo(x + 30, 180);
    }
    roof.lineTo(kW, 190);
    roof.lineTo(0, 190);
    p.drawPath(roof);
    p.setPen(QPen(QColor(70, 56, 40), 1.0));
    for (qreal x = 120; x < 170; x += 10) {
        p.drawLine(QPointF(x, 120), QPointF(x + 10, 140));
        p.drawLine(QPointF(x + 10, 120), QPointF(x, 140));
    }
    p.drawLine(QPointF(120, 120), QPointF(170, 120));
    p.drawLine(QPointF(120, 140), QPointF(170, 140));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 150, 60, 110));
    for (qreal x = 8; x < kW; x += 14)
        if (rng.uniform() < 0.5)
            p.drawRect(QRectF(x, 196, 6, 4));
}

void aurora(QPainter& p, Rng& rng)
{
    sky(p, {{0.0, QColor(6, 16, 26)}, {0.6, QColor(12, 36, 48)}, {1.0, QColor(20, 50, 60)}});
    stars(p, rng, 90, 160, QColor(220, 255, 240));
    QImage lights = layer();
    {
        QPainter q(&lights);
        q.setRenderHint(QPainter::Antialiasing);
        const qreal ph1 = rng.range(0, 6), ph2 = rng.range(0, 6);
        for (int x = 0; x < kW; ++x) {
            const qreal top = 40 + 18 * std::sin(x * 0.025 + ph1) + 8 * std::sin(x * 0.07 + ph2);
            const qreal bright = 0.5 + 0.5 * std::sin(x * 0.05 + ph2);
            const int a = static_cast<int>(40 + 70 * bright);
            q.fillRect(QRectF(x, top, 1, 70),
                       vertical(top, top + 70, {{0.0, QColor(140, 90, 200, 0)}, {0.25, QColor(120, 120, 200, a / 2)},
                                                {0.75, QColor(60, 230, 150, a)}, {1.0, QColor(60, 230, 150, 0)}}));
        }
    }
    boxBlur(lights, 2);
    p.drawImage(0, 0, lights);
    const auto hills = profile(rng, 170, 20, 110);
    ridge(p, hills, QColor(14, 30, 36));
    forest(p, rng, hills, 14, 26, 9, QColor(10, 22, 28));
    p.fillRect(QRectF(0, 196, kW, kH - 196), vertical(196, kH, {{0.0, QColor(16, 44, 52)}, {1.0, QColor(6, 16, 22)}}));
    QImage mirrored = lights.mirrored(false, true);
    p.setOpacity(0.35);
    p.drawImage(QRectF(0, 196, kW, 56), mirrored, QRectF(0, kH - 170, kW, 56));
    p.setOpacity(1.0);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 40; ++i) {
        p.setBrush(QColor(160, 220, 210, 30));
        p.drawRect(QRectF(rng.range(0, kW), rng.range(198, 250), rng.range(8, 24), 1));
    }
    ridge(p, profile(rng, 242, 4, 60), QColor(8, 18, 22));
}

void neonGrid(QPainter& p, Rng& rng)
{
    sky(p, {{0.0, QColor(14, 6, 30)}, {0.55, QColor(60, 16, 70)}, {0.62, QColor(90, 30, 80)}, {1.0, QColor(20, 6, 30)}});
    stars(p, rng, 60, 100, QColor(255, 220, 255));
    const qreal horizon = 150;
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(70, 154, {{0.0, QColor(250, 200, 110)}, {1.0, QColor(220, 60, 130)}}));
    QPainterPath disk;
    disk.addEllipse(QPointF(139, 112), 42, 42);
    QPainterPath gaps;
    for (int i = 0; i < 6; ++i)
        gaps.addRect(QRectF(90, 118 + i * 6.0, 100, 1.0 + i * 0.6));
    p.setOpacity(0.55);
    p.drawPath(disk.subtracted(gaps));
    p.setOpacity(1.0);
    const auto hills = profile(rng, 142, 12, 70);
    ridge(p, hills, QColor(30, 10, 44));
    p.fillRect(QRectF(0, horizon, kW, kH - horizon), vertical(horizon, kH, {{0.0, QColor(30, 8, 46)}, {1.0, QColor(12, 4, 20)}}));
    p.setPen(QPen(QColor(230, 60, 200, 58), 1.0));
    for (int i = 1; i < 14; ++i) {
        const qreal y = horizon + std::pow(i / 13.0, 2.0) * (kH - horizon);
        p.drawLine(QPointF(0, y), QPointF(kW, y));
    }
    for (int i = -14; i <= 14; ++i)
        p.drawLine(QPointF(139 + i * 8, horizon), QPointF(139 + i * 60, kH));
    p.setPen(QPen(QColor(255, 110, 220, 120), 1.0));
    p.drawLine(QPointF(0, horizon), QPointF(kW, horizon));
}

using Theme = void (*)(QPainter&, Rng&);

struct Round {
    Theme paint;
    QColor numeral;
    int vignette;
};

const Round kRounds[] = {
    {duskHills, QColor(255, 220, 200), 90},   {nightCity, QColor(200, 215, 255), 70},
    {pineForest, QColor(210, 255, 230), 90},  {desertMoon, QColor(255, 230, 200), 90},
    {duskSea, QColor(210, 240, 255), 80},     {caverns, QColor(255, 220, 190), 120},
    {snowPeaks, QColor(230, 240, 255), 80},   {volcano, QColor(255, 190, 150), 100},
    {deepSpace, QColor(220, 200, 255), 60},   {underwater, QColor(200, 255, 255), 100},
    {castle, QColor(230, 220, 255), 90},      {factory, QColor(255, 230, 190), 100},
    {aurora, QColor(200, 255, 230), 80},      {neonGrid, QColor(255, 190, 250), 70},
};

} // namespace

QImage paintRound(int number)
{
    const Round& round = kRounds[(number - 1) % 14];
    QImage img(kW, kH, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    Rng rng(static_cast<std::uint64_t>(number) * 7919u);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        round.paint(p, rng);
        roundNumber(p, number, round.numeral);
        vignette(p, round.vignette);
    }
    return img;
}

namespace {

// A rounded tube lit from the upper left, so each side of the frame shades differently.
void paintFrame(QImage& img)
{
    const double lx = -0.45, ly = -0.6, lz = 0.66;
    for (int y = 0; y <= 271; ++y)
        for (int x = 180; x <= 479; ++x) {
            if (x >= 191 && x <= 468 && y >= 10 && y <= 261)
                continue;
            struct Side {
                double d, thick, ox, oy;
            };
            const Side sides[] = {{double(x - 180), 11, -1, 0}, {double(479 - x), 11, 1, 0},
                                  {double(y), 10, 0, -1}, {double(271 - y), 10, 0, 1}};
            const Side* s = &sides[0];
            for (const Side& c : sides)
                if (c.d / c.thick < s->d / s->thick)
                    s = &c;
            const double u = -1 + 2 * (s->d + 0.5) / s->thick;
            const double nz = std::sqrt(std::max(0.0, 1 - u * u * 0.8));
            const double nx = -u * s->ox, ny = -u * s->oy;
            const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
            const double lit = std::max(0.0, (nx * lx + ny * ly + nz * lz) / len);
            const double shine = std::pow(lit, 24);
            // Shade by blending along an orange-to-yellow ramp rather than darkening, so shadows stay warm.
            const double t = std::clamp(lit * 1.1 + 0.12 - 0.3 * y / 271.0, 0.0, 1.0);
            const QColor ramp = t < 0.5 ? mix(QColor(140, 44, 0), QColor(240, 128, 12), t * 2)
                                        : mix(QColor(240, 128, 12), QColor(255, 228, 80), t * 2 - 1);
            auto ch = [&](int c, int hi) { return std::clamp(static_cast<int>(c + hi * shine), 0, 255); };
            int r = ch(ramp.red(), 40), g = ch(ramp.green(), 40), b = ch(ramp.blue(), 120);
            if (s->d < 1 || s->d > s->thick - 2) {
                r = r * 5 / 10;
                g = g * 4 / 10;
                b = b * 3 / 10;
            }
            img.setPixel(x, y, qRgb(r, g, b));
        }
}

QPainterPath logoText(QRectF target)
{
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(64);
    font.setLetterSpacing(QFont::AbsoluteSpacing, -2);
    QPainterPath path;
    path.addText(0, 0, font, "BLASTRIX");
    QTransform shear;
    shear.shear(-0.18, 0);
    path = shear.map(path);
    const QRectF box = path.boundingRect();
    QTransform fit;
    fit.translate(target.left(), target.top());
    fit.scale(target.width() / box.width(), target.height() / box.height());
    fit.translate(-box.left(), -box.top());
    return fit.map(path);
}

void paintLogo(QImage& img)
{
    const QRectF box(10.5, 7.5, 159, 66);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    p.setPen(Qt::NoPen);
    p.setBrush(vertical(7, 74, {{0.0, QColor(46, 24, 70)}, {0.55, QColor(20, 10, 34)}, {1.0, QColor(8, 4, 14)}}));
    p.drawRoundedRect(box, 6, 6);
    QRadialGradient warm(90, 34, 70);
    warm.setColorAt(0.0, QColor(255, 110, 20, 60));
    warm.setColorAt(1.0, QColor(255, 110, 20, 0));
    p.setBrush(warm);
    p.drawRoundedRect(box, 6, 6);

    const QPainterPath text = logoText(QRectF(19, 14, 142, 33));

    QImage glow = layer(480, 272);
    {
        QPainter q(&glow);
        q.setRenderHint(QPainter::Antialiasing);
        q.setPen(QPen(QColor(255, 100, 0, 200), 4));
        q.setBrush(QColor(255, 100, 0, 200));
        q.drawPath(text);
    }
    boxBlur(glow, 3);
    p.save();
    p.setClipRect(box.adjusted(1, 1, -1, -1));
    p.drawImage(0, 0, glow);
    p.restore();

    // Lit fuse running under the word from a bomb to a spark: the name's promise in one line.
    QPainterPath fuse(QPointF(33, 58));
    fuse.cubicTo(60, 66, 80, 50, 104, 57);
    fuse.cubicTo(120, 62, 134, 60, 146, 55);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(30, 12, 0), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(fuse);
    p.setPen(QPen(QColor(215, 175, 110), 1.6, Qt::DashLine, Qt::RoundCap));
    p.drawPath(fuse);

    QRadialGradient shell(24, 55, 10);
    shell.setColorAt(0.0, QColor(140, 150, 190));
    shell.setColorAt(0.4, QColor(60, 64, 90));
    shell.setColorAt(1.0, QColor(16, 16, 26));
    p.setPen(QPen(QColor(5, 5, 10), 1.5));
    p.setBrush(shell);
    p.drawEllipse(QPointF(27, 61), 8, 8);
    p.setBrush(QColor(180, 185, 200));
    p.save();
    p.translate(33, 55);
    p.rotate(40);
    p.drawRoundedRect(QRectF(-3, -2, 6, 4), 1, 1);
    p.restore();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QPointF(24, 58), 1.6, 1.2);

    QRadialGradient flare(146, 55, 13);
    flare.setColorAt(0.0, QColor(255, 250, 200, 255));
    flare.setColorAt(0.25, QColor(255, 190, 60, 190));
    flare.setColorAt(1.0, QColor(255, 90, 0, 0));
    p.setBrush(flare);
    p.drawEllipse(QPointF(146, 55), 13, 13);
    QPolygonF rays;
    for (int i = 0; i < 16; ++i) {
        const double r = i % 2 ? 1.3 : (i % 4 ? 5.5 : 10.0);
        const double a = i * M_PI / 8 + 0.2;
        rays << QPointF(146 + r * std::cos(a), 55 + r * std::sin(a));
    }
    p.setBrush(QColor(255, 236, 150));
    p.drawPolygon(rays);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(146, 55), 2.0, 2.0);
    p.setBrush(QColor(255, 220, 120));
    for (const QPointF& ember : {QPointF(154, 49), QPointF(139, 47), QPointF(156, 60), QPointF(151, 64)})
        p.drawEllipse(ember, 0.7, 0.7);

    p.setPen(QPen(QColor(40, 8, 0), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(text.translated(1, 1.5));
    p.drawPath(text);
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(14, 47, {{0.0, QColor(255, 252, 215)}, {0.3, QColor(255, 222, 60)}, {0.62, QColor(255, 140, 10)},
                                 {1.0, QColor(215, 45, 10)}}));
    p.drawPath(text);
    p.save();
    p.setClipPath(text);
    p.fillRect(QRectF(0, 14, 200, 9), QColor(255, 255, 255, 55));
    p.restore();

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(vertical(7, 74, {{0.0, QColor(255, 220, 110)}, {1.0, QColor(200, 80, 10)}}), 1.0));
    p.drawRoundedRect(box, 6, 6);
    p.setPen(QPen(QColor(0, 0, 0, 150), 1.0));
    p.drawRoundedRect(box.adjusted(1, 1, -1, -1), 5, 5);
}

void paintPanel(QImage& img)
{
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF panel(4.5, 96.5, 170, 170);
    p.setPen(QPen(QColor(52, 44, 60), 1.0));
    p.setBrush(vertical(96, 267, {{0.0, QColor(18, 16, 26)}, {1.0, QColor(8, 8, 12)}}));
    p.drawRoundedRect(panel, 5, 5);
    p.setRenderHint(QPainter::Antialiasing, false);
    const char* caption = "OBJECTS";
    const int w = pixelTextWidth(caption, 2, 4);
    drawPixelText(p, 90 - w / 2, 101, caption, 2, 4, QColor(120, 104, 130), QColor(84, 72, 96));
    p.fillRect(QRect(12, 170, 156, 1), QColor(40, 34, 48));
    p.fillRect(QRect(12, 232, 156, 1), QColor(40, 34, 48));
}

} // namespace

QImage paintEditorBackground()
{
    QImage img(480, 272, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    paintFrame(img);
    paintLogo(img);
    paintPanel(img);
    {
        QPainter p(&img);
        const char* label = "LEVEL EDITOR";
        const int gap = 5, space = 16;
        const int x = 89 - pixelTextWidth(label, gap, space) / 2;
        drawPixelText(p, x + 1, 83, label, gap, space, QColor(70, 24, 0), QColor(70, 24, 0));
        drawPixelText(p, x, 82, label, gap, space, QColor(255, 222, 90), QColor(255, 130, 20));
    }
    return img;
}

} // namespace art
