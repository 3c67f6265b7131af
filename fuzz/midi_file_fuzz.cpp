// Any bytes as a MIDI file: parsing either fails or gives a song whose events are channel
// messages in time order, none after its end.
#include <cstdint>
#include <span>

#include "fuzz_check.h"
#include "media/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kq;
  TMidiSong song;
  if (!ParseMidiFile(std::span<const uint8_t>(data, size), 44100, song)) return 0;
  uint64_t last = 0;
  for (const TMidiEvent& e : song.Events) {
    KQ_FUZZ_CHECK(e.Status >= 0x80 && e.Status <= 0xEF);
    KQ_FUZZ_CHECK(e.Data1 < 0x80 && e.Data2 < 0x80);
    KQ_FUZZ_CHECK(e.Frame >= last);
    last = e.Frame;
  }
  KQ_FUZZ_CHECK(song.EndFrame >= last);
  return 0;
}
