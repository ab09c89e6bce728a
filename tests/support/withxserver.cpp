// with-xserver [--screen WxHxD] COMMAND [ARG...]: runs the command with DISPLAY set to a private
// Xvfb, and exits with its status. The screenshot script uses it.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "xserver.h"

int main(int argc, char** argv) {
    int first = 1;
    std::string screen = "1024x768x24";
    if (argc > 2 && std::strcmp(argv[1], "--screen") == 0) {
        screen = argv[2];
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: with-xserver [--screen WxHxD] COMMAND [ARG...]\n");
        return 2;
    }
    const XServer server(screen);
    if (server.Display().empty()) {
        std::fprintf(stderr, "with-xserver: no X server could be started\n");
        return 1;
    }
    const pid_t child = fork();
    if (child == 0) {
        setenv("DISPLAY", server.Display().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        execvp(argv[first], argv + first);
        std::perror(argv[first]);
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) < 0) return 1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
