#include "MediaSettings.h"

#include <atomic>
#include <mutex>

#include "DataPaths.h"

namespace vantor::client {

namespace {
std::mutex g_mu;
MediaSettings g_settings;  // guarded by g_mu
std::atomic<int32_t> g_video_mode{0};
}  // namespace

MediaSettings MediaSettings::FromSystem(const SystemSettings& s, std::string_view data_folder) {
    MediaSettings m;
    m.rec_path =
        s.rec_path.empty() ? std::string() : DataPaths::MapDriveDefault(s.rec_path, data_folder);
    m.pic_path =
        s.pic_path.empty() ? std::string() : DataPaths::MapDriveDefault(s.pic_path, data_folder);
    m.rec_file_len = s.rec_file_len;
    m.rec_time_len = s.rec_time_len;
    m.rec_reserve_space = s.rec_reserve_space;
    m.rec_over = s.rec_over;
    m.osd_at_video_start = s.osd_at_video_start;
    m.auto_start_record = s.auto_start_record;
    m.video_mode = s.video_mode;
    return m;
}

void MediaSettings::Set(const MediaSettings& settings) {
    std::lock_guard<std::mutex> lock(g_mu);
    g_settings = settings;
    g_video_mode = settings.video_mode;
}

MediaSettings MediaSettings::Get() {
    std::lock_guard<std::mutex> lock(g_mu);
    return g_settings;
}

int32_t MediaSettings::VideoMode() {
    return g_video_mode.load();
}

}  // namespace vantor::client
