#include "CliSession.h"

#include <chrono>

namespace vantor::cli {
namespace {}  // namespace

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
    static_cast<CliSession*>(u)->inbox_.AddEvent(e);
}

void CliSession::OnData(int type, const char* r, int n, void* u) {
    static_cast<CliSession*>(u)->inbox_.AddRecord(type, r, n);
}

void CliSession::OnResult(int type, int result, void* u) {
    static_cast<CliSession*>(u)->inbox_.AddResult(type, result);
}

void CliSession::OnFile(const DarvelRecordListEntry* e, void* u) {
    static_cast<CliSession*>(u)->inbox_.AddFile(*e);
}

void CliSession::OnFrame(const char* f, int n, void* u) {
    static_cast<CliSession*>(u)->inbox_.AddFrame(f, n);
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
    inbox_.Wait(timeout_ms, [&] {
        for (int e : inbox_.events()) {
            if (e == DARVEL_EVENT_ONLINE || e == DARVEL_EVENT_INVALID_ID)
                return true;
        }
        return false;
    });
    const std::vector<int> events = inbox_.Snapshot(inbox_.events());
    bool sawCheck = false;
    for (int e : events) {
        sawCheck = sawCheck || e == DARVEL_EVENT_CHECKING;
    }
    for (int e : events) {
        if (e == DARVEL_EVENT_ONLINE)
            return true;
        if (e == DARVEL_EVENT_INVALID_ID) {
            *error = "the transport refused the device ID \"" + deviceId + "\"";
            return false;
        }
    }
    if (sawCheck) {
        *error = "the device did not accept user \"" + user + "\" and its password";
    } else {
        bool notOnline = false;
        for (int e : events)
            notOnline = notOnline || e == DARVEL_EVENT_NOT_ONLINE;
        *error = notOnline ? "device " + deviceId + " is not online"
                           : "no connection to device " + deviceId + " in time";
    }
    return false;
}

bool CliSession::Query(int type, int deliveredType, int timeout_ms, std::vector<char>* record) {
    inbox_.ClearRecords();
    if (device_net_work_get_param(id_, type) != 1) {
        return false;
    }
    return inbox_.WaitRecord(deliveredType, timeout_ms, record);
}

bool CliSession::Set(int type, const void* record, size_t size, int timeout_ms, int* result) {
    inbox_.ClearResults();
    if (device_net_work_set_param(id_, type, record, static_cast<int>(size)) != 1) {
        return false;
    }
    return inbox_.WaitResult(type, timeout_ms, result);
}

bool CliSession::Transfer(const DarvelTransferRecord& record, int timeout_ms,
                          const std::function<void(int)>& progress, int* outcome) {
    inbox_.ClearResults();
    int r = device_net_work_transmit_file(id_, &record);
    if (r != 1) {
        *outcome = r;
        return false;
    }
    size_t seen = 0;
    while (true) {
        std::vector<std::pair<int, int>> fresh;
        const bool more = inbox_.Wait(timeout_ms, [&] {
            const auto& results = inbox_.results();
            if (results.size() <= seen)
                return false;
            fresh.assign(results.begin() + static_cast<long>(seen), results.end());
            seen = results.size();
            return true;
        });
        if (!more) {
            return false;
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
    const bool ok = inbox_.Wait(timeout_ms, [&] {
        const auto& files = inbox_.files();
        return !files.empty() &&
               (files.back().total == 0 || files.back().index >= files.back().total);
    });
    *entries = inbox_.Snapshot(inbox_.files());
    return ok;
}

int CliSession::CollectFrames(bool, FILE* out, int timeout_ms,
                              const std::function<bool(const char*, int)>& done) {
    return inbox_.CollectFrames(out, timeout_ms, done);
}

}  // namespace vantor::cli
