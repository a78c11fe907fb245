#include "P2pFront.h"

#include "DebugOut.h"
#include "PPPP_API.h"

namespace devsim {

P2pFront::P2pFront(DeviceContext& device) : device_(device) {}

P2pFront::~P2pFront() {
    stop();
}

bool P2pFront::start() {
    PPPP_DeviceOptions opt{};
    opt.sessionPort = 0;
    opt.acceptModes = device_.profile().battery ? PPPP_ACCEPT_BATTERY : PPPP_ACCEPT_NORMAL;
    handle_ = PPPP_Device_Start(device_.profile().id.c_str(), &opt);
    if (handle_ < 0) {
        vantor::DebugOut("devsim %s: transport refused the device (%d)",
                         device_.profile().id.c_str(), handle_);
        return false;
    }
    running_ = true;
    thread_ = std::thread([this] { acceptLoop(); });
    return true;
}

void P2pFront::stop() {
    if (running_.exchange(false)) {
        PPPP_Device_Stop(handle_);
        if (thread_.joinable())
            thread_.join();
    }
    reap(true);
}

void P2pFront::setOnline(bool online) {
    if (handle_ >= 0)
        PPPP_Device_SetOnline(handle_, online ? 1 : 0);
}

int P2pFront::port() const {
    return handle_ >= 0 ? PPPP_Device_Port(handle_) : -1;
}

void P2pFront::dropSessions() {
    reap(true);
}

int P2pFront::sendAlarm(uint32_t kind, uint16_t cmd, uint16_t channel) {
    std::lock_guard<std::mutex> g(mutex_);
    int reached = 0;
    for (auto& s : sessions_) {
        if (s->sendAlarm(kind, cmd, channel))
            ++reached;
    }
    return reached;
}

int P2pFront::sessionCount() {
    std::lock_guard<std::mutex> g(mutex_);
    int n = 0;
    for (auto& s : sessions_)
        n += s->alive() ? 1 : 0;
    return n;
}

void P2pFront::reap(bool all) {
    std::vector<std::unique_ptr<P2pSession>> dead;
    {
        std::lock_guard<std::mutex> g(mutex_);
        int64_t now = SteadyMillis();
        const DeviceProfile& p = device_.profile();
        for (auto it = sessions_.begin(); it != sessions_.end();) {
            bool asleep = p.battery && now - (*it)->lastActivity_ms() > p.sleepAfterMs;
            if (all || !(*it)->alive() || asleep) {
                dead.push_back(std::move(*it));
                it = sessions_.erase(it);
            } else {
                ++it;
            }
        }
        device_.handler().setOnlineUsers(static_cast<int>(sessions_.size()));
    }
    for (auto& s : dead)
        s->close();  // outside the lock: close joins the session's threads
}

void P2pFront::acceptLoop() {
    while (running_) {
        PPPP_AcceptInfo info{};
        int h = PPPP_Device_Accept(handle_, kAcceptTimeout_ms, &info);
        reap(false);
        if (h == ERROR_PPPP_USER_LISTEN_BREAK)
            break;
        if (h < 0)
            continue;
        auto s = std::make_unique<P2pSession>(device_, h, info.lanSearch);
        std::lock_guard<std::mutex> g(mutex_);
        if (sessions_.size() >= kMaxSessions) {
            PPPP_ForceClose(h);
            continue;
        }
        s->start();
        sessions_.push_back(std::move(s));
        device_.handler().setOnlineUsers(static_cast<int>(sessions_.size()));
    }
}

}  // namespace devsim
