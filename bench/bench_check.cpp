// Times blastrix-level: its check of fourteen rounds of a million lines in all against the editor's
// own loader on the same files, the SARIF report against the text one on rounds full of findings, a
// render of a round of 100,000 enemies, and the whole process checking the sample rounds.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "gamefolder.h"
#include "headlessservices.h"
#include "levelfile.h"
#include "locations.h"
#include "report.h"
#include "roundcheck.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kTotalLines = 1000000;
constexpr int kRenderEnemies = 100000;
constexpr int kFindingLines = 280000;
constexpr int kRuns = 5;
constexpr int kProcessRuns = 20;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The editor's loader with controls that show nothing: only the level code and the file are timed.
class LoaderServices : public level::LevelServices {
public:
    level::ObjectControl* MakeControl(level::PlacedObject&) override { return &controls_.emplace_back(); }
    void LoadPicture(level::ObjectControl&, const std::string&) override {}
    void DestroyControl(level::ObjectControl&) override {}
    void DestroyControls() override { controls_.clear(); }
    void ShowDialog(const std::string&, level::DialogType) override {}
    void SetBusyCursor(bool) override {}

private:
    std::deque<level::ObjectControl> controls_;
};

// A full round with enemies on the even grid that a drag reaches, `lines` lines in the order a
// save writes them, so that the check has nothing to report.
std::string RoundFile(int lines) {
    constexpr int kOthers = 1 + 20 + 10 + 2 + 10;
    const int enemies = lines - kOthers;
    std::string text = "start,230,180\r\n";
    for (int i = 0; i < enemies; ++i) {
        const int n = i < enemies / 2 ? i : i - enemies / 2;
        const std::string at = std::to_string(192 + 2 * (n % 120)) + "," + std::to_string(12 + 2 * (n / 120 % 110));
        text += i < enemies / 2 ? "malo1," + at + ",20,24,100,200,1\r\n" : "malo2," + at + ",32,26,1\r\n";
    }
    for (int i = 0; i < 20; ++i) text += "bomba," + std::to_string(200 + 12 * i) + ",40,14,18,1,500\r\n";
    for (int i = 0; i < 10; ++i) text += "moneda," + std::to_string(200 + 20 * i) + ",70,14,14,1,200\r\n";
    text += "boost,440,230,14,14,1,0\r\npower,420,230,14,14,1,0\r\n";
    for (int i = 0; i < 10; ++i) text += "plataforma,200," + std::to_string(100 + 12 * i) + ",50,10,1,1\r\n";
    return text;
}

double RunProcess(const std::vector<std::string>& arguments, bool& ok) {
    std::vector<char*> argv;
    std::vector<std::string> copy = arguments;
    for (std::string& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    int status = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        ok = false;
    else
        waitpid(pid, &status, 0);
    const double seconds = SecondsSince(start);
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ok = false;
    return seconds;
}

}  // namespace

