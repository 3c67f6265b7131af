// The same game, whatever draws it, plays it or records it: fields, scores and levels agree at
// every tick, and a recording played back gives them again.
#include "app/replay.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "app/main_loop.h"
#include "app/music_rules.h"
#include "core/context.h"
#include "engine/i18n.h"
#include "game/rules.h"
#include "screens/option_screens.h"
#include "sprites/effect_sprites.h"
#include "support/doubles.h"

namespace kq {
namespace {

using test::MemoryPlatform;
using test::RecordingMusic;

// One tick of the scripted game: the move count and the keys that go down or up before it.
struct TStep {
  uint32_t Move;
  std::vector<std::pair<int, bool>> Keys;
  bool SongEnds;
};

std::vector<TStep> Script(int mode, int ticks, uint64_t seed) {
  TRandom r(seed);
  TGameConfig c;
  std::vector<int> keys;
  for (const TKeyAssign* k : {&c.KeyAssign1P, &c.KeyAssign2P}) {
    if (k == &c.KeyAssign2P && mode != 2) break;
    for (int code : {k->UP, k->DOWN, k->LEFT, k->RIGHT, k->K01, k->K02, k->K03, k->K04}) keys.push_back(code);
  }
  // Irregular move counts as a window delivers them: vsync, idle 1-3 ms ticks, a stall now and then.
  const uint32_t moves[] = {16, 17, 17, 16, 1, 2, 3, 33, 7, 250};
  std::vector<TStep> out;
  std::vector<bool> down(keys.size(), false);
  for (int t = 0; t < ticks; ++t) {
    TStep s{moves[size_t(r.Random(r.Random(5) == 0 ? 10 : 4))], {}, r.Random(150) == 0};
    for (size_t k = 0; k < keys.size(); ++k)
      if (r.Random(down[k] ? 4 : 14) == 0) {
        down[k] = !down[k];
        s.Keys.push_back({keys[k], down[k]});
      }
    out.push_back(s);
  }
  return out;
}

struct TVariant {
  bool Direct3D = true;
  bool Music = false;
  bool Drawn = false;  // drawn frames through the platform's clock, as the window loop runs
  int PauseAt = -1;    // the step before which the game is paused ...
  int PauseTicks = 0;  // ... for this many ticks
  int PauseKey = 19;
};

void Configure(GameContext& g, int mode) {
  g.Config.TotalBlockType = 4;  // more erasures, more dust, more chains
  g.Config.EraseLowerLimit = 3;
  g.Config.BlockStartLine = 7;
  g.Config.HazardBlockPeriod = 3000;
  g.Config.ChainGaugePeriod = 2000;
  g.LevelTable = {{0, 15, 2500}, {20, 25, 2000}, {40, 40, 1500}, {50, 60, 1200}};
  g.GameMode = mode;
  g.FieldCols = mode == 2 ? 8 : 7;
  ApplyKeyAssign(g.DXInput1, g.DXInput2, g.Config);
  g.DXInput1.PadNo = g.DXInput2.PadNo = kNoPad;
}

std::string Snapshot(GameContext& g) {
  std::string s;
  for (int n = 0; n < 2; ++n) {
    const TPlayerInfo& p = g.Player(n);
    s += std::to_string(p.Score) + "/" + std::to_string(p.Level) + "/" + std::to_string(int(p.Phase)) + ":";
    for (int r = kFieldRows - 1; r >= 0; --r)
      for (int c = 0; c < p.Cols; ++c) {
        const TBlock* b = BlockAt(p, c, r);
        s += !b ? '.' : b->Erased ? '*' : b->Hazard ? 'h' : char((b->Hard ? 'a' : '0') + b->Kind);
      }
    s += '|';
  }
  return s;
}

struct TRun {
  std::vector<std::string> Ticks;  // one snapshot per tick of play
  std::string Replay;
  std::vector<std::string> Songs;
  int Erasures = 0;
};

TRun Play(int mode, const std::vector<TStep>& script, const TVariant& v, uint64_t seed) {
  GameContext g;
  InstallProgramScreens(g);
  MemoryPlatform platform;
  platform.Clock = 1000;
  RecordingMusic music;
  g.Platform = &platform;
  g.NoRender = !v.Drawn;
  Configure(g, mode);
  g.Config.UseDirect3D = v.Direct3D;
  g.Config.DisableBgm = !v.Music;
  if (v.Music) {
    g.Music = &music;
    g.BgmList = {"BGM001.mid", "BGM002.mid", "BGM003.mid", "BGM004.mid"};
  }
  g.SeedProgram(seed);
  g.FrameTime = platform.Clock;
  g.EnterState(scPlay);
  TRun run;
  uint32_t last = platform.Clock;
  // A negative pause key is the Start button of pad -key-1, given to player 2.
  if (v.PauseKey < 0) {
    platform.In.Names[size_t(-v.PauseKey - 1)] = "Test Pad";
    g.DXInput2.PadNo = -v.PauseKey - 1;
  }
  auto press = [&](int k, bool down) {
    if (k < 0 && down) platform.In.StartHeld.insert(-k - 1);
    if (k < 0 && !down) platform.In.StartHeld.erase(-k - 1);
    if (k >= 0 && down) platform.In.Keys.insert(k);
    if (k >= 0 && !down) platform.In.Keys.erase(k);
  };
  auto pauseTick = [&](std::vector<int> down, std::vector<int> up) {
    for (int k : down) press(k, true);
    for (int k : up) press(k, false);
    platform.Clock += 16;
    FrameTick(g, platform.Clock, int(v.Drawn ? platform.Clock - last : 16));
    last = platform.Clock;
  };
  for (size_t step = 0; step < script.size(); ++step) {
    const TStep& s = script[step];
    if (int(step) == v.PauseAt) {
      // Pause, a long wait (a stall among it), go on: none of it is the game's.
      pauseTick({v.PauseKey}, {});
      EXPECT_TRUE(g.Paused);
      EXPECT_EQ(music.Paused, v.Music);
      pauseTick({}, {v.PauseKey});
      for (int i = 0; i < v.PauseTicks; ++i) pauseTick({}, {});
      platform.Clock += 5000;
      pauseTick({v.PauseKey}, {});
      EXPECT_FALSE(g.Paused);
      EXPECT_FALSE(music.Paused);
      press(v.PauseKey, false);  // let go with the next tick of the game
    }
    for (auto [code, down] : s.Keys) {
      if (down) {
        platform.In.Keys.insert(code);
      } else {
        platform.In.Keys.erase(code);
      }
    }
    if (s.SongEnds) HandleMusicEvent(g, 77);  // the audio thread's moment, unrelated to the tick
    platform.Clock += s.Move;
    const uint32_t now = platform.Clock;
    FrameTick(g, now, int(v.Drawn ? now - last : s.Move));
    last = now;
    if (g.ScreenState != scPlay) break;
    for (int n = 0; n < 2; ++n)
      if (g.Player(n).Phase == gpErase) ++run.Erasures;
    run.Ticks.push_back(Snapshot(g));
  }
  FinishRecording(g);
  run.Replay = g.LastReplay;
  run.Songs = music.Opened;
  return run;
}

std::vector<std::string> PlayBack(int mode, const std::string& bytes) {
  GameContext g;
  InstallProgramScreens(g);
  MemoryPlatform platform;
  platform.Clock = 1000;
  g.Platform = &platform;
  g.NoRender = true;
  Configure(g, 3 - mode);  // playback brings its own mode and settings
  g.Config.TotalBlockType = 6;
  g.LevelTable = {{0, 15, 2500}, {20, 25, 2000}, {40, 40, 1500}, {50, 60, 1200}};
  g.SeedProgram(999);
  TReplayFile file;
  std::string error;
  EXPECT_TRUE(ParseReplay(bytes, file, error)) << error;
  const uint32_t ticks = file.Ticks;
  EXPECT_TRUE(StartPlayback(g, "game.kqr", std::move(file), error)) << error;
  std::vector<std::string> out;
  while (out.size() <= ticks && PlaybackTick(g)) out.push_back(Snapshot(g));  // one too many fails below
  EXPECT_EQ(out.size(), ticks);
  EXPECT_EQ(g.Playback->Mismatch, "");
  EndPlayback(g, false);
  EXPECT_EQ(g.Config.TotalBlockType, 6);  // the player's own settings are back
  EXPECT_EQ(g.GameMode, 3 - mode);
  return out;
}

void ExpectSameTicks(const TRun& a, const TRun& b, const char* what) {
  ASSERT_EQ(a.Ticks.size(), b.Ticks.size()) << what;
  for (size_t i = 0; i < a.Ticks.size(); ++i) ASSERT_EQ(a.Ticks[i], b.Ticks[i]) << what << ", tick " << i + 1;
}

class Determinism : public ::testing::TestWithParam<int> {};

TEST_P(Determinism, NeitherDrawingNorMusicNorTheClockPathMovesTheRules) {
  const int mode = GetParam();
  const auto script = Script(mode, 2500, 31 + uint64_t(mode));
  const TRun base = Play(mode, script, {}, 5);
  ASSERT_GT(base.Erasures, 20) << "the script should erase blocks";
  ExpectSameTicks(base, Play(mode, script, {false, false, false}, 5), "3-D off");
  const TRun music = Play(mode, script, {true, true, false}, 5);
  ExpectSameTicks(base, music, "music on");
  if (mode == 2) {
    EXPECT_GE(music.Songs.size(), 2u) << "songs started at the start and at song ends";
  }
  ExpectSameTicks(base, Play(mode, script, {false, true, true}, 5), "drawn through the platform clock");
  // Another seed is another game.
  EXPECT_NE(base.Ticks.front(), Play(mode, script, {}, 6).Ticks.front());
}

TEST_P(Determinism, ARecordingPlaysTheSameGameBack) {
  const int mode = GetParam();
  const auto script = Script(mode, 3000, 77 + uint64_t(mode));
  const TRun live = Play(mode, script, {true, true, true}, 11);
  const auto back = PlayBack(mode, live.Replay);
  ASSERT_FALSE(back.empty());
  ASSERT_LE(back.size(), live.Ticks.size());
  for (size_t i = 0; i < back.size(); ++i) ASSERT_EQ(back[i], live.Ticks[i]) << "tick " << i + 1;
}

// The recording without its date (the wall clock's, which a pause may move to another second).
std::string Undated(const std::string& bytes) {
  TReplayFile f;
  std::string error;
  EXPECT_TRUE(ParseReplay(bytes, f, error)) << error;
  f.Header.Date = 0;
  return FormatReplay(f.Header, f.Ticks, f.Stream);
}

TEST_P(Determinism, APausedGameIsTheSameGameAndTheSameRecording) {
  const int mode = GetParam();
  const auto script = Script(mode, 1500, 41 + uint64_t(mode));
  const TRun base = Play(mode, script, {true, true, false}, 3);
  TVariant paused{true, true, false};
  paused.PauseAt = 700;
  paused.PauseTicks = 400;
  const TRun withPause = Play(mode, script, paused, 3);
  ExpectSameTicks(base, withPause, "paused by the Pause key");
  EXPECT_EQ(Undated(withPause.Replay), Undated(base.Replay));
  paused.PauseKey = 80;  // P, free in the default keys
  paused.PauseAt = 30;
  ExpectSameTicks(base, Play(mode, script, paused, 3), "paused by P");
  paused.PauseKey = -3;  // Start on player 2's pad (pad 2)
  paused.PauseAt = 1100;
  const TRun byPad = Play(mode, script, paused, 3);
  ExpectSameTicks(base, byPad, "paused by a pad's Start");
  EXPECT_EQ(Undated(byPad.Replay), Undated(base.Replay));
}

// A network match's input: both players' control bits put in place of the devices' (here those
// the recording took), tick by tick through the tick driver, give the game the devices gave, even
// while the window cannot draw (a minimised window must not drop a network tick).
TEST_P(Determinism, ControlBitsThroughTheTickDriverPlayTheSameGame) {
  const int mode = GetParam();
  const auto script = Script(mode, 1500, 41 + uint64_t(mode));
  const TRun live = Play(mode, script, {}, 13);
  TReplayFile file;
  std::string error;
  ASSERT_TRUE(ParseReplay(live.Replay, file, error)) << error;
  ASSERT_GT(file.Ticks, 100u);

  GameContext g;
  InstallProgramScreens(g);
  MemoryPlatform platform;
  platform.Drawable = false;
  g.Platform = &platform;
  g.NoRender = true;
  Configure(g, mode);
  g.Config.DisableBgm = true;
  g.NextGameSeed = file.Header.Seed;
  g.FrameTime = file.Header.StartTime;
  g.EnterState(scPlay);
  TReplayCursor cursor(file.Stream);
  TReplayTick t;
  std::vector<std::string> out;
  while (out.size() < file.Ticks && cursor.Next(t)) {
    TControlsInput input(t.Controls, true);
    RunTick(g, g.FrameTime + t.Step, int(t.Move), input);
    out.push_back(Snapshot(g));
  }
  ASSERT_EQ(out.size(), file.Ticks);
  for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], live.Ticks[i]) << "tick " << i + 1;
}

