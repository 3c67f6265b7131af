#include "gen_sounds/voices.h"

#include <spawn.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "gen_sounds/dsp.h"
#include "media/sound_decode.h"
#include "media/sound_names.h"

extern char** environ;

namespace kq::gen {

namespace {

// Player 1 and the announcements in one voice, player 2 in another.
constexpr std::string_view kVoice1 = "en-us+f3";
constexpr std::string_view kVoice2 = "en-gb+m3";
constexpr std::string_view kAnnouncer = "en-us+m1";

constexpr TVoiceLine kLines[] = {
    // Player 1's erase voices, growing with the chain.
    {"02", "Nice!", kVoice1, 60, 170},
    {"03", "Good!", kVoice1, 62, 170},
    {"04", "Great!", kVoice1, 64, 170},
    {"05", "Super!", kVoice1, 66, 175},
    {"06", "Wonderful!", kVoice1, 68, 175},
    {"07", "Excellent!", kVoice1, 70, 180},
    {"08", "Amazing!", kVoice1, 72, 180},
    {"09", "Fantastic!", kVoice1, 75, 185},
    {"0A", "Unbelievable!", kVoice1, 78, 185},
    // Player 2's.
    {"52", "Yeah!", kVoice2, 40, 170},
    {"53", "All right!", kVoice2, 42, 170},
    {"54", "Take that!", kVoice2, 44, 170},
    {"55", "Keep going!", kVoice2, 46, 175},
    {"56", "Awesome!", kVoice2, 48, 175},
    {"57", "Incredible!", kVoice2, 50, 180},
    {"58", "Marvelous!", kVoice2, 52, 180},
    {"59", "Spectacular!", kVoice2, 55, 185},
    {"5A", "Legendary!", kVoice2, 58, 185},
    {"1A", "Welcome, block shooter!", kAnnouncer, 50, 150},
    {"1B", "Here we go!", kAnnouncer, 55, 160},
    {"1C", "Game over.", kAnnouncer, 40, 130},
    {"1D", "Rainbow mode!", kVoice1, 70, 160},
    {"1E", "Rainbow mode is over.", kVoice1, 55, 160},
    {"21", "Ouch!", kVoice1, 70, 170},
    {"22", "Oof!", kVoice1, 65, 170},
    {"23", "Whoa!", kVoice1, 72, 170},
    {"26", "Incoming!", kVoice1, 60, 175},
    {"27", "Game set!", kAnnouncer, 50, 150},
    {"28", "Battle, start!", kAnnouncer, 55, 155},
    {"98", "E X levels are open!", kAnnouncer, 55, 150},
    {"99", "Congratulations!", kAnnouncer, 60, 140},
};

bool Speak(const std::string& espeak, const TVoiceLine& line, const std::string& wav) {
  std::vector<std::string> args{espeak,
                                "-v",
                                std::string(line.Voice),
                                "-p",
                                std::to_string(line.Pitch),
                                "-s",
                                std::to_string(line.Speed),
                                "-a",
                                "110",
                                "-w",
                                wav,
                                std::string(line.Text)};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, espeak.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// espeak-ng speaks at 22.05 kHz; the mixer runs at 44.1 kHz. Resampling here, once, keeps the
// conversion out of the game's start-up. Lanczos (a = 3) interpolation.
std::vector<int16_t> Resample(const std::vector<int16_t>& in, int from, int to) {
  if (from == to || in.empty()) return in;
  const int a = 3;
  double ratio = double(from) / to;
  size_t n = size_t(double(in.size()) / ratio);
  std::vector<int16_t> out(n);
  for (size_t i = 0; i < n; ++i) {
    double x = double(i) * ratio;
    long c = long(std::floor(x));
    double acc = 0, wsum = 0;
    for (long k = c - a + 1; k <= c + a; ++k) {
      double d = x - double(k);
      double w = d == 0 ? 1.0 : a * std::sin(kPi * d) * std::sin(kPi * d / a) / (kPi * kPi * d * d);
      double v = k >= 0 && size_t(k) < in.size() ? in[size_t(k)] : 0.0;
      acc += w * v;
      wsum += w;
    }
    out[i] = int16_t(std::clamp(std::lround(acc / wsum), -32768L, 32767L));
  }
  return out;
}

// Reads espeak-ng's mono 16-bit wave, cuts the silence around the words, and writes it again at
// the mixer's rate.
bool Finish(const std::string& wav) {
  std::ifstream f(wav, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  f.close();
  auto fmt = FindRiffChunk(bytes, "fmt ");
  auto data = FindRiffChunk(bytes, "data");
  if (!fmt || !data || fmt->size() < 16) return false;
  int tag = (*fmt)[0] | (*fmt)[1] << 8, channels = (*fmt)[2] | (*fmt)[3] << 8;
  int rate = (*fmt)[4] | (*fmt)[5] << 8 | (*fmt)[6] << 16 | (*fmt)[7] << 24;
  int bits = (*fmt)[14] | (*fmt)[15] << 8;
  if (tag != 1 || channels != 1 || bits != 16 || rate <= 0) return false;
  std::vector<int16_t> pcm(data->size() / 2);
  for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = int16_t((*data)[2 * i] | (*data)[2 * i + 1] << 8);
  size_t first = 0, last = pcm.size();
  while (first < last && std::abs(pcm[first]) < 200) ++first;
  while (last > first && std::abs(pcm[last - 1]) < 200) --last;
  // Keep a breath of the quiet on either side so nothing starts or stops with a click.
  first -= std::min(first, size_t(rate / 100));
  last = std::min(pcm.size(), last + size_t(rate / 20));
  std::vector<int16_t> words(pcm.begin() + long(first), pcm.begin() + long(last));
  TPcm out{kRate, 1, Resample(words, rate, kRate)};
  std::vector<uint8_t> wave = MakeWaveFile(out);
  std::ofstream o(wav, std::ios::binary);
  o.write(reinterpret_cast<const char*>(wave.data()), std::streamsize(wave.size()));
  return bool(o) && !out.Samples.empty();
}

}  // namespace

bool WriteVoices(const std::string& espeak, const std::string& outFolder) {
  std::filesystem::create_directories(outFolder + "/VOICE");
  bool ok = true;
  for (std::string_view code : kVoiceCodes) {
    bool found = false;
    for (const TVoiceLine& line : kLines) found |= line.Code == code;
    if (!found) {
      std::fprintf(stderr, "no line for voice %.*s\n", int(code.size()), code.data());
      ok = false;
    }
  }
  for (const TVoiceLine& line : kLines) {
    std::string wav = outFolder + "/VOICE/voice" + std::string(line.Code) + ".wav";
    if (!Speak(espeak, line, wav) || !Finish(wav)) {
      std::fprintf(stderr, "espeak-ng failed for %s\n", wav.c_str());
      std::filesystem::remove(wav);
      ok = false;
    }
  }
  return ok;
}

}  // namespace kq::gen
