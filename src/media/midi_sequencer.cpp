#include "media/midi_sequencer.h"

#include <algorithm>

namespace kq {

bool TMidiSequencer::Fill(int16_t* out, int frames, IMidiSink& sink) {
  int done = 0;
  while (done < frames) {
    if (song_) {
      const auto& ev = song_->Events;
      while (next_ < ev.size() && ev[next_].Frame <= frame_) sink.Send(ev[next_++]);
    }
    if (AtEnd()) {
      sink.Render(out + 2 * done, frames - done);
      break;
    }
    const auto& ev = song_->Events;
    uint64_t until = next_ < ev.size() ? ev[next_].Frame : song_->EndFrame;
    int n = int(std::min<uint64_t>(uint64_t(frames - done), until - frame_));
    sink.Render(out + 2 * done, n);
    done += n;
    frame_ += uint64_t(n);
  }
  if (!AtEnd() || reported_) return false;
  reported_ = true;
  return true;
}

}  // namespace kq
