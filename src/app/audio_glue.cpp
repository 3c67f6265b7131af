#include "app/audio_glue.h"

#include <cstdio>

#include "core/context.h"
#include "media/mixer.h"
#include "media/music_player.h"
#include "media/sound_system.h"

namespace kq {

namespace {

// The sound system together with the audio device it plays on: the device opens before the
// sounds load and closes after they are freed. The music player is always released first.
class TDeviceSound : public ISoundSystem {
 public:
  bool Open(std::string* error) {
    if (!device_.Open(error)) return false;
    sounds_ = std::make_unique<TSoundSystem>();
    return true;
  }
  ~TDeviceSound() override { sounds_.reset(); }
  void Play(const std::string& name, bool stopFirst) override { sounds_->Play(name, stopFirst); }
  bool Has(const std::string& name) const override { return sounds_->Has(name); }
  void SetVolumes(int effects, int voices) override { sounds_->SetVolumes(effects, voices); }
  void Stop(const std::string& name) override { sounds_->Stop(name); }
  TSoundSystem& Sounds() { return *sounds_; }

 private:
  TAudioDevice device_;
  std::unique_ptr<TSoundSystem> sounds_;
};

}  // namespace

void LoadSoundAssets(GameContext& g) {
  // The headless runner records the sound names instead of playing them.
  if (g.RecordSounds) return;
  auto sound = std::make_unique<TDeviceSound>();
  std::string error;
  if (!sound->Open(&error)) {
    std::fprintf(stderr, "kq001: no sound (%s)\n", error.c_str());
    return;
  }
  sound->Sounds().SetTempFileName(g.TempFileName);
  g.SoundLoadError = LoadGameSounds(sound->Sounds(), g.PackFolder(), g.Config.DisableVoice);
  g.Sound = sound.get();
  g.SoundOwner = std::move(sound);
  g.Sound->SetVolumes(g.Config.SoundVolume, g.Config.VoiceVolume);
}

void CreateMusicPlayer(GameContext& g) {
  if (!g.Sound) return;  // no audio device
  std::string font = FindSoundFont();
  if (font.empty()) {
    std::fprintf(
        stderr,
        "kq001: no General MIDI soundfont in /usr/share/sounds/sf2 or /usr/share/soundfonts; music is off\n");
    return;
  }
  std::string error;
  std::unique_ptr<TMidiPlayer> player = TMidiPlayer::Create(font, &error);
  if (!player) {
    std::fprintf(stderr, "kq001: music is off (%s)\n", error.c_str());
    return;
  }
  player->SetVolume(g.Config.MusicVolume);
  g.Music = player.get();
  g.MusicOwner = std::move(player);
}

void ShutDownAudio(GameContext& g) {
  g.Music = nullptr;
  g.MusicOwner.reset();
  g.Sound = nullptr;
  g.SoundOwner.reset();
}

}  // namespace kq
