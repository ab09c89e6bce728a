// Drives the real editor in its own X server with the real pointer, the way a designer uses it,
// and checks what reaches the screen and the level file.

#include <fcntl.h>
#include <poll.h>
#include <png.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "pngdecoder.h"
#include "xserver.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kWait = 5s;
constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

struct Rgb {
    int r, g, b;
};

// The background of round 1 and of round 2, which the test paints itself.
constexpr Rgb kRound1Colour{23, 91, 157};
constexpr Rgb kRound2Colour{171, 64, 29};

// The game area in client coordinates.
constexpr int kAreaLeft = 191;
constexpr int kAreaTop = 10;
constexpr int kAreaWidth = 278;
constexpr int kAreaHeight = 252;

// Double-clicking these (client coordinates) adds a bomb, saves and loads.
constexpr int kBombPaletteX = 8 + 7, kBombPaletteY = 240 + 9;
constexpr int kSaveX = 295 + 8, kSaveY = 272 + 4 + 8;
constexpr int kLoadX = 319 + 8, kLoadY = 272 + 3 + 8;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    const fs::path temporary = path.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    fs::rename(temporary, path);
}

std::optional<std::string> FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty()) continue;
        const std::string candidate = dir + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

void WriteSolidPng(const fs::path& path, int width, int height, Rgb colour) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
        pixels[i] = static_cast<std::uint8_t>(colour.r);
        pixels[i + 1] = static_cast<std::uint8_t>(colour.g);
        pixels[i + 2] = static_cast<std::uint8_t>(colour.b);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    ASSERT_NE(png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr), 0) << image.message;
}

// A program started with fork and exec; it dies with the test process and is ended by Stop.
class Child {
public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { Stop(); }

    // `outputFd` becomes the child's standard output (-1: /dev/null), `extraFd` its fd 3 (-1: none).
    bool Start(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::string& directory,
               int outputFd = -1, int extraFd = -1, const std::string& errorLog = "/dev/null") {
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ < 0) return false;
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent) _exit(127);
            const int nullFd = open("/dev/null", O_RDWR);
            const int errFd = open(errorLog.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            dup2(nullFd, 0);
            dup2(outputFd >= 0 ? outputFd : nullFd, 1);
            dup2(errFd >= 0 ? errFd : nullFd, 2);
            if (extraFd >= 0) dup2(extraFd, 3);
            if (chdir(directory.c_str()) != 0) _exit(127);
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        return true;
    }

    bool Running() {
        if (pid_ <= 0) return false;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            status_ = status;
            return false;
        }
        return true;
    }

    // Waits up to `limit` for the child to end; its wait status, or nothing.
    std::optional<int> Wait(std::chrono::milliseconds limit) {
        const auto deadline = Clock::now() + limit;
        while (Running()) {
            if (Clock::now() >= deadline) return std::nullopt;
            std::this_thread::sleep_for(2ms);
        }
        return status_;
    }

    void Stop() {
        if (!Running()) return;
        kill(pid_, SIGTERM);
        if (Wait(1s)) return;
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int status_ = 0;
};

// Runs a program to its end within `limit`; its standard output if it exits with 0.
std::optional<std::string> RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& env,
                               std::chrono::milliseconds limit = 5s) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    Child child;
    const bool started = child.Start(args, env, "/", fds[1]);
    close(fds[1]);
    std::string output;
    const auto deadline = Clock::now() + limit;
    bool open = started;
    while (open) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) break;
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char buffer[4096];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) open = false;
        else output.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    if (!started) return std::nullopt;
    const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const std::optional<int> status = child.Wait(std::max(remaining, 1ms));
    if (!status || !WIFEXITED(*status) || WEXITSTATUS(*status) != 0) return std::nullopt;
    return output;
}

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit = kWait) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        if (condition()) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
}

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

class Screenshot {
public:
    explicit Screenshot(files::RgbaImage image) : image_(std::move(image)) {}
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < image_.width && y < image_.height; }
    Rgb At(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(image_.width) +
                               static_cast<std::size_t>(x)) * 4;
        return {image_.pixels[i], image_.pixels[i + 1], image_.pixels[i + 2]};
    }

private:
    files::RgbaImage image_;
};

// A sprite of data/, and where its opaque pixels are.
struct Sprite {
    std::string file;
    files::RgbaImage image;

    bool Opaque(int x, int y) const { return image.pixels[Index(x, y) + 3] == 255; }
    Rgb At(int x, int y) const {
        const std::size_t i = Index(x, y);
        return {image.pixels[i], image.pixels[i + 1], image.pixels[i + 2]};
    }

private:
    std::size_t Index(int x, int y) const {
        return (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + static_cast<std::size_t>(x)) * 4;
    }
};

