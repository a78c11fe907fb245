// Shared pieces of the scripted recorders: the answer type, the request log with deadline
// waits, and helpers to name a request's CGI and to build media frames.
//
// Thread: RequestLog is thread-safe.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct FakeAnswer {
    int id = 0;  // P2P answer ID; 0: no answer
    std::string text;
};
using FakeHandler = std::function<FakeAnswer(const std::string& cgi, const std::string& request)>;

// Request log shared by both fakes.
class RequestLog {
  public:
    void add(const std::string& r);
    bool wait(const std::string& needle, int timeout_ms, std::string* request = nullptr);
    int count(const std::string& needle);
    std::vector<std::string> all();

  private:
    std::mutex mu_;
    std::condition_variable cv_;
    std::vector<std::string> requests_;
};

// The CGI name of a request text ("GET get_status.cgi?..." -> "get_status.cgi").
std::string CgiOf(const std::string& request);
// A media frame: 32-byte head + data.
std::string MediaFrame(uint8_t kind, uint32_t seq, uint32_t seconds, uint16_t ms,
                       const std::string& data);
