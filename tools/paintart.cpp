#include "canvas.h"

#include <QDir>
#include <QGuiApplication>

#include <png.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

bool g_failed = false;

void fail(const std::string& what)
{
    std::fprintf(stderr, "paintart: %s\n", what.c_str());
    g_failed = true;
}

// Always colour type 6 / depth 8: the loaders in the editor and the game expect one layout.
bool writeRgba8(const QImage& image, const QString& path)
{
    QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    for (int y = 0; y < rgba.height(); ++y) {
        uchar* px = rgba.scanLine(y);
        for (int x = 0; x < rgba.width(); ++x, px += 4)
            if (px[3] == 0)
                px[0] = px[1] = px[2] = 0;
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(rgba.width());
    png.height = static_cast<png_uint_32>(rgba.height());
    png.format = PNG_FORMAT_RGBA;
    const QByteArray file = QFile::encodeName(path);
    if (!png_image_write_to_file(&png, file.constData(), 0, rgba.constBits(),
                                 static_cast<png_int_32>(rgba.bytesPerLine()), nullptr)) {
        fail(path.toStdString() + ": " + png.message);
        png_image_free(&png);
        return false;
    }
    return true;
}

// Reads the file back rather than trusting the writer, so a wrong layout can never ship.
void verifyFile(const QString& path, int w, int h)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    FILE* f = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!f || setjmp(png_jmpbuf(png))) {
        fail(path.toStdString() + ": cannot read back");
        if (f)
            std::fclose(f);
        png_destroy_read_struct(&png, &info, nullptr);
        return;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    const auto width = static_cast<int>(png_get_image_width(png, info));
    const auto height = static_cast<int>(png_get_image_height(png, info));
    const int type = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    std::fclose(f);
    png_destroy_read_struct(&png, &info, nullptr);
    if (width != w || height != h || type != PNG_COLOR_TYPE_RGBA || depth != 8)
        fail(path.toStdString() + ": got " + std::to_string(width) + "x" + std::to_string(height) + " type " +
             std::to_string(type) + " depth " + std::to_string(depth));
}

enum class Alpha { Sprite, Opaque };

void checkAlpha(const QImage& img, Alpha kind, const QString& name)
{
    const QImage a = img.convertToFormat(QImage::Format_ARGB32);
    int clear = 0, solid = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const int alpha = qAlpha(a.pixel(x, y));
            clear += alpha == 0;
            solid += alpha == 255;
        }
    const int all = a.width() * a.height();
    if (kind == Alpha::Opaque && solid != all)
        fail(name.toStdString() + ": must be opaque");
    if (kind == Alpha::Sprite) {
        const bool cornersClear = qAlpha(a.pixel(0, 0)) == 0 && qAlpha(a.pixel(a.width() - 1, 0)) == 0 &&
                                  qAlpha(a.pixel(0, a.height() - 1)) == 0 &&
                                  qAlpha(a.pixel(a.width() - 1, a.height() - 1)) == 0;
        if (!cornersClear || clear == 0 || solid == 0)
            fail(name.toStdString() + ": sprite needs a clear background and a solid body");
    }
}

// The editor draws the level straight onto this area, so any stray paint would show through.
void checkGameAreaBlack(const QImage& bg)
{
    const QImage a = bg.convertToFormat(QImage::Format_ARGB32);
    for (int y = 10; y <= 261; ++y)
        for (int x = 191; x <= 468; ++x)
            if (a.pixel(x, y) != qRgba(0, 0, 0, 255)) {
                fail("background.png: game area not black at " + std::to_string(x) + "," + std::to_string(y));
                return;
            }
}

void produce(const QString& root, const QString& rel, const QImage& img, int w, int h, Alpha kind)
{
    if (img.width() != w || img.height() != h) {
        fail(rel.toStdString() + ": painted at the wrong size");
        return;
    }
    checkAlpha(img, kind, rel);
    const QString path = root + "/" + rel;
    if (writeRgba8(img, path))
        verifyFile(path, w, h);
}