class EditorE2E : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<const char*> tools = {"Xvfb", "xdotool", "xwininfo", "import"};
        if (windowManager_) tools.insert(tools.end(), {"openbox", "xprop"});
        for (const char* tool : tools) {
            const std::optional<std::string> path = FindOnPath(tool);
            if (!path) GTEST_SKIP() << tool << " is not installed";
            tools_[tool] = *path;
        }
        char pattern[] = "/tmp/blastrix-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        programDir_ = root_ / "Program Files" / "editor";
        fs::create_directories(programDir_ / "levels");
        fs::create_directories(programDir_ / "data");
        fs::create_directories(root_ / "runtime");
        fs::permissions(root_ / "runtime", fs::perms::owner_all);

        fs::copy_file(BLASTRIX_EDITOR_EXE, programDir_ / "blastrix-editor");
        const fs::path sourceData = fs::path(BLASTRIX_SOURCE_DIR) / "data";
        for (const char* name : {"trom.png", "malo1.png", "malo2.png", "bomba.png", "moneda.png", "boost.png",
                                 "power.png", "50.png", "75.png", "100.png"}) {
            ASSERT_TRUE(fs::exists(sourceData / name)) << "missing sample sprite " << (sourceData / name);
            fs::copy_file(sourceData / name, programDir_ / "data" / name);
        }
        WriteSolidPng(programDir_ / "levels" / "Level1.png", kAreaWidth, kAreaHeight, kRound1Colour);
        WriteSolidPng(programDir_ / "levels" / "Level2.png", kAreaWidth, kAreaHeight, kRound2Colour);
        WriteAll(LevelFile(), kRound1File);

        StartServer();
        ASSERT_FALSE(display_.empty()) << "no X server could be started";
        if (windowManager_) StartWindowManager();
        StartEditor();
    }

    void TearDown() override {
        editor_.Stop();
        windowManagerProcess_.Stop();
        server_.reset();
        if (!root_.empty()) {
            std::error_code ignored;
            fs::remove_all(root_, ignored);
        }
    }

    fs::path LevelFile() const { return programDir_ / "levels" / "Level1.lev"; }

    std::vector<std::string> Environment() const {
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('='));
            if (name == "DISPLAY" || name == "XAUTHORITY" || name == "WAYLAND_DISPLAY" || name == "QT_QPA_PLATFORM" ||
                name == "XDG_RUNTIME_DIR" || name == "SESSION_MANAGER")
                continue;
            env.push_back(entry);
        }
        if (!display_.empty()) env.push_back("DISPLAY=" + display_);
        env.push_back("QT_QPA_PLATFORM=xcb");
        env.push_back("XDG_RUNTIME_DIR=" + (root_ / "runtime").string());
        return env;
    }

    void StartServer() {
        server_ = std::make_unique<XServer>(std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24",
                                            (root_ / "xvfb.log").string());
        display_ = server_->Display();
    }

    // A real window manager, which frames the windows; it is ready once it announces itself on the root window.
    void StartWindowManager() {
        ASSERT_TRUE(windowManagerProcess_.Start({tools_["openbox"], "--sm-disable"}, Environment(), "/", -1, -1,
                                                (root_ / "openbox.log").string()));
        ASSERT_TRUE(WaitFor([&] {
            const std::optional<std::string> check =
                RunProgram({tools_["xprop"], "-root", "_NET_SUPPORTING_WM_CHECK"}, Environment());
            return check && check->find("window id") != std::string::npos;
        })) << "the window manager did not start: "
            << ReadAll(root_ / "openbox.log");
    }

    // The rectangle of a client window's frame on the screen, read from the X server: the child of the
    // root window that holds it (the window itself where nothing frames it).
    std::optional<Geometry> FrameGeometry(const std::string& window) {
        std::string id = window;
        for (int depth = 0; depth < 8; ++depth) {
            const std::optional<std::string> tree = RunProgram({tools_["xwininfo"], "-tree", "-id", id}, Environment());
            if (!tree) return std::nullopt;
            const auto field = [&](const std::string& name) {
                const auto at = tree->find(name);
                if (at == std::string::npos) return std::string();
                const auto start = at + name.size();
                return tree->substr(start, tree->find_first_of(" \n", start) - start);
            };
            const std::string rootId = field("Root window id: ");
            const std::string parent = field("Parent window id: ");
            if (parent.empty() || rootId.empty()) return std::nullopt;
            if (parent == rootId) break;
            id = parent;
        }
        return WindowGeometry(id);
    }

    // The copied editor, started from another directory, and its window once it shows round 1.
    void StartEditor() {
        ASSERT_TRUE(editor_.Start({(programDir_ / "blastrix-editor").string()}, Environment(), "/", -1, -1,
                                  (root_ / "editor.log").string()));
        ASSERT_TRUE(WaitFor([&] {
            const std::optional<std::string> found = Xdotool({"search", "--onlyvisible", "--name", "Round: 1/14"});
            if (!found || found->empty()) return false;
            window_ = found->substr(0, found->find('\n'));
            return true;
        })) << "the editor's window did not appear; its log:\n"
            << ReadAll(root_ / "editor.log");
        Geometry previous{-1, -1, -1, -1};
        // Without a window manager the window places itself once it is shown.
        ASSERT_TRUE(WaitFor([&] {
            const std::optional<Geometry> now = WindowGeometry(window_);
            if (!now) return false;
            const bool settled = now->x == previous.x && now->y == previous.y && now->width == previous.width;
            previous = *now;
            return settled;
        }));
        origin_ = previous;
    }

    std::optional<std::string> Xdotool(std::vector<std::string> args) {
        args.insert(args.begin(), tools_["xdotool"]);
        return RunProgram(args, Environment());
    }

    // A window's rectangle on the screen as the X server has it, frame excluded.
    std::optional<Geometry> WindowGeometry(const std::string& window) {
        const std::optional<std::string> info = RunProgram({tools_["xwininfo"], "-id", window}, Environment());
        if (!info) return std::nullopt;
        const auto value = [&](const std::string& name) {
            const auto at = info->find(name);
            return at == std::string::npos ? -1 : std::atoi(info->c_str() + at + name.size());
        };
        const Geometry g{value("Absolute upper-left X:"), value("Absolute upper-left Y:"), value("Width:"), value("Height:")};
        if (g.width <= 0 || g.height <= 0) return std::nullopt;
        return g;
    }

    std::string Title() {
        std::string title = Xdotool({"getwindowname", window_}).value_or("");
        if (!title.empty() && title.back() == '\n') title.pop_back();
        return title;
    }

    // The editor's windows on screen other than the main one: its open menu, or a message box.
    std::vector<std::string> OtherWindows() {
        std::vector<std::string> others;
        const std::optional<std::string> found = Xdotool({"search", "--onlyvisible", "--class", "blastrix-editor"});
        std::istringstream ids(found.value_or(""));
        std::string id;
        while (std::getline(ids, id))
            if (!id.empty() && id != window_) others.push_back(id);
        return others;
    }

    std::string Describe(const std::vector<std::string>& windows) {
        std::string text;
        for (const std::string& w : windows) {
            std::string name = Xdotool({"getwindowname", w}).value_or("?");
            if (!name.empty() && name.back() == '\n') name.pop_back();
            text += " [" + name + "]";
        }
        return text;
    }

    void MoveTo(int clientX, int clientY) {
        ASSERT_TRUE(Xdotool({"mousemove", std::to_string(origin_.x + clientX), std::to_string(origin_.y + clientY)}));
    }

    void DoubleClick(int clientX, int clientY) {
        MoveTo(clientX, clientY);
        ASSERT_TRUE(Xdotool({"click", "--repeat", "2", "--delay", "60", "1"}));
    }

    void Button(const char* action, int button) { ASSERT_TRUE(Xdotool({action, std::to_string(button)})); }

    // Drags with the left button from a client point by (dx, dy) in `steps` even moves and a last one.
    void Drag(int fromX, int fromY, int dx, int dy, int steps) {
        MoveTo(fromX, fromY);
        Button("mousedown", 1);
        for (int i = 1; i <= steps; ++i) MoveTo(fromX + dx * i / steps / 2 * 2, fromY + dy * i / steps / 2 * 2);
        MoveTo(fromX + dx, fromY + dy);
        Button("mouseup", 1);
    }

    std::optional<Screenshot> Shot() {
        const std::string path = (root_ / "shot.png").string();
        if (!RunProgram({tools_["import"], "-silent", "-window", "root", "png:" + path}, Environment())) return std::nullopt;
        try {
            return Screenshot(files::DecodePngFile(path));
        } catch (const files::PngError&) {
            return std::nullopt;
        }
    }

    // Waits for a screenshot that passes `check`; the last one taken is left in `last`.
    template <typename Check>
    bool WaitForShot(Check check, std::optional<Screenshot>& last) {
        return WaitFor([&] {
            last = Shot();
            return last.has_value() && check(*last);
        });
    }

    // A sprite of the program's data/; it must have opaque pixels that stand out from round 1's background.
    Sprite LoadSprite(const std::string& file) {
        Sprite sprite{file, files::DecodePngFile((programDir_ / "data" / file).string())};
        int distinct = 0;
        for (int y = 0; y < sprite.image.height; ++y)
            for (int x = 0; x < sprite.image.width; ++x)
                if (sprite.Opaque(x, y) && !Near(sprite.At(x, y), kRound1Colour)) ++distinct;
        EXPECT_GT(distinct, 0) << file << " cannot be told from the background";
        return sprite;
    }

    // How many opaque pixels of the sprite, drawn with its left/top at the client point, differ on screen.
    int SpriteMismatches(const Screenshot& shot, const Sprite& sprite, int left, int top) const {
        int mismatches = 0;
        for (int y = 0; y < sprite.image.height; ++y) {
            for (int x = 0; x < sprite.image.width; ++x) {
                if (!sprite.Opaque(x, y)) continue;
                const int sx = origin_.x + left + x;
                const int sy = origin_.y + top + y;
                if (!shot.Contains(sx, sy) || !Near(shot.At(sx, sy), sprite.At(x, y))) ++mismatches;
            }
        }
        return mismatches;
    }

    bool SpriteShown(const Screenshot& shot, const Sprite& sprite, int left, int top) const {
        return SpriteMismatches(shot, sprite, left, top) == 0;
    }

    // Whether the rectangle of the game area shows nothing but the round's background.
    bool Bare(const Screenshot& shot, Rgb background, int left, int top, int width, int height) const {
        for (int y = top; y < top + height; ++y)
            for (int x = left; x < left + width; ++x)
                if (!Near(shot.At(origin_.x + x, origin_.y + y), background)) return false;
        return true;
    }

    static bool Near(Rgb a, Rgb b) {
        return std::abs(a.r - b.r) <= 2 && std::abs(a.g - b.g) <= 2 && std::abs(a.b - b.b) <= 2;
    }

    // Opens the context menu with a right press and release at a client point; returns its window.
    std::string OpenMenu(int clientX, int clientY, Geometry& menu) { return OpenMenu(clientX, clientY, clientX, clientY, menu); }

    // The same with the right button pressed at one client point and released at another.
    std::string OpenMenu(int pressX, int pressY, int clientX, int clientY, Geometry& menu) {
        RightPressAndRelease(pressX, pressY, clientX, clientY);
        std::string id;
        EXPECT_TRUE(WaitFor([&] {
            const std::vector<std::string> others = OtherWindows();
            if (others.size() != 1) return false;
            id = others.front();
            return true;
        })) << "no menu opened";
        if (id.empty()) return id;
        const std::optional<Geometry> g = WindowGeometry(id);
        EXPECT_TRUE(g.has_value());
        if (g) menu = *g;
        EXPECT_EQ(menu.x, origin_.x + clientX) << "the menu opens at the pointer";
        EXPECT_EQ(menu.y, origin_.y + clientY) << "the menu opens at the pointer";
        return id;
    }

    void RightPressAndRelease(int pressX, int pressY, int releaseX, int releaseY) {
        MoveTo(pressX, pressY);
        Button("mousedown", 3);
        if (releaseX != pressX || releaseY != pressY) MoveTo(releaseX, releaseY);
        std::this_thread::sleep_for(150ms);
        const std::vector<std::string> early = OtherWindows();
        EXPECT_TRUE(early.empty()) << "a window opened before the right button was released:" << Describe(early);
        Button("mouseup", 3);
    }

    // Clicks item `index` of a menu of `count` items of equal height.
    void ChooseMenuItem(const Geometry& menu, int index, int count) {
        const int x = menu.x + menu.width / 2;
        const int y = menu.y + menu.height * (2 * index + 1) / (2 * count);
        ASSERT_TRUE(Xdotool({"mousemove", std::to_string(x), std::to_string(y)}));
        ASSERT_TRUE(Xdotool({"click", "1"}));
        ASSERT_TRUE(WaitFor([&] { return OtherWindows().empty(); })) << "the menu stayed open";
    }

    struct FileStamp {
        ino_t inode;
        long long modified;
        bool operator==(const FileStamp& o) const { return inode == o.inode && modified == o.modified; }
    };

    static std::optional<FileStamp> Stamp(const fs::path& path) {
        struct stat st {};
        if (stat(path.c_str(), &st) != 0) return std::nullopt;
        return FileStamp{st.st_ino, static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
    }

    // Double-clicks the save icon and returns the level file once the editor has replaced it.
    std::string Save() {
        const std::string before = ReadAll(LevelFile());
        const std::optional<FileStamp> stamp = Stamp(LevelFile());
        DoubleClick(kSaveX, kSaveY);
        std::string after = before;
        // A save writes a new file and renames it over the old one, so the level file changes identity.
        const bool replaced = WaitFor([&] {
            const std::optional<FileStamp> now = Stamp(LevelFile());
            if (!now || now == stamp) return false;
            after = ReadAll(LevelFile());
            return true;
        });
        EXPECT_TRUE(replaced) << "the level file was not saved; other windows:" << Describe(OtherWindows());
        return after;
    }

    // Round 1 as the designer left it, in no particular order of kinds, one coordinate in hexadecimal.
    static constexpr const char* kRound1File =
        "plataforma,250,230,75,10,1,2\r\n"
        "moneda,300,200,14,14,1,200\r\n"
        "bomba,0xC8,40,14,18,1,500\r\n"
        "malo2,400,160,32,26,1\r\n"
        "power,420,230,14,14,1,0\r\n"
        "malo1,400,60,20,24,100,200,1\r\n"
        "start,230,180\r\n"
        "boost,440,230,14,14,1,0\r\n";

    bool windowManager_ = false;
    Child windowManagerProcess_;
    std::map<std::string, std::string> tools_;
    fs::path root_;
    fs::path programDir_;
    std::string display_;
    std::unique_ptr<XServer> server_;
    Child editor_;
    std::string window_;
    Geometry origin_;
};

