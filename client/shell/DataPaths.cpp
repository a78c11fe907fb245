#include "DataPaths.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>

namespace vantor::client {

namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

bool IsWritableFolder(const std::string& folder) {
    struct stat st {};
    return !folder.empty() && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(folder.c_str(), W_OK) == 0;
}

}  // namespace

std::string DataPaths::Normalize(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (IsSeparator(c)) {
            if (!out.empty() && out.back() == '/') {
                continue;
            }
            out.push_back('/');
        } else {
            out.push_back(c);
        }
    }
    if (out.size() > 1 && out.back() == '/') {
        out.pop_back();
    }
    return out;
}

std::string DataPaths::Join(std::string_view folder, std::string_view name) {
    std::string joined(folder);
    joined.push_back('/');
    joined.append(name);
    return Normalize(joined);
}

std::string DataPaths::MapDriveDefault(std::string_view path, std::string_view data_folder) {
    const bool drive = path.size() >= 2 &&
                       ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z')) &&
                       path[1] == ':';
    if (!drive) {
        return Normalize(path);
    }
    return Join(data_folder, path.substr(2));
}

std::string DataPaths::ExecutableFolder() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) {
        return ".";
    }
    std::string exe(buf, static_cast<size_t>(n));
    const size_t slash = exe.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : exe.substr(0, slash);
}

std::string DataPaths::ResolveDataFolder(const DataFolderSources& s) {
    if (!s.home_arg.empty()) {
        return Normalize(s.home_arg);
    }
    if (!s.env_home.empty()) {
        return Normalize(s.env_home);
    }
    if (IsWritableFolder(s.executable_folder)) {
        return Normalize(s.executable_folder);
    }
    if (!s.xdg_data_home.empty()) {
        return Join(s.xdg_data_home, "vantor");
    }
    if (!s.user_home.empty()) {
        return Join(s.user_home, ".local/share/vantor");
    }
    return "/tmp/vantor";
}

bool DataPaths::MakeFolders(const std::string& folder) {
    const std::string norm = Normalize(folder);
    if (norm.empty()) {
        return false;
    }
    for (size_t pos = 1; pos <= norm.size(); ++pos) {
        if (pos == norm.size() || norm[pos] == '/') {
            const std::string part = norm.substr(0, pos);
            if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
                return false;
            }
        }
    }
    struct stat st {};
    return ::stat(norm.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace vantor::client
