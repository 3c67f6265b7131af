// Writes the default sound pack: the effects into <out>/SND and, when espeak-ng is given, the
// voices into <out>/VOICE.
//   kq_gen_sounds OUTPUT_FOLDER [--espeak PATH]
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "gen_sounds/effects.h"
#include "gen_sounds/voices.h"
#include "media/sound_decode.h"

using namespace kq;
using namespace kq::gen;

namespace {

bool WriteSound(const std::string& path, const TSound& s) {
  TPcm pcm{kRate, 1, ToPcm16(s)};
  std::vector<uint8_t> bytes = MakeWaveFile(pcm);
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(f);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kq_gen_sounds OUTPUT_FOLDER [--espeak PATH]\n");
    return 2;
  }
  std::string out = argv[1];
  std::string espeak;
  for (int i = 2; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--espeak") == 0) espeak = argv[++i];

  std::filesystem::create_directories(out + "/SND");
  // File names as the loader's table spells them.
  std::vector<std::pair<std::string, std::function<TSound()>>> effects;
  for (int n = 1; n <= 10; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "B_SHO_%02X", n);
    effects.push_back({name, [n] { return EraseBell(n); }});
  }
  effects.push_back({"b_change", ChangeChirp});
  effects.push_back({"shot", ShotWhoosh});
  effects.push_back({"SELECT", SelectChime});
  effects.push_back({"Levelup", LevelUpFanfare});
  effects.push_back({"B_FLICK", FlickTick});
  effects.push_back({"CURSOR", CursorBlip});
  effects.push_back({"BAD", BadBuzz});
  for (auto& [name, make] : effects) {
    if (!WriteSound(out + "/SND/" + name + ".wav", make())) {
      std::fprintf(stderr, "cannot write %s\n", name.c_str());
      return 1;
    }
  }

  if (!espeak.empty() && !WriteVoices(espeak, out)) return 1;
  return 0;
}
