// What a test client sees through the library's callbacks, with waits that have deadlines.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "morsk.h"

struct Probe {
    std::mutex mu;
    std::condition_variable cv;
    std::vector<int> events;
    std::vector<int> modes;
    std::vector<std::pair<int, int>> results;
    std::vector<std::pair<int, std::string>> records;
    std::vector<std::pair<int, int>> alarms;
    std::vector<std::string> video, audio, playback;
    std::vector<NasRecordFileEntry> files;

    bool waitFor(const std::function<bool()>& ready, int timeout_ms = 10000) {
        std::unique_lock<std::mutex> g(mu);
        return cv.wait_for(g, std::chrono::milliseconds(timeout_ms), ready);
    }
    bool hasEvent(int e) {
        for (int x : events)
            if (x == e)
                return true;
        return false;
    }

    template <typename F>
    void add(F f) {
        {
            std::lock_guard<std::mutex> g(mu);
            f();
        }
        cv.notify_all();
    }

    static void OnEvent(int e, void* u) {
        auto* p = static_cast<Probe*>(u);
        p->add([&] { p->events.push_back(e); });
    }
    static void OnMode(int m, void* u) {
        auto* p = static_cast<Probe*>(u);
        p->add([&] { p->modes.push_back(m); });
    }
    static void OnAlarm(int ch, int code, void* u) {
        auto* p = static_cast<Probe*>(u);
        p->add([&] { p->alarms.emplace_back(ch, code); });
    }
    static void OnRecord(int type, const char* rec, int size, void* u) {
        auto* p = static_cast<Probe*>(u);
        p->add([&] { p->records.emplace_back(type, std::string(rec, static_cast<size_t>(size))); });
    }
    static void OnResult(int type, int result, void* u) {
        auto* p = static_cast<Probe*>(u);
        p->add([&] { p->results.emplace_back(type, result); });
    }
    static void OnVideo(const char* f, int n, void* u) {
        auto* p = static_cast<Probe*>(u);
        p->add([&] { p->video.emplace_back(f, static_cast<size_t>(n)); });
    }
    static void OnAudio(const char* f, int n, void* u) {
        auto* p = static_cast<Probe*>(u);
        p->add([&] { p->audio.emplace_back(f, static_cast<size_t>(n)); });
    }
    static void OnPlayback(const char* f, int n, void* u) {
        auto* p = static_cast<Probe*>(u);
        p->add([&] { p->playback.emplace_back(f, static_cast<size_t>(n)); });
    }
    static void OnFile(const NasRecordFileEntry* e, void* u) {
        auto* p = static_cast<Probe*>(u);
        p->add([&] { p->files.push_back(*e); });
    }

    // Sets every callback of an instance to this probe.
    void attach(int id) {
        nas_net_work_set_event_callback(id, &OnEvent, this);
        nas_net_work_set_p2pmode_callback(id, &OnMode, this);
        nas_net_work_set_alarmMessage_callback(id, &OnAlarm, this);
        nas_net_work_param_callback(id, &OnRecord, &OnResult, this);
        nas_record_file_callback(id, &OnFile, this);
        nas_record_data_callback(id, &OnPlayback, this);
    }
};

inline DeviceConnectInfo MakeInfo(const char* user, const char* pwd, const char* host, int port,
                                  const char* deviceId) {
    DeviceConnectInfo info{};
    std::strncpy(info.user, user, sizeof info.user - 1);
    std::strncpy(info.password, pwd, sizeof info.password - 1);
    std::strncpy(info.host, host, sizeof info.host - 1);
    info.port = port;
    std::strncpy(info.deviceId, deviceId, sizeof info.deviceId - 1);
    return info;
}