INSTANTIATE_TEST_SUITE_P(Modes, Determinism, ::testing::Values(1, 2));

// The play screen of the program with a platform whose keys the test holds.
class PauseTest : public ::testing::Test {
 protected:
  GameContext g;
  MemoryPlatform platform;
  RecordingMusic music;
  void SetUp() override {
    InstallProgramScreens(g);
    platform.Clock = 1000;
    g.Platform = &platform;
    g.Music = &music;
    g.NoRender = true;
    Configure(g, 2);
    g.SeedProgram(5);
    g.FrameTime = platform.Clock;
    g.EnterState(scPlay);
  }
  void Tick(std::vector<int> keys = {}) {
    platform.In.Keys = {keys.begin(), keys.end()};
    platform.Clock += 16;
    FrameTick(g, platform.Clock, 16);
  }
};

TEST_F(PauseTest, EscLeavesAPausedGameAndTheClockStoodStill) {
  for (int i = 0; i < 50; ++i) Tick();
  Tick({19});
  ASSERT_TRUE(g.Paused);
  const uint32_t held = g.FrameTime;
  const std::string field = Snapshot(g);
  for (int i = 0; i < 100; ++i) Tick();
  EXPECT_EQ(g.FrameTime, held) << "the rules' clock stands still";
  EXPECT_EQ(Snapshot(g), field);
  Tick({27});
  EXPECT_EQ(g.ScreenState, scTitle);
  EXPECT_FALSE(g.Paused);
  EXPECT_FALSE(music.Paused);
}

