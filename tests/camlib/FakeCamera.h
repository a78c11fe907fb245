// A scripted camera on the transport's device face, for end-to-end tests of the library.
//
// It accepts sessions for its device ID, deciphers requests (handshake form, enciphered form
// or plain) with the session key of its family, records every request text, and answers each
// CGI through a handler: answer code + key=value text, plain (0x0A01) or enciphered (0x0A02)
// as configured. Tests push media frames and alarms on the other channels.
//
// Thread: one accept thread and one reader per session; the public calls are thread-safe.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SessionCipher.h"

class FakeCamera {
  public:
    struct Answer {
        int code = 0;  // 0: no answer
        std::string text;
    };
    // request: the whole deciphered request text; cgi: its CGI name.
    using Handler = std::function<Answer(const std::string& cgi, const std::string& request)>;

    FakeCamera(const std::string& deviceId, const std::string& user, const std::string& pwd,
               bool cipheredAnswers);
    ~FakeCamera();

    bool start();  // registers the ID and accepts sessions
    void stop();   // stops accepting and closes every session

    // Replaces the answer of one CGI (the defaults answer check_user, get_params and every
    // set_* with success).
    void on(const std::string& cgi, Handler h);

    // Waits (with a deadline) until a request whose text contains `needle` arrived; returns it.
    bool waitRequest(const std::string& needle, int timeout_ms, std::string* request = nullptr);
    std::vector<std::string> requests();
    int countRequests(const std::string& needle);

    // Writes on the most recent session.
    bool sendMedia(int channel, uint8_t kind, uint32_t seq, uint32_t seconds, uint16_t ms,
                   const std::string& data);
    bool sendAlarm(uint16_t cmd, const std::vector<uint8_t>& payload);
    bool sendRaw(int channel, const void* data, size_t n);
    // Reads n bytes from the client on `channel` of the most recent session, waiting at most
    // timeout_ms; false when they did not all come.
    bool readRaw(int channel, size_t n, int timeout_ms, std::string* out);

    std::string defaultGetParams() const;

  private:
    void acceptLoop();
    void sessionLoop(int session);
    std::string decodeRequest(const std::vector<uint8_t>& payload);
    bool answer(int session, int code, const std::string& text);
    Answer handle(const std::string& cgi, const std::string& request);

    std::string id_, user_, pwd_;
    bool ciphered_;
    uint8_t key_[vantor::kSessionKeyBytes] = {};
    int device_ = -1;
    std::atomic<bool> running_{false};
    std::thread acceptThread_;

    std::mutex mu_;
    std::condition_variable cv_;
    std::vector<std::string> requests_;                      // guarded by mu_
    std::vector<std::pair<std::string, Handler>> handlers_;  // guarded by mu_
    std::vector<int> sessions_;                              // guarded by mu_
    std::vector<std::thread> sessionThreads_;                // guarded by mu_
    std::mutex writeMu_;                                     // one writer per channel at a time
};
