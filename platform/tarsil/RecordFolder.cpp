#include "RecordFolder.h"

#include <sys/statvfs.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace tarsil {

bool RecordFolder::validDeviceId(const std::string& id) {
    if (id.empty() || id == "." || id == "..")
        return false;
    for (char c : id) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20)
            return false;
    }
    return true;
}

std::string RecordFolder::recordRoot(const std::string& folder) {
    return (fs::path(folder) / "RecordFiles").string();
}

std::string RecordFolder::newFilePath(const std::string& folder, const std::string& deviceId,
                                      const std::tm& t) {
    char day[48];
    std::snprintf(day, sizeof day, "%04d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    fs::path dir = fs::path(recordRoot(folder)) / day / deviceId;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir, ec))
        return {};
    char stem[96];
    std::snprintf(stem, sizeof stem, "%s_%02d%02d%02d", day, t.tm_hour, t.tm_min, t.tm_sec);
    for (int n = 0; n < kMaxNameSuffix; ++n) {
        std::string name = n == 0 ? std::string(stem) + ".avi"
                                  : std::string(stem) + "_" + std::to_string(n) + ".avi";
        fs::path candidate = dir / name;
        if (!fs::exists(candidate, ec))
            return candidate.string();
    }
    return {};
}

int64_t RecordFolder::freeSpaceMb(const std::string& path) {
    struct statvfs s;
    if (statvfs(path.c_str(), &s) != 0)
        return -1;
    return static_cast<int64_t>(s.f_bfree) * static_cast<int64_t>(s.f_frsize) / (1024 * 1024);
}

bool RecordFolder::deleteOldest(const std::string& folder, const std::string& keep) {
    std::error_code ec;
    const fs::path root = recordRoot(folder);
    fs::path oldest;
    std::string oldestKey;
    fs::recursive_directory_iterator it(root, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        if (!it->is_regular_file(ec) || p.extension() != ".avi")
            continue;
        if (!keep.empty() && fs::equivalent(p, keep, ec))
            continue;
        // The file name starts with date and time: it orders recordings across devices.
        std::string key = p.filename().string() + "|" + p.string();
        if (oldest.empty() || key < oldestKey) {
            oldest = p;
            oldestKey = key;
        }
    }
    if (oldest.empty() || !fs::remove(oldest, ec))
        return false;
    for (fs::path dir = oldest.parent_path(); dir != root && dir.has_parent_path();
         dir = dir.parent_path()) {
        if (!fs::is_empty(dir, ec) || !fs::remove(dir, ec))
            break;
    }
    return true;
}

}  // namespace tarsil