TEST_F(EditorE2E, ShowsRoundOneWithItsObjectsWhereTheFileSaysFromAnyWorkingDirectory) {
    EXPECT_EQ(Title(), " Blastrix PSP - Level Editor  [Round: 1/14]");
    const std::optional<Geometry> size = WindowGeometry(window_);
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->width, 480);
    EXPECT_EQ(size->height, 293);

    struct Placed {
        const char* file;
        int left, top;
    };
    const Placed placed[] = {{"trom.png", 230, 180},   {"malo1.png", 400, 60},  {"malo2.png", 400, 160},
                             {"bomba.png", 200, 40},   {"moneda.png", 300, 200}, {"boost.png", 440, 230},
                             {"power.png", 420, 230},  {"75.png", 250, 230}};
    std::vector<Sprite> sprites;
    for (const Placed& p : placed) sprites.push_back(LoadSprite(p.file));

    std::optional<Screenshot> shot;
    const bool shown = WaitForShot(
        [&](const Screenshot& s) {
            for (std::size_t i = 0; i < sprites.size(); ++i)
                if (!SpriteShown(s, sprites[i], placed[i].left, placed[i].top)) return false;
            return true;
        },
        shot);
    ASSERT_TRUE(shot.has_value());
    for (std::size_t i = 0; i < sprites.size(); ++i)
        EXPECT_EQ(SpriteMismatches(*shot, sprites[i], placed[i].left, placed[i].top), 0)
            << placed[i].file << " at " << placed[i].left << "," << placed[i].top;
    EXPECT_TRUE(shown);

    // The background of the round fills the game area around the objects; a gap on the left of it is bare.
    EXPECT_TRUE(Bare(*shot, kRound1Colour, kAreaLeft, kAreaTop, 8, kAreaHeight));
    EXPECT_TRUE(Bare(*shot, kRound1Colour, 300, 20, 60, 30));
    EXPECT_FALSE(Near(shot->At(origin_.x + kAreaLeft - 1, origin_.y + 100), kRound1Colour));
    EXPECT_FALSE(Near(shot->At(origin_.x + kAreaLeft + kAreaWidth, origin_.y + 100), kRound1Colour));
}

