#pragma once
// Shared set-up of the audio tests: a real mixer on SDL's dummy driver, a post-mix hook that
// records the loudest sample, and a scratch folder.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media/mixer.h"
#include "media/sound_decode.h"

namespace kq::test {

inline std::atomic<int> gPeak{0};

inline void PeakHook(void*, Uint8* stream, int len) {
  const auto* s = reinterpret_cast<const int16_t*>(stream);
  int peak = 0;
  for (int i = 0; i < len / 2; ++i) peak = std::max(peak, std::abs(int(s[i])));
  if (peak > gPeak.load()) gPeak.store(peak);
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// A mono sine tone as a wave file.
inline void WriteTone(const std::string& path, double seconds, double hz = 440, int rate = 22050) {
  TPcm pcm;
  pcm.Rate = rate;
  pcm.Channels = 1;
  size_t n = size_t(seconds * rate);
  for (size_t i = 0; i < n; ++i)
    pcm.Samples.push_back(int16_t(12000 * std::sin(2 * M_PI * hz * double(i) / rate)));
  WriteBytes(path, MakeWaveFile(pcm));
}

inline std::string Fixture(const char* name) {
  return std::string(KQ_SOURCE_DIR) + "/tests/media/fixtures/" + name;
}

class AudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::string error;
    ASSERT_TRUE(device_.Open(&error)) << error;
    gPeak = 0;
    Mix_SetPostMix(PeakHook, nullptr);
    dir_ = std::filesystem::temp_directory_path() /
           ("kq_audio_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    Mix_SetPostMix(nullptr, nullptr);
    std::filesystem::remove_all(dir_);
  }
  // Scratch path; app is the folder with a trailing '/'.
  std::string Path(const std::string& rel) const { return (dir_ / rel).string(); }
  std::string App() const { return dir_.string() + "/"; }

  // Waits until the mix has been louder than threshold, up to ms.
  static bool HeardWithin(int ms, int threshold = 1000) {
    for (int t = 0; t < ms; t += 10) {
      if (gPeak.load() > threshold) return true;
      SDL_Delay(10);
    }
    return gPeak.load() > threshold;
  }

  TAudioDevice device_;
  std::filesystem::path dir_;
};

}  // namespace kq::test
