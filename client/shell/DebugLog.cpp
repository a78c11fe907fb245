#include "DebugLog.h"

#include <cstdio>
#include <ctime>

#include "AtomicFile.h"
#include "DataPaths.h"
#include "TextField.h"

namespace vantor::client {

bool DebugLog::Write(const std::string& folder, std::string_view mode, std::string_view content) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char stamp[80];
    std::snprintf(stamp, sizeof stamp, "%d-%d-%d %2d:%2d:%2d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    std::string line = "Time: ";
    line += stamp;
    line += " mode: ";
    line += mode;
    line += " Content: ";
    line += content;
    return AtomicFile::Write(DataPaths::Join(folder, "debuglog.txt"), CutUtf8(line, kEntryMaxBytes),
                             AtomicFile::kPublicMode);
}

}  // namespace vantor::client
