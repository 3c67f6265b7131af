#pragma once
// A FluidSynth synthesizer with one General MIDI soundfont loaded, rendering 44.1 kHz stereo.
// Loading the soundfont is the slow part (tens of milliseconds), so one instance lives for the
// whole run.
#include <cstdint>
#include <memory>
#include <string>

#include "media/midi_sequencer.h"

namespace kq {

class TFluidSynth : public IMidiSink {
 public:
  // Null, with the reason in error, when the synthesizer or the soundfont fails.
  static std::unique_ptr<TFluidSynth> Create(const std::string& soundFont, std::string* error = nullptr);
  ~TFluidSynth() override;
  TFluidSynth(const TFluidSynth&) = delete;
  TFluidSynth& operator=(const TFluidSynth&) = delete;

  void Send(const TMidiEvent& e) override;
  void Render(int16_t* out, int frames) override;
  // Silences every voice and returns all channels to their initial programs and controllers.
  void Reset();
  int ActiveVoices() const;

 private:
  TFluidSynth() = default;
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

}  // namespace kq
