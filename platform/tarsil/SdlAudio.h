// Process-wide use count of SDL's audio subsystem. SDL's init/quit and device open/close are
// not meant to race, so every caller in this library takes lock() around them.
// With no sound device (a CI machine) acquire() fails; SDL_AUDIODRIVER=dummy gives silent
// devices instead.
#pragma once

#include <mutex>

namespace tarsil {

class SdlAudio {
  public:
    static bool acquire();  // true: the subsystem is up; pair with release()
    static void release();
    static std::mutex& lock();
};

}  // namespace tarsil
