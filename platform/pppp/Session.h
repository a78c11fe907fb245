// One transport session: a connected TCP socket (after the handshake) carrying the six
// channels as frames (pppp_wire.h). One I/O thread receives, grants credit, sends keep-alives
// and sends whatever a writer could not: write() puts its bytes on the (non-blocking) socket
// itself when no one else is sending, so the common path needs no hand-over between threads.
//
// Threads: any number of callers may use the public functions at once; each channel is meant
// to have one reader. The I/O thread never calls out of the transport. Blocking: read() waits
// at most its time-out, close(true) at most kGracefulCloseMs; everything else returns at once
// (write() may spend one non-blocking writev).
// Ownership: sessions are shared (std::shared_ptr); a caller keeps its reference for the length
// of a call, so a close from another thread wakes it but never frees memory under it.
//
// Results are the API's codes: 0 alive, ERROR_PPPP_SESSION_CLOSED_REMOTE (the peer closed, the
// connection broke or the peer broke the protocol), ERROR_PPPP_SESSION_CLOSED_TIMEOUT (nothing
// heard for kDeadIntervals keep-alive intervals), ERROR_PPPP_SESSION_CLOSED_CALLED (closed here).
#pragma once

#include <netinet/in.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "ByteQueue.h"
#include "FrameParser.h"
#include "PPPP_API.h"
#include "pppp_wire.h"

namespace vantor::pppp {

class Session final : private FrameParser::Sink {
  public:
    // Bytes a channel may hold written but not yet on the wire. A write that would pass it is
    // refused whole with ERROR_PPPP_REMOTE_SITE_BUFFER_FULL; callers pace with checkBuffer().
    static constexpr size_t kSendCapBytes = PPPP_SEND_BUFFER_CAP_BYTES;
    // Bytes per channel the peer may send before we have read them (our receive window).
    static constexpr uint32_t kReceiveWindowBytes = 2 * 1024 * 1024;
    static constexpr uint32_t kGrantThresholdBytes = kReceiveWindowBytes / 8;
    static constexpr int kGracefulCloseMs = 1000;
    static constexpr size_t kInputBufferBytes = 256 * 1024;

    struct Params {
        sockaddr_in local{};
        sockaddr_in remote{};
        char deviceId[kDeviceIdFieldBytes] = {};
        int lanSearch = 0;
        uint32_t peerWindowBytes = kMinWindowBytes;  // credit the peer granted per channel
    };

    // Takes ownership of the connected socket fd (handshake already done).
    Session(int fd, const Params& params);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Starts the I/O thread; false when it cannot be created (the session is then dead).
    bool start();

    // Queues all of size bytes or nothing. Returns size, ERROR_PPPP_INVALID_PARAMETER,
    // ERROR_PPPP_REMOTE_SITE_BUFFER_FULL or the session's error.
    int write(uint8_t channel, const char* data, int size);
    // See PPPP_Read.
    int read(uint8_t channel, char* data, int* size, uint32_t timeout_ms);
    // 0 while alive, else the session's error. Fills info (when not null) either way.
    int check(st_PPPP_Session* info);
    int checkBuffer(uint8_t channel, uint32_t* unsentWriteBytes, uint32_t* unreadBytes);
    // Closes the session (gracefully: queued data first, within kGracefulCloseMs). 0 the first
    // time, ERROR_PPPP_SESSION_CLOSED_CALLED after. Joins the I/O thread.
    int close(bool graceful);

    const Params& params() const { return params_; }

  private:
    using Clock = std::chrono::steady_clock;

    struct OutFrame {
        uint8_t head[kFrameHeadBytes + 4];
        uint32_t headBytes = 0;  // head plus inline control payload
        int channel = -1;        // data frames: payload is at the front of that send queue
        uint32_t dataBytes = 0;
        uint32_t sent = 0;  // of headBytes + dataBytes
    };

    struct Channel {
        ByteQueue send;               // written, not yet on the wire
        uint32_t sendCredit = 0;      // bytes the peer lets us send
        bool frameCommitted = false;  // a data frame of this channel is in outFrames_
        ByteQueue recv;               // received, not yet read
        uint32_t windowLeft = 0;      // bytes the peer may still send us
        uint32_t pendingGrant = 0;    // read but not yet granted back
        size_t needBytes = 0;         // what a blocked reader still waits for (0: nobody)
        std::condition_variable readable;
    };

    void ioLoop();
    void sendFromCaller();
    // Needs sendMutex_ and mutex_. Only the I/O thread adds keep-alives (mayPing).
    void fillOutFramesLocked(Clock::time_point now, bool mayPing);
    void addControlLocked(uint8_t type, uint8_t channel, const uint8_t* payload, uint32_t n);
    bool writeOut();  // needs sendMutex_; false on a socket error
    bool readIn();    // false on end of stream, socket error or protocol violation
    // FrameParser::Sink, called by readIn() with mutex_ held.
    bool dataBegins(uint8_t channel, uint32_t length) override;
    void data(uint8_t channel, const uint8_t* bytes, size_t n) override;
    bool credit(uint8_t channel, uint32_t bytes) override;
    void failLocked(int status);
    void wakeLocked();
    void notifyReaderLocked(uint8_t channel);
    void sendCloseBestEffort();

    // Immutable after construction.
    const Params params_;
    const Clock::time_point started_;
    const int keepAliveMs_;

    // Owned by the I/O thread.
    int wakeFd_;
    std::thread io_;
    std::vector<uint8_t> input_;
    FrameParser parser_;
    bool touched_[kChannelCount] = {};  // channels that got data in this read
    Clock::time_point lastRecv_;

    // Sending: the I/O thread or a caller's thread in write(), whoever holds sendMutex_.
    // Lock order: sendMutex_ before mutex_. fd_ is changed (closed, set to -1) only by the I/O
    // thread as it ends, under sendMutex_; the I/O thread itself reads it freely.
    std::mutex sendMutex_;
    int fd_;
    std::vector<OutFrame> outFrames_;  // guarded by sendMutex_
    bool socketBlocked_ = false;       // guarded by sendMutex_
    Clock::time_point lastSend_;       // guarded by sendMutex_

    // Guarded by mutex_.
    std::mutex mutex_;
    Channel channels_[kChannelCount];
    int status_ = 0;
    bool closing_ = false;  // a close is under way: writes fail
    bool stopIo_ = false;   // the I/O thread should send CLOSE and end
    bool wakePending_ = false;
    bool ioRunning_ = false;
    std::condition_variable drained_;  // send queues emptied or the session ended
};

}  // namespace vantor::pppp
