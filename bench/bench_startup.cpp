// Start-up time of the editor against an empty Qt window of the same size; the editor's start-up
// time and peak memory on a round of 100,000 enemies, and what destroying and creating them all
// costs when the round changes, the round is loaded again and the window closes.
//
//   bench_startup [--offscreen] [--runs N]
//
// Every measurement is a fresh process: this program starts itself in a child mode, which shows its
// window and reports the monotonic clock once the first frame is painted and the event loop has gone
// idle. Under a private Xvfb when one can be started, otherwise on Qt's offscreen platform.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QCoreApplication>
#include <QEvent>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "artwork.h"
#include "filelookup.h"
#include "locations.h"
#include "paintcounter.h"
#include "programdirectory.h"
#include "tapplication.h"
#include "unit1.h"
#include "xserver.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kDefaultRuns = 10;
constexpr int kManyEnemies = 100000;

long long MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

long PeakRssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// Waits for the first paint of `watched`, then for the event loop to run dry once, then reports.
class ReadyProbe : public QObject {
public:
    ReadyProbe(QWidget* watched, std::function<void()> whenIdle) : whenIdle_(std::move(whenIdle)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            QTimer::singleShot(0, this, [this] { whenIdle_(); });
        }
        return false;
    }

private:
    std::function<void()> whenIdle_;
    bool painted_ = false;
};

void PrintReady(long long readyNs) {
    // Asking the display server where the pointer is waits for it to have handled everything sent
    // before, the first frame included: then the frame is on the screen.
    static_cast<void>(QCursor::pos());
    const long long onScreenNs = MonotonicNs();
    std::printf("ready %lld rss %ld onscreen %lld\n", readyNs, PeakRssKb(), onScreenNs);
    std::fflush(stdout);
}

[[noreturn]] void Report(long long readyNs) {
    PrintReady(readyNs);
    // The measurement is taken; tearing down the window would only delay the next run.
    _exit(0);
}

int ChildMinimal(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setFixedSize(TForm1::kClientWidth, TForm1::kClientHeight);
    ReadyProbe probe(&window, [] { Report(MonotonicNs()); });
    window.show();
    return application.exec();
}

// The empty window with what no editor can start without: the window's font loaded and shaped for
// the label's text, and the built-in pictures and round 1's picture decoded.
int ChildFloor(int argc, char** argv, std::string programDirectory) {
    QApplication application(argc, argv);
    if (programDirectory.empty() || programDirectory.back() != '/') programDirectory += '/';
    QWidget window;
    window.setFixedSize(TForm1::kClientWidth, TForm1::kClientHeight);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    window.setFont(font);
    QLabel label(QString::fromLatin1(kMakersAddress), &window);
    label.adjustSize();
    std::vector<QImage> pictures;
    for (const char* name : {"background", "hero", "enemy1", "enemy2", "bomb", "coin", "boost", "power", "platform50",
                             "platform75", "platform100", "save", "load"})
        pictures.push_back(artwork::Embedded(name));
    pictures.push_back(artwork::FromFile(
        level::LocateBackground(programDirectory, level::kFirstRound, level::BackgroundSpelling::Startup).onDisk));
    ReadyProbe probe(&window, [] { Report(MonotonicNs()); });
    window.show();
    return application.exec();
}

// Milliseconds from running `command` until the stage has painted the result and the events it
// brought are handled.
double TimeUntilPainted(QWidget* viewport, const std::function<void()>& command) {
    const PaintCounter paints(viewport);
    const long long start = MonotonicNs();
    command();
    const long long limit = start + 5000000000LL;
    while (paints.Count() == 0 && MonotonicNs() < limit) QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    return static_cast<double>(MonotonicNs() - start) / 1e6;
}

// The round on screen is the crowded round 1 and round 2 is empty: each whole-level command once,
// each destroying or creating every object, then the window closes.
[[noreturn]] void ReportRounds(std::unique_ptr<TForm1> form) {
    QWidget* viewport = form->Stage()->viewport();
    QAction* next = form->PopupMenu1()->actions().at(0);
    QAction* previous = form->PopupMenu1()->actions().at(1);
    const double toEmpty = TimeUntilPainted(viewport, [next] { next->trigger(); });
    const double back = TimeUntilPainted(viewport, [previous] { previous->trigger(); });
    const double reload = TimeUntilPainted(viewport, [&form] { emit form->cargar()->DoubleClicked(); });
    const long long start = MonotonicNs();
    form->close();
    form.reset();
    const double close = static_cast<double>(MonotonicNs() - start) / 1e6;
    std::printf("rounds %.3f %.3f %.3f %.3f rss %ld\n", toEmpty, back, reload, close, PeakRssKb());
    std::fflush(stdout);
    _exit(0);
}

