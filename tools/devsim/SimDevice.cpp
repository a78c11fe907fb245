#include "SimDevice.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "DebugOut.h"
#include "MediaFrames.h"
#include "NasSchema.h"

namespace devsim {

uint8_t TcpAlarmKind(uint32_t kind) {
    switch (kind) {
        case 1:
            return 33;  // motion
        case 2:
            return 32;  // alarm input
        case 3:
            return 34;  // sound
        default:
            return 35;
    }
}

SimDevice::SimDevice(const DeviceProfile& profile, VideoLoopCache& loops) : profile_(profile) {
    main_ = loops.get(profile_.mainStream, profile_.name);
    sub_ = loops.get(profile_.subStream, profile_.name);
    int64_t loopBytes = 0;
    if (main_) {
        for (const auto& f : main_->frames()) {
            loopBytes += static_cast<int64_t>(f.data.size() + vantor::kMediaFrameHeadBytes);
        }
    }
    std::vector<int64_t> channelBytes;
    if (profile_.kind == DeviceKind::kNas) {
        // Each channel shows its own number, so a client can tell which camera it got.
        for (int c = 0; c < NasSchema::kChannels; ++c) {
            auto l = loops.get(profile_.mainStream, profile_.name + " CH" + std::to_string(c));
            int64_t bytes = 0;
            if (l) {
                for (const auto& f : l->frames())
                    bytes += static_cast<int64_t>(f.data.size() + vantor::kMediaFrameHeadBytes);
            }
            channels_.push_back(std::move(l));
            channelBytes.push_back(bytes);
        }
    }
    handler_ =
        std::make_unique<CgiHandler>(profile_, loopBytes, VideoLoop::kLoopSeconds, channelBytes);
    StreamFormat snapFormat = profile_.mainStream;
    std::string label = profile_.name;
    handler_->setSnapshotSource([snapFormat, label] {
        // The frame of the loop that is on air now.
        int64_t ms = SteadyMillis();
        StreamFormat f = VideoLoop::Clamp(snapFormat);
        int index = static_cast<int>((ms * f.fps / 1000) % (f.fps * VideoLoop::kLoopSeconds));
        return VideoLoop::EncodeJpeg(f, label, index);
    });
}

SimDevice::~SimDevice() {
    stop();
    std::lock_guard<std::mutex> g(talkMutex_);
    if (talkFile_ != nullptr)
        fclose(talkFile_);
    talkFile_ = nullptr;
}

std::shared_ptr<const VideoLoop> SimDevice::loop(int substream) {
    return substream == 0 ? main_ : sub_;
}

std::shared_ptr<const VideoLoop> SimDevice::channelLoop(int channel) {
    if (channel >= 0 && static_cast<size_t>(channel) < channels_.size())
        return channels_[static_cast<size_t>(channel)];
    return main_;
}

bool SimDevice::start() {
    {
        std::lock_guard<std::mutex> g(mutex_);
        if (running_)
            return true;
        running_ = true;
    }
    housekeeper_ = std::thread([this] { housekeeping(); });
    if (profile_.p2p) {
        p2p_ = std::make_unique<P2pFront>(*this);
        if (!p2p_->start()) {
            stop();
            return false;
        }
    }
    if (profile_.httpPort >= 0) {
        http_ = std::make_unique<HttpFront>(*this);
        if (!http_->start(profile_.httpPort, profile_.host)) {
            vantor::DebugOut("devsim %s: cannot listen on %s:%d", profile_.id.c_str(),
                             profile_.host.c_str(), profile_.httpPort);
            stop();
            return false;
        }
    }
    return true;
}

void SimDevice::stop() {
    {
        std::lock_guard<std::mutex> g(mutex_);
        running_ = false;
        cv_.notify_all();
    }
    int64_t t0 = SteadyMillis();
    if (housekeeper_.joinable())
        housekeeper_.join();
    int64_t t1 = SteadyMillis();
    {
        std::lock_guard<std::mutex> g(tarpitMutex_);
        tarpit_.reset();
    }
    if (p2p_)
        p2p_->stop();
    int64_t t2 = SteadyMillis();
    if (http_)
        http_->stop();
    vantor::DebugOut("devsim %s: stopped (housekeeping %lld ms, p2p %lld ms, http %lld ms)",
                     profile_.id.c_str(), static_cast<long long>(t1 - t0),
                     static_cast<long long>(t2 - t1), static_cast<long long>(SteadyMillis() - t2));
}

void SimDevice::requestReboot() {
    std::lock_guard<std::mutex> g(mutex_);
    rebootPending_ = true;
    cv_.notify_all();
}

void SimDevice::talkReceived(const char* data, size_t n) {
    talkBlocks_++;
    talkBytes_ += n;
    std::lock_guard<std::mutex> g(talkMutex_);
    if (talkFile_ != nullptr)
        fwrite(data, 1, n, talkFile_);
}

bool SimDevice::setTalkFile(const std::string& path) {
    std::lock_guard<std::mutex> g(talkMutex_);
    if (talkFile_ != nullptr)
        fclose(talkFile_);
    talkFile_ = nullptr;
    if (path.empty())
        return true;
    talkFile_ = fopen(path.c_str(), "wb");
    return talkFile_ != nullptr;
}

bool SimDevice::setUnreachable(bool unreachable) {
    std::lock_guard<std::mutex> g(tarpitMutex_);
    if (!unreachable) {
        tarpit_.reset();
        if (p2p_)
            p2p_->setOnline(online_);
        return true;
    }
    if (!p2p_)
        return false;
    if (!tarpit_) {
        auto t = std::make_unique<P2pTarpit>(profile_.id);
        if (!t->start())
            return false;
        tarpit_ = std::move(t);
    }
    p2p_->setOnline(false);
    return true;
}

void SimDevice::setOnline(bool online) {
    online_ = online;
    bool tarpit = false;
    {
        std::lock_guard<std::mutex> g(tarpitMutex_);
        tarpit = tarpit_ != nullptr;
    }
    if (p2p_)
        p2p_->setOnline(online && !tarpit);
    if (http_)
        http_->setOnline(online);
    if (!online)
        dropSessions();
}

void SimDevice::dropSessions() {
    if (p2p_)
        p2p_->dropSessions();
    if (http_)
        http_->dropConnections();
}

int SimDevice::raiseAlarm(uint32_t kind, uint16_t channel) {
    handler_->noteAlarm(static_cast<int>(kind));
    int n = 0;
    if (p2p_)
        n += p2p_->sendAlarm(kind, 0, channel);
    if (http_)
        n += http_->pushNotice(TcpAlarmKind(kind));
    return n;
}

int SimDevice::closeAlarmChannel() {
    return p2p_ ? p2p_->sendAlarm(0, 0x6041) : 0;
}

int SimDevice::pushStateNotice(uint8_t kind) {
    return http_ ? http_->pushNotice(kind) : 0;
}

int SimDevice::sessionCount() {
    return p2p_ ? p2p_->sessionCount() : 0;
}

void SimDevice::housekeeping() {
    int64_t nextAlarm =
        profile_.alarmIntervalMs > 0
            ? SteadyMillis() + std::max(profile_.alarmIntervalMs, kMinAlarmInterval_ms)
            : INT64_MAX;
    std::unique_lock<std::mutex> g(mutex_);
    while (running_) {
        cv_.wait_for(g, std::chrono::milliseconds(100));
        if (!running_)
            break;
        if (rebootPending_) {
            rebootPending_ = false;
            g.unlock();
            reboots_++;
            setOnline(false);
            {
                std::unique_lock<std::mutex> w(mutex_);
                cv_.wait_for(w, std::chrono::milliseconds(kRebootDelay_ms),
                             [this] { return !running_; });
            }
            handler_->completeReboot();
            setOnline(true);
            g.lock();
            continue;
        }
        if (SteadyMillis() >= nextAlarm) {
            nextAlarm = SteadyMillis() + std::max(profile_.alarmIntervalMs, kMinAlarmInterval_ms);
            g.unlock();
            if (online_)
                raiseAlarm(1);
            g.lock();
        }
    }
}

}  // namespace devsim
