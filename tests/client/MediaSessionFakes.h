// Stand-ins for the media session tests: a player that records its calls and catches a frame
// fed to (or in flight on) a destroyed instance, a pane that records what the device does to
// it, and a journal that keeps the calls of several fakes in one order.
#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "CCDevInfo.h"
#include "CVideoPane.h"
#include "PlayerApi.h"

namespace vantor::client::test {

class Journal {
  public:
    void Add(const std::string& line) {
        std::lock_guard<std::mutex> lock(mu_);
        lines_.push_back(line);
    }
    std::vector<std::string> Take() {
        std::lock_guard<std::mutex> lock(mu_);
        std::vector<std::string> out;
        out.swap(lines_);
        return out;
    }

  private:
    std::mutex mu_;
    std::vector<std::string> lines_;
};

class FakePlayer final : public IPlayer {
  public:
    explicit FakePlayer(Journal* journal) : journal_(journal) {}

    int Init() override { return 1; }
    int UnInit() override { return 1; }
    uint32_t CreatePlay(int flag) override {
        uint32_t h = 0;
        {
            std::lock_guard<std::mutex> lock(mu_);
            if (create_ok) {
                h = next_++;
                live_[h] = 0;
            }
        }
        Log("player create flag=" + std::to_string(flag) + " -> " + std::to_string(h));
        return h;
    }
    int DestroyPlay(uint32_t play) override {
        {
            std::lock_guard<std::mutex> lock(mu_);
            auto it = live_.find(play);
            if (it == live_.end()) {
                return 0;
            }
            if (it->second != 0) {
                ++violations;  // a frame is being fed to the instance being destroyed
            }
            live_.erase(it);
        }
        Log("player destroy " + std::to_string(play));
        return 1;
    }
    int SetPlayWnd(uint32_t play, unsigned long window) override {
        Log("player wnd " + std::to_string(play) + " win=" + std::to_string(window));
        return 1;
    }
    int StartPlay(uint32_t play) override {
        Log("player start " + std::to_string(play));
        return start_result;
    }
    int StopPlay(uint32_t play) override {
        Log("player stop " + std::to_string(play));
        return 1;
    }
    int InputNetFrame(uint32_t play, const char*, int) override {
        {
            std::lock_guard<std::mutex> lock(mu_);
            auto it = live_.find(play);
            if (it == live_.end()) {
                ++violations;  // fed to a destroyed instance
                return 0;
            }
            ++it->second;
        }
        // Stay inside the call a little, as decoding bookkeeping would, so that a destroy
        // racing with it is seen.
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(20);
        while (std::chrono::steady_clock::now() < until) {
        }
        ++frames;
        std::lock_guard<std::mutex> lock(mu_);
        --live_[play];
        return 1;
    }
    int OpenSound(uint32_t play) override { return Log("sound open " + std::to_string(play)), 1; }
    int CloseSound(uint32_t play) override { return Log("sound close " + std::to_string(play)), 1; }
    uint32_t CreateTalk() override {
        const uint32_t h = talk_next_++;
        Log("talk create -> " + std::to_string(h));
        return h;
    }
    int DestroyTalk(uint32_t talk) override {
        return Log("talk destroy " + std::to_string(talk)), 1;
    }
    int StartTalk(uint32_t talk, TalkDataCallback callback, void* user) override {
        talk_callback = callback;
        talk_user = user;
        Log("talk run " + std::to_string(talk));
        return talk_start_result;
    }
    int StopTalk(uint32_t talk) override { return Log("talk halt " + std::to_string(talk)), 1; }
    int CapturePicture(uint32_t play, const char* path) override {
        Log("capture " + std::to_string(play) + " " + path);
        return capture_result;
    }
    int GetRecordStatus(uint32_t play) override {
        std::lock_guard<std::mutex> lock(mu_);
        return recording_.count(play) ? 1 : 0;
    }
    int StartLocalRecord(uint32_t play, const LocalRecordParams& p) override {
        Log("record start " + std::to_string(play) + " folder=" + p.folder + " id=" + p.deviceId +
            " " + std::to_string(p.fileLength_mb) + "," + std::to_string(p.timeLength_min) + "," +
            std::to_string(p.reserveSpace_mb) + "," + std::to_string(p.recordOver));
        if (record_result != 0) {
            std::lock_guard<std::mutex> lock(mu_);
            recording_[play] = true;
        }
        return record_result;
    }
    int StopLocalRecord(uint32_t play) override {
        {
            std::lock_guard<std::mutex> lock(mu_);
            recording_.erase(play);
        }
        return Log("record stop " + std::to_string(play)), 1;
    }
    int SetOsdString(uint32_t play, int slot, const OsdTextItem& item) override {
        return Log("osd set " + std::to_string(play) + " slot=" + std::to_string(slot) +
                   " text=" + item.text),
               1;
    }
    int RemoveOsdString(uint32_t play, int slot) override {
        return Log("osd remove " + std::to_string(play) + " slot=" + std::to_string(slot)), 1;
    }

    bool create_ok = true;
    int start_result = 1;
    int capture_result = 1;
    int record_result = 1;
    int talk_start_result = 1;
    std::atomic<int> violations{0};
    std::atomic<long> frames{0};
    TalkDataCallback talk_callback = nullptr;
    void* talk_user = nullptr;

  private:
    void Log(const std::string& line) { journal_->Add(line); }

    Journal* journal_;
    std::mutex mu_;
    uint32_t next_ = 7;                   // guarded by mu_
    std::map<uint32_t, int> live_;        // instance -> frames in flight; guarded by mu_
    std::map<uint32_t, bool> recording_;  // guarded by mu_
    std::atomic<uint32_t> talk_next_{50};
};

// The pane as the device sees it; RecordingText follows the pane widget's rule.
class FakePane final : public CVideoPane {
  public:
    FakePane(Journal* journal, unsigned long window) : journal_(journal), window_(window) {}

    unsigned long NativeWindowId() override { return window_; }
    void SetBoundDevice(CCDevInfo* device) override {
        bound_ = device;
        journal_->Add(device ? "pane bind" : "pane unbind");
    }
    CCDevInfo* BoundDevice() const override { return bound_; }
    void SetRecordingIndicator(int32_t value) override {
        indicator_ = value;
        journal_->Add("pane indicator " + std::to_string(value));
    }
    std::string RecordingText() const override {
        CCDevInfo* d = bound_;
        return (d && d->video_running && d->IsOnline() && indicator_) ? ". REC" : "";
    }
    void Repaint() override { journal_->Add("pane repaint"); }
    void RepaintParent() override { journal_->Add("pane repaint parent"); }
    void ClearBackground() override {}

    int32_t indicator() const { return indicator_; }

  private:
    Journal* journal_;
    unsigned long window_;
    std::atomic<CCDevInfo*> bound_{nullptr};
    std::atomic<int32_t> indicator_{0};
};

}  // namespace vantor::client::test
