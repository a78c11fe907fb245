// The client's own settings ("sysconfig.xml") and the installer's language hint ("setup.lg").
//
// Thread: user-interface thread only (read at start-up, written by the settings dialog).
// Texts are UTF-8. The record starts with its start values, which differ from the defaults a
// file gets for missing elements: a client without any settings file records nothing locally
// until the user sets the limits.
#pragma once

#include <cstdint>
#include <string>

namespace vantor::client {

struct SystemSettings {
    static constexpr size_t kTextMaxBytes = 1024;  // bound of every text value

    std::string pic_path;
    std::string rec_path;
    std::string alarm_path = "c:\\alarmPhoto";
    int32_t video_mode = 0;
    int32_t osd_at_video_start = 0;
    std::string rec_file_len;
    std::string rec_time_len;
    std::string rec_reserve_space;
    int32_t rec_over = 0;
    int32_t init_split_screen = 0;
    int32_t language = 0;
    int32_t auto_start_video = 0;
    int32_t auto_start_record = 0;

    bool operator==(const SystemSettings&) const = default;
};

class SystemSettingsFile {
  public:
    static constexpr size_t kFileMaxBytes = 256 * 1024;
    static constexpr size_t kSetupLineMaxBytes = 256;

    // Fills settings from the file. On a parse failure or a missing root the record keeps the
    // values it had (and a trace line names the cause). When the file's Flag is not 1 the
    // language comes from "setup.lg" in setup_folder. Returns true when the file was read.
    static bool Load(const std::string& path, const std::string& setup_folder,
                     SystemSettings* settings);

    // Writes the whole record (Flag always 1). true when the file is complete on disk; on
    // failure the previous file stays as it was.
    static bool Save(const std::string& path, const SystemSettings& settings);

    // The integer on the second line of folder/"setup.lg"; 0 when missing or unreadable.
    static int32_t ReadSetupLanguage(const std::string& folder);
};

}  // namespace vantor::client
