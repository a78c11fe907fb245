#include "XCapture.h"

#include <QImage>
#include <QString>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vantor::client::test {

namespace {

WindowShot Grab(Display* dpy, Window window, int step) {
    WindowShot shot;
    XWindowAttributes attr{};
    if (XGetWindowAttributes(dpy, window, &attr) == 0 || attr.width <= 0 || attr.height <= 0) {
        return shot;
    }
    XImage* img = XGetImage(dpy, window, 0, 0, static_cast<unsigned>(attr.width),
                            static_cast<unsigned>(attr.height), AllPlanes, ZPixmap);
    if (img == nullptr) {
        return shot;
    }
    shot.width = attr.width;
    shot.height = attr.height;
    for (int y = 0; y < attr.height; y += step) {
        for (int x = 0; x < attr.width; x += step) {
            shot.pixels.push_back(static_cast<uint32_t>(XGetPixel(img, x, y)) & 0xFFFFFFu);
        }
    }
    XDestroyImage(img);
    shot.ok = true;
    return shot;
}

}  // namespace

WindowShot CaptureWindow(unsigned long window, int step) {
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) {
        return {};
    }
    WindowShot shot = Grab(dpy, static_cast<Window>(window), step);
    XCloseDisplay(dpy);
    return shot;
}

bool SaveScreen(const std::string& png_path) {
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) {
        return false;
    }
    const WindowShot shot = Grab(dpy, DefaultRootWindow(dpy), 1);
    XCloseDisplay(dpy);
    if (!shot.ok) {
        return false;
    }
    QImage out(shot.width, shot.height, QImage::Format_RGB32);
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            out.setPixel(x, y, 0xFF000000u | shot.pixels[static_cast<size_t>(y * shot.width + x)]);
        }
    }
    return out.save(QString::fromStdString(png_path));
}

}  // namespace vantor::client::test
