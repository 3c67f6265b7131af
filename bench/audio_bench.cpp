// Start-up cost of the sound pack and the main-thread stall of a song change, measured on a real
// mixer (SDL's dummy driver unless SDL_AUDIODRIVER says otherwise); then the level of the final
// mix under the loudest overlaps, recorded through SDL's disk driver.
//   bench_audio [APP_FOLDER]
#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media/limiter.h"
#include "media/mixer.h"
#include "media/music_list.h"
#include "media/music_player.h"
#include "media/sound_names.h"
#include "media/sound_system.h"

using namespace kq;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

struct TStats {
  double Median = 0, P99 = 0, Max = 0;
};

TStats Stats(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  if (v.empty()) return {};
  return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 99 / 100)], v.back()};
}

// Music with both players' chain effects, a shot and both players' erase voices started together
// four times a second, recorded through the disk driver as the game would mix them. Returns
// false when the recording clipped.
bool MeasureLoudOverlaps(TAudioDevice& device, const std::string& app, const std::string& font,
                         const std::string& song, double seconds) {
  const std::string file = (std::filesystem::temp_directory_path() / "kq_bench_mix.raw").string();
  device.Close();
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
  std::string error;
  if (!device.Open(&error)) {
    std::printf("mix level: no disk audio driver (%s), skipped\n", error.c_str());
    return true;
  }
  {
    TSoundSystem sounds;
    LoadGameSounds(sounds, app, false);
    std::unique_ptr<TMidiPlayer> music = TMidiPlayer::Create(font, &error);
    if (music && music->Open(song)) music->Play();
    const int steps = int(seconds * 4);
    for (int i = 0; i < steps; ++i) {
      const int n = i % 9;
      sounds.Play(std::string(kEffectSounds[n].Name), false);
      sounds.Play(std::string(kEffectSounds[n + 1].Name), false);
      sounds.Play("SHOT", false);
      sounds.Play("VOICE" + std::string(kVoiceCodes[n]), false);
      sounds.Play("VOICE" + std::string(kVoiceCodes[9 + n]), false);
      SDL_Delay(250);
    }
    music.reset();
  }
  device.Close();
  std::ifstream in(file, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(file);
  TLevelStats st;
  st.Add(reinterpret_cast<const int16_t*>(bytes.data()), bytes.size() / sizeof(int16_t));
  const double minutes = double(st.Samples) / kMixChannels / kMixRate / 60.0;
  const double perMinute = minutes > 0 ? double(st.FullScale) / minutes : 0;
  std::printf(
      "mix level over %.1f s of loudest overlaps (music, two chain effects, a shot, two voices): %.0f "
      "full-scale samples a minute (target 0), peak %.2f dBFS %s\n",
      minutes * 60, perMinute, st.PeakDbfs(), st.FullScale == 0 ? "ok" : "MISSED");
  return st.FullScale == 0;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  std::string app = argc > 1 ? argv[1] : std::string(KQ_BIN_DIR) + "/";
  if (app.back() != '/') app += '/';
  TAudioDevice device;
  std::string error;
  if (!device.Open(&error)) {
    std::fprintf(stderr, "no audio device: %s\n", error.c_str());
    return 1;
  }
  bool ok = true;

  // 1. The whole sound pack, as start-up loads it.
  std::vector<double> loads;
  size_t count = 0;
  for (int run = 0; run < 9; ++run) {
    auto t0 = Clock::now();
    TSoundSystem s;
    std::string last = LoadGameSounds(s, app, false);
    loads.push_back(Ms(t0, Clock::now()));
    count = s.Count();
    if (!last.empty()) std::printf("load error: %s\n", last.c_str());
  }
  TStats load = Stats(loads);
  std::printf("sound pack load (%zu sounds): median %.1f ms, max %.1f ms (target <= 150 ms median) %s\n",
              count, load.Median, load.Max, load.Median <= 150 ? "ok" : "MISSED");
  ok &= load.Median <= 150;

  auto t0 = Clock::now();
  std::vector<std::string> bgm = BuildBgmList(app);
  std::printf("music list (%zu songs): %.2f ms\n", bgm.size(), Ms(t0, Clock::now()));
  if (bgm.empty()) {
    std::fprintf(stderr, "no songs under %sBGM\n", app.c_str());
    return 1;
  }
  std::string font = FindSoundFont();
  if (font.empty()) {
    std::fprintf(stderr, "no soundfont\n");
    return 1;
  }

  // 2. For comparison: SDL_mixer's own FluidSynth music, which builds a synthesizer and loads
  // the soundfont for every song it opens.
  Mix_Init(MIX_INIT_MID);
  Mix_SetSoundFonts(font.c_str());
  std::vector<double> mixLoads;
  for (const std::string& path : bgm) {
    auto a = Clock::now();
    Mix_Music* m = Mix_LoadMUS(path.c_str());
    mixLoads.push_back(Ms(a, Clock::now()));
    if (m) Mix_FreeMusic(m);
  }
  TStats mix = Stats(mixLoads);
  std::printf("SDL_mixer Mix_LoadMUS per song (%s): median %.1f ms, max %.1f ms\n", font.c_str(), mix.Median,
              mix.Max);

  // 3. Our player: the soundfont loads once, at start-up.
  std::vector<double> creates;
  std::unique_ptr<TMidiPlayer> player;
  for (int run = 0; run < 3; ++run) {
    player.reset();
    auto a = Clock::now();
    player = TMidiPlayer::Create(font, &error);
    creates.push_back(Ms(a, Clock::now()));
    if (!player) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
  }
  std::printf("MIDI player creation (soundfont load, once at start-up): median %.1f ms\n",
              Stats(creates).Median);

  // 4. Song changes in a 60 fps main loop while music plays: the time each change keeps the
  // main thread (open = read + parse + swap under the audio lock, then play).
  std::vector<double> changes, opens;
  player->Open(bgm[0]);
  player->Play();
  size_t next = 1;
  for (int frame = 0; frame < 60 * 8; ++frame) {
    auto f0 = Clock::now();
    if (frame % 10 == 5) {
      const std::string& path = bgm[next++ % bgm.size()];
      auto a = Clock::now();
      bool opened = player->Open(path);
      opens.push_back(Ms(a, Clock::now()));
      player->Play();
      changes.push_back(Ms(a, Clock::now()));
      if (!opened) std::printf("cannot open %s\n", path.c_str());
    }
    double spent = Ms(f0, Clock::now());
    if (spent < 16.7) SDL_Delay(Uint32(16.7 - spent));
  }
  TStats change = Stats(changes), open = Stats(opens);
  std::printf(
      "song change stall over %zu changes: median %.2f ms, p99 %.2f ms, worst %.2f ms (open alone worst %.2f "
      "ms) "
      "(target <= 20 ms) %s\n",
      changes.size(), change.Median, change.P99, change.Max, open.Max, change.Max <= 20 ? "ok" : "MISSED");
  ok &= change.Max <= 20;
  player.reset();

  // 5. Clipping of the final mix.
  ok &= MeasureLoudOverlaps(device, app, font, bgm[0], 20);
  return ok ? 0 : 1;
}