TEST_F(EditorE2E, AddsABombDragsItOnTheEvenGridInsideTheAreaAndSavesIt) {
    const Sprite bomb = LoadSprite("bomba.png");
    std::optional<Screenshot> shot;
    ASSERT_TRUE(WaitForShot([&](const Screenshot& s) { return SpriteShown(s, bomb, 200, 40); }, shot));
    ASSERT_TRUE(Bare(*shot, kRound1Colour, 320, 120, 14, 18));

    DoubleClick(kBombPaletteX, kBombPaletteY);
    ASSERT_TRUE(WaitForShot([&](const Screenshot& s) { return SpriteShown(s, bomb, 320, 120); }, shot))
        << "no new bomb at 320,120";

    // 320 + 40 = 360 stays; 120 + 21 = 141 is odd and becomes 142.
    Drag(327, 129, 40, 21, 4);
    ASSERT_TRUE(WaitForShot([&](const Screenshot& s) { return SpriteShown(s, bomb, 360, 142); }, shot))
        << "the bomb is not at 360,142 after the drag";
    EXPECT_TRUE(Bare(*shot, kRound1Colour, 320, 120, 14, 18)) << "the bomb left a trace at its old place";

    const std::string expected =
        "start,230,180\r\n"
        "malo1,400,60,20,24,100,200,1\r\n"
        "malo2,400,160,32,26,1\r\n"
        "bomba,200,40,14,18,1,500\r\n"
        "bomba,360,142,14,18,1,500\r\n"
        "moneda,300,200,14,14,1,200\r\n"
        "boost,440,230,14,14,1,0\r\n"
        "power,420,230,14,14,1,0\r\n"
        "plataforma,250,230,75,10,1,2\r\n";
    EXPECT_EQ(Save(), expected);

    // Past the top right corner of the area it stops at left 468 - 14 and top 12.
    Drag(367, 151, 108, -146, 3);
    ASSERT_TRUE(WaitForShot([&](const Screenshot& s) { return SpriteShown(s, bomb, 454, 12); }, shot))
        << "the bomb did not stop in the corner of the area";
    std::string cornered = expected;
    cornered.replace(cornered.find("bomba,360,142"), 13, "bomba,454,12");
    EXPECT_EQ(Save(), cornered);
}

