#include "RequestLog.h"

#include <chrono>
#include <cstring>

#include "MediaFrameHead.h"

using namespace vantor;

void RequestLog::add(const std::string& r) {
    {
        std::lock_guard<std::mutex> g(mu_);
        requests_.push_back(r);
    }
    cv_.notify_all();
}

bool RequestLog::wait(const std::string& needle, int timeout_ms, std::string* request) {
    std::unique_lock<std::mutex> g(mu_);
    return cv_.wait_for(g, std::chrono::milliseconds(timeout_ms), [&] {
        for (const auto& r : requests_) {
            if (r.find(needle) != std::string::npos) {
                if (request != nullptr)
                    *request = r;
                return true;
            }
        }
        return false;
    });
}

int RequestLog::count(const std::string& needle) {
    std::lock_guard<std::mutex> g(mu_);
    int n = 0;
    for (const auto& r : requests_)
        n += r.find(needle) != std::string::npos ? 1 : 0;
    return n;
}

std::vector<std::string> RequestLog::all() {
    std::lock_guard<std::mutex> g(mu_);
    return requests_;
}

std::string CgiOf(const std::string& request) {
    size_t start = request.rfind("GET ", 0) == 0 ? 4 : 0;
    if (request.size() > start && request[start] == '/')
        ++start;
    size_t q = request.find('?', start);
    return request.substr(start, q == std::string::npos ? std::string::npos : q - start);
}

std::string MediaFrame(uint8_t kind, uint32_t seq, uint32_t seconds, uint16_t ms,
                       const std::string& data) {
    MediaFrameHead h{};
    h.magic = kMediaFrameMagic;
    h.kind = kind;
    h.seconds = seconds;
    h.millis = ms;
    h.sequence = seq;
    h.dataLen = static_cast<uint32_t>(data.size());
    std::string f(reinterpret_cast<const char*>(&h), sizeof h);
    return f + data;
}
