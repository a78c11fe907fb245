#include "CliSession.h"

#include <chrono>

namespace vantor::cli {
namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

CliSession::CliSession() {
    device_net_work_init(nullptr);
}

CliSession::~CliSession() {
    if (id_ >= 0) {
        device_net_work_stop(id_);
        device_net_work_destroyInstance(id_);
    }
    device_net_work_deInit();
}

void CliSession::OnEvent(int e, void* u) {
    auto* s = static_cast<CliSession*>(u);
    std::lock_guard<std::mutex> g(s->mu_);
    s->events_.push_back(e);
    s->cv_.notify_all();
}

void CliSession::OnData(int type, const char* r, int n, void* u) {
    auto* s = static_cast<CliSession*>(u);
    std::lock_guard<std::mutex> g(s->mu_);
    s->data_.emplace_back(type, std::vector<char>(r, r + n));
    s->cv_.notify_all();
}

void CliSession::OnResult(int type, int result, void* u) {
    auto* s = static_cast<CliSession*>(u);
    std::lock_guard<std::mutex> g(s->mu_);
    s->results_.emplace_back(type, result);
    s->cv_.notify_all();
}

void CliSession::OnFile(const DarvelRecordListEntry* e, void* u) {
    auto* s = static_cast<CliSession*>(u);
    std::lock_guard<std::mutex> g(s->mu_);
    s->files_.push_back(*e);
    s->cv_.notify_all();
}

void CliSession::OnFrame(const char* f, int n, void* u) {
    auto* s = static_cast<CliSession*>(u);
    std::lock_guard<std::mutex> g(s->mu_);
    s->frames_.emplace_back(f, f + n);
    s->cv_.notify_all();
}

bool CliSession::Open(const Target& target, const std::string& user, const std::string& password,
                      int timeout_ms, std::string* error) {
    const std::string& deviceId = target.deviceId;
    const bool tcp = !target.host.empty();
    id_ = device_net_work_createInstanceEx(user.c_str(), password.c_str(), deviceId.c_str(),
                                           target.host.c_str(), target.port,
                                           tcp ? DARVEL_KIND_TCP : DARVEL_KIND_P2P);
    if (id_ < 0) {
        *error = "cannot create an instance (" + std::to_string(id_) + ")";
        return false;
    }
    device_net_work_set_event_callback(id_, &OnEvent, this);
    device_net_work_param_callback(id_, &OnData, &OnResult, this);
    device_record_file_callback(id_, &OnFile, this);
    device_record_data_callback(id_, &OnFrame, this);
    if (tcp) {
        // Every command opens its own connection: nothing to wait for here.
        return device_net_work_start(id_) == 1;
    }
    if (target.battery) {
        device_net_work_startBat(id_);
    } else {
        device_net_work_start(id_);
    }
    std::unique_lock<std::mutex> g(mu_);
    bool sawCheck = false;
    bool done = cv_.wait_for(g, std::chrono::milliseconds(timeout_ms), [&] {
        for (int e : events_) {
            if (e == DARVEL_EVENT_CHECKING)
                sawCheck = true;
            if (e == DARVEL_EVENT_ONLINE || e == DARVEL_EVENT_INVALID_ID)
                return true;
        }
        return false;
    });
    for (int e : events_) {
        if (e == DARVEL_EVENT_ONLINE)
            return true;
        if (e == DARVEL_EVENT_INVALID_ID) {
            *error = "the transport refused the device ID \"" + deviceId + "\"";
            return false;
        }
    }
    (void)done;
    if (sawCheck) {
        *error = "the device did not accept user \"" + user + "\" and its password";
    } else {
        bool notOnline = false;
        for (int e : events_)
            notOnline = notOnline || e == DARVEL_EVENT_NOT_ONLINE;
        *error = notOnline ? "device " + deviceId + " is not online"
                           : "no connection to device " + deviceId + " in time";
    }
    return false;
}

bool CliSession::Query(int type, int deliveredType, int timeout_ms, std::vector<char>* record) {
    {
        std::lock_guard<std::mutex> g(mu_);
        data_.clear();
    }
    if (device_net_work_get_param(id_, type) != 1) {
        return false;
    }
    std::unique_lock<std::mutex> g(mu_);
    return cv_.wait_for(g, std::chrono::milliseconds(timeout_ms), [&] {
        for (auto& d : data_) {
            if (d.first == deliveredType) {
                *record = d.second;
                return true;
            }
        }
        return false;
    });
}

bool CliSession::Set(int type, const void* record, size_t size, int timeout_ms, int* result) {
    {
        std::lock_guard<std::mutex> g(mu_);
        results_.clear();
    }
    if (device_net_work_set_param(id_, type, record, static_cast<int>(size)) != 1) {
        return false;
    }
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

bool CliSession::Transfer(const DarvelTransferRecord& record, int timeout_ms,
                          const std::function<void(int)>& progress, int* outcome) {
    {
        std::lock_guard<std::mutex> g(mu_);
        results_.clear();
    }
    int r = device_net_work_transmit_file(id_, &record);
    if (r != 1) {
        *outcome = r;
        return false;
    }
    size_t seen = 0;
    while (true) {
        std::vector<std::pair<int, int>> fresh;
        {
            std::unique_lock<std::mutex> g(mu_);
            if (!cv_.wait_for(g, std::chrono::milliseconds(timeout_ms),
                              [&] { return results_.size() > seen; })) {
                return false;
            }
            fresh.assign(results_.begin() + static_cast<long>(seen), results_.end());
            seen = results_.size();
        }
        for (const auto& x : fresh) {
            if (x.first == 0x2718) {
                progress(x.second);
            } else if (x.first == 0x2717) {
                *outcome = x.second;
                return true;
            }
        }
    }
}

bool CliSession::WaitRecordList(int timeout_ms, std::vector<DarvelRecordListEntry>* entries) {
    std::unique_lock<std::mutex> g(mu_);
    bool ok = cv_.wait_for(g, std::chrono::milliseconds(timeout_ms), [&] {
        if (files_.empty())
            return false;
        const DarvelRecordListEntry& last = files_.back();
        return last.total == 0 || last.index >= last.total;
    });
    *entries = files_;
    return ok;
}

int CliSession::CollectFrames(bool, FILE* out, int timeout_ms,
                              const std::function<bool(const char*, int)>& done) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    int written = 0;
    while (true) {
        std::vector<std::vector<char>> batch;
        {
            std::unique_lock<std::mutex> g(mu_);
            cv_.wait_until(g, deadline, [&] { return !frames_.empty(); });
            batch.swap(frames_);
        }
        for (const auto& f : batch) {
            fwrite(f.data(), 1, f.size(), out);
            ++written;
            if (done(f.data(), static_cast<int>(f.size()))) {
                return written;
            }
        }
        if (batch.empty() && Clock::now() >= deadline) {
            return written;
        }
    }
}

}  // namespace vantor::cli