TEST_F(EditorE2E, RightClickOnAnObjectOffersDeleteItemWhichRemovesItFromTheSavedFile) {
    const Sprite coin = LoadSprite("moneda.png");
    std::optional<Screenshot> shot;
    ASSERT_TRUE(WaitForShot([&](const Screenshot& s) { return SpriteShown(s, coin, 300, 200); }, shot));

    Geometry menu;
    const std::string id = OpenMenu(307, 207, menu);
    ASSERT_FALSE(id.empty());
    ChooseMenuItem(menu, 0, 1);
    ASSERT_TRUE(WaitForShot([&](const Screenshot& s) { return Bare(s, kRound1Colour, 300, 200, 14, 14); }, shot))
        << "the coin is still shown";

    EXPECT_EQ(Save(),
              "start,230,180\r\n"
              "malo1,400,60,20,24,100,200,1\r\n"
              "malo2,400,160,32,26,1\r\n"
              "bomba,200,40,14,18,1,500\r\n"
              "boost,440,230,14,14,1,0\r\n"
              "power,420,230,14,14,1,0\r\n"
              "plataforma,250,230,75,10,1,2\r\n");
}

TEST_F(EditorE2E, StepsThroughRoundsFromTheAreaMenuAndLoadsTheFileAsItIsOnDisk) {
    const Sprite bomb = LoadSprite("bomba.png");
    std::optional<Screenshot> shot;
    ASSERT_TRUE(WaitForShot([&](const Screenshot& s) { return SpriteShown(s, bomb, 200, 40); }, shot));

    Geometry menu;
    ASSERT_FALSE(OpenMenu(300, 60, menu).empty());
    ChooseMenuItem(menu, 0, 2);
    EXPECT_TRUE(WaitFor([&] { return Title() == " Blastrix PSP - Level Editor  [Round: 2/14]"; })) << Title();
    // Round 2 has no level file: its background alone fills the area.
    EXPECT_TRUE(WaitForShot(
        [&](const Screenshot& s) { return Bare(s, kRound2Colour, kAreaLeft, kAreaTop, kAreaWidth, kAreaHeight); },
        shot))
        << "the game area does not show round 2's background alone";

    ASSERT_FALSE(OpenMenu(300, 60, menu).empty());
    ChooseMenuItem(menu, 1, 2);
    EXPECT_TRUE(WaitFor([&] { return Title() == " Blastrix PSP - Level Editor  [Round: 1/14]"; })) << Title();
    EXPECT_TRUE(WaitForShot(
        [&](const Screenshot& s) { return SpriteShown(s, bomb, 200, 40) && Bare(s, kRound1Colour, 300, 20, 60, 30); },
        shot))
        << "round 1 did not come back with its objects";

    WriteAll(LevelFile(), "start,230,180\r\nbomba,330,30,14,18,1,500\r\n");
    DoubleClick(kLoadX, kLoadY);
    EXPECT_TRUE(WaitForShot(
        [&](const Screenshot& s) {
            return SpriteShown(s, bomb, 330, 30) && Bare(s, kRound1Colour, 200, 40, 14, 18) &&
                   Bare(s, kRound1Colour, 300, 200, 14, 14) && Bare(s, kRound1Colour, 400, 60, 20, 24);
        },
        shot))
        << "the load did not show the objects of the file on disk alone";
}


