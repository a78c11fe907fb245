// The one-entry diagnostic log "debuglog.txt": every call replaces the file with one line
// "Time: <time> mode: <mode> Content: <content>" (no line end).
//
// Thread: user-interface thread.
#pragma once

#include <string>
#include <string_view>

namespace vantor::client {

class DebugLog {
  public:
    static constexpr size_t kEntryMaxBytes = 4096;
    static bool Write(const std::string& data_folder, std::string_view mode,
                      std::string_view content);
};

}  // namespace vantor::client
