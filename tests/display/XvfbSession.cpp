#include "XvfbSession.h"

#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vantor_test {

namespace {

bool findInPath(const char* name) {
    const char* path = std::getenv("PATH");
    std::string all = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(':', start);
        if (end == std::string::npos)
            end = all.size();
        std::string candidate = all.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

bool XvfbSession::available() {
    return findInPath("Xvfb");
}

bool XvfbSession::start(int timeout_ms) {
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    pid_ = fork();
    if (pid_ < 0)
        return false;
    if (pid_ == 0) {
        close(fds[0]);
        int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        char fdText[16];
        std::snprintf(fdText, sizeof fdText, "%d", fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fdText, "-screen", "0", "1280x720x24", "-nolisten",
               "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (number.empty() || number.back() != '\n') {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0)
            break;
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0)
            break;
        char c;
        if (read(fds[0], &c, 1) != 1)
            break;
        number.push_back(c);
    }
    close(fds[0]);
    if (number.empty() || number.back() != '\n')
        return false;
    number.pop_back();
    std::string name = ":" + number;
    setenv("DISPLAY", name.c_str(), 1);
    display_ = XOpenDisplay(name.c_str());
    return display_ != nullptr;
}

XvfbSession::~XvfbSession() {
    if (display_)
        XCloseDisplay(display_);
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

Window XvfbSession::createWindow(int width, int height, uint32_t background_rgb) {
    int screen = DefaultScreen(display_);
    // Side by side, so that no test window hides another (reads need visible pixels).
    if (nextX_ + width > 1280) {
        nextX_ = 0;
        nextY_ += rowHeight_ + 2;
        rowHeight_ = 0;
    }
    if (nextY_ + height > 720)
        nextY_ = 0;
    Window w = XCreateSimpleWindow(display_, RootWindow(display_, screen), nextX_, nextY_, width,
                                   height, 0, 0, background_rgb);
    nextX_ += width + 2;
    if (height > rowHeight_)
        rowHeight_ = height;
    XSelectInput(display_, w, StructureNotifyMask);
    XMapWindow(display_, w);
    // Wait for the map (the server is local and idle; bounded by the event count anyway).
    for (int i = 0; i < 1000; ++i) {
        XEvent e;
        XNextEvent(display_, &e);
        if (e.type == MapNotify && e.xmap.window == w)
            break;
    }
    XSync(display_, False);
    return w;
}

uint32_t XvfbSession::pixel(Window window, int x, int y) {
    XImage* img = XGetImage(display_, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!img)
        return 0xFFFFFFFFu;
    uint32_t p = static_cast<uint32_t>(XGetPixel(img, 0, 0)) & 0xFFFFFFu;
    XDestroyImage(img);
    return p;
}

bool XvfbSession::savePpm(Window window, const std::string& path) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(display_, window, &a))
        return false;
    XImage* img = XGetImage(display_, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (!img)
        return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        XDestroyImage(img);
        return false;
    }
    std::fprintf(f, "P6\n%d %d\n255\n", a.width, a.height);
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            unsigned long p = XGetPixel(img, x, y);
            unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16),
                                    static_cast<unsigned char>(p >> 8),
                                    static_cast<unsigned char>(p)};
            std::fwrite(rgb, 1, 3, f);
        }
    }
    std::fclose(f);
    XDestroyImage(img);
    return true;
}

}  // namespace vantor_test
