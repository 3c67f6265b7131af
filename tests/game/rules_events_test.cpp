// The rules tell the screen through events: the play tick shows them on the tick they happen, a
// re-run of ticks records the same events and shows none, and a rule procedure runs on a bare
// rules context with no sprite or sound behind it.
#include "game_fixture.h"

namespace kq::test {
namespace {

using RulesEventsTest = GameTest;

struct TRun {
  std::vector<std::string> SoundEvents;  // "tick:NAME" from the events
  std::vector<std::string> Played;       // "tick:NAME" from the sound log
  int SpritesMade = 0;                   // most sprites alive at once beyond those of the start
  std::vector<std::string> Field;
  int Score = 0, Combo = 0;
  uint64_t Rng = 0;
};

TEST_F(RulesEventsTest, AReRunRecordsTheSameEventsAndShowsNone) {
  g.Config.UseDirect3D = true;  // erases throw dust: sprites the re-run must not make
  Start(2, {"22..", "0022", "0022"}, {"3333"});
  const TGameState start = g.State;
  const uint32_t clock = g.FrameTime, ticks = g.TickCount;

  auto play = [&](bool resim) {
    g.State = start;
    g.FrameTime = clock;
    g.TickCount = ticks;
    g.SoundLog.clear();
    g.Events.Resimulating = resim;
    ShowRulesState(g);  // the HUD as the start shows it
    TRun run;
    const int spritesBefore = g.DXSpriteEngine1.AllCount;
    FireShot(g, P1(), 0, 0, stErase, "SHOT2");  // the 0s go, the 2s above fall onto the 2s beside
    for (const TRulesEvent& e : g.Events.List)
      if (e.IsSound()) run.SoundEvents.push_back(std::to_string(g.TickCount) + ":" + e.Name);
    PresentRulesEvents(g);
    for (int t = 0; t < 300; ++t) {
      Tick(10);
      for (const TRulesEvent& e : g.Events.List)
        if (e.IsSound()) run.SoundEvents.push_back(std::to_string(g.TickCount) + ":" + e.Name);
      EXPECT_EQ(g.Events.Presented, g.Events.List.size());
      run.SpritesMade = std::max(run.SpritesMade, g.DXSpriteEngine1.AllCount - spritesBefore);
    }
    for (const TSoundLogEntry& s : g.SoundLog) run.Played.push_back(std::to_string(s.Tick) + ":" + s.Name);
    run.Field = FieldRows(P1());
    run.Score = P1().Score;
    run.Combo = P1().MaxCombo;
    run.Rng = g.Rng.State();
    g.Events.Resimulating = false;
    return run;
  };

  const TRun shown = play(false);
  const TRun rerun = play(true);
  // The game went somewhere: a shot, an erase and a chain with their sounds.
  EXPECT_GT(shown.Score, 0);
  EXPECT_EQ(shown.Combo, 10);
  ASSERT_GE(shown.SoundEvents.size(), 3u);
  EXPECT_EQ(shown.SoundEvents.front(), std::to_string(ticks) + ":SHOT");
  // Shown: every sound event played on its own tick, in order.
  EXPECT_EQ(shown.Played, shown.SoundEvents);
  // Re-run: the same rules, the same events, nothing heard.
  EXPECT_EQ(rerun.SoundEvents, shown.SoundEvents);
  EXPECT_TRUE(rerun.Played.empty());
  EXPECT_EQ(rerun.Field, shown.Field);
  EXPECT_EQ(rerun.Score, shown.Score);
  EXPECT_EQ(rerun.Rng, shown.Rng);
  // The dust of the erases is thrown only when shown.
  EXPECT_GE(shown.SpritesMade, 4);  // a burst is four particles
  EXPECT_EQ(rerun.SpritesMade, 0);

  // After the re-run the HUD shows nothing of it until it is put where the state stands.
  TScoreSprite& score = *g.View(P1()).ScoreSprite;
  EXPECT_NE(score.Value, int64_t(P1().Score) * 10000);
  ShowRulesState(g);
  EXPECT_EQ(score.Value, int64_t(P1().Score) * 10000);
  EXPECT_EQ(g.View(P1()).ComboSprite->Value, int64_t(P1().Combo) * 10000);
}

TEST_F(RulesEventsTest, RulesRunOnABareContextAndOnlyAddEvents) {
  // No game context at all: a state, the settings, a level table and an event list.
  TGameState state;
  TGameConfig config;
  config.UseDirect3D = true;  // the erase asks for its dust
  const TLevelTable levels = {TLevelEntry{0, 4, 5000}, TLevelEntry{0, 100, 5000}};
  const int mode = 1;
  TRulesEvents events;
  TRandom voices;
  TRulesContext rules(state, config, levels, mode, events, voices);
  TPlayerInfo& p = state.Players[0];
  p.Active = p.InGame = true;
  p.Cols = 7;
  p.Rows = kFieldRows;
  p.LvNeedBlock = 4;
  for (int c = 0; c < 4; ++c) CreateBlock(rules, p, c, 0, 3, false);
  CreateBlock(rules, p, 4, 0, 2, false);
  p.Chain = 1;

  const int n = EraseGroup(rules, p, 1, 0);
  ASSERT_EQ(n, 4);
  AddCombo(p, n);
  ShowCombo(rules, p);
  AddScore(rules, p, n);
  CheckLevel(rules, p);
  PlayEraseSounds(rules, p);
  EXPECT_EQ(p.ErasingCount, 4);
  EXPECT_EQ(p.Level, 1);
  EXPECT_EQ(p.Score, 40);

  std::vector<TRulesEventKind> kinds;
  std::vector<std::string> sounds;
  for (const TRulesEvent& e : events.List) {
    kinds.push_back(e.Kind);
    if (e.IsSound()) sounds.push_back(e.Name);
  }
  const std::vector<TRulesEventKind> expected = {reDust, reCombo, reScore, reLevel, reSound, reSound};
  EXPECT_EQ(kinds, expected);
  EXPECT_EQ(events.List[0].Col, 1);  // the dust starts at the block the erase started from
  EXPECT_EQ(events.List[1].Value, 4);
  EXPECT_EQ(events.List[2].Value, 40);
  EXPECT_EQ(sounds, (std::vector<std::string>{"SE00", "VOICE00"}));
  EXPECT_EQ(events.Presented, 0u);
}

}  // namespace
}  // namespace kq::test
