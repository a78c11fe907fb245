// Small-integer handles for shared objects (sessions, devices).
//
// Handles run from 1 to capacity-1 (0 is never issued: some callers treat 0 as "no session")
// and are handed out round-robin, so a closed handle is reused only after every other slot has
// been used once: a stale handle held by a slow caller does not hit the next session at once.
// A retired slot remembers that it was closed, so later calls can tell "closed" from "unknown"
// until the slot is reused. Thread: any; one internal mutex, never held while calling out.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

namespace vantor::pppp {

template <class T>
class HandleTable {
  public:
    enum class Found { kLive, kRetired, kUnknown };

    explicit HandleTable(int capacity) : slots_(static_cast<size_t>(capacity)) {}

    // Returns the handle, or -1 when every slot is live.
    int add(std::shared_ptr<T> object, int tag) {
        std::lock_guard<std::mutex> lock(mutex_);
        int n = static_cast<int>(slots_.size());
        for (int i = 0; i < n - 1; ++i) {
            int h = 1 + (next_ - 1 + i) % (n - 1);
            Slot& s = slots_[static_cast<size_t>(h)];
            if (s.object != nullptr)
                continue;
            s.object = std::move(object);
            s.tag = tag;
            s.retired = false;
            next_ = h % (n - 1) + 1;
            return h;
        }
        return -1;
    }

    std::shared_ptr<T> get(int handle, Found* found) {
        std::lock_guard<std::mutex> lock(mutex_);
        Slot* s = slot(handle);
        if (s == nullptr || (s->object == nullptr && !s->retired)) {
            *found = Found::kUnknown;
            return nullptr;
        }
        *found = s->object != nullptr ? Found::kLive : Found::kRetired;
        return s->object;
    }

    // Takes the object out of a live slot and marks the slot retired.
    std::shared_ptr<T> retire(int handle, Found* found) {
        std::lock_guard<std::mutex> lock(mutex_);
        Slot* s = slot(handle);
        if (s == nullptr || (s->object == nullptr && !s->retired)) {
            *found = Found::kUnknown;
            return nullptr;
        }
        if (s->object == nullptr) {
            *found = Found::kRetired;
            return nullptr;
        }
        *found = Found::kLive;
        s->retired = true;
        return std::move(s->object);
    }

    // Retires every live slot whose tag matches and returns the objects.
    std::vector<std::shared_ptr<T>> retireTagged(int tag) {
        std::vector<std::shared_ptr<T>> out;
        std::lock_guard<std::mutex> lock(mutex_);
        for (Slot& s : slots_) {
            if (s.object == nullptr || s.tag != tag)
                continue;
            s.retired = true;
            out.push_back(std::move(s.object));
        }
        return out;
    }

  private:
    struct Slot {
        std::shared_ptr<T> object;  // null when free or retired
        int tag = 0;
        bool retired = false;
    };

    Slot* slot(int handle) {
        if (handle <= 0 || handle >= static_cast<int>(slots_.size()))
            return nullptr;
        return &slots_[static_cast<size_t>(handle)];
    }

    std::mutex mutex_;
    std::vector<Slot> slots_;  // guarded by mutex_
    int next_ = 1;             // guarded by mutex_
};

}  // namespace vantor::pppp
