// Keeps X protocol errors from ending the process.
//
// Xlib has one process-wide error handler. The first trap installs ours; it looks the failing
// connection up in the table of registered displays and counts the error there. Errors of a
// connection nobody registered go to the handler that was installed before ours, so a host
// program keeps its own behaviour.
// Thread: any. A trap must be destroyed before its Display is closed.
#pragma once

#include <X11/Xlib.h>

#include <atomic>

namespace lumeno {

class XErrorTrap {
  public:
    explicit XErrorTrap(Display* display);
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // Number of errors seen on this connection so far; compare before and after an XSync.
    unsigned errorCount() const { return count_.load(); }
    int lastErrorCode() const { return lastCode_.load(); }

  private:
    static int onError(Display* display, XErrorEvent* event);

    Display* display_;
    std::atomic<unsigned> count_{0};
    std::atomic<int> lastCode_{0};
};

}  // namespace lumeno
