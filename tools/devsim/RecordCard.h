// The simulated memory card of one camera: a list of recordings with names, start times,
// sizes and alarm flags. A recording's content is the device's encoded video loop replayed
// for the recording's duration, so sizes are exact and playback needs no storage.
// Thread: not synchronised; CgiHandler and the playback senders take the device lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace devsim {

struct Recording {
    static constexpr size_t kMaxNameBytes = 127;  // the list entry's name field holds 128
    std::string name;
    int64_t startSeconds = 0;  // seconds since 1970
    int durationSeconds = 0;
    int64_t sizeBytes = 0;  // all frames, heads included
    bool alarm = false;
};

class RecordCard {
  public:
    static constexpr size_t kMaxRecordings = 200;  // keeps a whole list under one answer

    // Creates `count` recordings of `loops` video loops each (a loop is `loopBytes` with frame
    // heads and lasts `loopSeconds`), one per hour before now_s.
    void populate(int count, int loops, int64_t loopBytes, int loopSeconds, int64_t now_s);

    const std::vector<Recording>& recordings() const { return recordings_; }
    const Recording* find(const std::string& name) const;
    bool remove(const std::string& name);
    void clear() { recordings_.clear(); }

    // Recordings whose start lies in [start_s, end_s]; end_s < start_s selects nothing.
    std::vector<Recording> between(int64_t start_s, int64_t end_s) const;

  private:
    std::vector<Recording> recordings_;
};

}  // namespace devsim
