// Collects everything one library instance reports through its callbacks, with waits that
// end on a condition or a deadline.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "darvel.h"

struct ClientProbe {
    std::mutex mu;
    std::condition_variable cv;
    std::vector<int> events;
    std::vector<int> modes;
    std::vector<int> alarms;
    std::vector<std::pair<int, std::vector<char>>> data;
    std::vector<std::pair<int, int>> results;
    std::vector<std::string> video;
    std::vector<std::string> audio;
    std::vector<std::string> playback;
    std::vector<DarvelRecordListEntry> files;

    template <typename F>
    void add(F f) {
        {
            std::lock_guard<std::mutex> g(mu);
            f();
        }
        cv.notify_all();
    }
    bool waitFor(const std::function<bool()>& pred, int timeout_ms = 15000) {
        std::unique_lock<std::mutex> g(mu);
        return cv.wait_for(g, std::chrono::milliseconds(timeout_ms), pred);
    }
    bool hasEvent(int e) {
        for (int x : events) {
            if (x == e)
                return true;
        }
        return false;
    }
    bool waitEvent(int e, int timeout_ms = 15000) {
        return waitFor([&] { return hasEvent(e); }, timeout_ms);
    }

    static void OnEvent(int e, void* u) {
        auto* p = static_cast<ClientProbe*>(u);
        p->add([&] { p->events.push_back(e); });
    }
    static void OnMode(int m, void* u) {
        auto* p = static_cast<ClientProbe*>(u);
        p->add([&] { p->modes.push_back(m); });
    }
    static void OnAlarm(int c, void* u) {
        auto* p = static_cast<ClientProbe*>(u);
        p->add([&] { p->alarms.push_back(c); });
    }
    static void OnData(int type, const char* r, int n, void* u) {
        auto* p = static_cast<ClientProbe*>(u);
        p->add([&] { p->data.emplace_back(type, std::vector<char>(r, r + n)); });
    }
    static void OnResult(int type, int result, void* u) {
        auto* p = static_cast<ClientProbe*>(u);
        p->add([&] { p->results.emplace_back(type, result); });
    }
    static void OnVideo(const char* f, int n, void* u) {
        auto* p = static_cast<ClientProbe*>(u);
        p->add([&] { p->video.emplace_back(f, static_cast<size_t>(n)); });
    }
    static void OnAudio(const char* f, int n, void* u) {
        auto* p = static_cast<ClientProbe*>(u);
        p->add([&] { p->audio.emplace_back(f, static_cast<size_t>(n)); });
    }
    static void OnPlayback(const char* f, int n, void* u) {
        auto* p = static_cast<ClientProbe*>(u);
        p->add([&] { p->playback.emplace_back(f, static_cast<size_t>(n)); });
    }
    static void OnFile(const DarvelRecordListEntry* e, void* u) {
        auto* p = static_cast<ClientProbe*>(u);
        p->add([&] { p->files.push_back(*e); });
    }

    void attach(int id) {
        device_net_work_set_event_callback(id, &OnEvent, this);
        device_net_work_set_p2pmode_callback(id, &OnMode, this);
        device_net_work_set_alarmMessage_callback(id, &OnAlarm, this);
        device_net_work_param_callback(id, &OnData, &OnResult, this);
        device_record_file_callback(id, &OnFile, this);
        device_record_data_callback(id, &OnPlayback, this);
    }
};
