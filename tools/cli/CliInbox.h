// What a library's callbacks deliver to the command-line sessions: events, records, set
// results, record-file entries and media frames, each kept in arrival order until a waiting
// command takes it. Both the camera and the recorder session use it; only the file entry type
// differs.
//
// Thread: the Add* calls run on library threads; everything else on the command's thread.
// Wait's predicate runs under the inbox's lock and may read the lists.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace vantor::cli {

template <typename FileEntry>
class CliInbox {
  public:
    void AddEvent(int event) { Add(events_, event); }
    void AddRecord(int type, const char* data, int length) {
        Add(records_, {type, std::vector<char>(data, data + length)});
    }
    void AddResult(int type, int result) { Add(results_, {type, result}); }
    void AddFile(const FileEntry& entry) { Add(files_, entry); }
    void AddFrame(const char* data, int length) {
        Add(frames_, std::vector<char>(data, data + length));
    }

    // Forget earlier answers before a new request, so its wait sees only its own.
    void ClearRecords() { Clear(records_); }
    void ClearResults() { Clear(results_); }

    // Waits until pred() holds (checked under the lock) or timeout_ms passes; pred's last value.
    template <typename Pred>
    bool Wait(int timeout_ms, Pred pred) {
        std::unique_lock<std::mutex> g(mu_);
        return cv_.wait_for(g, std::chrono::milliseconds(timeout_ms), pred);
    }

    // The first record of `type` since the last ClearRecords, within timeout_ms.
    bool WaitRecord(int type, int timeout_ms, std::vector<char>* record) {
        return WaitPair(records_, type, timeout_ms, record);
    }
    // The first set result of `type` since the last ClearResults, within timeout_ms.
    bool WaitResult(int type, int timeout_ms, int* result) {
        return WaitPair(results_, type, timeout_ms, result);
    }

    // Frames to `out` until `done` says so or timeout_ms passes; the number written.
    int CollectFrames(FILE* out, int timeout_ms,
                      const std::function<bool(const char*, int)>& done) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        int written = 0;
        for (;;) {
            std::vector<std::vector<char>> batch;
            {
                std::unique_lock<std::mutex> g(mu_);
                cv_.wait_until(g, deadline, [&] { return !frames_.empty(); });
                batch.swap(frames_);
            }
            for (const auto& f : batch) {
                fwrite(f.data(), 1, f.size(), out);
                ++written;
                if (done(f.data(), static_cast<int>(f.size()))) {
                    return written;
                }
            }
            if (batch.empty() && std::chrono::steady_clock::now() >= deadline) {
                return written;
            }
        }
    }

    // Read inside Wait's predicate, or after a Wait returned (under no lock only when the
    // library can no longer call back into that list).
    const std::vector<int>& events() const { return events_; }
    const std::vector<std::pair<int, int>>& results() const { return results_; }
    const std::vector<FileEntry>& files() const { return files_; }
    // A copy taken under the lock.
    template <typename T>
    std::vector<T> Snapshot(const std::vector<T>& list) {
        std::lock_guard<std::mutex> g(mu_);
        return list;
    }

  private:
    template <typename T>
    void Add(std::vector<T>& list, T item) {
        {
            std::lock_guard<std::mutex> g(mu_);
            list.push_back(std::move(item));
        }
        cv_.notify_all();
    }
    template <typename T>
    void Clear(std::vector<T>& list) {
        std::lock_guard<std::mutex> g(mu_);
        list.clear();
    }
    template <typename V>
    bool WaitPair(const std::vector<std::pair<int, V>>& list, int type, int timeout_ms, V* out) {
        return Wait(timeout_ms, [&] {
            for (const auto& entry : list) {
                if (entry.first == type) {
                    *out = entry.second;
                    return true;
                }
            }
            return false;
        });
    }

    std::mutex mu_;
    std::condition_variable cv_;
    // Guarded by mu_.
    std::vector<int> events_;
    std::vector<std::pair<int, std::vector<char>>> records_;
    std::vector<std::pair<int, int>> results_;
    std::vector<FileEntry> files_;
    std::vector<std::vector<char>> frames_;
};

}  // namespace vantor::cli
