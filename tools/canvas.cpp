#include "canvas.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace art {

Rng::Rng(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}

std::uint32_t Rng::next()
{
    // splitmix64: tiny, well mixed, and no distribution code that varies by library
    state_ += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
}

double Rng::uniform()
{
    return next() / 4294967296.0;
}

double Rng::range(double lo, double hi)
{
    return lo + (hi - lo) * uniform();
}

QColor mix(const QColor& a, const QColor& b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    auto lerp = [t](int x, int y) { return static_cast<int>(x + (y - x) * t + 0.5); };
    return QColor(lerp(a.red(), b.red()), lerp(a.green(), b.green()), lerp(a.blue(), b.blue()),
                  lerp(a.alpha(), b.alpha()));
}

QImage supersample(int w, int h, int scale, const std::function<void(QPainter&)>& paint)
{
    QImage big(w * scale, h * scale, QImage::Format_ARGB32_Premultiplied);
    big.fill(Qt::transparent);
    {
        QPainter p(&big);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        paint(p);
    }
    // Averaging premultiplied values keeps edge colours from darkening toward the transparent side.
    QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
    const int n = scale * scale;
    for (int y = 0; y < h; ++y) {
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            int sum[4] = {0, 0, 0, 0};
            for (int sy = 0; sy < scale; ++sy) {
                const auto* src = reinterpret_cast<const QRgb*>(big.constScanLine(y * scale + sy)) + x * scale;
                for (int sx = 0; sx < scale; ++sx) {
                    sum[0] += qAlpha(src[sx]);
                    sum[1] += qRed(src[sx]);
                    sum[2] += qGreen(src[sx]);
                    sum[3] += qBlue(src[sx]);
                }
            }
            dst[x] = qRgba((sum[1] + n / 2) / n, (sum[2] + n / 2) / n, (sum[3] + n / 2) / n, (sum[0] + n / 2) / n);
        }
    }
    return out;
}

namespace {

void blurLine(QRgb* line, int count, int stride, int radius, std::vector<QRgb>& tmp)
{
    tmp.resize(count);
    for (int i = 0; i < count; ++i)
        tmp[i] = line[i * stride];
    const int span = 2 * radius + 1;
    int acc[4] = {0, 0, 0, 0};
    auto at = [&](int i) { return tmp[std::clamp(i, 0, count - 1)]; };
    for (int i = -radius; i <= radius; ++i) {
        QRgb c = at(i);
        acc[0] += qAlpha(c); acc[1] += qRed(c); acc[2] += qGreen(c); acc[3] += qBlue(c);
    }
    for (int i = 0; i < count; ++i) {
        line[i * stride] = qRgba(acc[1] / span, acc[2] / span, acc[3] / span, acc[0] / span);
        QRgb in = at(i + radius + 1), out = at(i - radius);
        acc[0] += qAlpha(in) - qAlpha(out);
        acc[1] += qRed(in) - qRed(out);
        acc[2] += qGreen(in) - qGreen(out);
        acc[3] += qBlue(in) - qBlue(out);
    }
}

} // namespace

void boxBlur(QImage& img, int radius, int passes)
{
    Q_ASSERT(img.format() == QImage::Format_ARGB32_Premultiplied);
    std::vector<QRgb> tmp;
    const int w = img.width(), h = img.height();
    auto* bits = reinterpret_cast<QRgb*>(img.bits());
    const int stride = static_cast<int>(img.bytesPerLine() / 4);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < h; ++y)
            blurLine(bits + y * stride, w, 1, radius, tmp);
        for (int x = 0; x < w; ++x)
            blurLine(bits + x, h, stride, radius, tmp);
    }
}

namespace {

struct Glyph {
    char ch;
    const char* rows[7];
};

const Glyph kGlyphs[] = {
    {'B', {"#####.", "##..##", "##..##", "#####.", "##..##", "##..##", "#####."}},
    {'C', {".####.", "##..##", "##....", "##....", "##....", "##..##", ".####."}},
    {'D', {"#####.", "##..##", "##..##", "##..##", "##..##", "##..##", "#####."}},
    {'E', {"######", "##....", "##....", "#####.", "##....", "##....", "######"}},
    {'I', {"##", "##", "##", "##", "##", "##", "##"}},
    {'J', {"....##", "....##", "....##", "....##", "....##", "##..##", ".####."}},
    {'L', {"##....", "##....", "##....", "##....", "##....", "##....", "######"}},
    {'O', {".####.", "##..##", "##..##", "##..##", "##..##", "##..##", ".####."}},
    {'P', {"#####.", "##..##", "##..##", "#####.", "##....", "##....", "##...."}},
    {'R', {"#####.", "##..##", "##..##", "#####.", "##.##.", "##..##", "##..##"}},
    {'S', {".####.", "##..##", "##....", ".####.", "....##", "##..##", ".####."}},
    {'T', {"######", "..##..", "..##..", "..##..", "..##..", "..##..", "..##.."}},
    {'V', {"##...##", "##...##", ".##.##.", ".##.##.", ".##.##.", "..###..", "...#..."}},
};

const Glyph* glyphFor(char c)
{
    for (const Glyph& g : kGlyphs)
        if (g.ch == c)
            return &g;
    return nullptr;
}

} // namespace

int pixelTextWidth(const char* text, int gap, int space)
{
    int x = 0;
    bool first = true;
    for (const char* c = text; *c; ++c) {
        if (*c == ' ') {
            x += space;
            first = true;
            continue;
        }
        const Glyph* g = glyphFor(*c);
        if (!g)
            continue;
        if (!first)
            x += gap;
        x += static_cast<int>(std::strlen(g->rows[0]));
        first = false;
    }
    return x;
}

void drawPixelText(QPainter& p, int x, int y, const char* text, int gap, int space,
                   const QColor& top, const QColor& bottom)
{
    bool first = true;
    for (const char* c = text; *c; ++c) {
        if (*c == ' ') {
            x += space;
            first = true;
            continue;
        }
        const Glyph* g = glyphFor(*c);
        if (!g)
            continue;
        if (!first)
            x += gap;
        const int w = static_cast<int>(std::strlen(g->rows[0]));
        for (int r = 0; r < 7; ++r) {
            const QColor col = mix(top, bottom, r / 6.0);
            for (int i = 0; i < w; ++i)
                if (g->rows[r][i] == '#')
                    p.fillRect(QRectF(x + i, y + r, 1, 1), col);
        }
        x += w;
        first = false;
    }
}

void outlined(QPainter& p, const std::vector<Part>& parts, const QColor& ink, qreal width)
{
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ink, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (const Part& part : parts)
        p.drawPath(part.path);
    p.setPen(Qt::NoPen);
    for (const Part& part : parts) {
        p.setBrush(part.fill);
        p.drawPath(part.path);
    }
    p.restore();
}

QPainterPath ellipse(qreal x, qreal y, qreal w, qreal h)
{
    QPainterPath path;
    path.addEllipse(QRectF(x, y, w, h));
    return path;
}

QPainterPath roundRect(qreal x, qreal y, qreal w, qreal h, qreal r)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), r, r);
    return path;
}

QPainterPath polygon(std::initializer_list<QPointF> pts)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QVector<QPointF>(pts)));
    path.closeSubpath();
    return path;
}

QLinearGradient vertical(qreal y0, qreal y1, std::initializer_list<std::pair<qreal, QColor>> stops)
{
    QLinearGradient g(0, y0, 0, y1);
    for (const auto& s : stops)
        g.setColorAt(s.first, s.second);
    return g;
}

} // namespace art