int main() {
    char pattern[] = "/tmp/blastrix-bench-check-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const fs::path root = pattern;
    const fs::path source = BLASTRIX_SOURCE_DIR;
    fs::create_directories(root / "levels");
    fs::copy(source / "data", root / "data");
    for (int round = level::kFirstRound; round <= level::kRoundCount; ++round) {
        const std::string n = std::to_string(round);
        fs::copy_file(source / "levels" / ("Level" + n + ".png"), root / "levels" / ("Level" + n + ".png"));
        const int lines = kTotalLines / level::kRoundCount + (round <= kTotalLines % level::kRoundCount ? 1 : 0);
        std::ofstream(root / "levels" / ("Level" + n + ".lev"), std::ios::binary) << RoundFile(lines);
    }
    bool ok = true;
    const std::string directory = root.string() + "/";

    double bestLoad = std::numeric_limits<double>::max();
    double bestCheck = bestLoad;
    std::size_t objects = 0;
    std::size_t findings = 0;
    for (int run = 0; run < kRuns; ++run) {
        LoaderServices loaderServices;
        Clock::time_point start = Clock::now();
        objects = 0;
        for (int round = level::kFirstRound; round <= level::kRoundCount; ++round) {
            level::Level lvl(loaderServices, directory);
            level::LoadLevel(lvl, round);
            objects += lvl.ObjectCount();
        }
        bestLoad = std::min(bestLoad, SecondsSince(start));

        start = Clock::now();
        const GameFolder folder(directory);
        HeadlessServices services(folder.ProgramDirectory());
        std::string out;
        findings = 0;
        for (int round = level::kFirstRound; round <= level::kRoundCount; ++round) {
            const RoundReport report = CheckRound(folder, services, round);
            for (const Finding& f : report.findings) AppendText(out, f);
            findings += report.findings.size();
        }
        bestCheck = std::min(bestCheck, SecondsSince(start));
    }
    if (objects != static_cast<std::size_t>(kTotalLines) || findings != 0) {
        std::fprintf(stderr, "loaded %zu objects, %zu findings\n", objects, findings);
        ok = false;
    }
    double bestCheckProcess = std::numeric_limits<double>::max();
    for (int run = 0; run < kRuns; ++run)
        bestCheckProcess =
            std::min(bestCheckProcess, RunProcess({BLASTRIX_LEVEL_EXE, "-C", root.string(), "check"}, ok));

    // Every line a finding, for the cost of each format: an enemy at an odd left coordinate.
    for (int round = level::kFirstRound; round <= level::kRoundCount; ++round) {
        std::string text = "start,230,180\r\nbomba,200,40,14,18,1,500\r\n";
        for (int i = 0; i < kFindingLines / level::kRoundCount; ++i)
            text += "malo1," + std::to_string(193 + 2 * (i % 120)) + "," + std::to_string(12 + 2 * (i / 120 % 110)) +
                    ",20,24,100,200,1\r\n";
        std::ofstream(root / "levels" / ("Level" + std::to_string(round) + ".lev"), std::ios::binary | std::ios::trunc)
            << text;
    }
    double bestText = std::numeric_limits<double>::max();
    double bestSarif = bestText;
    for (int run = 0; run < kRuns; ++run) {
        bestText = std::min(bestText, RunProcess({BLASTRIX_LEVEL_EXE, "-C", root.string(), "check"}, ok));
        bestSarif = std::min(bestSarif,
                             RunProcess({BLASTRIX_LEVEL_EXE, "-C", root.string(), "check", "--format", "sarif"}, ok));
    }

    std::string enemies = "start,230,180\r\n";
    for (int i = 0; i < kRenderEnemies; ++i)
        enemies +=
            "malo1," + std::to_string(180 + i % 300) + "," + std::to_string(i / 300 % 270) + ",20,24,100,200,1\r\n";
    std::ofstream(root / "levels" / "Level1.lev", std::ios::binary | std::ios::trunc) << enemies;
    const std::string picture = (root / "round1.png").string();
    double bestRender = std::numeric_limits<double>::max();
    for (int run = 0; run < kRuns; ++run)
        bestRender = std::min(bestRender,
                              RunProcess({BLASTRIX_LEVEL_EXE, "-C", root.string(), "render", "1", "-o", picture}, ok));

    std::vector<double> samples;
    for (int run = 0; run < kProcessRuns; ++run)
        samples.push_back(RunProcess({BLASTRIX_LEVEL_EXE, "-C", BLASTRIX_SAMPLE_DIR, "check"}, ok));
    std::sort(samples.begin(), samples.end());
    fs::remove_all(root);
    if (!ok) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }

    const double ratio = bestCheck / bestLoad;
    std::printf("check of 14 rounds, %d lines in all; best of %d runs\n", kTotalLines, kRuns);
    std::printf("editor's loader    %7.3f s\n", bestLoad);
    std::printf("check              %7.3f s   %.2f x the loader (target <= 1.5 x and < 1 s)\n", bestCheck, ratio);
    std::printf("check, process     %7.3f s   (start to exit, with the report)\n", bestCheckProcess);
    std::printf("check of %d findings, process: text %.3f s, sarif %.3f s   %.2f x the text (target <= 1.1 x)\n",
                kFindingLines / level::kRoundCount * level::kRoundCount, bestText, bestSarif, bestSarif / bestText);
    std::printf("render of %d enemies, process %7.3f s   (target < 1 s)\n", kRenderEnemies, bestRender);
    std::printf(
        "check of the sample rounds, process start to exit: best %.1f ms, median %.1f ms of %d   (target < 50 ms)\n",
        samples.front() * 1000, samples[samples.size() / 2] * 1000, kProcessRuns);
    const bool met = ratio <= 1.5 && bestCheck < 1 && bestSarif <= 1.1 * bestText && bestRender < 1 &&
                     samples[samples.size() / 2] < 0.05;
    std::printf("%s\n", met ? "targets met" : "targets missed");
    return met ? 0 : 2;
}