// The pause plate in Japanese.
TEST_F(PauseTest, PauseTextsInThePlayersLanguage) {
  ASSERT_EQ(SetLanguage(TLanguage::Japanese, {std::string(KQ_BIN_DIR) + "/locale"}), TLanguage::Japanese);
  std::vector<std::string> drawn;
  MeasureOptionFont(g, std::make_unique<test::BoxTextRenderer>(7, 14, &drawn), nullptr);
  g.NoRender = false;
  Tick({19});
  ASSERT_TRUE(g.Paused);
  SetLanguage(TLanguage::English, {});
  const std::set<std::string> texts(drawn.begin(), drawn.end());
  EXPECT_TRUE(texts.count("ポーズ中"));
  EXPECT_TRUE(texts.count("PAUSE / P / START: 再開     ESC: タイトルへ戻る"));
  EXPECT_FALSE(texts.count("PAUSED"));
}

TEST_F(PauseTest, PIsNoPauseKeyWhenAPlayerPlaysWithIt) {
  g.Config.KeyAssign2P.K04 = 80;
  Tick({80});
  EXPECT_FALSE(g.Paused);
  Tick({19});
  EXPECT_TRUE(g.Paused);  // the Pause key still does
}

TEST_F(PauseTest, ANetworkMatchDoesNotPauseButSaysSo) {
  g.NetPlay = true;
  const uint32_t before = g.FrameTime;
  Tick({19});
  EXPECT_FALSE(g.Paused);
  EXPECT_GT(g.NoPauseNoticeUntil, platform.Clock);
  Tick();
  EXPECT_EQ(g.FrameTime, before + 32) << "the match went on";
  g.NetPlay = false;
}

