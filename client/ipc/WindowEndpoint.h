// A window's address for the record download program: a Unix-domain stream socket that stands
// in for the window handle of a window message.
//
// Handles: a window handle is a non-zero u64, (process id << 32) | per-process counter; it
// names the socket "<dir>/vantor-wnd-<pid>-<counter>", where <dir> is $XDG_RUNTIME_DIR when
// set to an absolute path, else /tmp. The handle is what goes on the download program's
// command line and in the wParam of message 10024; both programs must see the same <dir>
// (the download program inherits the client's environment).
//
// Receiving: each connection carries IpcFrames (IpcFrame.h). A frame whose message number is
// in the accepted list is posted to the target with PostMessage (PostMessage.h): a plain
// frame as (msg, wParam, lParam); a frame with a payload as (msg, wParam, ticket), where the
// ticket is a non-zero number for TakePayload, which gives back the frame's own lParam and
// the bytes. Anything else - a message number not accepted, a bad head, a frame cut short by
// the end of the stream, a peer of another user - closes that connection and is reported with
// DebugOut; the endpoint itself keeps serving.
//
// Thread: an endpoint is created, used and destroyed on one thread that runs a Qt event loop
// (the user-interface thread); it reads there through socket notifiers and never blocks.
// The static functions may be called from any thread; they block for at most kIoTimeoutMs to
// connect and 2 * kIoTimeoutMs to write.
// Ownership: the endpoint owns its socket and path (removed on destruction) and its
// connections; the target is not owned and must outlive the endpoint.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "IpcFrameReader.h"

namespace vantor::client {

class WindowEndpoint {
  public:
    using Handle = uint64_t;

    struct Payload {
        int64_t lparam = 0;          // the frame's lParam (the data identifier of copy-data)
        std::vector<uint8_t> bytes;  // at most kIpcMaxPayloadBytes
    };

    static constexpr size_t kMaxConnections = 8;       // a newer one replaces the oldest
    static constexpr size_t kMaxPendingPayloads = 16;  // untaken payloads: the oldest goes
    static constexpr int kIoTimeoutMs = 500;
    static constexpr int kListenBacklog = 16;
    static constexpr int kMaxOpenAttempts = 16;  // counters tried when a name is taken
    static constexpr size_t kReadChunkBytes = 4096;
    static constexpr int kMaxReadsPerWakeup = 16;  // the notifier fires again for the rest

    // target: receives the posted messages. accepted_msgs: the message numbers this window
    // takes from outside; others are refused (a posted client message may carry a pointer).
    WindowEndpoint(QObject* target, std::vector<uint32_t> accepted_msgs);
    ~WindowEndpoint();
    WindowEndpoint(const WindowEndpoint&) = delete;
    WindowEndpoint& operator=(const WindowEndpoint&) = delete;

    // Creates the socket (mode 0600). A stale socket of this user left at the chosen path by
    // a process that ended is replaced; anything else there is left alone and the next
    // counter is tried. false when no endpoint could be made (the handle stays 0).
    bool Open();

    Handle handle() const { return handle_; }
    const std::string& path() const { return path_; }

    // The payload posted with this ticket; empty when unknown, taken already or dropped.
    std::optional<Payload> TakePayload(intptr_t ticket);

    // Sends one frame to the endpoint named by handle. false when the handle names nothing,
    // nobody listens there, the payload is over kIpcMaxPayloadBytes, or the time-out passed.
    // true means the frame was handed to the receiver's socket, not that it was handled.
    static bool PostToEndpoint(Handle handle, uint32_t msg, uint64_t wparam, int64_t lparam,
                               std::span<const uint8_t> payload = {});

    // Whether a window of that handle still exists (its endpoint accepts connections).
    static bool Exists(Handle handle);

    // The socket path of a handle; empty for a handle that cannot name one (0, pid 0,
    // counter 0, or a path longer than a socket address holds).
    static std::string PathOf(Handle handle);
    static std::string RuntimeDir();

  private:
    struct Connection {
        int fd = -1;
        std::unique_ptr<QSocketNotifier> notifier;
        IpcFrameReader reader;
    };

    void OnAcceptable();
    void OnReadable(Connection* conn);
    // false when the frame is refused (the connection is then closed).
    bool Deliver(IpcFrame&& frame);
    void CloseConnection(Connection* conn);
    void DropRetired();

    QObject* target_;
    const std::vector<uint32_t> accepted_msgs_;
    int listen_fd_ = -1;
    Handle handle_ = 0;
    std::string path_;
    std::unique_ptr<QSocketNotifier> listen_notifier_;
    std::deque<std::unique_ptr<Connection>> connections_;  // oldest first
    // Notifiers of closed connections; a notifier is not deleted inside its own signal.
    std::vector<std::unique_ptr<QSocketNotifier>> retired_;
    std::deque<std::pair<intptr_t, Payload>> payloads_;  // oldest first
    intptr_t next_ticket_ = 1;
};

}  // namespace vantor::client
