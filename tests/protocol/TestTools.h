// Small helpers shared by the protocol tests: a private temporary folder and running a
// command-line tool with its output captured.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "DebugOut.h"

namespace testtools {

class TempDir {
  public:
    TempDir() {
        char tmpl[] = "/tmp/vantor-protocol-XXXXXX";
        const char* made = mkdtemp(tmpl);
        path_ = made != nullptr ? made : "";
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    bool ok() const { return !path_.empty(); }

  private:
    std::string path_;
};

inline void writeFile(const std::string& path, const void* data, size_t n) {
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
}

inline std::vector<unsigned char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
}

// Runs a shell command; returns its standard output, and its exit status in *status.
inline std::string run(const std::string& command, int* status) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) {
        *status = -1;
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    *status = pclose(p);
    return out;
}

// Captures the trace lines for the lifetime of the object.
class LogCapture {
  public:
    LogCapture() {
        vantor::SetDebugSink(
            [](const char* line, void* self) {
                auto* c = static_cast<LogCapture*>(self);
                std::lock_guard<std::mutex> lock(c->mutex_);
                c->lines_.emplace_back(line);
            },
            this);
    }
    ~LogCapture() { vantor::SetDebugSink(nullptr, nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    bool has(const std::string& line) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& l : lines_) {
            if (l == line)
                return true;
        }
        return false;
    }

  private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

}  // namespace testtools