TEST(WindowPlayback, SeeksLandWhereThePlainPlaybackStands) {
  const auto script = Script(2, 2000, 19);
  const TRun live = Play(2, script, {true, false, false}, 21);
  GameContext g;
  InstallProgramScreens(g);
  MemoryPlatform platform;
  platform.Clock = 1000;
  g.Platform = &platform;
  g.NoRender = true;
  Configure(g, 2);
  TReplayFile file;
  std::string error;
  ASSERT_TRUE(ParseReplay(live.Replay, file, error)) << error;
  ASSERT_TRUE(StartPlayback(g, "s.kqr", file, error)) << error;
  const std::string start = Snapshot(g);
  // Plain playback: the state and the time after every tick.
  std::vector<std::pair<uint32_t, std::string>> plain;
  while (PlaybackTick(g)) plain.push_back({PlaybackMs(g), Snapshot(g)});
  ASSERT_GT(plain.size(), 1000u);
  const uint32_t total = plain.back().first;
  auto expected = [&](int64_t ms) {
    std::string s = start;
    for (auto& [at, snap] : plain)
      if (int64_t(at) <= ms) s = snap;
    return s;
  };
  // From the end back, forward from there, forward again, to the start, and past both ends.
  for (int64_t target : {int64_t(total) / 3, int64_t(total) / 2, int64_t(total) - 10000, int64_t(0),
                         int64_t(total) + 50000, int64_t(-7)}) {
    SeekPlayback(g, target);
    EXPECT_EQ(Snapshot(g), expected(std::clamp<int64_t>(target, 0, total))) << "seek to " << target;
    EXPECT_EQ(g.ScreenState, scPlay);
  }
  EXPECT_EQ(g.Playback->Mismatch, "");

  // The keys: Page Down ten seconds on, Home back to the start.
  SeekPlayback(g, 5000);
  const uint32_t at = PlaybackMs(g);
  g.Playback->Paused = true;
  platform.In.Keys = {34};
  EXPECT_TRUE(PlaybackFrame(g, 0));
  EXPECT_EQ(Snapshot(g), expected(at + 10000));
  platform.In.Keys = {36};
  EXPECT_TRUE(PlaybackFrame(g, 0));
  EXPECT_EQ(PlaybackMs(g), 0u);
  platform.In.Keys = {};
  EXPECT_TRUE(PlaybackFrame(g, 0));
}

