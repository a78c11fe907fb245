#include "NasCliSession.h"

#include <chrono>
#include <cstring>

namespace vantor::cli {

namespace {

using Clock = std::chrono::steady_clock;

void CopyText(char* field, size_t width, const std::string& text) {
    size_t n = std::min(text.size(), width - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

}  // namespace

NasCliSession::~NasCliSession() {
    if (id_ >= 0) {
        nas_net_work_stop(id_);
        nas_net_work_destroyInstance(id_);
    }
}

void NasCliSession::OnEvent(int e, void* u) {
    auto* s = static_cast<NasCliSession*>(u);
    {
        std::lock_guard<std::mutex> g(s->mu_);
        s->events_.push_back(e);
    }
    s->cv_.notify_all();
}

void NasCliSession::OnRecord(int type, const char* r, int n, void* u) {
    auto* s = static_cast<NasCliSession*>(u);
    {
        std::lock_guard<std::mutex> g(s->mu_);
        s->records_.emplace_back(type, std::vector<char>(r, r + n));
    }
    s->cv_.notify_all();
}

void NasCliSession::OnResult(int type, int result, void* u) {
    auto* s = static_cast<NasCliSession*>(u);
    {
        std::lock_guard<std::mutex> g(s->mu_);
        s->results_.emplace_back(type, result);
    }
    s->cv_.notify_all();
}

void NasCliSession::OnFile(const NasRecordFileEntry* e, void* u) {
    auto* s = static_cast<NasCliSession*>(u);
    {
        std::lock_guard<std::mutex> g(s->mu_);
        s->files_.push_back(*e);
    }
    s->cv_.notify_all();
}

void NasCliSession::OnFrame(const char* f, int n, void* u) {
    auto* s = static_cast<NasCliSession*>(u);
    {
        std::lock_guard<std::mutex> g(s->mu_);
        s->frames_.emplace_back(f, f + n);
    }
    s->cv_.notify_all();
}

bool NasCliSession::Open(const CliSession::Target& target, const std::string& user,
                         const std::string& password, int timeout_ms, std::string* error) {
    DeviceConnectInfo info{};
    CopyText(info.user, sizeof info.user, user);
    CopyText(info.password, sizeof info.password, password);
    CopyText(info.host, sizeof info.host, target.host);
    CopyText(info.deviceId, sizeof info.deviceId, target.deviceId);
    info.port = target.port;
    const bool p2p = !target.deviceId.empty();
    id_ = nas_net_work_createInstance(info, p2p ? MORSK_KIND_P2P : MORSK_KIND_TCP);
    if (id_ < 0) {
        *error = "the recorder library refused the instance (" + std::to_string(id_) + ")";
        return false;
    }
    nas_net_work_set_event_callback(id_, &OnEvent, this);
    nas_net_work_param_callback(id_, &OnRecord, &OnResult, this);
    nas_record_file_callback(id_, &OnFile, this);
    nas_record_data_callback(id_, &OnFrame, this);
    nas_net_work_start(id_);
    if (!p2p)
        return true;

    // Events that end the attempt; 11 (lost) is followed by a reconnect, so it is not one.
    auto final = [](int e) {
        return e == MORSK_EVENT_ONLINE || e == MORSK_EVENT_REJECTED ||
               e == MORSK_EVENT_INVALID_ID || e == MORSK_EVENT_NOT_ONLINE ||
               e == MORSK_EVENT_TIMEOUT || e == MORSK_EVENT_CONNECT_FAIL;
    };
    std::unique_lock<std::mutex> g(mu_);
    cv_.wait_for(g, std::chrono::milliseconds(timeout_ms), [&] {
        for (int e : events_) {
            if (final(e))
                return true;
        }
        return false;
    });
    const std::string& dev = target.deviceId;
    for (int e : events_) {
        switch (e) {
            case MORSK_EVENT_ONLINE:
                return true;
            case MORSK_EVENT_REJECTED:
                *error = "the recorder did not accept user \"" + user + "\" and its password";
                return false;
            case MORSK_EVENT_INVALID_ID:
                *error = "the transport refused the device ID \"" + dev + "\"";
                return false;
            case MORSK_EVENT_NOT_ONLINE:
                *error = "recorder " + dev + " is not online";
                return false;
            case MORSK_EVENT_TIMEOUT:
                *error = "recorder " + dev + " did not answer (timed out)";
                return false;
            case MORSK_EVENT_CONNECT_FAIL:
                *error = "no connection to recorder " + dev;
                return false;
            default:
                break;
        }
    }
    *error = "no connection to recorder " + dev + " in time";
    return false;
}

bool NasCliSession::Query(int type, int deliveredType, const void* request, size_t requestSize,
                          int timeout_ms, std::vector<char>* record) {
    {
        std::lock_guard<std::mutex> g(mu_);
        records_.clear();
    }
    int sent = request != nullptr ? nas_net_work_device_GetParamEx(id_, type, request,
                                                                   static_cast<int>(requestSize))
                                  : nas_net_work_get_param(id_, type);
    if (sent <= 0)
        return false;
    std::unique_lock<std::mutex> g(mu_);
    return cv_.wait_for(g, std::chrono::milliseconds(timeout_ms), [&] {
        for (auto& r : records_) {
            if (r.first == deliveredType) {
                *record = r.second;
                return true;
            }
        }
        return false;
    });
}

bool NasCliSession::Set(int type, const void* record, size_t size, int timeout_ms, int* result) {
    {
        std::lock_guard<std::mutex> g(mu_);
        results_.clear();
    }
    if (nas_net_work_set_param(id_, type, record, static_cast<int>(size)) <= 0)
        return false;
    std::unique_lock<std::mutex> g(mu_);
    return cv_.wait_for(g, std::chrono::milliseconds(timeout_ms), [&] {
        for (auto& r : results_) {
            if (r.first == type) {
                *result = r.second;
                return true;
            }
        }
        return false;
    });
}

bool NasCliSession::WaitFiles(int timeout_ms, std::vector<NasRecordFileEntry>* entries) {
    std::unique_lock<std::mutex> g(mu_);
    bool ok = cv_.wait_for(g, std::chrono::milliseconds(timeout_ms), [&] {
        return !files_.empty() && files_.back().index >= files_.back().total;
    });
    *entries = files_;
    return ok;
}

int NasCliSession::CollectFrames(FILE* out, int timeout_ms,
                                 const std::function<bool(const char*, int)>& done) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    int written = 0;
    for (;;) {
        std::vector<std::vector<char>> batch;
        {
            std::unique_lock<std::mutex> g(mu_);
            cv_.wait_until(g, deadline, [&] { return !frames_.empty(); });
            batch.swap(frames_);
        }
        for (const auto& f : batch) {
            fwrite(f.data(), 1, f.size(), out);
            ++written;
            if (done(f.data(), static_cast<int>(f.size())))
                return written;
        }
        if (batch.empty() && Clock::now() >= deadline)
            return written;
    }
}

}  // namespace vantor::cli