int ChildEditor(int argc, char** argv, std::string programDirectory, bool crowded) {
    TApplication application(argc, argv);
    if (programDirectory.empty() || programDirectory.back() != '/') programDirectory += '/';
    auto form = std::make_unique<TForm1>(programDirectory);
    QWidget* viewport = form->Stage()->viewport();
    ReadyProbe probe(viewport, [&] {
        if (!crowded) Report(MonotonicNs());
        const QPointF local(250, 100);
        QMouseEvent move(QEvent::MouseMove, local, viewport->mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &move);
        QCoreApplication::processEvents();
        PrintReady(MonotonicNs());
        ReportRounds(std::move(form));
    });
    form->show();
    return application.exec();
}

// Times in milliseconds of the whole-level commands on the crowded round.
struct Rounds {
    double toEmpty = 0, back = 0, reload = 0, close = 0;
    long rssKb = 0;
};

struct Sample {
    double ms;
    long rssKb;
    double onScreenMs;
    std::optional<Rounds> rounds;
};

std::vector<std::string> ChildEnvironment(const std::string& display) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (name == "DISPLAY" || name == "QT_QPA_PLATFORM" || name == "WAYLAND_DISPLAY") continue;
        env.push_back(entry);
    }
    if (display.empty()) {
        env.push_back("QT_QPA_PLATFORM=offscreen");
    } else {
        env.push_back("QT_QPA_PLATFORM=xcb");
        env.push_back("DISPLAY=" + display);
    }
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// One child run, timed from just before its launch to its report.
std::optional<Sample> RunChild(const std::string& self, std::vector<std::string> args, std::vector<std::string> env) {
    args.insert(args.begin(), self);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(env);
    const long long start = MonotonicNs();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        return std::nullopt;
    }
    std::string output;
    char buffer[256];
    for (;;) {
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n > 0) output.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR) break;
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    long long ready = 0;
    long rss = 0;
    long long onScreen = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(output.c_str(), "ready %lld rss %ld onscreen %lld", &ready, &rss, &onScreen) != 3)
        return std::nullopt;
    Sample sample{static_cast<double>(ready - start) / 1e6, rss, static_cast<double>(onScreen - start) / 1e6,
                  std::nullopt};
    const std::size_t at = output.find("rounds ");
    Rounds rounds;
    if (at != std::string::npos && std::sscanf(output.c_str() + at, "rounds %lf %lf %lf %lf rss %ld", &rounds.toEmpty,
                                               &rounds.back, &rounds.reload, &rounds.close, &rounds.rssKb) == 5)
        sample.rounds = rounds;
    return sample;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 != 0 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Summary {
    double medianMs = 0, minMs = 0, maxMs = 0;
    long peakRssKb = 0;
    // Medians of the runs that reported the whole-level commands.
    Rounds rounds;
    long roundsPeakRssKb = 0;
    double maxToEmpty = 0, maxClose = 0;
    std::vector<double> runTimes;  // in the order run
    double onScreenMs = 0;         // median until the display server has taken the first frame
};

