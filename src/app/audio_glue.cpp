#include "app/audio_glue.h"

#include "app/context.h"

namespace kq {

// Silent until the mixer lands.
void LoadSoundAssets(GameContext&) {}
void CreateMusicPlayer(GameContext&) {}
void ShutDownAudio(GameContext& g) {
  g.Sound = nullptr;
  g.Music = nullptr;
  g.SoundOwner.reset();
  g.MusicOwner.reset();
}

}  // namespace kq
