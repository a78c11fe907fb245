#include "SdlAudio.h"

#include <SDL2/SDL.h>

namespace tarsil {

std::mutex& SdlAudio::lock() {
    static std::mutex m;
    return m;
}

bool SdlAudio::acquire() {
    // SDL's own count makes nested init/quit pairs safe.
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

void SdlAudio::release() {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace tarsil
