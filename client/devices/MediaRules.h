// Plain rules of the media session, kept apart from the device object so they can be checked
// without a player: the relay time limit, snapshot names, the overlay item, the recording
// parameters and the text-to-number conversion of the record settings.
//
// Thread: any (no state).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "tarsil.h"

namespace vantor::client {

class MediaRules {
  public:
    static constexpr int kRelayLimitMinutes = 3;
    static constexpr size_t kOsdTextMaxBytes = TARSIL_OSD_TEXT_BYTES - 1;
    static constexpr size_t kRecordFolderMaxBytes = TARSIL_RECORD_FOLDER_BYTES - 1;
    static constexpr size_t kRecordDeviceIdMaxBytes = TARSIL_RECORD_DEVICE_ID_BYTES - 1;

    // Whether relayed media has run its allowance. Only the minutes within the hour of the
    // elapsed time count, so 60 to 62 minutes do not trip it.
    static bool RelayLimitReached(int64_t elapsed_s);

    // Decimal text to integer: leading blanks and a sign, then digits; anything else gives 0;
    // out-of-range values are clamped.
    static int TextToInt(std::string_view text);

    // A device ID as one folder name: separators, dots and control bytes become '_'.
    static std::string SafeFolderName(std::string_view id);

    // "<folder>/YYYYMMDD/<id>" and, inside it, "YYYYMMDD_hhmmss_<ms>.bmp" (ms not padded).
    static std::string SnapshotFolder(std::string_view folder, std::string_view device_id,
                                      const std::tm& local);
    static std::string SnapshotFile(std::string_view snapshot_folder, const std::tm& local,
                                    int milliseconds);

    // The "REC" overlay: red text in the picture's top-left corner.
    static OsdTextItem MakeOsdItem(std::string_view text);

    // false (params untouched) when the folder or the ID does not fit its field.
    static bool MakeRecordParams(std::string_view folder, std::string_view device_id, int file_len,
                                 int time_len, int reserve, int rover, LocalRecordParams* params);

    // The longest prefix of at most max_bytes that does not split a UTF-8 sequence.
    static std::string_view Utf8Prefix(std::string_view text, size_t max_bytes);
};

}  // namespace vantor::client
