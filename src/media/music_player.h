#pragma once
// Background music: standard MIDI files (format 0) played by a FluidSynth synthesizer that stays
// loaded for the whole run, rendering into the mixer's music hook. Changing songs only parses
// the file and swaps it in, so no frame waits for a soundfont to load.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "media/audio.h"
#include "media/midi_file.h"
#include "media/midi_sequencer.h"

namespace kq {

// The General MIDI soundfont to use: TimGM6mb if installed, else the system's default GM font,
// else any .sf2/.sf3 under /usr/share/sounds/sf2 or /usr/share/soundfonts; empty when none.
std::string FindSoundFont();

class TMidiPlayer : public IMusicPlayer {
 public:
  // Needs an open audio device (media/mixer.h). Null, with the reason in error, when the
  // soundfont or the synthesizer cannot be had; the game then runs without music.
  static std::unique_ptr<TMidiPlayer> Create(const std::string& soundFont, std::string* error = nullptr);
  ~TMidiPlayer() override;
  TMidiPlayer(const TMidiPlayer&) = delete;
  TMidiPlayer& operator=(const TMidiPlayer&) = delete;

  bool Open(const std::string& path) override;
  void Play() override;
  void Stop() override;
  void SetPaused(bool paused) override;
  bool SongEnded(uint32_t userEventType) override;
  void SetVolume(int level) override;

  // The SDL event type posted at the end of a song.
  uint32_t EndEventType() const { return eventType_; }
  bool IsPlaying() const { return playing_; }
  // Opens an already parsed song (the benchmark and tests build songs in memory).
  void OpenSong(std::unique_ptr<TMidiSong> song);

 private:
  struct TSynth;
  TMidiPlayer() = default;
  static void MixCallback(void* self, uint8_t* stream, int len);
  void Mix(int16_t* out, int frames);

  std::unique_ptr<TSynth> synth_;
  std::unique_ptr<TMidiSong> song_;
  TMidiSequencer seq_;
  uint32_t eventType_ = 0;
  std::atomic<bool> playing_{false};
  std::atomic<bool> ended_{false};
  std::atomic<float> gain_{1.0f};  // read by the audio thread
  bool tails_ = false;             // after a song's end its last notes ring out; after Stop nothing does
  bool paused_ = false;            // held by SetPaused: plays on from the same place
};

}  // namespace kq
