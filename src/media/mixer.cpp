#include "media/mixer.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include "media/limiter.h"

namespace kq {

namespace {

void LimitFinalMix(int, void* stream, int len, void* limiter) {
  static_cast<TMixLimiter*>(limiter)->Process(static_cast<int16_t*>(stream),
                                              size_t(len) / (sizeof(int16_t) * kMixChannels), kMixChannels);
}

}  // namespace

TAudioDevice::TAudioDevice() = default;
TAudioDevice::~TAudioDevice() {
  Close();
}

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
  // Runs after the music and every channel are mixed, before any post-mix hook.
  limiter_ = std::make_unique<TMixLimiter>(kMixRate);
  Mix_RegisterEffect(MIX_CHANNEL_POST, LimitFinalMix, nullptr, limiter_.get());
  open_ = true;
  return true;
}

void TAudioDevice::Close() {
  if (!open_) return;
  Mix_HookMusic(nullptr, nullptr);
  Mix_UnregisterAllEffects(MIX_CHANNEL_POST);  // waits for the audio thread
  Mix_CloseAudio();
  limiter_.reset();
  SDL_QuitSubSystem(SDL_INIT_AUDIO | SDL_INIT_EVENTS);
  open_ = false;
}

}  // namespace kq
