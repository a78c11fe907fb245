// A network library stand-in that records every call as a line of text.
#pragma once

#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
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
    int StartBattery(int h) override {
        return Log("start-battery h=" + std::to_string(h)), start_result;
    }
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

    // Live media: the callbacks stay stored after the stop calls, as a library whose reader
    // may still deliver a frame that was already on its way.
    int StartStream(int h, int stream_id, int sub_stream, int channel, FrameCallback cb,
                    void* user) override {
        {
            std::lock_guard<std::mutex> lock(mu_);
            video_cb_ = cb;
            video_user_ = user;
        }
        return Log("stream start id=" + std::to_string(stream_id) +
                   " sub=" + std::to_string(sub_stream) + " ch=" + std::to_string(channel) +
                   " h=" + std::to_string(h)),
               stream_result;
    }
    int StopStream(int h, int channel) override {
        return Log("stream stop ch=" + std::to_string(channel) + " h=" + std::to_string(h)), 1;
    }
    int StartAudio(int h, int stream_id, int channel, FrameCallback cb, void* user) override {
        {
            std::lock_guard<std::mutex> lock(mu_);
            audio_cb_ = cb;
            audio_user_ = user;
        }
        return Log("audio start id=" + std::to_string(stream_id) +
                   " ch=" + std::to_string(channel) + " h=" + std::to_string(h)),
               1;
    }
    int StopAudio(int h, int channel) override {
        return Log("audio stop ch=" + std::to_string(channel) + " h=" + std::to_string(h)), 1;
    }
    int StartTalk(int h) override { return Log("talk start h=" + std::to_string(h)), 1; }
    int StopTalk(int h) override {
        return Log("talk stop h=" + std::to_string(h)), talk_stop_result;
    }
    int SendTalkData(int h, int channel, const char*, int length) override {
        return Log("talk data ch=" + std::to_string(channel) + " len=" + std::to_string(length) +
                   " h=" + std::to_string(h)),
               1;
    }

    // The stored video callback, for a test that plays the library's reader thread.
    std::pair<FrameCallback, void*> VideoSink() {
        std::lock_guard<std::mutex> lock(mu_);
        return {video_cb_, video_user_};
    }

    // Every logged line is also handed here (to merge the order with other fakes' calls).
    void SetMirror(std::function<void(const std::string&)> mirror) {
        std::lock_guard<std::mutex> lock(mu_);
        mirror_ = std::move(mirror);
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
    int stream_result = 1;
    int talk_stop_result = 1;

  private:
    void Log(const std::string& line) {
        std::function<void(const std::string&)> mirror;
        {
            std::lock_guard<std::mutex> lock(mu_);
            calls_.push_back(name_ + ":" + line);
            mirror = mirror_;
        }
        if (mirror) {
            mirror(name_ + ":" + line);
        }
    }
    std::string name_;
    std::mutex mu_;
    std::vector<std::string> calls_;
    FrameCallback video_cb_ = nullptr;
    void* video_user_ = nullptr;
    FrameCallback audio_cb_ = nullptr;
    void* audio_user_ = nullptr;
    std::function<void(const std::string&)> mirror_;
};

}  // namespace vantor::client::test
