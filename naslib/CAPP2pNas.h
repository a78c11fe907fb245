// The recorder session reached through the P2P transport by its device ID: the SendCommand
// thread (connect, send, reconnect after a 3-second pause; seven connect time-outs end with
// event 10), the readers of channels 0, 1, 2, 4 and 5, the account check, and talk on
// channel 3. Requests are framed with NasCmdHead and never enciphered.
//
// Threads: SendCommand for the session's whole started life; per connection CheckAccount,
// RecvCommand, Video, Audio, Playback and Alarm. Talk is written by the caller.
// Locks: start/stop lock -> handle lock; start/stop lock -> worker lock; the SendCommand
// thread takes the handle lock and the worker lock one after the other, never both.
// Stop blocks until every thread has ended; it must not be called from a callback.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "CAPNas.h"
#include "IndeedRead.h"
#include "NasChannelReaders.h"
#include "NasP2pTransport.h"

namespace vantor {

inline constexpr int kNasAccountCheckWait_ms = 15000;
inline constexpr int kNasConnectTimeoutsBeforeEvent = 6;
inline constexpr uint32_t kNasUnsentLimitBytes = 1048576;
inline constexpr uint32_t kNasTalkUnsentLimitBytes = 8192;
inline constexpr int kNasTalkBlockBytes = 256;
inline constexpr int kNasAccountStopped = -2;

class CAPP2pNas : public CAPNas {
  public:
    explicit CAPP2pNas(const DeviceConnectInfo& info,
                       const NasP2pTransport& transport = DefaultNasP2pTransport());
    ~CAPP2pNas() override;

    int Start() override;
    int Stop() override;
    int StartStream(int streamId, int channel) override;
    int StopStream(int channel) override;
    int StartAudio(int streamId, int channel) override;
    int StopAudio(int channel) override;
    int StartTalk() override;
    int StopTalk() override;
    int SendTalkData(int channel, const char* data, int length) override;
    void SetAccountResult(int result) override;
    int AddCommandToBuf(int type, const char* text, int length, int value) override;

    bool connected() const { return connected_.load() != 0; }

  protected:
    void SendCommand() override;
    void RecvCommandProcess() override;
    void PlaybackProcess() override;
    void VideoReader() override;
    void AudioReader() override;
    void AlarmReader() override;
    void CheckAccountProcess() override;

  private:
    int ConnectOnce();
    void CloseSession();  // takes the handle lock
    void StartWorkerThreads();
    void StopWorkerThreads();
    // Step 7: write queued packets while the session lives. false when the thread must end.
    bool SendLoop(int handle, bool* lost);
    int QueueStreamRequest(int kind, int streamId, int channel);
    ChannelReadFn channelRead(int handle);
    void IdleWait(int ms) { wakeEvent_.wait(ms); }

    // immutable
    NasP2pTransport transport_;

    std::atomic<int> handle_{-1};  // written under handleLock_
    std::atomic<int> connected_{0};
    std::atomic<int> accountResult_{0};
    SignalEvent accountEvent_;  // set() so an answer before the wait is kept
    CriticalLock handleLock_;
    CriticalLock workerLock_;

    // the readers' fixed buffers, each used by one thread only
    NasHeadReader commandReader_;
    NasHeadReader alarmReader_;
    NasMediaReader videoReader_{kNasVideoMaxData};
    NasMediaReader audioReader_{kNasAudioMaxData};
    NasMediaReader playbackReader_{kNasPlaybackMaxData};
    std::unique_ptr<uint8_t[]> sendBuffer_;  // SendCommand thread only
};

}  // namespace vantor