struct Placed {
    const char* kind;
    int left, top;
    int width = 0;
};

struct Kind {
    const char* name;
    int width, height;
    const char* tail;
};

// Listed in the order the level loader expects the groups; a null tail marks the platform.
const Kind kKinds[] = {
    {"start", 24, 24, ""},             {"malo1", 20, 24, ",20,24,100,200,1"}, {"malo2", 32, 26, ",32,26,1"},
    {"bomba", 14, 18, ",14,18,1,500"}, {"moneda", 14, 14, ",14,14,1,200"},    {"boost", 14, 14, ",14,14,1,0"},
    {"power", 14, 14, ",14,14,1,0"},   {"plataforma", 0, 10, nullptr},
};

bool writeLevel(const QString& path, const std::vector<Placed>& objects)
{
    std::string text;
    for (const Kind& kind : kKinds)
        for (const Placed& o : objects) {
            if (std::string(o.kind) != kind.name)
                continue;
            text += std::string(kind.name) + "," + std::to_string(o.left) + "," + std::to_string(o.top);
            if (kind.tail)
                text += kind.tail;
            else
                text += "," + std::to_string(o.width) + ",10,1," + std::to_string(o.width / 25 - 1);
            text += "\r\n";
        }
    FILE* f = std::fopen(QFile::encodeName(path).constData(), "wb");
    const bool written = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if ((f && std::fclose(f) != 0) || !written) {
        fail(path.toStdString() + ": cannot write");
        return false;
    }
    return true;
}

void checkLevel(const std::string& name, const std::vector<Placed>& objects)
{
    std::map<std::string, int> count;
    std::vector<QRect> boxes;
    for (const Placed& o : objects) {
        const Kind* kind = nullptr;
        for (const Kind& k : kKinds)
            if (o.kind == std::string(k.name))
                kind = &k;
        if (!kind) {
            fail(name + ": unknown object " + o.kind);
            continue;
        }
        ++count[o.kind];
        const int w = kind->tail ? kind->width : o.width;
        if (!kind->tail && w != 50 && w != 75 && w != 100)
            fail(name + ": platform width " + std::to_string(w));
        if (o.left % 2 || o.top % 2 || o.left < 192 || o.left > 468 - w || o.top < 12 || o.top > 238)
            fail(name + ": " + o.kind + " at " + std::to_string(o.left) + "," + std::to_string(o.top) +
                 " is off the grid or out of the area");
        // Overlapping objects would be unreadable in the editor and ambiguous in play.
        const QRect box(o.left, o.top, w, kind->height);
        for (const QRect& other : boxes)
            if (box.intersects(other))
                fail(name + ": " + o.kind + " at " + std::to_string(o.left) + "," + std::to_string(o.top) +
                     " overlaps another object");
        boxes.push_back(box);
    }
    if (count["start"] != 1 || count["bomba"] < 1 || count["bomba"] > 20 || count["moneda"] > 10 ||
        count["boost"] > 1 || count["power"] > 1 || count["plataforma"] > 10)
        fail(name + ": object counts out of range");
}

// Platforms first in each list so the pickups can be read as resting on them.
const std::vector<Placed> kLevel2 = {
    {"plataforma", 204, 204, 75},  {"plataforma", 292, 176, 50},  {"plataforma", 364, 146, 100},
    {"plataforma", 270, 112, 75},  {"plataforma", 200, 80, 50},   {"plataforma", 376, 64, 75},
    {"start", 206, 238},
    {"malo1", 330, 238},           {"malo1", 420, 122},
    {"malo2", 306, 40},
    {"bomba", 226, 186},           {"bomba", 310, 158},           {"bomba", 446, 128},
    {"bomba", 296, 94},            {"bomba", 214, 62},            {"bomba", 430, 46},
    {"moneda", 250, 190},          {"moneda", 380, 132},          {"moneda", 398, 132},
    {"moneda", 320, 98},           {"moneda", 400, 50},
    {"boost", 444, 238},
    {"power", 234, 66},
};

