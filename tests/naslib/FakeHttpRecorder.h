// A scripted recorder on 127.0.0.1 (an ephemeral port) for the TCP sessions: each command
// connection gets one HTTP answer (body = the handler's text) and is closed; livestream,
// audiostream and nas_recordplay connections stay open so tests can push frames on them.
//
// Thread: one accept thread and one thread per connection; the public calls are thread-safe.
#pragma once

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "RequestLog.h"

class FakeHttpRecorder {
  public:
    FakeHttpRecorder(const std::string& user, const std::string& pwd);
    ~FakeHttpRecorder();

    bool start();  // listens on 127.0.0.1
    void stop();
    int port() const { return port_; }
    void on(const std::string& cgi, FakeHandler h);
    RequestLog& log() { return log_; }

    // Waits for the stream connection of the CGI (livestream.cgi, audiostream.cgi,
    // nas_recordplay.cgi) and writes bytes on its most recent connection.
    bool sendStream(const std::string& cgi, const std::string& bytes, int timeout_ms = 5000);

  private:
    void acceptLoop();
    void serve(int fd);  // serveOne, then closes fd
    void serveOne(int fd);

    std::string user_, pwd_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> running_{false};
    std::thread acceptThread_;
    RequestLog log_;
    std::mutex mu_;
    std::condition_variable cv_;
    std::map<std::string, FakeHandler> handlers_;  // guarded by mu_
    std::map<std::string, int> streams_;           // guarded by mu_: cgi -> fd
    std::vector<int> fds_;                         // guarded by mu_
    std::vector<std::thread> threads_;             // guarded by mu_
};
