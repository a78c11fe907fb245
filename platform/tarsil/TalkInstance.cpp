#include "TalkInstance.h"

#include <SDL2/SDL.h>

#include "G711.h"
#include "SdlAudio.h"

namespace tarsil {

namespace {
constexpr int kTalkRate = 8000;
}

TalkInstance::~TalkInstance() {
    stop();
}

bool TalkInstance::start(TalkDataCallback callback, void* user) {
    std::lock_guard<std::mutex> guard(lock_);
    if (device_ != 0 || !callback)
        return false;
    std::lock_guard<std::mutex> sdl(SdlAudio::lock());
    if (!SdlAudio::acquire())
        return false;
    callback_ = callback;
    user_ = user;
    filled_ = 0;
    SDL_AudioSpec want{};
    want.freq = kTalkRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = TARSIL_TALK_BLOCK_BYTES;
    want.callback = &TalkInstance::onCapture;
    want.userdata = this;
    // No changes allowed: SDL converts whatever the microphone gives to 8 kHz mono 16-bit.
    device_ = SDL_OpenAudioDevice(nullptr, 1, &want, nullptr, 0);
    if (device_ == 0) {
        SdlAudio::release();
        return false;
    }
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void TalkInstance::stop() {
    std::lock_guard<std::mutex> guard(lock_);
    if (device_ == 0)
        return;
    std::lock_guard<std::mutex> sdl(SdlAudio::lock());
    SDL_CloseAudioDevice(device_);  // returns after the capture thread has ended
    device_ = 0;
    SdlAudio::release();
}

bool TalkInstance::running() {
    std::lock_guard<std::mutex> guard(lock_);
    return device_ != 0;
}

void TalkInstance::onCapture(void* self, Uint8* stream, int length) {
    auto* talk = static_cast<TalkInstance*>(self);
    const auto* samples = reinterpret_cast<const int16_t*>(stream);
    const int count = length / 2;
    for (int i = 0; i < count; ++i) {
        talk->block_[talk->filled_++] = G711::encode(samples[i]);
        if (talk->filled_ == TARSIL_TALK_BLOCK_BYTES) {
            talk->callback_(reinterpret_cast<const char*>(talk->block_), TARSIL_TALK_BLOCK_BYTES,
                            talk->user_);
            talk->filled_ = 0;
        }
    }
}

}  // namespace tarsil