class Recording : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallProgramScreens(g);
    Configure(g, 1);
    g.SeedProgram(3);
    g.FrameTime = 5000;
  }
  void Tick(uint32_t ms) {
    g.FrameTime += ms;
    BeforeGameTick(g, int(ms));
    GameTick(g, int(ms));
    AfterGameTick(g);
    EndFrameInput(g.DXInput1, g.DXInput2, g.Config, true);
  }
  TReplayFile Last() {
    TReplayFile f;
    std::string error;
    EXPECT_TRUE(ParseReplay(g.LastReplay, f, error)) << error;
    return f;
  }
  GameContext g;
};

TEST_F(Recording, EscEndsTheRecordingBeforeItsTick) {
  g.EnterState(scPlay);
  ASSERT_TRUE(g.Recorder);
  for (int i = 0; i < 10; ++i) Tick(16);
  g.DXInput1.States.set(kStateCancel);
  Tick(16);
  EXPECT_EQ(g.ScreenState, scTitle);
  EXPECT_FALSE(g.Recorder);
  const TReplayFile f = Last();
  EXPECT_EQ(f.Ticks, 10u);
  EXPECT_EQ(f.Header.StartTime, 5000u);
  EXPECT_EQ(f.Header.DurationMs, 160u);
  EXPECT_EQ(f.Header.Seed, g.GameSeed);
}

