#pragma once
// Plays a parsed song into a synthesizer block by block: each event goes out at its sample frame,
// and the synthesizer renders the frames in between. Runs on the audio thread; no locking here.
#include <cstdint>

#include "media/midi_file.h"

namespace kq {

class IMidiSink {
 public:
  virtual ~IMidiSink() = default;
  virtual void Send(const TMidiEvent& e) = 0;
  // Renders frames of interleaved stereo 16-bit samples.
  virtual void Render(int16_t* out, int frames) = 0;
};

class TMidiSequencer {
 public:
  // song must outlive its use here; null plays nothing.
  void SetSong(const TMidiSong* song) {
    song_ = song;
    Rewind();
  }
  void Rewind() {
    next_ = 0;
    frame_ = 0;
    reported_ = false;
  }
  bool AtEnd() const { return !song_ || (next_ >= song_->Events.size() && frame_ >= song_->EndFrame); }
  uint64_t Frame() const { return frame_; }

  // Fills out with frames of sound. Returns true once per start, in the block where the end of the
  // song is reached; the rest of that block, and every later one, is the synthesizer's tail.
  bool Fill(int16_t* out, int frames, IMidiSink& sink);

 private:
  const TMidiSong* song_ = nullptr;
  size_t next_ = 0;
  uint64_t frame_ = 0;
  bool reported_ = false;
};

}  // namespace kq
