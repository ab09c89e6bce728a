// Times diff on two rounds of 100,000 enemies: the comparison inside the process for four kinds of
// change, and the whole process with its peak memory at 100,000 and 200,000 objects.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "leveldiff.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kObjects = 100000;
constexpr int kRuns = 5;

struct Place {
    int left;
    int top;
};

std::string File(const std::vector<Place>& places) {
    std::string out = "start,320,120\r\n";
    for (const Place& p : places)
        out += "malo1," + std::to_string(p.left) + "," + std::to_string(p.top) + ",20,24,100,200,1\r\n";
    return out;
}

std::vector<Place> Grid(int count) {
    std::vector<Place> places;
    for (int i = 0; i < count; ++i) places.push_back({200 + 2 * (i % 1000), 20 + 2 * (i / 1000)});
    return places;
}

// 1,000 moves, 500 deletions and 500 additions at random.
std::vector<Place> Edited(std::vector<Place> places) {
    std::mt19937 random(16);
    for (int i = 0; i < 1000; ++i) places[random() % places.size()].left += 1;
    for (int i = 0; i < 500; ++i) places.erase(places.begin() + static_cast<long>(random() % places.size()));
    for (int i = 0; i < 500; ++i) places.push_back({5000 + i, 5000});
    return places;
}

std::vector<Place> AllMoved(std::vector<Place> places) {
    for (Place& p : places) p.top += 1;
    return places;
}

// Runs of 256 objects between unchanged ones, each losing one: every run is paired by distance.
std::vector<Place> UnevenRuns(const std::vector<Place>& places) {
    std::vector<Place> out;
    for (std::size_t i = 0; i < places.size(); ++i) {
        if (i % 257 == 0) {
            out.push_back(places[i]);
        } else if (i % 257 != 1) {
            out.push_back({places[i].left + 1, places[i].top});
        }
    }
    return out;
}

// 1,000 objects dragged anywhere: as many as are paired by the least distance moved over the whole kind.
std::vector<Place> Scattered(std::vector<Place> places) {
    std::mt19937 random(21);
    for (int i = 0; i < 1000; ++i) places[static_cast<std::size_t>(i) * 97] = {201 + 2 * static_cast<int>(random() % 140), 21 + 2 * static_cast<int>(random() % 126)};
    return places;
}

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void TimeComparison(const char* name, const std::string& before, const std::string& after) {
    double best = std::numeric_limits<double>::max();
    std::size_t changes = 0;
    for (int run = 0; run < kRuns; ++run) {
        const Clock::time_point start = Clock::now();
        changes = DiffObjects(LoadDiffFile(before), LoadDiffFile(after)).size();
        best = std::min(best, Seconds(start));
    }
    std::printf("%-34s %7zu changes  %6.3f s (load both and compare, best of %d)\n", name, changes, best, kRuns);
}

// Wall time and peak memory in kB of `blastrix-level diff` on the two files.
long TimeProcess(const fs::path& before, const fs::path& after, int objects) {
    std::vector<std::string> args = {BLASTRIX_LEVEL_EXE, "diff", before.string(), after.string()};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::perror("posix_spawn");
        return 0;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double seconds = Seconds(start);
    posix_spawn_file_actions_destroy(&actions);
    std::printf("blastrix-level diff, %6d objects  %6.3f s  peak %5.1f MB, exit %d\n", objects, seconds,
                static_cast<double>(usage.ru_maxrss) / 1024.0, WEXITSTATUS(status));
    return usage.ru_maxrss;
}

}  // namespace

int main() {
    const std::vector<Place> grid = Grid(kObjects);
    const std::string before = File(grid);
    std::printf("Two rounds of %d enemies each:\n", kObjects);
    TimeComparison("a designer's edits", before, File(Edited(grid)));
    TimeComparison("every object moved", before, File(AllMoved(grid)));
    TimeComparison("uneven runs paired by distance", before, File(UnevenRuns(grid)));
    TimeComparison("1,000 dragged anywhere, the nearest", before, File(Scattered(grid)));

    const fs::path directory = fs::temp_directory_path() / ("bench_diff_" + std::to_string(getpid()));
    fs::create_directories(directory);
    std::vector<long> peaks;
    for (const int objects : {kObjects, 2 * kObjects}) {
        const std::vector<Place> places = Grid(objects);
        std::ofstream(directory / "old.lev", std::ios::binary | std::ios::trunc) << File(places);
        std::ofstream(directory / "new.lev", std::ios::binary | std::ios::trunc) << File(Edited(places));
        peaks.push_back(TimeProcess(directory / "old.lev", directory / "new.lev", objects));
    }
    std::printf("memory for each further object: %.0f bytes (both files, both loads and the comparison)\n",
                static_cast<double>(peaks[1] - peaks[0]) * 1024.0 / kObjects);
    fs::remove_all(directory);
    return 0;
}
