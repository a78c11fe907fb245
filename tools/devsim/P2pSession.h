// One client session of a device on the P2P transport: answers the command channel (the
// handshake form first, then the device's own form), sends live video, audio and playback on
// channels 1, 2 and 4, alarms on channel 5, and takes talk blocks from channel 3. A recorder
// frames its command and alarm channels with the 20-byte NasHead instead, never enciphered.
//
// Threads: a command reader (channel 0), a talk reader (channel 3) and a media sender. Alarms
// are written by the caller of sendAlarm under the session's alarm lock.
// Ownership: created and owned by P2pFront; close() (any thread) force-closes the transport
// session and joins every thread; the destructor closes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "DeviceContext.h"
#include "LiveSource.h"
#include "PlaybackSource.h"
#include "SessionCipher.h"

namespace devsim {

class P2pSession {
  public:
    static constexpr size_t kMaxRequestPayloadBytes = 65535;  // the head's len is 16 bits
    static constexpr size_t kMaxTalkFrameBytes = 4096;
    static constexpr uint32_t kMediaUnsentLimitBytes = 256 * 1024;

    P2pSession(DeviceContext& device, int handle, int lanSearch);
    ~P2pSession();
    P2pSession(const P2pSession&) = delete;
    P2pSession& operator=(const P2pSession&) = delete;

    void start();
    void close();
    bool alive() const { return alive_.load(); }
    int handle() const { return handle_; }
    // Alarm kind (the u32 of the alarm message) on channel 5; 0x6041 closes the alarm channel.
    // Recorders put `channel` into the alarm's head.
    bool sendAlarm(uint32_t kind, uint16_t cmd = 0, uint16_t channel = 0);
    int64_t lastActivity_ms() const { return lastActivity_ms_.load(); }
    uint64_t answersSent() const { return answers_.load(); }

  private:
    void commandLoop();
    void talkLoop();
    void mediaLoop();
    bool readExact(int channel, char* buf, size_t n);
    // Reads one request; false when the channel is done (closed, error or bad framing).
    bool readRequest(std::vector<char>& payload, CgiAnswer* a);
    bool sendNasAnswer(const CgiAnswer& a);
    bool write(int channel, const std::string& data);
    std::string decodeRequest(const char* payload, size_t n) const;
    bool sendAnswer(const CgiAnswer& a);
    void apply(const CgiAnswer& a);

    DeviceContext& device_;
    const int handle_;
    const int lanSearch_;
    const bool nas_;         // recorder framing
    bool ciphered_ = false;  // immutable after construction
    uint8_t key_[vantor::kSessionKeyBytes] = {};

    std::atomic<bool> alive_{true};
    std::atomic<bool> closing_{false};
    std::atomic<int64_t> lastActivity_ms_{0};
    std::atomic<uint64_t> answers_{0};
    std::mutex closeMutex_;
    bool forceClosed_ = false;  // guarded by closeMutex_
    std::thread commandThread_, talkThread_, mediaThread_;

    std::mutex alarmMutex_;  // serialises writers of channel 5

    std::mutex mediaMutex_;  // guards the stream requests below
    std::condition_variable mediaCv_;
    bool wantLive_ = false;
    std::shared_ptr<const VideoLoop> liveLoop_;
    uint8_t audioKind_ = vantor::kFrameCameraAudio;
    bool liveChanged_ = false;
    bool wantAudio_ = false;
    std::unique_ptr<PlaybackSource> playback_;
};

}  // namespace devsim
