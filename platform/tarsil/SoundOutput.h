// Sound of one play instance: G.711 A-law frames decoded to 16-bit samples and queued to an
// SDL output device. The device follows the stream's sample rate and channel count. At most
// kMaxQueuedSound_ms are kept queued; beyond that the queue is cleared so that sound never
// drifts behind the picture.
// Thread: open/close from any thread, play from the decode thread; one lock guards the device.
#pragma once

#include <SDL2/SDL_audio.h>

#include <cstdint>
#include <mutex>
#include <vector>

namespace tarsil {

class SoundOutput {
  public:
    static constexpr int kMaxQueuedSound_ms = 500;
    static constexpr int kDefaultRate = 8000;

    ~SoundOutput();
    bool open();
    void close();
    bool isOpen();
    void play(const uint8_t* alaw, size_t count, int rate, int channels);

  private:
    bool openDeviceLocked(int rate, int channels);
    void closeDeviceLocked();

    std::mutex lock_;
    bool wanted_ = false;           // guarded by lock_: sound switched on
    bool acquired_ = false;         // guarded by lock_: SdlAudio held
    SDL_AudioDeviceID device_ = 0;  // guarded by lock_
    int rate_ = 0;                  // guarded by lock_
    int channels_ = 0;              // guarded by lock_
    std::vector<int16_t> samples_;  // guarded by lock_: conversion buffer
};

}  // namespace tarsil