TEST_F(Recording, AGameOverClosesItAndAPlaybackEntersNoScore) {
  g.HasStartField = {true, false};
  g.StartField[0] = std::vector<std::string>(13, "0101010");  // full: the first rise loses
  g.EnterState(scPlay);
  g.Player1P.Score = 4321;
  g.DXInput1.States.set(g.Config.KeyAssign1P.J04);  // raise at once
  for (int i = 0; i < 200 && g.Player1P.Phase != gpOver; ++i) Tick(16);
  ASSERT_EQ(g.Player1P.Phase, gpOver);
  EXPECT_FALSE(g.Recorder);
  EXPECT_EQ(g.HiScoreTable[0].Score, 4321);
  TReplayFile f = Last();
  EXPECT_TRUE(f.Header.Ranked);
  EXPECT_EQ(f.Header.Score[0], 4321);
  ASSERT_TRUE(f.Header.HasStartField[0]);

  // The score came from the test, so the playback must say it does not reach it.
  g.HiScoreTable = THiScoreTable{};
  g.NewRankIndex = -1;
  std::string error;
  ASSERT_TRUE(StartPlayback(g, "x.kqr", std::move(f), error)) << error;
  EXPECT_FALSE(g.Recorder) << "a playback is not recorded again";
  int ticks = 0;
  while (PlaybackTick(g)) ASSERT_LT(++ticks, 100000) << "the playback never ends";
  EXPECT_EQ(g.Player1P.Phase, gpOver);
  EXPECT_EQ(g.HiScoreTable[0].Score, 0) << "no high score from a replay";
  EXPECT_EQ(g.NewRankIndex, -1);
  EXPECT_EQ(g.Playback->Mismatch, "the game does not reach its recorded result");
}

TEST_F(Recording, AnotherLevelTableIsRefused) {
  g.EnterState(scPlay);
  Tick(16);
  FinishRecording(g);
  g.EnterState(scTitle);
  g.LevelTable[0].NeedBlock += 1;
  std::string error;
  EXPECT_FALSE(StartPlayback(g, "dir/x.kqr", Last(), error));
  EXPECT_EQ(error, "dir/x.kqr: the level table differs from the one the game was recorded with");
  EXPECT_FALSE(g.Playback);
  EXPECT_EQ(g.ScreenState, scTitle);
}

TEST_F(Recording, ControlsAreRecordedAsTheRulesReadThem) {
  // Two actions on one state: both read it, so both bits are set, and playback keeps them apart.
  g.Config.KeyAssign1P.J02 = g.Config.KeyAssign1P.J01;
  g.DXInput1.States.set(g.Config.KeyAssign1P.J01);
  g.DXInput1.States.set(2);
  g.DXInput2.States.set(g.Config.KeyAssign2P.J04);
  g.DXInput1.States.set(kStateConfirm);
  const uint32_t bits = ReadControls(g);
  EXPECT_EQ(bits, (1u << 2) | (1u << 4) | (1u << 5) | (1u << 15) | kReplayConfirmBit);
  g.Config.KeyAssign1P.J02 = 9;
  ApplyControls(g, bits);
  EXPECT_TRUE(g.DXInput1.Has(2) && g.DXInput1.Has(g.Config.KeyAssign1P.J01) && g.DXInput1.Has(9));
  EXPECT_TRUE(g.DXInput2.Has(g.Config.KeyAssign2P.J04));
  EXPECT_EQ(ReadControls(g), bits);
}

