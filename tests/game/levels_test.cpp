#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/hiscore.h"
#include "game/game_fixture.h"
#include "game/gauges_fixture.h"
#include "media/png_image.h"

namespace kq::test {
namespace {

namespace fs = std::filesystem;

struct LevelsTest : GaugesFixture {
  fs::path dir;
  RecordingMusic music;

  void SetUp() override {
    GaugesFixture::SetUp();
    dir = fs::temp_directory_path() / ("kq_levels_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "GRP");
    fs::create_directories(dir / "BGM");
    g.AppPath = dir.string() + "/";
    g.Music = &music;
    g.LevelTable = {{1, 4, 20000}, {2, 5, 19000}, {3, 6, 18000}};
  }
  void TearDown() override {
    g.Music = nullptr;
    fs::remove_all(dir);
  }
  void WritePicture(const std::string& rel, uint32_t rgb, int w = 224, int h = 416) {
    ASSERT_TRUE(WritePngFile((dir / rel).string(), Bitmap(w, h, 0xFF000000u | rgb)));
  }
  void WriteFile(const std::string& rel) { std::ofstream(dir / rel) << "MThd"; }
  // Erases n blocks in one go and checks the level.
  void Erase(TPlayerInfo& p, int n) {
    p.ErasedInLevel += n;
    CheckLevel(g, p);
    PresentRulesEvents(g);
  }
};

TEST_F(LevelsTest, FirstCheckRaisesToLevelOneQuietly) {
  StartGame(1);
  TPlayerInfo& p = g.Player1P;
  WriteFile("BGM/BGM001.mid");
  CheckLevel(g, p);
  PresentRulesEvents(g);
  EXPECT_EQ(p.Level, 1);
  EXPECT_EQ(p.LvHardBlockRatio, 1);
  EXPECT_EQ(p.LvNeedBlock, 4);
  EXPECT_EQ(p.LvLineUpInterval, 20000);
  EXPECT_EQ(CountSounds("LEVELUP"), 0);
  EXPECT_TRUE(music.Opened.empty());
}

TEST_F(LevelsTest, FourBlocksReachLevelTwoAndTheSurplusIsDropped) {
  StartGame(1);
  TPlayerInfo& p = g.Player1P;
  CheckLevel(g, p);
  PresentRulesEvents(g);
  Erase(p, 3);
  EXPECT_EQ(p.Level, 1);
  EXPECT_EQ(p.ErasedInLevel, 3);
  Erase(p, 4);  // 7 at level 1
  EXPECT_EQ(p.Level, 2);
  EXPECT_EQ(p.ErasedInLevel, 0);
  EXPECT_EQ(p.LvNeedBlock, 5);
  EXPECT_EQ(p.LvLineUpInterval, 19000);
  EXPECT_EQ(CountSounds("LEVELUP"), 1);
}

TEST_F(LevelsTest, OneLevelPerErasure) {
  StartGame(1);
  TPlayerInfo& p = g.Player1P;
  CheckLevel(g, p);
  PresentRulesEvents(g);
  Erase(p, 40);
  EXPECT_EQ(p.Level, 2);
  EXPECT_EQ(p.ErasedInLevel, 0);
}

TEST_F(LevelsTest, BeyondTheLastRowTheLastValuesStay) {
  StartGame(1);
  TPlayerInfo& p = g.Player1P;
  CheckLevel(g, p);
  PresentRulesEvents(g);
  Erase(p, 4);
  Erase(p, 5);
  ASSERT_EQ(p.Level, 3);
  Erase(p, 6);
  EXPECT_EQ(p.Level, 4);
  EXPECT_EQ(p.LvHardBlockRatio, 3);
  EXPECT_EQ(p.LvNeedBlock, 6);
  EXPECT_EQ(p.LvLineUpInterval, 18000);
  EXPECT_EQ(CountSounds("LEVELUP"), 3);
  Erase(p, 6);
  EXPECT_EQ(p.Level, 5);
  EXPECT_EQ(CountSounds("LEVELUP"), 4);
}

TEST_F(LevelsTest, LevelBackgroundAndMusicInTheOnePlayerGame) {
  StartGame(1);
  TPlayerInfo& p = g.Player1P;
  g.BackSurface.EditPixels().At(240, 10) = 0xFF00FF00u;  // beside the 224-pixel field
  g.BackSurface.EditPixels().At(300, 10) = 0xFF00FF00u;  // beyond the cleared 256 pixels
  WritePicture("GRP/BG001.png", 0xFF0000);
  WritePicture("GRP/bg002.PNG", 0x0000FF);
  WriteFile("BGM/BGM002.mid");
  uint64_t version = g.BackSurface.Version();
  CheckLevel(g, p);
  PresentRulesEvents(g);
  EXPECT_GT(g.BackSurface.Version(), version);
  ASSERT_NE(g.DXImageList1.Find("BG_SINGLE"), nullptr);
  // Drawn at alpha 200 over black.
  uint32_t px = g.BackSurface.Pixels().At(10, 10);
  EXPECT_NEAR(int((px >> 16) & 0xFF), 200, 2);
  EXPECT_EQ(px & 0xFFFF, 0u);
  EXPECT_EQ(g.BackSurface.Pixels().At(240, 10) & 0xFFFFFF, 0u);
  EXPECT_EQ(g.BackSurface.Pixels().At(300, 10), 0xFF00FF00u);
  EXPECT_TRUE(music.Opened.empty());  // no music change at level 1

  Erase(p, 4);
  px = g.BackSurface.Pixels().At(100, 400);
  EXPECT_NEAR(int(px & 0xFF), 200, 2);
  EXPECT_EQ((px >> 8) & 0xFFFF, 0u);
  ASSERT_EQ(music.Opened.size(), 1u);
  EXPECT_NE(music.Opened[0].find("BGM002.mid"), std::string::npos);
  EXPECT_EQ(music.Plays, 1);

  // Level 3 has neither picture nor song: both stay.
  Erase(p, 5);
  EXPECT_EQ(p.Level, 3);
  EXPECT_NEAR(int(g.BackSurface.Pixels().At(100, 400) & 0xFF), 200, 2);
  EXPECT_EQ(music.Opened.size(), 1u);
}

TEST_F(LevelsTest, DisabledMusicAndBrokenPicturesAreSkipped) {
  StartGame(1);
  TPlayerInfo& p = g.Player1P;
  g.Config.DisableBgm = true;
  CheckLevel(g, p);
  PresentRulesEvents(g);
  WriteFile("BGM/BGM002.mid");
  std::ofstream(dir / "GRP/BG002.png") << "not a picture";
  uint32_t before = g.BackSurface.Pixels().At(10, 10);
  Erase(p, 4);
  EXPECT_EQ(p.Level, 2);
  EXPECT_EQ(g.BackSurface.Pixels().At(10, 10), before);
  EXPECT_TRUE(music.Opened.empty());
  EXPECT_EQ(CountSounds("LEVELUP"), 1);
}

TEST_F(LevelsTest, VersusLevelsChangeNoBackgroundOrMusic) {
  StartGame(2);
  WritePicture("GRP/BG002.png", 0x0000FF);
  WriteFile("BGM/BGM002.mid");
  for (int n = 0; n < 2; ++n) {
    TPlayerInfo& p = g.Player(n);
    CheckLevel(g, p);
    PresentRulesEvents(g);
    Erase(p, 4);
    EXPECT_EQ(p.Level, 2);
  }
  EXPECT_EQ(g.BackSurface.Pixels().At(10, 10), 0xFF000000u);
  EXPECT_TRUE(music.Opened.empty());
  EXPECT_EQ(CountSounds("LEVELUP"), 2);
}

// --- ending and EX levels ---

TEST_F(LevelsTest, EndingLevelWithABigComboGoesOnToTheExLevels) {
  StartGame(1);
  TPlayerInfo& p = g.Player1P;
  g.Config.EndingLv = 5;
  g.Config.EndingExLv = 8;
  g.Config.ExLvCombo = 333;
  p.Level = 4;
  p.MaxCombo = 333;
  EXPECT_FALSE(EndingTest(g, p));
  PresentRulesEvents(g);
  EXPECT_EQ(g.ExStage, 0);
  p.Level = 5;
  EXPECT_FALSE(EndingTest(g, p));
  PresentRulesEvents(g);
  EXPECT_EQ(g.ExStage, 1);
  EXPECT_EQ(p.Phase, gpPlay);
  EXPECT_EQ(CountSounds("VOICE98"), 1);
  EXPECT_FALSE(EndingTest(g, p));  // EX levels run on to EndingExLv
  EXPECT_EQ(CountSounds("VOICE98"), 1);
  p.Level = 8;
  EXPECT_TRUE(EndingTest(g, p));
  PresentRulesEvents(g);
  EXPECT_EQ(p.Phase, gpEnding);
  EXPECT_EQ(CountSounds("VOICE99"), 1);
}

TEST_F(LevelsTest, EndingLevelWithASmallComboEnds) {
  StartGame(1);
  TPlayerInfo& p = g.Player1P;
  auto* danger = new TDangerSprite(g, &g.DXSpriteEngine1);
  g.View(p).DangerSprite = danger;
  g.Config.EndingLv = 5;
  p.Level = 6;
  p.MaxCombo = 332;
  EXPECT_TRUE(EndingTest(g, p));
  PresentRulesEvents(g);
  EXPECT_EQ(g.ExStage, 0);
  EXPECT_EQ(p.Phase, gpEnding);
  EXPECT_FALSE(danger->Visible);
  EXPECT_EQ(CountSounds("VOICE99"), 1);
  EXPECT_EQ(CountSounds("VOICE98"), 0);
}

struct EndingTest_ : LevelsTest {
  // Runs the ending for ms milliseconds in 16 ms frames.
  void Run(TPlayerInfo& p, int ms) {
    for (int t = 0; t < ms; t += 16) {
      EndingTick(g, p);
      PresentRulesEvents(g);
      Frame(16);
    }
  }
  int PagesShown() {
    const TPictureItem* it = g.DXImageList1.Find("ENDING");
    int n = 0;
    for (auto* s : SpritesOf<TImageSprite>()) n += it && s->Picture == it;
    return n;
  }
  uint32_t EndingPixel() {
    const TPictureItem* it = g.DXImageList1.Find("ENDING");
    return it ? it->Source.At(0, 0) & 0xFFFFFF : 0;
  }
};

TEST_F(EndingTest_, SlideShowOfThePagesWithMusicAndRanking) {
  StartGame(1);
  TPlayerInfo& p = g.Player1P;
  g.Config.EndingPageNum = 3;
  g.Config.EndingInterval = 2000;
  for (int page = 1; page <= 3; ++page)
    WritePicture("GRP/ENDING0" + std::to_string(page) + ".PNG", page, 64, 48);
  WriteFile("BGM/BGM_ENDING.mid");
  p.Score = 12345;
  p.MaxCombo = 20;
  p.Level = 100;
  p.Phase = gpEnding;
  THiScoreTable expected = g.HiScoreTable;
  int expectedRank = InsertHiScore(expected, 12345, 20, 100);
  g.NewRankIndex = -7;

  EndingTick(g, p);
  PresentRulesEvents(g);
  EXPECT_EQ(g.EndingStep, 1);
  EXPECT_EQ(music.Stops, 1);
  EXPECT_EQ(g.NewRankIndex, expectedRank);
  uint32_t start = g.EndingTime;
  EXPECT_EQ(start, g.FrameTime);

  Run(p, 1000);
  EXPECT_EQ(g.EndingStep, 1);
  Run(p, 32);
  EXPECT_EQ(g.EndingStep, 3);
  auto fades = SpritesOf<TFadeSprite>();
  ASSERT_EQ(fades.size(), 1u);
  EXPECT_EQ(fades[0]->Width, 640);
  EXPECT_EQ(fades[0]->Height, 480);
  EXPECT_EQ(fades[0]->Z(), 13);
  EXPECT_EQ(fades[0]->Color & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_DOUBLE_EQ(fades[0]->FadeRate, 0.2);
  EXPECT_EQ(fades[0]->HoldTime, 2000u);

  uint32_t fadeAt = g.EndingTime;
  ASSERT_TRUE(StepUntil([&] { return g.EndingStep != 3; }, [&] { Run(p, 16); }, 1000))
      << "the fade never ends";
  EXPECT_GT(g.FrameTime - fadeAt, 2500u);
  EXPECT_LE(g.FrameTime - fadeAt, 2500u + 32);
  ASSERT_NE(g.EndingPicture, nullptr);
  EXPECT_EQ(g.EndingPicture->X, 320);
  EXPECT_EQ(g.EndingPicture->Y, 240);
  EXPECT_EQ(g.EndingPicture->Z(), 12);
  EXPECT_EQ(EndingPixel(), 1u);
  ASSERT_EQ(music.Opened.size(), 1u);
  EXPECT_NE(music.Opened[0].find("BGM_ENDING.mid"), std::string::npos);

  Run(p, 2000);
  EXPECT_EQ(g.EndingStep, 4);  // waits more than EndingInterval
  Run(p, 16);
  EXPECT_EQ(g.EndingStep, 5);
  EXPECT_EQ(EndingPixel(), 2u);
  EXPECT_EQ(PagesShown(), 1);  // the previous page's sprite is gone
  Run(p, 2016);
  EXPECT_EQ(g.EndingStep, 6);
  EXPECT_EQ(EndingPixel(), 3u);
  // The last page stays.
  Run(p, 10000);
  EXPECT_EQ(g.EndingStep, 6);
  EXPECT_EQ(EndingPixel(), 3u);
  // The white fade has run its course and gone.
  EXPECT_TRUE(SpritesOf<TFadeSprite>().empty());
}

TEST_F(EndingTest_, OnePageOnly) {
  StartGame(1);
  TPlayerInfo& p = g.Player1P;
  g.Config.EndingPageNum = 1;
  g.Config.EndingInterval = 1000;
  WritePicture("GRP/ENDING01.PNG", 1, 64, 48);
  WritePicture("GRP/ENDING02.PNG", 2, 64, 48);  // present but not one of the pages
  p.Phase = gpEnding;
  Run(p, 20000);
  EXPECT_EQ(g.EndingStep, 4);
  EXPECT_EQ(EndingPixel(), 1u);
  ASSERT_NE(g.EndingPicture, nullptr);
  EXPECT_FALSE(g.EndingPicture->Dying());
}

}  // namespace
}  // namespace kq::test
