#include "PlayerRegistry.h"

#include <vector>

namespace tarsil {

PlayerRegistry& PlayerRegistry::instance() {
    static PlayerRegistry registry;
    return registry;
}

bool PlayerRegistry::init() {
    std::lock_guard<std::mutex> guard(lock_);
    initialised_ = true;
    return true;
}

void PlayerRegistry::uninit() {
    std::map<uint32_t, std::shared_ptr<PlayInstance>> plays;
    std::map<uint32_t, std::shared_ptr<TalkInstance>> talks;
    {
        std::lock_guard<std::mutex> guard(lock_);
        initialised_ = false;
        plays.swap(plays_);
        talks.swap(talks_);
    }
    // Stopped outside the lock: their threads may still look handles up.
    for (auto& entry : plays)
        entry.second->shutdown();
    for (auto& entry : talks)
        entry.second->stop();
}

uint32_t PlayerRegistry::createPlay() {
    std::lock_guard<std::mutex> guard(lock_);
    if (!initialised_ || plays_.size() >= kMaxInstances)
        return 0;
    const uint32_t handle = nextHandle_++;
    if (nextHandle_ == 0)
        nextHandle_ = 1;
    plays_[handle] = std::make_shared<PlayInstance>(handle);
    return handle;
}

uint32_t PlayerRegistry::createTalk() {
    std::lock_guard<std::mutex> guard(lock_);
    if (!initialised_ || talks_.size() >= kMaxInstances)
        return 0;
    const uint32_t handle = nextHandle_++;
    if (nextHandle_ == 0)
        nextHandle_ = 1;
    talks_[handle] = std::make_shared<TalkInstance>();
    return handle;
}

std::shared_ptr<PlayInstance> PlayerRegistry::play(uint32_t handle) {
    std::lock_guard<std::mutex> guard(lock_);
    auto it = plays_.find(handle);
    return it == plays_.end() ? nullptr : it->second;
}

std::shared_ptr<TalkInstance> PlayerRegistry::talk(uint32_t handle) {
    std::lock_guard<std::mutex> guard(lock_);
    auto it = talks_.find(handle);
    return it == talks_.end() ? nullptr : it->second;
}

bool PlayerRegistry::destroyPlay(uint32_t handle) {
    std::shared_ptr<PlayInstance> doomed;
    {
        std::lock_guard<std::mutex> guard(lock_);
        auto it = plays_.find(handle);
        if (it == plays_.end())
            return false;
        doomed = std::move(it->second);
        plays_.erase(it);
    }
    doomed->shutdown();  // its threads end here; the memory goes with the last user
    return true;
}

bool PlayerRegistry::destroyTalk(uint32_t handle) {
    std::shared_ptr<TalkInstance> doomed;
    {
        std::lock_guard<std::mutex> guard(lock_);
        auto it = talks_.find(handle);
        if (it == talks_.end())
            return false;
        doomed = std::move(it->second);
        talks_.erase(it);
    }
    doomed->stop();
    return true;
}

}  // namespace tarsil
