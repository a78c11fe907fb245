#include "CrashHandler.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace vantor::client {

namespace {

char g_folder[CrashHandler::kFolderMaxBytes];
constexpr int kFrames = 64;

// Decimal into buf with at least width digits; async-signal-safe.
size_t PutNumber(char* buf, long value, int width) {
    char tmp[24];
    size_t n = 0;
    const bool neg = value < 0;
    unsigned long v = neg ? static_cast<unsigned long>(-value) : static_cast<unsigned long>(value);
    do {
        tmp[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0 && n < sizeof tmp);
    while (static_cast<int>(n) < width && n < sizeof tmp) {
        tmp[n++] = '0';
    }
    size_t out = 0;
    if (neg) {
        buf[out++] = '-';
    }
    while (n > 0) {
        buf[out++] = tmp[--n];
    }
    return out;
}

void Append(char* dst, size_t cap, size_t* len, const char* src, size_t n) {
    for (size_t i = 0; i < n && *len + 1 < cap; ++i) {
        dst[(*len)++] = src[i];
    }
    dst[*len] = '\0';
}

void OnFatal(int sig, siginfo_t* info, void*) {
    const time_t now = time(nullptr);
    struct tm tm;
    localtime_r(&now, &tm);  // not listed as async-signal-safe but does not allocate on glibc
    char path[CrashHandler::kFolderMaxBytes + 64];
    size_t len = 0;
    path[0] = '\0';
    Append(path, sizeof path, &len, g_folder, strlen(g_folder));
    Append(path, sizeof path, &len, "/CrashDump", 10);
    char num[24];
    const long parts[6] = {tm.tm_year + 1900L, tm.tm_mon + 1L, tm.tm_mday,
                           tm.tm_hour,         tm.tm_min,      tm.tm_sec};
    for (int i = 0; i < 6; ++i) {
        if (i > 0) {
            Append(path, sizeof path, &len, "_", 1);
        }
        Append(path, sizeof path, &len, num, PutNumber(num, parts[i], i == 0 ? 4 : 2));
    }
    Append(path, sizeof path, &len, ".dmp", 4);
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
        char line[128];
        size_t n = 0;
        Append(line, sizeof line, &n, "signal ", 7);
        Append(line, sizeof line, &n, num, PutNumber(num, sig, 1));
        Append(line, sizeof line, &n, " address ", 9);
        Append(
            line, sizeof line, &n, num,
            PutNumber(
                num, static_cast<long>(reinterpret_cast<uintptr_t>(info ? info->si_addr : nullptr)),
                1));
        Append(line, sizeof line, &n, "\n", 1);
        if (write(fd, line, n) < 0) {
            // nothing more can be done from here
        }
        void* frames[kFrames];
        const int count = backtrace(frames, kFrames);
        backtrace_symbols_fd(frames, count, fd);
        close(fd);
    }
    signal(sig, SIG_DFL);
    raise(sig);
}

}  // namespace

std::string CrashHandler::FileName(const std::tm& t) {
    char name[96];
    std::snprintf(name, sizeof name, "CrashDump%4d_%02d_%02d_%02d_%02d_%02d.dmp", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return name;
}

void CrashHandler::Install(const std::string& folder) {
    std::snprintf(g_folder, sizeof g_folder, "%s", folder.c_str());
    void* warm[1];
    backtrace(warm, 1);  // loads the unwinder now, not inside the handler
    struct sigaction sa {};
    sa.sa_sigaction = &OnFatal;
    sa.sa_flags = SA_SIGINFO | SA_RESETHAND;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        sigaction(sig, &sa, nullptr);
    }
}

}  // namespace vantor::client