TEST(WindowPlayback, PauseSpeedAndEscByTheirKeys) {
  const std::vector<TStep> steady(600, TStep{10, {}, false});
  const TRun live = Play(2, steady, {true, false, true}, 8);
  GameContext g;
  InstallProgramScreens(g);
  MemoryPlatform platform;
  platform.Clock = 1000;
  g.Platform = &platform;
  Configure(g, 2);
  TReplayFile file;
  std::string error;
  ASSERT_TRUE(ParseReplay(live.Replay, file, error)) << error;
  ASSERT_TRUE(StartPlayback(g, "w.kqr", std::move(file), error)) << error;
  auto key = [&](int vk) {
    platform.In.Keys.insert(vk);
    EXPECT_TRUE(PlaybackFrame(g, 0));
    platform.In.Keys.erase(vk);
    EXPECT_TRUE(PlaybackFrame(g, 0));
  };
  auto played = [&](uint32_t realMs) {
    const uint32_t before = g.Playback->Played;
    EXPECT_TRUE(PlaybackFrame(g, realMs));
    return g.Playback->Played - before;
  };
  EXPECT_EQ(played(100), 10u);
  key(39);
  EXPECT_EQ(played(100), 20u);
  key(39);
  key(39);
  key(39);  // 8x is the most
  EXPECT_EQ(played(100), 80u);
  for (int i = 0; i < 5; ++i) key(37);  // down to a quarter
  EXPECT_EQ(played(200), 5u);
  key(13);
  const int presents = platform.Presents;
  EXPECT_EQ(played(1000), 0u) << "paused";
  EXPECT_GT(platform.Presents, presents) << "a paused playback still shows its frame";
  key(19);  // the Pause key goes on again
  EXPECT_EQ(played(200), 5u);
  // Esc ends it; the title follows with the player's settings.
  platform.In.Keys.insert(27);
  EXPECT_FALSE(PlaybackFrame(g, 16));
  EndPlayback(g, true);
  EXPECT_EQ(g.ScreenState, scTitle);
  EXPECT_EQ(g.Config.KeyAssign1P, TGameConfig{}.KeyAssign1P);
}

TEST(WindowPlayback, RunsToTheEndThenLeaves) {
  const std::vector<TStep> steady(300, TStep{16, {}, false});
  const TRun live = Play(1, steady, {}, 8);
  GameContext g;
  InstallProgramScreens(g);
  MemoryPlatform platform;
  platform.Clock = 1000;
  g.Platform = &platform;
  Configure(g, 1);
  TReplayFile file;
  std::string error;
  ASSERT_TRUE(ParseReplay(live.Replay, file, error)) << error;
  ASSERT_TRUE(StartPlayback(g, "w.kqr", std::move(file), error)) << error;
  int frames = 0;
  while (PlaybackFrame(g, 16) && frames < 1000) ++frames;
  EXPECT_EQ(g.Playback->Played, 300u);
  EXPECT_GT(frames, 300) << "the last frame stays a moment before the title";
  EXPECT_EQ(g.Playback->Mismatch, "");
  EndPlayback(g, true);
  EXPECT_EQ(g.ScreenState, scTitle);
  EXPECT_TRUE(g.TitleNotice.empty());
}

TEST(ReplayFolder, BesideTheHighScoreFile) {
  EXPECT_EQ(ReplayFolder("/home/a/.local/share/kq001/kq001.HI"), "/home/a/.local/share/kq001/replays/");
  EXPECT_EQ(ReplayFolder("kq001.HI"), "replays/");
}

}  // namespace
}  // namespace kq
