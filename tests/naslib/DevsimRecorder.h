// A devsim process running one simulated recorder on loopback, driven through its control
// commands on standard input (one line in, one reply line out).
//
// Thread: the test thread only. Ownership: the destructor ends the process and removes the
// fleet file it wrote.
#pragma once

#include <sys/types.h>

#include <string>

class DevsimRecorder {
  public:
    static constexpr int kReadyTimeout_ms = 60000;
    static constexpr int kReplyTimeout_ms = 10000;
    static constexpr size_t kMaxLineBytes = 4096;

    // deviceId: unique per process (parallel test processes share the discovery port).
    DevsimRecorder(std::string deviceId, std::string user, std::string password);
    ~DevsimRecorder();
    DevsimRecorder(const DevsimRecorder&) = delete;
    DevsimRecorder& operator=(const DevsimRecorder&) = delete;

    // Writes the fleet file, starts devsim and waits for "ready". False on any failure.
    bool start();
    // One control command; the reply line without its "ok " prefix, or "error..." as sent.
    std::string command(const std::string& line);
    // The reply of "get ID KEY", without "ok ".
    std::string setting(const std::string& key);

    const std::string& id() const { return id_; }
    const std::string& httpHost() const { return httpHost_; }
    int httpPort() const { return httpPort_; }

  private:
    bool readLine(std::string* line, int timeout_ms);

    const std::string id_, user_, password_;
    std::string fleetPath_;
    std::string httpHost_;
    int httpPort_ = 0;
    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string pending_;  // bytes read past the last line
};