// Runs each child command `runs` times, taking turns, so that a change in the machine's load
// falls on all of them alike; the summaries in the order of `commands`.
std::optional<std::vector<Summary>> Measure(const std::string& self, const std::vector<std::vector<std::string>>& commands,
                                            const std::vector<std::string>& env, int runs) {
    struct Series {
        std::vector<double> times, onScreen, toEmpty, back, reload, close;
        Summary summary;
    };
    std::vector<Series> series(commands.size());
    // One run of each first so that every measured one finds the files in the page cache.
    for (const std::vector<std::string>& args : commands)
        if (!RunChild(self, args, env)) return std::nullopt;
    for (int i = 0; i < runs; ++i) {
        for (std::size_t c = 0; c < commands.size(); ++c) {
            const std::optional<Sample> sample = RunChild(self, commands[c], env);
            if (!sample) return std::nullopt;
            Series& s = series[c];
            s.times.push_back(sample->ms);
            s.onScreen.push_back(sample->onScreenMs);
            s.summary.peakRssKb = std::max(s.summary.peakRssKb, sample->rssKb);
            if (const std::optional<Rounds>& r = sample->rounds) {
                s.toEmpty.push_back(r->toEmpty);
                s.back.push_back(r->back);
                s.reload.push_back(r->reload);
                s.close.push_back(r->close);
                s.summary.roundsPeakRssKb = std::max(s.summary.roundsPeakRssKb, r->rssKb);
                s.summary.maxToEmpty = std::max(s.summary.maxToEmpty, r->toEmpty);
                s.summary.maxClose = std::max(s.summary.maxClose, r->close);
            }
        }
    }
    std::vector<Summary> summaries;
    for (Series& s : series) {
        Summary& summary = s.summary;
        summary.runTimes = s.times;
        summary.onScreenMs = Median(s.onScreen);
        std::sort(s.times.begin(), s.times.end());
        summary.medianMs = Median(s.times);
        summary.minMs = s.times.front();
        summary.maxMs = s.times.back();
        summary.rounds =
            Rounds{Median(s.toEmpty), Median(s.back), Median(s.reload), Median(s.close), summary.roundsPeakRssKb};
        summaries.push_back(summary);
    }
    return summaries;
}

// A program directory like the sample one whose round 1 holds `count` first enemies spread over the
// area and whose round 2 has no level file.
fs::path MakeCrowdedProgram(const fs::path& sample, int count) {
    const fs::path directory = fs::temp_directory_path() / ("blastrix-bench-" + std::to_string(getpid()));
    fs::remove_all(directory);
    fs::create_directories(directory / "levels");
    fs::copy(sample / "data", directory / "data", fs::copy_options::recursive);
    // Round 2, the empty one the round change goes to, needs its background or a dialog would stop the run.
    for (const char* name : {"Level1.png", "Level2.png"}) {
        if (const auto background = files::FindEntryIgnoringCase((sample / "levels").string() + "/", name))
            fs::copy_file(sample / "levels" / *background, directory / "levels" / name);
    }
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> left(192, 468 - 20);
    std::uniform_int_distribution<int> top(12, 238);
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "malo1," + std::to_string(left(random)) + "," + std::to_string(top(random)) + ",20,24,100,200,1\r\n";
    std::ofstream(directory / "levels" / "Level1.lev", std::ios::binary) << text;
    return directory;
}

