// A scripted recorder on the transport's device face, for end-to-end tests of the library.
// It accepts sessions for its device ID, reads NasCmdHead-framed requests on channel 0,
// records every request text and answers each CGI through a handler (answer ID + key=value
// text); check_user.cgi and get_users.cgi have defaults. Tests push media frames and alarm
// messages on the other channels.
//
// Thread: one accept thread and one reader per session; the public calls are thread-safe.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "RequestLog.h"

class FakeRecorder {
  public:
    FakeRecorder(const std::string& deviceId, const std::string& user, const std::string& pwd);
    ~FakeRecorder();

    bool start();
    void stop();
    void on(const std::string& cgi, FakeHandler h);

    RequestLog& log() { return log_; }
    // On the most recent session.
    bool sendRaw(int channel, const void* data, size_t n);
    bool sendAlarm(uint16_t recorderChannel, const std::string& payload);
    bool readRaw(int channel, size_t n, int timeout_ms, std::string* out);
    // Bytes waiting unread on a channel of the most recent session (-1 without one).
    long unread(int channel);

  private:
    void acceptLoop();
    void sessionLoop(int session);
    FakeAnswer handle(const std::string& cgi, const std::string& request);
    int lastSession();

    std::string id_, user_, pwd_;
    int device_ = -1;
    std::atomic<bool> running_{false};
    std::thread acceptThread_;
    RequestLog log_;
    std::mutex mu_;
    std::map<std::string, FakeHandler> handlers_;  // guarded by mu_
    std::vector<int> sessions_;                    // guarded by mu_
    std::vector<std::thread> sessionThreads_;      // guarded by mu_
    std::mutex writeMu_;
};
