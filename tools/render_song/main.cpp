// Renders a MIDI song through the game's synthesizer into a wave file, for listening to the
// generated music without running the game.
//   kq_render_song SONG.mid OUT.wav [SOUNDFONT]
#include <cstdio>
#include <fstream>
#include <iterator>

#include "media/fluid_synth.h"
#include "media/midi_file.h"
#include "media/music_player.h"
#include "media/sound_decode.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: kq_render_song SONG.mid OUT.wav [SOUNDFONT]\n");
    return 2;
  }
  std::ifstream f(argv[1], std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  kq::TMidiSong song;
  std::string error;
  if (!kq::ParseMidiFile(bytes, 44100, song, &error)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
    return 1;
  }
  auto synth = kq::TFluidSynth::Create(argc > 3 ? argv[3] : kq::FindSoundFont(), &error);
  if (!synth) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  kq::TMidiSequencer seq;
  seq.SetSong(&song);
  kq::TPcm pcm{44100, 2, {}};
  std::vector<int16_t> block(2 * 1024);
  bool ended = false;
  // The song, then two seconds of its tail.
  for (int tail = 0; tail < 86;) {
    ended |= seq.Fill(block.data(), 1024, *synth);
    pcm.Samples.insert(pcm.Samples.end(), block.begin(), block.end());
    if (ended) ++tail;
  }
  std::vector<uint8_t> wave = kq::MakeWaveFile(pcm);
  std::ofstream(argv[2], std::ios::binary)
      .write(reinterpret_cast<const char*>(wave.data()), std::streamsize(wave.size()));
  return 0;
}
