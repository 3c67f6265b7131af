#pragma once
// Sound effects, voices and music as the rules see them. The SDL_mixer implementation lives in
// this folder; rule tests run without one.
#include <cstdint>
#include <string>

namespace kq {

class ISoundSystem {
 public:
  virtual ~ISoundSystem() = default;
  // name is upper case; plays the sound from the start without waiting.
  virtual void Play(const std::string& name, bool stopFirst) = 0;
  virtual bool Has(const std::string& name) const = 0;
  // Stops the copies of the sound still playing (a sound the game took back).
  virtual void Stop(const std::string& name) { (void)name; }
  // Volumes 0 (silent) to 10 (full) of the effects and of the voices (names "VOICE..."); they
  // apply at once, to copies already playing too.
  virtual void SetVolumes(int effects, int voices) {
    (void)effects;
    (void)voices;
  }
};

// The loudness factor of a volume level 0..10: square law, so each step sounds about as big.
inline double VolumeGain(int level) {
  const double x = level <= 0 ? 0.0 : level >= 10 ? 1.0 : level / 10.0;
  return x * x;
}

class IMusicPlayer {
 public:
  virtual ~IMusicPlayer() = default;
  // Loads a standard MIDI file (format 0); false when it cannot be played.
  virtual bool Open(const std::string& path) = 0;
  // Starts the opened song; after the song has ended it starts again from the beginning.
  virtual void Play() = 0;
  // Stops and rewinds.
  virtual void Stop() = 0;
  // Holds the song where it is (paused) or goes on from there; nothing while no song plays.
  virtual void SetPaused(bool paused) { (void)paused; }
  // Called on the main thread with every SDL user event; returns true when a song has ended.
  virtual bool SongEnded(uint32_t userEventType) = 0;
  // Volume 0 (silent) to 10 (full), at once.
  virtual void SetVolume(int level) { (void)level; }
};

}  // namespace kq
