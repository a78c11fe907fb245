#include "SoundOutput.h"

#include <SDL2/SDL.h>

#include "G711.h"
#include "SdlAudio.h"

namespace tarsil {

SoundOutput::~SoundOutput() {
    close();
}

bool SoundOutput::openDeviceLocked(int rate, int channels) {
    std::lock_guard<std::mutex> sdl(SdlAudio::lock());
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(channels);
    want.samples = 512;
    SDL_AudioSpec have{};
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0)
        return false;
    rate_ = rate;
    channels_ = channels;
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void SoundOutput::closeDeviceLocked() {
    if (device_ == 0)
        return;
    std::lock_guard<std::mutex> sdl(SdlAudio::lock());
    SDL_CloseAudioDevice(device_);
    device_ = 0;
}

bool SoundOutput::open() {
    std::lock_guard<std::mutex> guard(lock_);
    if (wanted_)
        return true;
    {
        std::lock_guard<std::mutex> sdl(SdlAudio::lock());
        if (!SdlAudio::acquire())
            return false;
    }
    acquired_ = true;
    if (!openDeviceLocked(rate_ ? rate_ : kDefaultRate, channels_ ? channels_ : 1)) {
        std::lock_guard<std::mutex> sdl(SdlAudio::lock());
        SdlAudio::release();
        acquired_ = false;
        return false;
    }
    wanted_ = true;
    return true;
}

void SoundOutput::close() {
    std::lock_guard<std::mutex> guard(lock_);
    closeDeviceLocked();
    if (acquired_) {
        std::lock_guard<std::mutex> sdl(SdlAudio::lock());
        SdlAudio::release();
        acquired_ = false;
    }
    wanted_ = false;
}

bool SoundOutput::isOpen() {
    std::lock_guard<std::mutex> guard(lock_);
    return wanted_;
}

void SoundOutput::play(const uint8_t* alaw, size_t count, int rate, int channels) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!wanted_)
        return;
    if (rate != rate_ || channels != channels_ || device_ == 0) {
        closeDeviceLocked();
        if (!openDeviceLocked(rate, channels))
            return;
    }
    samples_.resize(count);
    G711::decode(alaw, count, samples_.data());
    const Uint32 limit = static_cast<Uint32>(rate_ * channels_ * 2 * kMaxQueuedSound_ms / 1000);
    if (SDL_GetQueuedAudioSize(device_) > limit)
        SDL_ClearQueuedAudio(device_);
    SDL_QueueAudio(device_, samples_.data(), static_cast<Uint32>(count * 2));
}

}  // namespace tarsil
