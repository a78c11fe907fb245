// Collects the trace lines written while it lives.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "DebugOut.h"

namespace vantor::client::test {

class DebugCapture {
  public:
    DebugCapture() { vantor::SetDebugSink(&DebugCapture::Sink, this); }
    ~DebugCapture() { vantor::SetDebugSink(nullptr, nullptr); }

    bool Contains(const std::string& text) const {
        std::lock_guard<std::mutex> lock(mu_);
        for (const auto& l : lines_) {
            if (l.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

  private:
    static void Sink(const char* line, void* user) {
        auto* self = static_cast<DebugCapture*>(user);
        std::lock_guard<std::mutex> lock(self->mu_);
        self->lines_.emplace_back(line);
    }
    mutable std::mutex mu_;
    std::vector<std::string> lines_;
};

}  // namespace vantor::client::test