int Parent(int argc, char** argv) {
    bool offscreen = false;
    int runs = kDefaultRuns;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--offscreen") == 0) offscreen = true;
        else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
    }
    const std::string self = fs::canonical("/proc/self/exe").string();
    const fs::path sample = files::ExecutableDirectory();
    if (!fs::exists(sample / "data")) {
        std::fprintf(stderr, "no data/ beside %s: build blastrix-editor first\n", self.c_str());
        return 1;
    }

    std::optional<XServer> server;
    if (!offscreen) server.emplace();
    const std::string display = server ? server->Display() : std::string();
    const std::vector<std::string> env = ChildEnvironment(display);
    std::printf("platform: %s\n", display.empty() ? "offscreen (QT_QPA_PLATFORM=offscreen)"
                                                  : ("Xvfb " + display + " (xcb)").c_str());
    std::printf("runs: %d each, taking turns, after one warm-up run each; times from launch to first frame painted and "
                "event loop idle\n\n",
                runs);

    const std::optional<std::vector<Summary>> trio =
        Measure(self, {{"minimal"}, {"floor", sample.string()}, {"editor", sample.string()}}, env, runs);
    if (!trio) {
        std::fprintf(stderr, "a child run failed\n");
        return 1;
    }
    const Summary* minimal = &(*trio)[0];
    const Summary* floor = &(*trio)[1];
    const Summary* editor = &(*trio)[2];
    std::printf("empty Qt window 480x293   median %8.1f ms  (min %.1f, max %.1f)  peak RSS %.1f MB\n",
                minimal->medianMs, minimal->minMs, minimal->maxMs, static_cast<double>(minimal->peakRssKb) / 1024);
    std::printf("editor, sample round 1    median %8.1f ms  (min %.1f, max %.1f)  peak RSS %.1f MB\n",
                editor->medianMs, editor->minMs, editor->maxMs, static_cast<double>(editor->peakRssKb) / 1024);
    const double ratio = editor->medianMs / minimal->medianMs;
    std::vector<double> paired;
    for (std::size_t i = 0; i < editor->runTimes.size(); ++i) paired.push_back(editor->runTimes[i] / minimal->runTimes[i]);
    std::printf("ratio editor / empty      %.2fx   (target <= 1.2x: %s; median of the runs side by side %.2fx)\n",
                ratio, ratio <= 1.2 ? "met" : "MISSED", Median(paired));
    std::vector<double> floorPaired;
    for (std::size_t i = 0; i < floor->runTimes.size(); ++i)
        floorPaired.push_back(floor->runTimes[i] / minimal->runTimes[i]);
    std::printf("floor                     median %8.1f ms  (the empty window with the label's text in the window's\n"
                "                          font and the built-in and round-1 pictures decoded)\n",
                floor->medianMs);
    std::printf("ratio floor / empty       %.2fx   (side by side %.2fx); editor / floor %.2fx\n",
                floor->medianMs / minimal->medianMs, Median(floorPaired), editor->medianMs / floor->medianMs);
    std::printf("until the first frame is on the screen (medians): empty %.1f ms, floor %.1f ms, editor %.1f ms;\n"
                "                          editor / empty %.2fx, floor / empty %.2fx\n\n",
                minimal->onScreenMs, floor->onScreenMs, editor->onScreenMs, editor->onScreenMs / minimal->onScreenMs,
                floor->onScreenMs / minimal->onScreenMs);

    const fs::path crowded = MakeCrowdedProgram(sample, kManyEnemies);
    const std::optional<std::vector<Summary>> crowdedRuns = Measure(self, {{"editor-crowded", crowded.string()}}, env, runs);
    fs::remove_all(crowded);
    if (!crowdedRuns) {
        std::fprintf(stderr, "a child run failed\n");
        return 1;
    }
    const Summary* many = &crowdedRuns->front();
    const double peakMb = static_cast<double>(many->peakRssKb) / 1024;
    const double perObject = static_cast<double>(many->peakRssKb - editor->peakRssKb) * 1024 / kManyEnemies;
    std::printf("editor, %d enemies: shown, idle and answering a mouse move\n", kManyEnemies);
    std::printf("                          median %8.1f ms  (min %.1f, max %.1f)  (target < 1000 ms: %s)\n",
                many->medianMs, many->minMs, many->maxMs, many->medianMs < 1000 ? "met" : "MISSED");
    std::printf("                          peak RSS %.1f MB  (target < 130 MB: %s)\n", peakMb,
                peakMb < 130 ? "met" : "MISSED");
    std::printf("                          %.0f bytes per object over the sample round  (target < 1024: %s)\n",
                perObject, perObject < 1024 ? "met" : "MISSED");
    const Rounds& r = many->rounds;
    std::printf("whole-level commands on it, medians until painted (peak RSS after them %.1f MB):\n",
                static_cast<double>(many->roundsPeakRssKb) / 1024);
    std::printf("  Next Level to an empty round   %8.1f ms  (max %.1f; destroys them; target < 100 ms: %s)\n",
                r.toEmpty, many->maxToEmpty, r.toEmpty < 100 ? "met" : "MISSED");
    std::printf("  Previous Level back to them    %8.1f ms  (creates them)\n", r.back);
    std::printf("  Load over them                 %8.1f ms  (destroys and creates them)\n", r.reload);
    std::printf("  closing the window             %8.1f ms  (max %.1f; destroys them; target < 100 ms: %s)\n",
                r.close, many->maxClose, r.close < 100 ? "met" : "MISSED");
    const double destroying = std::max(r.toEmpty, r.close);
    std::printf("  destroying against creating    %.2fx  (target <= 1: %s)\n", destroying / r.back,
                destroying <= r.back ? "met" : "MISSED");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "minimal") == 0) return ChildMinimal(argc, argv);
    if (argc >= 3 && std::strcmp(argv[1], "floor") == 0) return ChildFloor(argc, argv, argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "editor") == 0) return ChildEditor(argc, argv, argv[2], false);
    if (argc >= 3 && std::strcmp(argv[1], "editor-crowded") == 0) return ChildEditor(argc, argv, argv[2], true);
    return Parent(argc, argv);
}
