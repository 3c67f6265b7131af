#include "media/mixer.h"

#include <SDL.h>
#include <SDL_mixer.h>

namespace kq {

bool TAudioDevice::Open(std::string* error) {
  if (open_) return true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO | SDL_INIT_EVENTS) != 0) {
    if (error) *error = SDL_GetError();
    return false;
  }
  // No changes allowed: the music renders straight into the stream in this exact format.
  if (Mix_OpenAudioDevice(kMixRate, AUDIO_S16SYS, kMixChannels, 1024, nullptr, 0) != 0) {
    if (error) *error = Mix_GetError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO | SDL_INIT_EVENTS);
    return false;
  }
  open_ = true;
  return true;
}

void TAudioDevice::Close() {
  if (!open_) return;
  Mix_HookMusic(nullptr, nullptr);
  Mix_CloseAudio();
  SDL_QuitSubSystem(SDL_INIT_AUDIO | SDL_INIT_EVENTS);
  open_ = false;
}

}  // namespace kq
