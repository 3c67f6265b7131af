#include "media/music_player.h"

#include "media/audio_fixture.h"

namespace kq::test {
namespace {

class MusicPlayerTest : public AudioTest {
 protected:
  void SetUp() override {
    AudioTest::SetUp();
    std::string font = FindSoundFont();
    if (font.empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
    std::string error;
    player_ = TMidiPlayer::Create(font, &error);
    ASSERT_TRUE(player_) << error;
  }
  void TearDown() override {
    player_.reset();
    AudioTest::TearDown();
  }
  // A piano note of the given length in quarter notes at 120 bpm.
  std::string WriteSong(const std::string& name, int quarters) {
    std::vector<TMidiOut> ev{{0, {0xC0, 0}}, {0, {0x90, 60, 110}}, {uint32_t(quarters * 96), {0x80, 60, 0}}};
    WriteBytes(Path(name), WriteMidiFormat0(96, ev));
    return Path(name);
  }
  // Waits for the player's end-of-song event; other events are dropped.
  bool WaitForEnd(int ms) {
    uint32_t until = SDL_GetTicks() + uint32_t(ms);
    SDL_Event e;
    while (SDL_GetTicks() < until)
      if (SDL_WaitEventTimeout(&e, 20) && e.type == player_->EndEventType())
        return player_->SongEnded(e.type);
    return false;
  }
  // Waits until the end-of-song event is in the queue, leaving it there.
  bool EndIsQueuedWithin(int ms) {
    const uint32_t until = SDL_GetTicks() + uint32_t(ms);
    SDL_Event e;
    do {
      SDL_PumpEvents();
      if (SDL_PeepEvents(&e, 1, SDL_PEEKEVENT, player_->EndEventType(), player_->EndEventType()) > 0)
        return true;
      SDL_Delay(5);
    } while (SDL_GetTicks() < until);
    return false;
  }
  std::unique_ptr<TMidiPlayer> player_;
};

TEST_F(MusicPlayerTest, OpensFormatZeroOnly) {
  std::string song = WriteSong("a.mid", 1);
  EXPECT_TRUE(player_->Open(song));
  std::ifstream f(song, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  bytes[9] = 1;
  WriteBytes(Path("format1.mid"), bytes);
  EXPECT_FALSE(player_->Open(Path("format1.mid")));
  EXPECT_FALSE(player_->Open(Path("missing.mid")));
  WriteText(Path("text.mid"), "MThd is not enough");
  EXPECT_FALSE(player_->Open(Path("text.mid")));
}

TEST_F(MusicPlayerTest, PlaysAudiblyAndPostsTheEndOfTheSong) {
  ASSERT_TRUE(player_->Open(WriteSong("a.mid", 1)));
  player_->Play();
  EXPECT_TRUE(player_->IsPlaying());
  EXPECT_TRUE(HeardWithin(1000, 300));
  ASSERT_TRUE(WaitForEnd(3000));
  EXPECT_FALSE(player_->IsPlaying());
  EXPECT_FALSE(player_->SongEnded(player_->EndEventType() + 1)) << "another event type";
  // Played again after its end, the song starts from the beginning and ends again.
  player_->Play();
  EXPECT_FALSE(player_->SongEnded(player_->EndEventType()));
  EXPECT_TRUE(WaitForEnd(3000));
}

TEST_F(MusicPlayerTest, StaleEndEventsAreNotTakenForTheNewSong) {
  ASSERT_TRUE(player_->Open(WriteSong("short.mid", 1)));
  player_->Play();
  ASSERT_TRUE(EndIsQueuedWithin(3000)) << "the short song never ends";
  ASSERT_TRUE(player_->Open(WriteSong("long.mid", 16)));
  player_->Play();
  SDL_Event e;
  bool sawEvent = false;
  while (SDL_PollEvent(&e))
    if (e.type == player_->EndEventType()) {
      sawEvent = true;
      EXPECT_FALSE(player_->SongEnded(e.type));
    }
  EXPECT_TRUE(sawEvent);
  EXPECT_TRUE(player_->IsPlaying());
}

TEST_F(MusicPlayerTest, StopRewindsAndSilences) {
  ASSERT_TRUE(player_->Open(WriteSong("long.mid", 16)));
  player_->Play();
  ASSERT_TRUE(HeardWithin(1000, 300));
  player_->Stop();
  EXPECT_FALSE(player_->IsPlaying());
  SDL_Delay(100);
  gPeak = 0;
  SDL_Delay(150);
  EXPECT_EQ(gPeak.load(), 0);
  EXPECT_FALSE(WaitForEnd(200));
  player_->Play();
  EXPECT_TRUE(HeardWithin(1000, 300)) << "starts again from its first note";
}

TEST_F(MusicPlayerTest, VolumeScalesTheMusicAtOnceAndZeroSilencesIt) {
  ASSERT_TRUE(player_->Open(WriteSong("long.mid", 32)));
  player_->Play();
  ASSERT_TRUE(HeardWithin(1000, 300));
  SDL_Delay(200);
  const int full = gPeak.load();
  // Turned down while the song plays: what comes next is quieter, then silent.
  player_->SetVolume(3);
  SDL_Delay(100);
  gPeak = 0;
  SDL_Delay(200);
  const int low = gPeak.load();
  EXPECT_GT(low, 0);
  EXPECT_LT(low, full / 4);
  player_->SetVolume(0);
  SDL_Delay(100);
  gPeak = 0;
  SDL_Delay(200);
  EXPECT_EQ(gPeak.load(), 0);
  EXPECT_TRUE(player_->IsPlaying());  // silent, not stopped
  player_->SetVolume(10);
  EXPECT_TRUE(HeardWithin(1000, 300));
}

TEST_F(MusicPlayerTest, GeneratedSongsOpen) {
  std::string bgm = std::string(KQ_BIN_DIR) + "/BGM/";
  if (!std::filesystem::exists(bgm)) GTEST_SKIP() << "no generated music";
  int count = 0;
  for (auto& f : std::filesystem::directory_iterator(bgm)) {
    EXPECT_TRUE(player_->Open(f.path().string())) << f.path();
    ++count;
  }
  EXPECT_GE(count, 11);
}

}  // namespace
}  // namespace kq::test
