// The settings the media session reads, kept on the device-model side so that it never reads
// files: the shell sets them at start-up and after the settings dialog (FromSystem maps the
// settings file's record and its drive-letter defaults).
//
// Thread: Set on the user-interface thread; Get from any thread (a copy under a lock);
// VideoMode is lock-free for the stream callback.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "SystemSettings.h"

namespace vantor::client {

struct MediaSettings {
    std::string rec_path;  // RecPath, already mapped to a usable folder
    std::string pic_path;  // PicPath, likewise
    // Kept as the settings file stores them; converted each time they are passed on.
    std::string rec_file_len = "200";
    std::string rec_time_len = "5";
    std::string rec_reserve_space = "200";
    int32_t rec_over = 0;
    int32_t osd_at_video_start = 0;  // OpenOSDWhenStartVideo
    int32_t auto_start_record = 0;   // AutoStartRecord
    int32_t video_mode = 0;          // VideoMode (grid display mode, not a device's stream)

    static MediaSettings FromSystem(const SystemSettings& s, std::string_view data_folder);

    static void Set(const MediaSettings& settings);
    static MediaSettings Get();
    static int32_t VideoMode();
};

}  // namespace vantor::client