const std::vector<Placed> kLevel3 = {
    {"plataforma", 210, 210, 50},  {"plataforma", 288, 186, 75},  {"plataforma", 388, 198, 75},
    {"plataforma", 226, 150, 100}, {"plataforma", 364, 156, 50},  {"plataforma", 340, 108, 100},
    {"plataforma", 220, 88, 50},   {"plataforma", 290, 50, 75},
    {"start", 212, 238},
    {"malo1", 300, 126},           {"malo1", 420, 238},           {"malo1", 410, 84},
    {"malo2", 400, 30},            {"malo2", 226, 36},
    {"bomba", 230, 192},           {"bomba", 318, 168},           {"bomba", 440, 180},
    {"bomba", 380, 138},           {"bomba", 240, 132},           {"bomba", 356, 90},
    {"bomba", 236, 70},            {"bomba", 340, 32},
    {"moneda", 212, 196},          {"moneda", 296, 172},          {"moneda", 342, 172},
    {"moneda", 404, 184},          {"moneda", 264, 136},          {"moneda", 380, 94},
    {"moneda", 310, 36},
    {"boost", 254, 74},
    {"power", 340, 238},
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: paintart <repo-root>\n");
        return 2;
    }
    // Painting needs the font database but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QString root = QString::fromLocal8Bit(argv[1]);
    for (const char* dir : {"assets", "data", "levels"})
        if (!QDir(root).mkpath(dir)) {
            fail(std::string("cannot create ") + dir);
            return 1;
        }

    const QImage hero = art::paintHero(), enemy1 = art::paintEnemy1(), enemy2 = art::paintEnemy2();
    const QImage bomb = art::paintBomb(), coin = art::paintCoin(), boost = art::paintBoost(), power = art::paintPower();
    const QImage p50 = art::paintPlatform(50), p75 = art::paintPlatform(75), p100 = art::paintPlatform(100);

    const QImage background = art::paintEditorBackground();
    checkGameAreaBlack(background);
    produce(root, "assets/background.png", background, 480, 272, Alpha::Opaque);

    struct Out {
        const char* asset;
        const char* data;
        const QImage& image;
        int w, h;
    };
    const Out sprites[] = {
        {"hero.png", "trom.png", hero, 24, 24},     {"enemy1.png", "malo1.png", enemy1, 20, 24},
        {"enemy2.png", "malo2.png", enemy2, 30, 22}, {"bomb.png", "bomba.png", bomb, 14, 18},
        {"coin.png", "moneda.png", coin, 14, 14},   {"boost.png", "boost.png", boost, 14, 14},
        {"power.png", "power.png", power, 14, 14},  {"platform50.png", "50.png", p50, 50, 10},
        {"platform75.png", "75.png", p75, 75, 10},  {"platform100.png", "100.png", p100, 100, 10},
    };
    for (const Out& s : sprites) {
        produce(root, QString("assets/") + s.asset, s.image, s.w, s.h, Alpha::Sprite);
        produce(root, QString("data/") + s.data, s.image, s.w, s.h, Alpha::Sprite);
    }
    produce(root, "assets/save.png", art::paintSave(), 16, 16, Alpha::Sprite);
    produce(root, "assets/load.png", art::paintLoad(), 16, 16, Alpha::Sprite);

    for (int n = 1; n <= 14; ++n)
        produce(root, QString("levels/Level%1.png").arg(n), art::paintRound(n), 278, 252, Alpha::Opaque);

    checkLevel("Level2.lev", kLevel2);
    checkLevel("Level3.lev", kLevel3);
    writeLevel(root + "/levels/Level2.lev", kLevel2);
    writeLevel(root + "/levels/Level3.lev", kLevel3);

    return g_failed ? 1 : 0;
}
