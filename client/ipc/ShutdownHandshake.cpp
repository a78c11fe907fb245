#include "ShutdownHandshake.h"

#include "IpcFrame.h"
#include "WindowEndpoint.h"

namespace vantor::client {

namespace {

class EndpointToolPort : public ShutdownHandshake::ToolPort {
  public:
    bool Exists(uint64_t tool) override { return WindowEndpoint::Exists(tool); }
    bool Post(uint64_t tool, uint32_t msg, uint64_t wparam) override {
        return WindowEndpoint::PostToEndpoint(tool, msg, wparam, 0);
    }
};

EndpointToolPort g_endpoint_port;

}  // namespace

ShutdownHandshake::ShutdownHandshake() : port_(&g_endpoint_port) {}

ShutdownHandshake::ShutdownHandshake(ToolPort& port) : port_(&port) {}

ShutdownHandshake::Action ShutdownHandshake::OnCloseRequest() {
    switch (state_) {
        case State::kClosing:
            return Action::kEndNow;
        case State::kAskingUser:
            return Action::kNone;  // the question is still open
        case State::kIdle:
        case State::kAwaitingAnswer:
            break;  // asking again is harmless, and notices a tool that went away
    }
    if (tool_ != 0 && port_->Exists(tool_) && port_->Post(tool_, kIpcMsgToolClose, 0)) {
        state_ = State::kAwaitingAnswer;
        return Action::kWaitForTool;
    }
    tool_ = 0;
    state_ = State::kClosing;
    return Action::kEndNow;
}

void ShutdownHandshake::OnToolHello(uint64_t tool) {
    if (tool != 0) {
        tool_ = tool;
    }
}

ShutdownHandshake::Action ShutdownHandshake::OnToolAnswer(uint64_t wparam) {
    if (state_ != State::kAwaitingAnswer) {
        return Action::kNone;
    }
    if (wparam == 1) {
        state_ = State::kAskingUser;
        return Action::kAskUser;
    }
    return Release();
}

ShutdownHandshake::Action ShutdownHandshake::OnUserAnswer(bool ok) {
    if (state_ != State::kAskingUser) {
        return Action::kNone;
    }
    if (ok) {
        return Release();
    }
    state_ = State::kIdle;
    return Action::kNone;
}

ShutdownHandshake::Action ShutdownHandshake::OnAnswerTimeout() {
    if (state_ != State::kAwaitingAnswer) {
        return Action::kNone;
    }
    if (!port_->Exists(tool_)) {
        tool_ = 0;
        state_ = State::kClosing;
        return Action::kCloseSelf;
    }
    state_ = State::kAskingUser;
    return Action::kAskUser;
}

void ShutdownHandshake::OnDestroy() {
    if (tool_ != 0) {
        port_->Post(tool_, kIpcMsgClose, 0);
        tool_ = 0;
    }
}

ShutdownHandshake::Action ShutdownHandshake::Release() {
    if (tool_ != 0) {
        port_->Post(tool_, kIpcMsgClose, 0);
    }
    tool_ = 0;
    state_ = State::kClosing;
    return Action::kCloseSelf;
}

}  // namespace vantor::client