// Pixels of a client rectangle that pass `test`.
template <typename Test>
int CountPixels(const Screenshot& shot, Geometry origin, Geometry area, Test test) {
    int count = 0;
    for (int y = area.y; y < area.y + area.height; ++y)
        for (int x = area.x; x < area.x + area.width; ++x)
            if (test(shot.At(origin.x + x, origin.y + y))) ++count;
    return count;
}

// Text is smoothed over the grey of the bar: its pixels are pure blue or black blended with grey.
bool BlueText(Rgb p) { return p.b >= 250 && p.r == p.g && p.r < 200; }
bool BlackText(Rgb p) { return p.r == p.g && p.g == p.b && p.r < 128; }

// The link label's place in the status bar, to the window's right edge, and the inside of hint panel 0.
constexpr Geometry kLabelArea{345, 272 + 5, 480 - 345, 13};
constexpr Geometry kHintPanelText{3, 272 + 4, 284, 15};

TEST_F(EditorE2E, LinkLabelDrawsInPureBlueUnderThePointerAndInBlackAfterIt) {
    std::optional<Screenshot> shot;
    ASSERT_TRUE(WaitForShot([&](const Screenshot& s) { return CountPixels(s, origin_, kLabelArea, BlackText) > 10; }, shot))
        << "the label shows no text before the pointer comes";
    EXPECT_EQ(CountPixels(*shot, origin_, kLabelArea, BlueText), 0);

    MoveTo(kLabelArea.x + 4, kLabelArea.y + 6);
    EXPECT_TRUE(WaitForShot([&](const Screenshot& s) { return CountPixels(s, origin_, kLabelArea, BlueText) > 10; }, shot))
        << "the label is not pure blue under the pointer";
    MoveTo(300, 100);
    EXPECT_TRUE(WaitForShot(
        [&](const Screenshot& s) {
            return CountPixels(s, origin_, kLabelArea, BlueText) == 0 && CountPixels(s, origin_, kLabelArea, BlackText) > 10;
        },
        shot))
        << "the label is not black once the pointer has left it";
}

