// Handles of play and talk instances. Handles count up from 1 and are never reused while the
// library is initialised, so a stale handle finds nothing. Lookups hand out shared ownership:
// an instance destroyed while another thread is inside a call on it lives until that call
// returns.
// Thread: any; one lock guards the tables (never held while an instance works).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "PlayInstance.h"
#include "TalkInstance.h"

namespace tarsil {

class PlayerRegistry {
  public:
    static constexpr size_t kMaxInstances = 256;  // play and talk each

    static PlayerRegistry& instance();

    bool init();
    void uninit();  // destroys every instance
    uint32_t createPlay();
    uint32_t createTalk();
    std::shared_ptr<PlayInstance> play(uint32_t handle);
    std::shared_ptr<TalkInstance> talk(uint32_t handle);
    bool destroyPlay(uint32_t handle);
    bool destroyTalk(uint32_t handle);

  private:
    std::mutex lock_;
    bool initialised_ = false;                                 // guarded by lock_
    uint32_t nextHandle_ = 1;                                  // guarded by lock_
    std::map<uint32_t, std::shared_ptr<PlayInstance>> plays_;  // guarded by lock_
    std::map<uint32_t, std::shared_ptr<TalkInstance>> talks_;  // guarded by lock_
};

}  // namespace tarsil
