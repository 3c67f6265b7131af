// Writes the default music into <out>/BGM: the opening, rules and ending songs and the numbered
// songs that the one-player game changes to at those levels (and versus picks from).
//   kq_gen_music OUTPUT_FOLDER
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "gen_music/composer.h"

using namespace kq::gen;

namespace {

// General MIDI programs, 0-based.
enum : int {
  kPiano = 0,
  kElectricPiano = 4,
  kCelesta = 8,
  kVibraphone = 11,
  kMarimba = 12,
  kCleanGuitar = 27,
  kOverdrive = 29,
  kAcousticBass = 32,
  kFingerBass = 33,
  kPickBass = 34,
  kSlapBass = 36,
  kSynthBass = 38,
  kSynthBass2 = 39,
  kViolin = 40,
  kCello = 42,
  kHarp = 46,
  kStrings = 48,
  kStrings2 = 49,
  kSynthStrings = 50,
  kTrumpet = 56,
  kTrombone = 57,
  kHorn = 60,
  kBrass = 61,
  kSynthBrass = 62,
  kAltoSax = 65,
  kOboe = 68,
  kClarinet = 71,
  kFlute = 73,
  kSquareLead = 80,
  kSawLead = 81,
  kWarmPad = 89,
  kPolySynth = 90,
  kChoirPad = 91,
  kCrystal = 98,
};

TSongStyle Song(const char* file, uint32_t seed, int bpm, int tonic, bool minor, std::vector<int> a,
                std::vector<int> b, TGroove groove, int lead, int counter, int pad, int bass, int arp,
                int comp = -1, bool sevenths = false) {
  TSongStyle s;
  s.File = file;
  s.Seed = seed;
  s.Bpm = bpm;
  s.Tonic = tonic;
  s.Minor = minor;
  s.ProgressionA = std::move(a);
  s.ProgressionB = std::move(b);
  s.Groove = groove;
  s.Lead = lead;
  s.Counter = counter;
  s.Pad = pad;
  s.Bass = bass;
  s.Arp = arp;
  s.Comp = comp;
  s.Sevenths = sevenths;
  return s;
}

std::vector<TSongStyle> Songs() {
  using G = TGroove;
  std::vector<TSongStyle> s{
      // Front-end songs.
      Song("BGM_OPENING", 1101, 132, 50, false, {0, 4, 5, 3}, {3, 4, 2, 5}, G::Rock, kTrumpet, kHorn,
           kStrings, kFingerBass, kHarp),
      Song("BGM_HOWTO", 2202, 104, 53, false, {1, 4, 0, 5}, {3, 2, 1, 4}, G::Funk, kMarimba, kVibraphone,
           kElectricPiano, kAcousticBass, kCelesta, -1, true),
      Song("BGM_ENDING", 3303, 78, 63, false, {0, 4, 5, 2, 3, 0, 3, 4}, {3, 4, 2, 5, 1, 4, 0, 0}, G::Ballad,
           kFlute, kCello, kStrings2, kAcousticBass, kPiano),
      // One song for every few levels, faster and darker as the levels climb.
      Song("BGM001", 101, 120, 60, false, {0, 4, 5, 3}, {5, 3, 0, 4}, G::Rock, kSquareLead, kSawLead,
           kWarmPad, kSynthBass, kCelesta),
      Song("BGM006", 606, 124, 55, false, {0, 5, 3, 4}, {3, 4, 5, 5}, G::Dance, kSawLead, kSynthBrass,
           kPolySynth, kSynthBass, kCelesta),
      Song("BGM011", 1111, 128, 57, true, {0, 5, 2, 6}, {5, 6, 0, 0}, G::Rock, kSquareLead, kTrumpet,
           kStrings, kPickBass, kHarp),
      Song("BGM016", 1616, 132, 51, false, {1, 4, 0, 5}, {3, 4, 2, 5}, G::Funk, kAltoSax, kTrombone,
           kElectricPiano, kFingerBass, kVibraphone, kCleanGuitar, true),
      Song("BGM021", 2121, 136, 62, true, {0, 6, 5, 4}, {5, 3, 0, 4}, G::HalfTime, kViolin, kClarinet,
           kStrings, kFingerBass, kHarp),
      Song("BGM031", 3131, 140, 58, false, {0, 2, 3, 4}, {5, 3, 4, 0}, G::Dance, kSquareLead, kSynthBrass,
           kChoirPad, kSynthBass2, kCelesta),
      Song("BGM041", 4141, 144, 52, true, {0, 3, 6, 2}, {5, 6, 4, 4}, G::Rock, kOverdrive, kSawLead, kStrings,
           kPickBass, kHarp),
      Song("BGM061", 6161, 148, 53, false, {0, 3, 1, 4}, {2, 5, 1, 4}, G::Funk, kAltoSax, kBrass,
           kElectricPiano, kSlapBass, kVibraphone, kCleanGuitar, true),
      Song("BGM081", 8181, 152, 55, true, {0, 5, 6, 0}, {3, 0, 5, 4}, G::HalfTime, kSawLead, kTrumpet,
           kSynthStrings, kSynthBass, kCelesta),
      Song("BGM101", 10101, 156, 60, true, {0, 6, 5, 6}, {3, 4, 0, 0}, G::Dance, kSquareLead, kSynthBrass,
           kPolySynth, kSynthBass, kCrystal),
      Song("BGM131", 13131, 160, 57, false, {0, 4, 5, 3}, {1, 3, 0, 4}, G::Rock, kTrumpet, kBrass, kStrings,
           kFingerBass, kHarp, kOverdrive),
      Song("BGM161", 16161, 166, 54, true, {0, 3, 4, 0}, {5, 2, 6, 4}, G::HalfTime, kSawLead, kOboe,
           kSynthStrings, kSynthBass, kCelesta),
      Song("BGM191", 19191, 172, 58, true, {0, 5, 2, 6}, {3, 6, 0, 4}, G::Dance, kSquareLead, kSawLead,
           kChoirPad, kSynthBass2, kCrystal),
  };
  s[2].MinSeconds = 90;  // the ending plays once, under the ending pages
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kq_gen_music OUTPUT_FOLDER\n");
    return 2;
  }
  std::string dir = std::string(argv[1]) + "/BGM";
  std::filesystem::create_directories(dir);
  for (const TSongStyle& s : Songs()) {
    std::vector<uint8_t> midi = ComposeSong(s);
    std::ofstream f(dir + "/" + s.File + ".mid", std::ios::binary);
    f.write(reinterpret_cast<const char*>(midi.data()), std::streamsize(midi.size()));
    if (!f) {
      std::fprintf(stderr, "cannot write %s\n", s.File.c_str());
      return 1;
    }
  }
  return 0;
}
