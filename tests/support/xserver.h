#pragma once

#include <sys/types.h>

#include <string>

// A private Xvfb on the first free display from :90 on, for the end-to-end tests, the start-up
// benchmark and the screenshot script. Ready once constructed (Display() is empty if none could
// be started); the server is ended when this goes, and dies with the process that started it.
class XServer {
public:
    explicit XServer(const std::string& screen = "1024x768x24", const std::string& logPath = "/dev/null");
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    const std::string& Display() const { return display_; }

private:
    bool StartOn(int number, const std::string& screen, const std::string& logPath);
    void Stop();

    pid_t pid_ = -1;
    std::string display_;
};
