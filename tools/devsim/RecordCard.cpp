#include "RecordCard.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace devsim {

void RecordCard::populate(int count, int loops, int64_t loopBytes, int loopSeconds, int64_t now_s) {
    recordings_.clear();
    count = std::clamp(count, 0, static_cast<int>(kMaxRecordings));
    loops = std::clamp(loops, 1, 1800);
    int duration_s = loops * std::max(1, loopSeconds);
    int64_t hourStart = now_s - now_s % 3600;
    for (int i = count; i >= 1; --i) {
        Recording r;
        r.startSeconds = hourStart - static_cast<int64_t>(i) * 3600 + 600;
        r.durationSeconds = duration_s;
        r.sizeBytes = loopBytes * loops;
        r.alarm = (i % 2) == 0;
        time_t t = static_cast<time_t>(r.startSeconds);
        struct tm tmv;
        gmtime_r(&t, &tmv);
        char name[64];
        std::snprintf(name, sizeof name, "%04d%02d%02d%02d%02d%02d_%d.h264", tmv.tm_year + 1900,
                      tmv.tm_mon + 1, tmv.tm_mday, tmv.tm_hour, tmv.tm_min, tmv.tm_sec,
                      r.alarm ? 1 : 0);
        r.name = name;
        recordings_.push_back(std::move(r));
    }
}

const Recording* RecordCard::find(const std::string& name) const {
    for (const auto& r : recordings_) {
        if (r.name == name)
            return &r;
    }
    return nullptr;
}

bool RecordCard::remove(const std::string& name) {
    auto it = std::find_if(recordings_.begin(), recordings_.end(),
                           [&](const Recording& r) { return r.name == name; });
    if (it == recordings_.end())
        return false;
    recordings_.erase(it);
    return true;
}

std::vector<Recording> RecordCard::between(int64_t start_s, int64_t end_s) const {
    std::vector<Recording> out;
    for (const auto& r : recordings_) {
        if (r.startSeconds >= start_s && r.startSeconds <= end_s)
            out.push_back(r);
    }
    return out;
}

}  // namespace devsim
