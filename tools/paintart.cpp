#include "canvas.h"

#include <QDir>
#include <QGuiApplication>

#include <png.h>

#include "levelfile.h"

#include <cstdio>
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
    int tag;
    int left, top;
};

// Places nothing on a screen: the level model alone decides what a sample round holds.
class NoWindow : public level::LevelServices {
public:
    level::ObjectControl* MakeControl(level::PlacedObject&) override { return nullptr; }
    void LoadPicture(level::ObjectControl&, const std::string&) override {}
    void DestroyControl(level::ObjectControl&) override {}
    void DestroyControls() override {}
    void ShowDialog(const std::string& text, level::DialogType) override { fail("the level was refused: " + text); }
    void SetBusyCursor(bool) override {}
};

// The objects go through CreateObject, so the game's limits hold, and the file comes from the
// editor's own writer.
void writeLevel(const QString& path, const std::string& name, const std::vector<Placed>& objects)
{
    NoWindow window;
    level::Level round(window, std::string());
    std::vector<QRect> boxes;
    for (const Placed& o : objects) {
        const level::ObjectKind& kind = level::KindOf(o.tag);
        const std::string where = name + ": " + std::string(kind.keyword) + " at " + std::to_string(o.left) + "," +
                                  std::to_string(o.top);
        if (o.left % 2 || o.top % 2 || o.left < 192 || o.left > 468 - kind.width || o.top < 12 || o.top > 238)
            fail(where + " is off the grid or out of the area");
        // Overlapping objects would be unreadable in the editor and ambiguous in play.
        const QRect box(o.left, o.top, kind.width, kind.height);
        for (const QRect& other : boxes)
            if (box.intersects(other))
                fail(where + " overlaps another object");
        boxes.push_back(box);
        round.pendingX = o.left;
        round.pendingY = o.top;
        if (!round.CreateObject(o.tag))
            fail(where + " is past its kind's limit");
    }
    if (round.List(level::ListId::Hero).empty() || round.List(level::ListId::Bomb).empty())
        fail(name + ": a round needs a hero and a bomb");
    const std::string text = level::FormatLevel(round);
    FILE* f = std::fopen(QFile::encodeName(path).constData(), "wb");
    const bool written = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if ((f && std::fclose(f) != 0) || !written)
        fail(path.toStdString() + ": cannot write");
}

constexpr int kP50 = level::kPlatform50Tag, kP75 = level::kPlatform75Tag, kP100 = level::kPlatform100Tag;
constexpr int kHero = level::kHeroTag, kEnemy1 = level::kEnemy1Tag, kEnemy2 = level::kEnemy2Tag;
constexpr int kBomb = level::kBombTag, kCoin = level::kCoinTag, kBoost = level::kBoostTag, kPower = level::kPowerTag;

// Platforms first in each list so the pickups can be read as resting on them.
const std::vector<Placed> kLevel2 = {
    {kP75, 204, 204}, {kP50, 292, 176}, {kP100, 364, 146},
    {kP75, 270, 112}, {kP50, 200, 80}, {kP75, 376, 64},
    {kHero, 206, 238},
    {kEnemy1, 330, 238}, {kEnemy1, 420, 122},
    {kEnemy2, 306, 40},
    {kBomb, 226, 186}, {kBomb, 310, 158}, {kBomb, 446, 128},
    {kBomb, 296, 94}, {kBomb, 214, 62}, {kBomb, 430, 46},
    {kCoin, 250, 190}, {kCoin, 380, 132}, {kCoin, 398, 132},
    {kCoin, 320, 98}, {kCoin, 400, 50},
    {kBoost, 444, 238},
    {kPower, 234, 66},
};

const std::vector<Placed> kLevel3 = {
    {kP50, 210, 210}, {kP75, 288, 186}, {kP75, 388, 198},
    {kP100, 226, 150}, {kP50, 364, 156}, {kP100, 340, 108},
    {kP50, 220, 88}, {kP75, 290, 50},
    {kHero, 212, 238},
    {kEnemy1, 300, 126}, {kEnemy1, 420, 238}, {kEnemy1, 410, 84},
    {kEnemy2, 400, 30}, {kEnemy2, 226, 36},
    {kBomb, 230, 192}, {kBomb, 318, 168}, {kBomb, 440, 180},
    {kBomb, 380, 138}, {kBomb, 240, 132}, {kBomb, 356, 90},
    {kBomb, 236, 70}, {kBomb, 340, 32},
    {kCoin, 212, 196}, {kCoin, 296, 172}, {kCoin, 342, 172},
    {kCoin, 404, 184}, {kCoin, 264, 136}, {kCoin, 380, 94},
    {kCoin, 310, 36},
    {kBoost, 254, 74},
    {kPower, 340, 238},
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
        {"hero.png", "trom.png", hero, 24, 24}, {"enemy1.png", "malo1.png", enemy1, 20, 24},
        {"enemy2.png", "malo2.png", enemy2, 30, 22}, {"bomb.png", "bomba.png", bomb, 14, 18},
        {"coin.png", "moneda.png", coin, 14, 14}, {"boost.png", "boost.png", boost, 14, 14},
        {"power.png", "power.png", power, 14, 14}, {"platform50.png", "50.png", p50, 50, 10},
        {"platform75.png", "75.png", p75, 75, 10}, {"platform100.png", "100.png", p100, 100, 10},
    };
    for (const Out& s : sprites) {
        produce(root, QString("assets/") + s.asset, s.image, s.w, s.h, Alpha::Sprite);
        produce(root, QString("data/") + s.data, s.image, s.w, s.h, Alpha::Sprite);
    }
    produce(root, "assets/save.png", art::paintSave(), 16, 16, Alpha::Sprite);
    produce(root, "assets/load.png", art::paintLoad(), 16, 16, Alpha::Sprite);

    for (int n = 1; n <= 14; ++n)
        produce(root, QString("levels/Level%1.png").arg(n), art::paintRound(n), 278, 252, Alpha::Opaque);

    writeLevel(root + "/levels/Level2.lev", "Level2.lev", kLevel2);
    writeLevel(root + "/levels/Level3.lev", "Level3.lev", kLevel3);

    return g_failed ? 1 : 0;
}