TEST_F(EditorE2E, RightButtonReleasedOverTheAreaOrAnObjectOpensItsMenuWhereverItWentDown) {
    const Sprite coin = LoadSprite("moneda.png");
    std::optional<Screenshot> shot;
    ASSERT_TRUE(WaitForShot([&](const Screenshot& s) { return SpriteShown(s, coin, 300, 200); }, shot));
    Geometry areaMenu;
    ASSERT_FALSE(OpenMenu(300, 60, areaMenu).empty());
    ASSERT_TRUE(Xdotool({"key", "Escape"}));
    ASSERT_TRUE(WaitFor([&] { return OtherWindows().empty(); }));

    struct Case {
        const char* from;
        int pressX, pressY;
    };
    const Case toArea[] = {{"hint panel", 100, 283}, {"save icon", kSaveX, kSaveY}, {"palette bomb", kBombPaletteX, kBombPaletteY}};
    for (const Case& c : toArea) {
        SCOPED_TRACE(c.from);
        Geometry menu;
        ASSERT_FALSE(OpenMenu(c.pressX, c.pressY, 300, 60, menu).empty());
        EXPECT_EQ(menu.height, areaMenu.height) << "not the game area's menu";
        ASSERT_TRUE(Xdotool({"key", "Escape"}));
        ASSERT_TRUE(WaitFor([&] { return OtherWindows().empty(); }));
    }

    // Released over the save icon, which has no menu, nothing opens.
    RightPressAndRelease(100, 283, kSaveX, kSaveY);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(OtherWindows().empty()) << Describe(OtherWindows());

    // Pressed on the load icon and released over the coin: Delete Item deletes the coin.
    Geometry menu;
    ASSERT_FALSE(OpenMenu(kLoadX, kLoadY, 307, 207, menu).empty());
    EXPECT_LT(menu.height, areaMenu.height) << "not the object's menu";
    ChooseMenuItem(menu, 0, 1);
    EXPECT_TRUE(WaitForShot([&](const Screenshot& s) { return Bare(s, kRound1Colour, 300, 200, 14, 14); }, shot))
        << "the coin is still shown";
}

TEST_F(EditorE2E, HintPanelIsBlankOverTheWindowWhileADialogBlocksItAndFollowsThePointerAfter) {
    // Round 2 has no hero, so saving it opens "Where is Trom?".
    Geometry menu;
    ASSERT_FALSE(OpenMenu(300, 60, menu).empty());
    ChooseMenuItem(menu, 0, 2);
    ASSERT_TRUE(WaitFor([&] { return Title() == " Blastrix PSP - Level Editor  [Round: 2/14]"; })) << Title();

    const auto panelText = [&](const Screenshot& s) {
        std::vector<int> dark;
        for (int y = kHintPanelText.y; y < kHintPanelText.y + kHintPanelText.height; ++y)
            for (int x = kHintPanelText.x; x < kHintPanelText.x + kHintPanelText.width; ++x) {
                const Rgb p = s.At(origin_.x + x, origin_.y + y);
                if (p.r + p.g + p.b < 300) dark.push_back(y * 1000 + x);
            }
        return dark;
    };
    std::optional<Screenshot> shot;
    MoveTo(kBombPaletteX, kBombPaletteY);
    ASSERT_TRUE(WaitForShot([&](const Screenshot& s) { return !panelText(s).empty(); }, shot));
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(shot = Shot());
    const std::vector<int> paletteHint = panelText(*shot);

    DoubleClick(kSaveX, kSaveY);
    ASSERT_TRUE(WaitFor([&] { return OtherWindows().size() == 1; })) << "no dialog opened";
    MoveTo(kBombPaletteX, kBombPaletteY);
    EXPECT_TRUE(WaitForShot([&](const Screenshot& s) { return panelText(s).empty(); }, shot))
        << "panel 0 keeps a hint while a dialog blocks the window";

    ASSERT_TRUE(Xdotool({"key", "Return"}));
    ASSERT_TRUE(WaitFor([&] { return OtherWindows().empty(); })) << "the dialog stayed open";
    EXPECT_TRUE(WaitForShot([&](const Screenshot& s) { return panelText(s) == paletteHint; }, shot))
        << "the palette's hint did not come back when the dialog closed";
}

class FramedEditorE2E : public EditorE2E {
protected:
    FramedEditorE2E() { windowManager_ = true; }

    // Whether a frame's centre is the screen's, to the half pixel that an odd size leaves.
    static bool Centred(const Geometry& frame) {
        return std::abs(2 * frame.x + frame.width - kScreenWidth) <= 1 && std::abs(2 * frame.y + frame.height - kScreenHeight) <= 1;
    }
};

TEST_F(FramedEditorE2E, MainWindowAndMessageDialogsAreCentredFrameIncluded) {
    std::optional<Geometry> frame;
    EXPECT_TRUE(WaitFor([&] {
        frame = FrameGeometry(window_);
        return frame && frame->height > 293 && Centred(*frame);
    })) << "main window frame at " << (frame ? frame->x : -1) << "," << (frame ? frame->y : -1) << " size "
        << (frame ? frame->width : -1) << "x" << (frame ? frame->height : -1);
    const std::optional<Geometry> client = WindowGeometry(window_);
    ASSERT_TRUE(client.has_value());
    origin_ = *client;

    Geometry menu;
    ASSERT_FALSE(OpenMenu(300, 60, menu).empty());
    ChooseMenuItem(menu, 0, 2);
    ASSERT_TRUE(WaitFor([&] { return Title() == " Blastrix PSP - Level Editor  [Round: 2/14]"; })) << Title();
    DoubleClick(kSaveX, kSaveY);
    std::string dialog;
    ASSERT_TRUE(WaitFor([&] {
        const std::vector<std::string> others = OtherWindows();
        if (others.size() != 1) return false;
        dialog = others.front();
        return true;
    })) << "no dialog opened";
    EXPECT_TRUE(WaitFor([&] {
        frame = FrameGeometry(dialog);
        return frame && Centred(*frame);
    })) << "dialog frame at " << (frame ? frame->x : -1) << "," << (frame ? frame->y : -1) << " size "
        << (frame ? frame->width : -1) << "x" << (frame ? frame->height : -1);
    ASSERT_TRUE(Xdotool({"key", "Return"}));
}

