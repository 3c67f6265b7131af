#pragma once
// Algorithmic songs: a chord progression per section, a melody built from a repeated and varied
// motif, voice-led harmony, a bass line and drums, all on General MIDI instruments. A fixed seed
// per song makes every build write the same music.
#include <cstdint>
#include <string>
#include <vector>

namespace kq::gen {

enum class TGroove {
  Rock,      // kick on 1 and 3, snare on 2 and 4, eighth hats
  Dance,     // four on the floor, off-beat open hats
  Funk,      // syncopated kick, sixteenth hats, ghost notes
  HalfTime,  // snare on 3: big and slow
  Ballad,    // side stick and ride, soft
};

struct TSongStyle {
  std::string File;  // written as BGM/<File>.mid
  uint32_t Seed = 1;
  int Bpm = 120;
  int Tonic = 60;  // MIDI key of the tonic
  bool Minor = false;
  // Scale degrees (0 = tonic) of the A and B sections' chords, one per bar; repeated to fill a
  // section of eight bars.
  std::vector<int> ProgressionA;
  std::vector<int> ProgressionB;
  bool Sevenths = false;
  TGroove Groove = TGroove::Rock;
  int Lead = 80;     // General MIDI programs (0-based)
  int Counter = 73;  // answers the lead in the C section
  int Pad = 48;
  int Bass = 33;
  int Arp = 46;   // broken chords in the B sections
  int Comp = -1;  // rhythmic chords, -1 none
  double MinSeconds = 65;
};

// A format 0 standard MIDI file of the whole song.
std::vector<uint8_t> ComposeSong(const TSongStyle& style);

}  // namespace kq::gen
