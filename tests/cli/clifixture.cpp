#include "clifixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

extern char** environ;

namespace cli_testing {

namespace fs = std::filesystem;

std::vector<std::string> ToolRun::Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

void CliTest::SetUp() {
    char pattern[] = "/tmp/blastrix-cli-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    fs::create_directories(folder_ / "levels");
    fs::copy(fs::path(BLASTRIX_SOURCE_DIR) / "data", folder_ / "data");
}

void CliTest::TearDown() {
    std::error_code ignored;
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(folder_, ignored);
}

void CliTest::Write(const std::string& relative, const std::string& bytes) const {
    const fs::path path = folder_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string CliTest::Read(const std::string& relative) const {
    std::ifstream in(folder_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void CliTest::WriteBackground(const std::string& relative, int width, int height) const {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 90);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    fs::create_directories((folder_ / relative).parent_path());
    ASSERT_NE(png_image_write_to_file(&image, (folder_ / relative).c_str(), 0, pixels.data(), 0, nullptr), 0);
}

namespace {

void Drain(int fd, std::string& into) {
    char buffer[65536];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) into.append(buffer, static_cast<std::size_t>(n));
}

}  // namespace

std::vector<std::string> ToolCommand() {
    if (WindowsTool()) return {"wine", std::getenv("BLASTRIX_WINDOWS_TOOL")};
    return {BLASTRIX_LEVEL_EXE};
}

bool WindowsTool() {
    const char* const windows = std::getenv("BLASTRIX_WINDOWS_TOOL");
    return windows != nullptr && windows[0] != '\0';
}

bool ToolRenders() {
#ifdef BLASTRIX_HAS_RENDER
    return !WindowsTool();
#else
    return false;
#endif
}

ToolRun CliTest::Tool(const std::vector<std::string>& arguments, const fs::path& workingDirectory,
                      const std::vector<std::string>& wrapper, const char* standardOutput) const {
    std::vector<std::string> args = wrapper;
    const std::vector<std::string> tool = ToolCommand();
    args.insert(args.end(), tool.begin(), tool.end());
    args.insert(args.end(), arguments.begin(), arguments.end());
    return Run(std::move(args), workingDirectory, standardOutput);
}

ToolRun CliTest::Run(std::vector<std::string> args, const fs::path& workingDirectory,
                     const char* standardOutput) const {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    // What a terminal over ssh or a CI runner has: no display, no platform chosen.
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (name != "DISPLAY" && name != "WAYLAND_DISPLAY" && name != "QT_QPA_PLATFORM") env.push_back(entry);
    }
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string directory = (workingDirectory.empty() ? folder_ : workingDirectory).string();

    ToolRun run;
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return run;
    const pid_t pid = fork();
    if (pid == 0) {
        const int target = standardOutput != nullptr ? open(standardOutput, O_WRONLY) : out[1];
        dup2(target, 1);
        dup2(err[1], 2);
        if (chdir(directory.c_str()) != 0) _exit(127);
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    while (open > 0 && poll(fds, 2, 30000) > 0) {
        for (pollfd& p : fds) {
            if (p.fd < 0 || p.revents == 0) continue;
            const std::size_t before = (&p == &fds[0] ? run.out : run.err).size();
            Drain(p.fd, &p == &fds[0] ? run.out : run.err);
            if ((&p == &fds[0] ? run.out : run.err).size() == before) {
                close(p.fd);
                p.fd = -1;
                --open;
            }
        }
    }
    for (const pollfd& p : fds)
        if (p.fd >= 0) close(p.fd);
    // A tool that hangs fails the test instead of holding it.
    if (open > 0) kill(pid, SIGKILL);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    return run;
}

}  // namespace cli_testing
