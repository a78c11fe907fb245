#include "XErrorTrap.h"

#include <mutex>
#include <unordered_map>

namespace lumeno {

namespace {

using Handler = int (*)(Display*, XErrorEvent*);

std::mutex& tableLock() {
    static std::mutex lock;
    return lock;
}

// Guarded by tableLock().
std::unordered_map<Display*, XErrorTrap*>& table() {
    static std::unordered_map<Display*, XErrorTrap*> map;
    return map;
}
Handler g_previous = nullptr;  // guarded by tableLock()
bool g_installed = false;      // guarded by tableLock()

}  // namespace

XErrorTrap::XErrorTrap(Display* display) : display_(display) {
    std::lock_guard<std::mutex> guard(tableLock());
    if (!g_installed) {
        g_previous = XSetErrorHandler(&XErrorTrap::onError);
        g_installed = true;
    }
    table()[display_] = this;
}

XErrorTrap::~XErrorTrap() {
    std::lock_guard<std::mutex> guard(tableLock());
    table().erase(display_);
}

int XErrorTrap::onError(Display* display, XErrorEvent* event) {
    Handler previous = nullptr;
    {
        std::lock_guard<std::mutex> guard(tableLock());
        auto it = table().find(display);
        if (it != table().end()) {
            it->second->lastCode_.store(event->error_code);
            it->second->count_.fetch_add(1);
            return 0;
        }
        previous = g_previous;
    }
    return previous ? previous(display, event) : 0;
}

}  // namespace lumeno
