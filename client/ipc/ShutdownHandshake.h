// The main window's closing rules while the record download program may be running.
//
// A close request first asks the tool (message 10025, wParam 0) when one registered with 10024
// and still exists; the tool answers with 10025, wParam 1 while downloads run. Then the user
// is asked, or the tool is told to close (kIpcMsgClose), forgotten, and the window closes
// itself. A tool that no longer exists, or that a message cannot reach, counts as none.
//
// Two rules are this client's own: an answer that nobody asked for is ignored (a stray 10025
// must not close the window), and a tool that does not answer within kToolAnswerTimeoutMs is
// handled as if it had said downloads run, so the user decides instead of the window never
// closing. The caller runs that timer and calls OnAnswerTimeout.
//
// Thread: plain logic on the main window's thread. Calls to the ToolPort block as its calls
// do (WindowEndpoint: bounded by its time-outs).
#pragma once

#include <cstdint>

namespace vantor::client {

class ShutdownHandshake {
  public:
    // How the handshake reaches the tool's window.
    class ToolPort {
      public:
        virtual ~ToolPort() = default;
        virtual bool Exists(uint64_t tool) = 0;
        virtual bool Post(uint64_t tool, uint32_t msg, uint64_t wparam) = 0;
    };

    // What the window does next.
    enum class Action {
        kNone,         // nothing (also: message ignored)
        kEndNow,       // accept the close: the window ends
        kWaitForTool,  // refuse this close; the tool was asked, start the answer timer
        kAskUser,      // show DevManageContent 17 with OK/Cancel, then call OnUserAnswer
        kCloseSelf,    // post a close request to the window itself (it will end)
    };

    static constexpr int kToolAnswerTimeoutMs = 5000;

    // Reaches the tool through WindowEndpoint.
    ShutdownHandshake();
    // Reaches the tool through port, which must outlive this object.
    explicit ShutdownHandshake(ToolPort& port);

    Action OnCloseRequest();
    // Message 10024: the tool's window handle (0 is ignored); a later one replaces it.
    void OnToolHello(uint64_t tool);
    // Message 10025 from the tool.
    Action OnToolAnswer(uint64_t wparam);
    // The answer to the question of kAskUser: ok closes both, Cancel keeps running.
    Action OnUserAnswer(bool ok);
    Action OnAnswerTimeout();
    // The window is being destroyed: a registered tool is told to close.
    void OnDestroy();

    uint64_t tool() const { return tool_; }
    bool awaiting_answer() const { return state_ == State::kAwaitingAnswer; }

  private:
    enum class State { kIdle, kAwaitingAnswer, kAskingUser, kClosing };

    // Tells the tool to close, forgets it; the window then closes itself.
    Action Release();

    ToolPort* port_;
    uint64_t tool_ = 0;
    State state_ = State::kIdle;
};

}  // namespace vantor::client
