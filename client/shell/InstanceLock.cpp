#include "InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace vantor::client {

namespace {

uint64_t Fnv1a(const std::string& text) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : text) {
        h = (h ^ c) * 1099511628211ull;
    }
    return h;
}

}  // namespace

std::string InstanceLock::LockPath(const std::string& folder) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string base = (runtime && *runtime) ? runtime : "/tmp";
    char name[64];
    std::snprintf(name, sizeof name, "/vantor-%016llx.lock",
                  static_cast<unsigned long long>(Fnv1a(folder)));
    return base + name;
}

bool InstanceLock::Acquire(const std::string& folder) {
    if (fd_ >= 0) {
        return true;
    }
    const int fd = ::open(LockPath(folder).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
}

}  // namespace vantor::client
