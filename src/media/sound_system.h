#pragma once
// Sampled sounds on the SDL mixer: the wave list of named sounds, each playable as up to 64
// overlapping copies. The audio device (media/mixer.h) must be open.
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "media/audio.h"

struct Mix_Chunk;

namespace kq {

inline constexpr int kMaxCopies = 64;

class TSoundSystem : public ISoundSystem {
 public:
  TSoundSystem();
  ~TSoundSystem() override;
  TSoundSystem(const TSoundSystem&) = delete;
  TSoundSystem& operator=(const TSoundSystem&) = delete;

  void Play(const std::string& name, bool stopFirst) override;
  // Halts the copy of name played last, if it is still playing.
  void Stop(const std::string& name) override;
  bool Has(const std::string& name) const override;
  void SetVolumes(int effects, int voices) override;

  // Loads one ".WAV" or ".MP3" file under name (stored in upper case), replacing an earlier item
  // of that name. False when nothing was loaded; a failure also sets LoadError().
  bool LoadSoundAsset(std::string_view name, const std::string& fileName);
  // The last load failure's text, empty when none failed.
  const std::string& LoadError() const { return loadError_; }
  // Deleted after every MP3 decode, so a file left by an earlier run never lingers.
  void SetTempFileName(std::string path) { tempFileName_ = std::move(path); }

  size_t Count() const { return items_.size(); }
  // Mixer channels of the copies of name that are playing, oldest play first.
  std::vector<int> PlayingCopies(std::string_view name) const;
  // Length of a loaded sound in sample frames of the mixer, 0 when absent.
  uint32_t Frames(std::string_view name) const;

 private:
  struct TItem {
    int Id = 0;
    Mix_Chunk* Chunk = nullptr;
    bool Voice = false;
  };
  struct TChannel {
    int Owner = 0;  // item id of the last sound played here, 0 none
    uint64_t Order = 0;
  };

  bool LoadWave(const std::string& upper, std::vector<uint8_t> bytes, const std::string& fileName);
  bool LoadMp3(const std::string& upper, std::span<const uint8_t> mp3, const std::string& fileName);
  void Insert(const std::string& upper, Mix_Chunk* chunk);
  void Remove(const std::string& upper);
  int FreeChannel();
  int ChannelVolume(bool voice) const;
  bool OwnerIsVoice(int id) const;

  std::map<std::string, TItem> items_;
  std::vector<TChannel> channels_;
  uint64_t playOrder_ = 0;
  int nextId_ = 1;
  int effectsLevel_ = 10, voicesLevel_ = 10;
  std::string loadError_;
  std::string tempFileName_;
};

// File chosen for a sound: base + ".MP3" if it exists below appPath, else base + ".WAV" if that
// exists, else empty. base is written with backslashes and matched without regard to case.
std::string ChooseSoundFile(const std::string& appPath, std::string_view base);

// Loads the effects and, unless disableVoice, the voices from appPath. Missing files are skipped
// without a message. Returns the last failure's text (empty when none failed).
std::string LoadGameSounds(TSoundSystem& sounds, const std::string& appPath, bool disableVoice);

}  // namespace kq