TEST_F(EditorE2E, RenderShowsTheGameAreaOfTheWindowPixelForPixel) {
    // Round 1: a background smaller than the area and partly transparent over the window's artwork,
    // overlapping sprites with soft edges, and objects that cross every edge of the area. Rounds 2
    // and 3: the sample rounds.
    editor_.Stop();
    constexpr int kBackgroundWidth = 200, kBackgroundHeight = 150;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kBackgroundWidth) * kBackgroundHeight * 4);
    for (int y = 0; y < kBackgroundHeight; ++y) {
        for (int x = 0; x < kBackgroundWidth; ++x) {
            std::uint8_t* p = pixels.data() + (static_cast<std::size_t>(y) * kBackgroundWidth + x) * 4;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y * 3 / 2);
            p[2] = static_cast<std::uint8_t>(255 - x);
            p[3] = static_cast<std::uint8_t>((x + y) * 255 / (kBackgroundWidth + kBackgroundHeight));
        }
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = kBackgroundWidth;
    image.height = kBackgroundHeight;
    image.format = PNG_FORMAT_RGBA;
    const fs::path levels = programDir_ / "levels";
    ASSERT_NE(png_image_write_to_file(&image, (levels / "Level1.png").c_str(), 0, pixels.data(), 0, nullptr), 0);
    WriteAll(LevelFile(),
             "malo1,180,4,20,24,100,200,1\r\n"
             "bomba,300,100,14,18,1,500\r\n"
             "moneda,306,106,14,14,1,200\r\n"
             "malo1,304,96,20,24,100,200,1\r\n"
             "plataforma,400,100,100,10,1,3\r\n"
             "malo2,450,240,32,26,1\r\n"
             "start,250,150\r\n"
             "boost,300,255,14,14,1,0\r\n"
             "power,186,200,14,14,1,0\r\n");
    const fs::path samples = fs::path(BLASTRIX_SOURCE_DIR) / "levels";
    for (const char* name : {"Level2.lev", "Level2.png", "Level3.lev", "Level3.png"})
        fs::copy_file(samples / name, levels / name, fs::copy_options::overwrite_existing);
    StartEditor();

    for (int round = 1; round <= 3; ++round) {
        const std::optional<std::string> png =
            RunProgram({BLASTRIX_LEVEL_EXE, "-C", programDir_.string(), "render", std::to_string(round), "-o", "-"},
                       Environment());
        ASSERT_TRUE(png.has_value()) << "render " << round << " failed";
        const files::RgbaImage render =
            files::DecodePng(reinterpret_cast<const std::uint8_t*>(png->data()), png->size());
        ASSERT_EQ(render.width, kAreaWidth);
        ASSERT_EQ(render.height, kAreaHeight);
        const auto mismatches = [&](const Screenshot& shot, std::string* first) {
            int count = 0;
            for (int y = 0; y < kAreaHeight; ++y) {
                for (int x = 0; x < kAreaWidth; ++x) {
                    const Rgb s = shot.At(origin_.x + kAreaLeft + x, origin_.y + kAreaTop + y);
                    const std::uint8_t* r = render.pixels.data() + (static_cast<std::size_t>(y) * kAreaWidth + x) * 4;
                    if (s.r == r[0] && s.g == r[1] && s.b == r[2]) continue;
                    if (count++ == 0 && first != nullptr)
                        *first = std::to_string(x) + "," + std::to_string(y) + ": window " + std::to_string(s.r) + " " +
                                 std::to_string(s.g) + " " + std::to_string(s.b) + ", render " + std::to_string(r[0]) +
                                 " " + std::to_string(r[1]) + " " + std::to_string(r[2]);
                }
            }
            return count;
        };
        std::optional<Screenshot> shot;
        WaitForShot([&](const Screenshot& s) { return mismatches(s, nullptr) == 0; }, shot);
        ASSERT_TRUE(shot.has_value());
        std::string first;
        EXPECT_EQ(mismatches(*shot, &first), 0) << "round " << round << ", first at " << first;

        if (round == 3) break;
        Geometry menu;
        ASSERT_FALSE(OpenMenu(205, 45, menu).empty());
        ChooseMenuItem(menu, 0, 2);
        const std::string title = " Blastrix PSP - Level Editor  [Round: " + std::to_string(round + 1) + "/14]";
        ASSERT_TRUE(WaitFor([&] { return Title() == title; })) << Title();
    }
}

}  // namespace
