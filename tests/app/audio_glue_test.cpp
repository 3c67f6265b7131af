// Start-up and shut-down of the audio layer through the game context, on SDL's dummy driver.
#include "app/audio_glue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/context.h"
#include "support/doubles.h"

namespace kq {
namespace {

std::string Pack() {
  return std::string(KQ_BIN_DIR) + "/";
}
bool PackHasVoices() {
  return std::filesystem::exists(Pack() + "VOICE");
}

class AudioGlue : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    g.AppPath = Pack();
  }
  void TearDown() override { ShutDownAudio(g); }
  GameContext g;
};

TEST_F(AudioGlue, LoadsThePackAndCreatesThePlayer) {
  LoadSoundAssets(g);
  ASSERT_NE(g.Sound, nullptr);
  EXPECT_EQ(g.SoundLoadError, "");
  EXPECT_TRUE(g.Sound->Has("SE0A"));
  EXPECT_TRUE(g.Sound->Has("CURSOR"));
  if (PackHasVoices()) {
    EXPECT_TRUE(g.Sound->Has("VOICE1A"));
  }
  CreateMusicPlayer(g);
  ASSERT_NE(g.Music, nullptr) << "a General MIDI soundfont is installed with the game's packages";
  EXPECT_TRUE(g.Music->Open(g.DataPath("BGM\\BGM_OPENING.mid")));
  g.Music->Play();
  ShutDownAudio(g);
  EXPECT_EQ(g.Sound, nullptr);
  EXPECT_EQ(g.Music, nullptr);
  EXPECT_EQ(g.SoundOwner, nullptr);
}

TEST_F(AudioGlue, DisableVoiceLoadsNoVoices) {
  g.Config.DisableVoice = true;
  LoadSoundAssets(g);
  ASSERT_NE(g.Sound, nullptr);
  EXPECT_TRUE(g.Sound->Has("SHOT"));
  for (const char* v : {"VOICE02", "VOICE1A", "VOICE5A", "VOICE99"}) EXPECT_FALSE(g.Sound->Has(v)) << v;
}

TEST_F(AudioGlue, TheHeadlessRunnerPlaysNothing) {
  g.RecordSounds = true;
  LoadSoundAssets(g);
  CreateMusicPlayer(g);
  EXPECT_EQ(g.Sound, nullptr);
  EXPECT_EQ(g.Music, nullptr);
  g.PlaySound("SHOT");
  ASSERT_EQ(g.SoundLog.size(), 1u);
}

using TFakeSound = test::RecordingSound;

TEST(PlaySound, DisableVoiceStopsEveryVoiceNameAndNothingElse) {
  GameContext g;
  TFakeSound fake;
  g.Sound = &fake;
  g.Config.DisableVoice = true;
  for (const char* n : {"VOICE1A", "voice02", "Voice5B", "VOICE"}) g.PlaySound(n);
  g.PlaySound("shot", true);
  g.PlaySound("VOICESHOT");  // begins with VOICE too
  g.PlaySound("B_VOICE");
  EXPECT_EQ(fake.Played, (std::vector<std::string>{"SHOT!", "B_VOICE"}));
  g.Config.DisableVoice = false;
  g.PlaySound("voice02");
  EXPECT_EQ(fake.Played.back(), "VOICE02");
}

}  // namespace
}  // namespace kq
