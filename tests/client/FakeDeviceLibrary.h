// A network library stand-in that records every call as a line of text.
#pragma once

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "DeviceLibrary.h"

namespace vantor::client::test {

class FakeDeviceLibrary final : public IDeviceLibrary {
  public:
    explicit FakeDeviceLibrary(std::string name) : name_(std::move(name)) {}

    int Init() override { return Log("init"), 1; }
    int DeInit() override { return Log("deinit"), 1; }
    int Create(const DeviceConnectInfo& info, int mode) override {
        last_info = info;
        Log("create mode=" + std::to_string(mode));
        return next_handle++;
    }
    int SetCallbacks(int h, const DeviceCallbacks& cb) override {
        callbacks = cb;
        return Log("callbacks h=" + std::to_string(h)), 1;
    }
    int Start(int h) override { return Log("start h=" + std::to_string(h)), start_result; }
    int Stop(int h) override { return Log("stop h=" + std::to_string(h)), 1; }
    int Destroy(int h) override { return Log("destroy h=" + std::to_string(h)), 1; }
    int GetParam(int h, int type) override {
        return Log("get " + std::to_string(type) + " h=" + std::to_string(h)), 1;
    }
    int GetParamEx(int h, int type, const void* record, int size) override {
        int first = 0;
        if (size >= 4) {
            std::memcpy(&first, record, 4);
        }
        return Log("getex " + std::to_string(type) + " size=" + std::to_string(size) +
                   " arg=" + std::to_string(first) + " h=" + std::to_string(h)),
               1;
    }
    int SetParam(int h, int type, const void* record, int size) override {
        std::string line = "set " + std::to_string(type) + " size=" + std::to_string(size);
        if (type == 8230 && size == 72) {
            int ints[2];
            std::memcpy(ints, record, sizeof ints);
            line += " control=" + std::to_string(ints[0]) + "," + std::to_string(ints[1]);
        }
        return Log(line + " h=" + std::to_string(h)), 1;
    }
    int Ptz(int h, int command, int channel) override {
        return Log("ptz " + std::to_string(command) + " ch=" + std::to_string(channel) +
                   " h=" + std::to_string(h)),
               1;
    }

    std::vector<std::string> Take() {
        std::lock_guard<std::mutex> lock(mu_);
        std::vector<std::string> out;
        out.swap(calls_);
        return out;
    }

    DeviceConnectInfo last_info{};
    DeviceCallbacks callbacks{};
    int next_handle = 3;
    int start_result = 1;

  private:
    void Log(const std::string& line) {
        std::lock_guard<std::mutex> lock(mu_);
        calls_.push_back(name_ + ":" + line);
    }
    std::string name_;
    std::mutex mu_;
    std::vector<std::string> calls_;
};

}  // namespace vantor::client::test
