#include "xserver.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <vector>

namespace {

constexpr int kFirstDisplay = 90;
constexpr int kLastDisplay = 129;
constexpr auto kReadyWait = std::chrono::seconds(10);

bool Taken(int number) {
    struct stat st {};
    const std::string n = std::to_string(number);
    return stat(("/tmp/.X" + n + "-lock").c_str(), &st) == 0 || stat(("/tmp/.X11-unix/X" + n).c_str(), &st) == 0;
}

}  // namespace

XServer::XServer(const std::string& screen, const std::string& logPath) {
    for (int number = kFirstDisplay; number <= kLastDisplay && display_.empty(); ++number) {
        if (!Taken(number) && StartOn(number, screen, logPath)) display_ = ":" + std::to_string(number);
    }
}

XServer::~XServer() { Stop(); }

bool XServer::StartOn(int number, const std::string& screen, const std::string& logPath) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    const std::vector<std::string> args = {"Xvfb", ":" + std::to_string(number), "-nolisten", "tcp", "-noreset",
                                           "-screen", "0", screen, "-displayfd", "3"};
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        // The server goes with the test or benchmark that started it, however that ends.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        const int nullFd = open("/dev/null", O_RDWR);
        dup2(nullFd, 0);
        dup2(log >= 0 ? log : nullFd, 1);
        dup2(log >= 0 ? log : nullFd, 2);
        dup2(fds[1], 3);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        return false;
    }
    // The server writes its display number once it accepts clients.
    std::string announced;
    const auto deadline = std::chrono::steady_clock::now() + kReadyWait;
    while (announced.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        char buffer[32];
        const ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got <= 0) break;
        announced.append(buffer, static_cast<std::size_t>(got));
    }
    close(fds[0]);
    if (announced.find('\n') != std::string::npos) return true;
    Stop();
    return false;
}

void XServer::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}
