// One simulated device: its CGI handler, media loops, fault switches, and its P2P and HTTP
// fronts. A housekeeping thread runs reboots (offline, sessions dropped, back after a short
// delay) and the periodic alarm.
//
// Thread: the public calls from any thread (control socket, tests); the DeviceContext calls
// from session threads. Ownership: owned by Simulator (or a test); stop() or the destructor
// ends every thread the device started.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "DeviceContext.h"
#include "HttpFront.h"
#include "P2pFront.h"
#include "P2pTarpit.h"

namespace devsim {

class SimDevice : public DeviceContext {
  public:
    static constexpr int kRebootDelay_ms = 1500;
    static constexpr int kMinAlarmInterval_ms = 200;

    // Encodes (or takes from the cache) the device's loops; the fronts start with start().
    SimDevice(const DeviceProfile& profile, VideoLoopCache& loops);
    ~SimDevice() override;
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    // False when a front the profile asks for could not start (the device is then stopped).
    bool start();
    void stop();

    // DeviceContext
    const DeviceProfile& profile() const override { return profile_; }
    CgiHandler& handler() override { return *handler_; }
    DeviceFaults& faults() override { return faults_; }
    std::shared_ptr<const VideoLoop> loop(int substream) override;
    std::shared_ptr<const VideoLoop> channelLoop(int channel) override;
    void requestReboot() override;
    void talkReceived(const char* data, size_t n) override;

    // Control
    void setOnline(bool online);
    // Unreachable: the device face goes silent and a tarpit answers discovery but never the
    // session handshake, so every client connect times out. Sessions already open stay.
    // False when the tarpit cannot open its sockets.
    bool setUnreachable(bool unreachable);
    bool online() const { return online_.load(); }
    void dropSessions();
    // Alarm kind as on the alarm channel (1 motion, 2 input, 3 sound, 6 PIR, 7 bell...); also a
    // 32-35 notice on TCP live streams. Recorders name the camera channel (0-3) in the alarm
    // message. Returns the number of sessions/streams reached.
    int raiseAlarm(uint32_t kind, uint16_t channel = 0);
    int closeAlarmChannel();
    int pushStateNotice(uint8_t kind);  // 200-204
    // Writes received talk data to the file (empty path: stop writing). False if it cannot open.
    bool setTalkFile(const std::string& path);
    uint64_t talkBlocks() const { return talkBlocks_.load(); }
    uint64_t talkBytes() const { return talkBytes_.load(); }
    int sessionCount();
    int httpPort() const { return http_ ? http_->port() : -1; }
    int p2pPort() const { return p2p_ ? p2p_->port() : -1; }
    uint64_t reboots() const { return reboots_.load(); }

  private:
    void housekeeping();

    const DeviceProfile profile_;
    std::shared_ptr<const VideoLoop> main_, sub_;
    std::vector<std::shared_ptr<const VideoLoop>> channels_;  // recorders: one per channel
    std::unique_ptr<CgiHandler> handler_;
    DeviceFaults faults_;
    std::unique_ptr<P2pFront> p2p_;
    std::unique_ptr<HttpFront> http_;
    std::mutex tarpitMutex_;  // guards tarpit_
    std::unique_ptr<P2pTarpit> tarpit_;
    std::atomic<bool> online_{true};
    std::atomic<uint64_t> talkBlocks_{0}, talkBytes_{0}, reboots_{0};

    std::mutex talkMutex_;
    FILE* talkFile_ = nullptr;  // guarded by talkMutex_

    std::mutex mutex_;  // guards the housekeeping state below
    std::condition_variable cv_;
    bool running_ = false;
    bool rebootPending_ = false;
    std::thread housekeeper_;
};

// Alarm notice kind (32-35) on the TCP live stream for an alarm-channel kind.
uint8_t TcpAlarmKind(uint32_t kind);

}  // namespace devsim
