#include "app/music_rules.h"

#include <gtest/gtest.h>

#include "core/context.h"
#include "support/doubles.h"

namespace kq {
namespace {

using TFakeMusic = test::RecordingMusic;

class MusicRules : public ::testing::Test {
 protected:
  void SetUp() override {
    g.Music = &music;
    g.BgmList = {"a/BGM001.mid", "a/BGM002.mid", "a/BGM005.mid", "a/BGM009.mid"};
    g.ScreenState = scPlay;
  }
  GameContext g;
  TFakeMusic music;
};

TEST_F(MusicRules, VersusPlayPicksARandomSongWithoutMovingTheRules) {
  g.GameMode = 2;
  g.SeedStreams(42);
  TRandom expect = g.MusicRng;
  TRandom rules = g.Rng;
  for (int i = 0; i < 6; ++i) {
    ASSERT_TRUE(HandleMusicEvent(g, 77));
    EXPECT_EQ(music.Opened.back(), g.BgmList[size_t(expect.Random(4))]);
  }
  EXPECT_EQ(music.Plays, 6);
  // A song end comes at a moment of the audio thread; the rules' stream must not see it.
  EXPECT_EQ(g.Rng.Next(), rules.Next());
}

TEST_F(MusicRules, OtherwiseTheSameSongStartsAgain) {
  g.GameMode = 1;
  ASSERT_TRUE(HandleMusicEvent(g, 77));
  EXPECT_TRUE(music.Opened.empty());
  EXPECT_EQ(music.Plays, 1);
  // On the front-end screens too, even in versus mode.
  g.GameMode = 2;
  g.ScreenState = scRules;
  ASSERT_TRUE(HandleMusicEvent(g, 77));
  EXPECT_TRUE(music.Opened.empty());
  EXPECT_EQ(music.Plays, 2);
}

TEST_F(MusicRules, TheEndingSongPlaysOnce) {
  g.Player1P.Phase = gpEnding;
  ASSERT_TRUE(HandleMusicEvent(g, 77));
  EXPECT_EQ(music.Plays, 0);
  EXPECT_TRUE(music.Opened.empty());
  // A stale ending phase does not silence a later screen's song.
  g.ScreenState = scRules;
  HandleMusicEvent(g, 77);
  EXPECT_EQ(music.Plays, 1);
}

TEST_F(MusicRules, DisableBgmOpensNothing) {
  g.Config.DisableBgm = true;
  for (int mode : {1, 2}) {
    g.GameMode = mode;
    HandleMusicEvent(g, 77);
    g.PlayRandomBgm();
    g.PlayMusicFile("a/BGM001.mid");
  }
  EXPECT_TRUE(music.Opened.empty());
  EXPECT_EQ(music.Plays, 0);
}

TEST_F(MusicRules, OtherEventsAreLeftAlone) {
  g.GameMode = 2;
  EXPECT_FALSE(HandleMusicEvent(g, 78));
  music.Ended = false;
  EXPECT_FALSE(HandleMusicEvent(g, 77));
  EXPECT_TRUE(music.Opened.empty());
  EXPECT_EQ(music.Plays, 0);
  g.Music = nullptr;
  EXPECT_FALSE(HandleMusicEvent(g, 77));
}

}  // namespace
}  // namespace kq
