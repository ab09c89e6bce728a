// Time per frame of a drag over a crowded round: with 10,000 enemies on the stage, one bomb is
// dragged by 500 mouse moves, each timed from the move until the stage has painted the new frame.
//
//   bench_drag [--objects N] [--moves N]
//
// Runs on the platform Qt picks (QT_QPA_PLATFORM, or offscreen when there is no DISPLAY) and says which.

#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMouseEvent>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "filelookup.h"
#include "locations.h"
#include "paintcounter.h"
#include "programdirectory.h"
#include "unit1.h"

namespace {

namespace fs = std::filesystem;

constexpr int kDefaultObjects = 10000;
constexpr int kDefaultMoves = 500;
constexpr int kBombLeft = 200;
constexpr int kBombTop = 40;
constexpr QPoint kGrip{7, 9};

// A program directory with the sample sprites and a round 1 of `count` enemies and, above them all, one bomb.
fs::path MakeProgram(int count) {
    const fs::path sample = files::ExecutableDirectory();
    const fs::path directory = fs::temp_directory_path() / ("blastrix-drag-" + std::to_string(getpid()));
    fs::remove_all(directory);
    fs::create_directories(directory / "levels");
    fs::copy(sample / "data", directory / "data", fs::copy_options::recursive);
    if (const auto background = files::FindEntryIgnoringCase((sample / "levels").string() + "/", "Level1.png"))
        fs::copy_file(sample / "levels" / *background, directory / "levels" / "Level1.png");
    std::mt19937 random(4242);
    std::uniform_int_distribution<int> left(192, 468 - 20);
    std::uniform_int_distribution<int> top(12, 238);
    std::string text = "start,230,180\r\n";
    for (int i = 0; i < count; ++i)
        text += "malo1," + std::to_string(left(random)) + "," + std::to_string(top(random)) + ",20,24,100,200,1\r\n";
    text += "bomba," + std::to_string(kBombLeft) + "," + std::to_string(kBombTop) + ",14,18,1,500\r\n";
    std::ofstream(directory / "levels" / "Level1.lev", std::ios::binary) << text;
    return directory;
}

void Send(QWidget* viewport, QEvent::Type type, QPoint position, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(position), QPointF(viewport->mapToGlobal(position)), button, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &event);
}

double Percentile(const std::vector<double>& sorted, double p) {
    const std::size_t index = std::min(sorted.size() - 1, static_cast<std::size_t>(p * static_cast<double>(sorted.size())));
    return sorted[index];
}

}  // namespace

int main(int argc, char** argv) {
    int objects = kDefaultObjects;
    int moves = kDefaultMoves;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--objects") == 0) objects = std::max(0, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--moves") == 0) moves = std::max(1, std::atoi(argv[++i]));
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("DISPLAY") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);

    QApplication application(argc, argv);
    const fs::path directory = MakeProgram(objects);
    int status = 0;
    {
        TForm1 form(directory.string() + "/");
        const std::size_t placed = form.Level().ObjectCount();
        form.show();
        if (!QTest::qWaitForWindowExposed(&form)) {
            std::fprintf(stderr, "the window was not shown\n");
            status = 1;
        }
        QWidget* viewport = form.Stage()->viewport();
        PaintCounter paints(viewport);
        QCoreApplication::processEvents();

        const QPoint grip(kBombLeft + kGrip.x(), kBombTop + kGrip.y());
        Send(viewport, QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
        QCoreApplication::processEvents();

        std::vector<double> ms;
        int unpainted = 0;
        QElapsedTimer clock;
        QPoint lastTo = grip;
        for (int i = 1; i <= moves && status == 0; ++i) {
            // Back and forth across the area, two pixels a move so that every move is a new frame.
            const int phase = i % 200;
            const int step = phase < 100 ? phase : 200 - phase;
            const QPoint to = grip + QPoint(2 * step, step % 2 == 0 ? step : step + 1);
            lastTo = to;
            const int before = paints.Count();
            clock.start();
            Send(viewport, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
            while (paints.Count() == before && clock.elapsed() < 1000) QCoreApplication::processEvents();
            ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            if (paints.Count() == before) ++unpainted;
        }
        Send(viewport, QEvent::MouseButtonRelease, grip, Qt::LeftButton, Qt::NoButton);

        // The bomb must have followed the pointer, or the figures would time something else.
        const level::Bounds& bomb = form.Level().List(level::ListId::Bomb).front()->bounds;
        if (bomb.left != lastTo.x() - kGrip.x() || bomb.top != lastTo.y() - kGrip.y()) {
            std::fprintf(stderr, "the bomb ended at %d,%d, not under the pointer at %d,%d\n", bomb.left, bomb.top,
                         lastTo.x(), lastTo.y());
            status = 1;
        }
        if (status == 0 && !ms.empty()) {
            std::vector<double> sorted = ms;
            std::sort(sorted.begin(), sorted.end());
            double sum = 0;
            for (double v : ms) sum += v;
            std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
            std::printf("objects on the stage: %zu; moves: %zu (press, moves, release sent to the stage's viewport)\n",
                        placed, ms.size());
            std::printf("ms per move, until the stage has painted: median %.3f  p99 %.3f  mean %.3f  max %.3f\n",
                        Percentile(sorted, 0.5), Percentile(sorted, 0.99), sum / static_cast<double>(ms.size()),
                        sorted.back());
            std::printf("target median < 1 ms: %s\n", Percentile(sorted, 0.5) < 1.0 ? "met" : "MISSED");
            if (unpainted > 0) {
                std::printf("%d moves were never painted\n", unpainted);
                status = 1;
            }
        }
    }
    fs::remove_all(directory);
    return status;
}
