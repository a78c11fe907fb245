// The recorder session reached directly over TCP by host and port: one HTTP exchange per
// command on the SendCommand thread (a new connection each time), and three long-lived
// stream connections (playback, live video, audio) with a reader each. It reports no events.
//
// Threads: SendCommand for the session's started life; one reader per open stream.
// Locks: start/stop lock -> stream lock -> command lock. Stop blocks until every thread has
// ended; it must not be called from a callback.
#pragma once

#include <atomic>

#include "CAPHttpClient.h"
#include "CAPNas.h"
#include "NasHttpExchange.h"
#include "NasTcpStream.h"

namespace vantor {

inline constexpr size_t kNasTalkFrameBytes = 4096;  // one TCP talk frame, head included

class CAPTcpNas : public CAPNas {
  public:
    explicit CAPTcpNas(const DeviceConnectInfo& info);
    ~CAPTcpNas() override;

    int Start() override;
    int Stop() override;
    int StartStream(int streamId, int channel) override;
    int StopStream(int channel) override;
    int StartAudio(int streamId, int channel) override;
    int StopAudio(int channel) override;
    int StartTalk() override { return 1; }
    int StopTalk() override { return 1; }
    int SendTalkData(int channel, const char* data, int length) override;
    int PlaybackControl(const void* request) override;
    int AddCommandToBuf(int type, const char* text, int length, int value) override;

  protected:
    void SendCommand() override;
    void RecvCommandProcess() override {}
    void PlaybackProcess() override {}
    void VideoReader() override {}
    void AudioReader() override {}
    void AlarmReader() override {}
    void CheckAccountProcess() override {}

  private:
    enum class Stream { kLive, kAudio };
    int OpenStream(Stream which, int streamId, int channel);
    void OnLiveFrame(const char* frame, int length);

    std::atomic<bool> started_{false};
    CAPHttpClient http_;  // SendCommand thread; Close also from Stop
    CriticalLock streamLock_;
    // guarded by streamLock_
    NasTcpStream playback_;
    NasTcpStream live_;
    NasTcpStream audio_;
};

}  // namespace vantor
