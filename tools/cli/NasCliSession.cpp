#include "NasCliSession.h"

#include <chrono>
#include <cstring>

namespace vantor::cli {

namespace {


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
    static_cast<NasCliSession*>(u)->inbox_.AddEvent(e);
}

void NasCliSession::OnRecord(int type, const char* r, int n, void* u) {
    static_cast<NasCliSession*>(u)->inbox_.AddRecord(type, r, n);
}

void NasCliSession::OnResult(int type, int result, void* u) {
    static_cast<NasCliSession*>(u)->inbox_.AddResult(type, result);
}

void NasCliSession::OnFile(const NasRecordFileEntry* e, void* u) {
    static_cast<NasCliSession*>(u)->inbox_.AddFile(*e);
}

void NasCliSession::OnFrame(const char* f, int n, void* u) {
    static_cast<NasCliSession*>(u)->inbox_.AddFrame(f, n);
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
    inbox_.Wait(timeout_ms, [&] {
        for (int e : inbox_.events()) {
            if (final(e))
                return true;
        }
        return false;
    });
    const std::string& dev = target.deviceId;
    for (int e : inbox_.Snapshot(inbox_.events())) {
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
    inbox_.ClearRecords();
    int sent = request != nullptr ? nas_net_work_device_GetParamEx(id_, type, request,
                                                                   static_cast<int>(requestSize))
                                  : nas_net_work_get_param(id_, type);
    if (sent <= 0)
        return false;
    return inbox_.WaitRecord(deliveredType, timeout_ms, record);
}

bool NasCliSession::Set(int type, const void* record, size_t size, int timeout_ms, int* result) {
    inbox_.ClearResults();
    if (nas_net_work_set_param(id_, type, record, static_cast<int>(size)) <= 0)
        return false;
    return inbox_.WaitResult(type, timeout_ms, result);
}

bool NasCliSession::WaitFiles(int timeout_ms, std::vector<NasRecordFileEntry>* entries) {
    const bool ok = inbox_.Wait(timeout_ms, [&] {
        const auto& files = inbox_.files();
        return !files.empty() && files.back().index >= files.back().total;
    });
    *entries = inbox_.Snapshot(inbox_.files());
    return ok;
}

int NasCliSession::CollectFrames(FILE* out, int timeout_ms,
                                 const std::function<bool(const char*, int)>& done) {
    return inbox_.CollectFrames(out, timeout_ms, done);
}

}  // namespace vantor::cli
