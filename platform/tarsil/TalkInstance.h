// Two-way talk: captures the microphone at 8 kHz mono through SDL and hands each block of
// TARSIL_TALK_BLOCK_BYTES A-law codes to the caller's callback on SDL's capture thread.
// Thread: start/stop from any thread (serialised by lock_); the capture callback touches only
// the block buffer, which start() prepares before the device runs.
#pragma once

#include <SDL2/SDL_audio.h>

#include <cstdint>
#include <mutex>

#include "tarsil.h"

namespace tarsil {

class TalkInstance {
  public:
    ~TalkInstance();
    bool start(TalkDataCallback callback, void* user);
    void stop();
    bool running();

  private:
    static void onCapture(void* self, Uint8* stream, int length);

    std::mutex lock_;
    SDL_AudioDeviceID device_ = 0;  // guarded by lock_
    // Owned by the capture thread while the device runs.
    TalkDataCallback callback_ = nullptr;
    void* user_ = nullptr;
    uint8_t block_[TARSIL_TALK_BLOCK_BYTES] = {};
    int filled_ = 0;
};

}  // namespace tarsil
