#pragma once
// A fresh game context driven tick by tick, with scripted fields and input states.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/context.h"
#include "game/rules.h"
#include "sprites/effect_sprites.h"
#include "sprites/hud_sprites.h"
#include "sprites/presentation.h"
#include "support/doubles.h"

namespace kq::test {

// Field rows top first, in the encoding of the starting fields ('*' for a block being erased).
inline std::vector<std::string> FieldRows(const TPlayerInfo& p) {
  std::vector<std::string> out;
  for (int r = kFieldRows - 1; r >= 0; --r) {
    std::string line;
    for (int c = 0; c < p.Cols; ++c) {
      const TBlock* b = BlockAt(p, c, r);
      char ch = '.';
      if (b && b->Erased)
        ch = '*';
      else if (b && b->Hazard)
        ch = 'h';
      else if (b)
        ch = char((b->Hard ? 'a' : '0') + b->Kind);
      line += ch;
    }
    out.push_back(line);
  }
  return out;
}

// Calls step() until done() holds, at most maxSteps times: a rule that never gets there fails the
// test (ASSERT_TRUE / EXPECT_TRUE on the result) instead of hanging it.
[[nodiscard]] inline ::testing::AssertionResult StepUntil(const std::function<bool()>& done,
                                                          const std::function<void()>& step, int maxSteps) {
  for (int n = 0; n < maxSteps; ++n) {
    if (done()) return ::testing::AssertionSuccess();
    step();
  }
  if (done()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "still waiting after " << maxSteps << " steps";
}

class GameTest : public ::testing::Test {
 protected:
  GameContext g;

  void SetUp() override {
    InstallPlayScreen(g.Screens);
    g.FrameTime = 100000;
    g.RecordSounds = true;
    g.Config.UseDirect3D = false;
    // One long level: no level-up, a line every 5 s, no hard blocks in new lines.
    g.LevelTable = {TLevelEntry{0, 100000, 5000}};
  }

  // Starts a game through the play screen's entry; fields are top row first, last is row 0.
  void Start(int mode, std::vector<std::string> field1 = {}, std::vector<std::string> field2 = {}) {
    g.SetGameMode(mode);
    g.HasStartField = {!field1.empty(), !field2.empty()};
    g.StartField = {field1, field2};
    g.EnterState(scPlay);
    g.SoundLog.clear();
  }

  TPlayerInfo& P1() { return g.Player1P; }
  TPlayerInfo& P2() { return g.Player2P; }

  void Tick(int ms) {
    g.FrameTime += uint32_t(ms);
    ++g.TickCount;
    const bool inPlay = g.ScreenState == scPlay;
    if (inPlay) GameTick(g, ms);
    EndFrameInput(g.DXInput1, g.DXInput2, g.Config, inPlay);
  }
  // Ticks of `ms` until done() holds, at most maxTicks of them.
  [[nodiscard]] ::testing::AssertionResult RunUntil(const std::function<bool()>& done, int maxTicks = 1000,
                                                    int ms = 10) {
    return StepUntil(
        done, [&] { Tick(ms); }, maxTicks);
  }
  // Ticks of `step` ms until `ms` have passed.
  void Run(int ms, int step = 10) {
    for (int t = 0; t < ms; t += step) Tick(std::min(step, ms - t));
  }
  void Press(int player, int state) { (player == 0 ? g.DXInput1 : g.DXInput2).States.set(size_t(state)); }
  void Release(int player, int state) { (player == 0 ? g.DXInput1 : g.DXInput2).States.reset(size_t(state)); }
  // A one-frame press of a control.
  void Tap(int player, int state, int ms = 10) {
    Press(player, state);
    Tick(ms);
    Release(player, state);
  }

  TBlock* Cell(TPlayerInfo& p, int col, int row) { return BlockAt(p, col, row); }
  // Blocks in both fields.
  int CountBlocks() const {
    int n = 0;
    for (const TPlayerInfo& p : g.State.Players)
      for (const auto& column : p.Cells)
        for (const TBlock& b : column) n += bool(b);
    return n;
  }
  // One move of the field and the sprites without the rest of the tick.
  void Move(int ms) {
    MoveField(g, ms);
    PresentRulesEvents(g);
    g.DXSpriteEngine1.MoveSprites(ms);
  }

  void AimAt(TPlayerInfo& p, int col, int row) {
    p.Sight.Col = col;
    p.Sight.Row = row;
    g.View(p).Sight->X = CellX(p, col);
    g.View(p).Sight->Y = CellY(p, row);
  }

  std::vector<std::string> Sounds() const {
    std::vector<std::string> out;
    for (const auto& s : g.SoundLog) out.push_back(s.Name);
    return out;
  }
  bool Played(const std::string& name) const {
    for (const auto& s : g.SoundLog)
      if (s.Name == name) return true;
    return false;
  }

  int LiveShots(const TPlayerInfo& p) const {
    int n = 0;
    for (const TShot& s : g.State.Shots) n += s.Owner == p.PlayerNo;
    return n;
  }
  template <class T>
  int CountSprites() const {
    int n = 0;
    for (int i = 0; i < g.DXSpriteEngine1.Count(); ++i)
      if (dynamic_cast<T*>(g.DXSpriteEngine1.Child(i)) && !g.DXSpriteEngine1.Child(i)->Dying()) ++n;
    return n;
  }
};

}  // namespace kq::test
