// Both players press random controls on random settings for a few hundred thousand ticks;
// after every tick the record invariants must hold.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "core/context.h"
#include "game/rules.h"
#include "sprites/effect_sprites.h"
#include "sprites/hud_sprites.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KQ_SOAK_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KQ_SOAK_ASAN 1
#endif

namespace kq {
namespace {

#ifdef KQ_SOAK_ASAN
constexpr int kTicksPerRun = 1000;  // an eighth under ASan
#else
constexpr int kTicksPerRun = 8000;
#endif
constexpr int kSeeds = 48;
constexpr uint32_t kPhaseLimitMs = 8000;  // longest erase or fall wait that can be legitimate

void RandomSettings(GameContext& g, TRandom& r) {
  TGameConfig& c = g.Config;
  c.UseDirect3D = r.Random(2) == 0;
  c.TotalBlockType = 3 + r.Random(4);
  c.DisableGameOver = r.Random(4) == 0;
  c.AdvancedMode1P = r.Random(2) == 0;
  c.AdvancedMode2P = r.Random(2) == 0;
  c.BlockCapacity = 1 + r.Random(4);
  c.BlockStartLine = r.Random(11);
  c.ShotSpeed = 50 + r.Random(1500);
  c.BlockFallSpeed = 20 + r.Random(300);
  c.EraseLowerLimit = 2 + r.Random(4);
  c.EraseLowerLimitRainbow = 2 + r.Random(2);
  c.ChainGaugePeriod = 1000 + r.Random(6000);
  c.HazardBlockPeriod = 1000 + r.Random(5000);
  c.LineTrimingPeriod = 1000 + r.Random(8000);
  c.RainbowModePeriod = 1000 + r.Random(8000);
  c.RainbowIncPerBlock = 1 + r.Random(20);
  c.PowerIncPerBlock = 1 + r.Random(20);
  for (int k = 3; k <= 7; ++k) c.HazardBlockNum[size_t(k)] = 1 + r.Random(30);
  c.HazardBlockChainAdd = r.Random(10);
  c.EndingLv = 3 + r.Random(20);
  c.ExLvCombo = 1 + r.Random(100);
  c.EndingExLv = c.EndingLv + r.Random(10);
  c.EndingInterval = 1000;
  g.LevelTable.clear();
  const int levels = 1 + r.Random(30);
  for (int i = 0; i < levels; ++i)
    g.LevelTable.push_back({r.Random(60), 1 + r.Random(12), 200 + r.Random(5000)});
}

void RandomInput(TDXInput& dev, const TKeyAssign& k, TRandom& r, bool overPrompt) {
  for (int d = 0; d < 4; ++d)  // held directions change now and then
    if (r.Random(6) == 0) {
      if (r.Random(2))
        dev.States.set(size_t(d));
      else
        dev.States.reset(size_t(d));
    }
  for (int s : {k.J01, k.J02, k.J03})
    if (r.Random(8) == 0) dev.States.set(size_t(s));
  if (r.Random(20) == 0) dev.States.flip(size_t(k.J04));
  if (overPrompt && r.Random(30) == 0) dev.States.set(kStateConfirm);
}

class Checker {
 public:
  explicit Checker(GameContext& g) : g_(g) {}

  // Empty when every invariant holds; otherwise what failed.
  std::string Check() {
    live_.clear();
    serials_.clear();
    shots_[0] = shots_[1] = 0;
    for (int i = 0; i < g_.DXSpriteEngine1.Count(); ++i) live_.insert(g_.DXSpriteEngine1.Child(i));
    for (const TShot& shot : g_.State.Shots) ++shots_[shot.Owner & 1];
    std::ostringstream err;
    for (int n = 0; n < 2; ++n) CheckPlayer(g_.Player(n), n, err);
    return err.str();
  }

 private:
  void CheckPlayer(TPlayerInfo& p, int n, std::ostringstream& err) {
    if (n == 1 && g_.GameMode != 2) {
      if (p.Active) err << "player 2 active in a one-player game; ";
      return;
    }
    const auto fail = [&](const char* what) { err << "P" << n + 1 << ": " << what << "; "; };
    if (p.ShotsInFlight != shots_[n]) fail("ShotsInFlight differs from the live shots");
    if (p.PendingLines < 0 || p.PendingLines > 5) fail("PendingLines");
    if (p.Chain < 0 || p.Chain > 7) fail("Chain");
    if (p.ShotChain < 0 || p.ShotChain > 10) fail("ShotChain");
    if (p.SeIndex < 0 || p.SeIndex > 10) fail("SeIndex");
    if (p.VoiceIndex < 0 || p.VoiceIndex > 11) fail("VoiceIndex");
    if (p.Score < 0 || p.Score > 9999999) fail("Score");
    if (p.ErasingCount < 0) fail("ErasingCount below 0");
    if (p.Rows < 1 || p.Rows > kFieldRows) fail("Rows");
    if (g_.View(p).Sight &&
        (p.Sight.Col < 0 || p.Sight.Col >= p.Cols || p.Sight.Row < 0 || p.Sight.Row >= kFieldRows))
      fail("sight outside the field");
    if (g_.View(p).Sight && !live_.count(g_.View(p).Sight)) fail("dangling sight");
    const bool trimming = p.Phase == gpTrim || p.Phase == gpOver;
    for (int c = 0; c < kMaxCols; ++c)
      for (int r = 0; r < kFieldRows; ++r) {
        TBlock* b = BlockAt(p, c, r);
        if (!b) continue;
        if (b->Serial > g_.State.NextSerial || !serials_.insert(b->Serial).second) {
          fail("one block in two cells, or one never made");
          continue;
        }
        if (c >= p.Cols) fail("block outside the columns");
        if (r >= p.Rows && !trimming) fail("block in a trimmed row");
        if (!b->Falling && (b->Col != c || b->Row != r)) fail("resting block names another cell");
      }
    for (const TCellRef& e : p.FallingList)
      if (e.Col < 0 || e.Col >= p.Cols || e.Row < 0 || e.Row >= kFieldRows) fail("falling list outside");
    // A phase that waits must end.
    if (p.Active && (p.Phase == gpErase || p.Phase == gpFall)) {
      if (waitPhase_[n] != p.Phase) {
        waitPhase_[n] = p.Phase;
        waitSince_[n] = g_.FrameTime;
      } else if (g_.FrameTime - waitSince_[n] > kPhaseLimitMs) {
        fail(p.Phase == gpErase ? "stuck in gpErase" : "stuck in gpFall");
      }
    } else {
      waitPhase_[n] = 0xFF;
    }
  }

  GameContext& g_;
  std::set<const TSprite*> live_;
  std::set<uint32_t> serials_;
  int shots_[2] = {0, 0};
  uint8_t waitPhase_[2] = {0xFF, 0xFF};
  uint32_t waitSince_[2] = {0, 0};
};

struct SoakCounts {
  long Ticks = 0, Games = 0, Erasures = 0, Chains = 0, Trims = 0, Hazards = 0, Overs = 0;
};

void SoakRun(int mode, uint64_t seed, SoakCounts& counts) {
  GameContext g;
  InstallPlayScreen(g.Screens);
  TRandom r(seed * 7919 + uint64_t(mode));
  g.SeedProgram(seed);
  RandomSettings(g, r);
  g.FrameTime = 5000 + uint32_t(r.Random(100000));
  g.GameMode = mode;
  g.FieldCols = mode == 2 ? 8 : 7;
  g.EnterState(scPlay);
  ++counts.Games;
  Checker check(g);
  uint8_t lastPhase[2] = {gpPlay, gpPlay};
  for (int t = 0; t < kTicksPerRun; ++t) {
    const bool over = g.Player1P.Phase == gpOver || g.Player2P.Phase == gpOver;
    RandomInput(g.DXInput1, g.Config.KeyAssign1P, r, over || g.Player1P.Phase == gpEnding);
    RandomInput(g.DXInput2, g.Config.KeyAssign2P, r, false);
    const int ms = 1 + r.Random(50);
    g.FrameTime += uint32_t(ms);
    ++g.TickCount;
    GameTick(g, ms);
    EndFrameInput(g.DXInput1, g.DXInput2, g.Config, true);
    ++counts.Ticks;
    if (g.ScreenState != scPlay) {  // left to the ranking or the title: play again
      g.EnterState(scPlay);
      ++counts.Games;
      continue;
    }
    const std::string err = check.Check();
    ASSERT_TRUE(err.empty()) << "mode " << mode << " seed " << seed << " tick " << t << ": " << err;
    for (int n = 0; n < 2; ++n) {
      const TPlayerInfo& p = g.Player(n);
      if (p.Phase != lastPhase[n]) {
        if (p.Phase == gpErase) ++(lastPhase[n] == gpFall ? counts.Chains : counts.Erasures);
        if (p.Phase == gpTrim) ++counts.Trims;
        if (p.Phase == gpFall && lastPhase[n] == gpPlay) ++counts.Hazards;
        if (p.Phase == gpOver) ++counts.Overs;
      }
      lastPhase[n] = p.Phase;
    }
  }
}

TEST(Soak, RandomControlsKeepEveryInvariant) {
  SoakCounts counts;
  for (int mode : {1, 2})
    for (uint64_t seed = 1; seed <= kSeeds; ++seed) {
      SoakRun(mode, seed, counts);
      if (HasFatalFailure()) return;
    }
  std::printf(
      "soak: %ld ticks, %ld games, %ld shot erasures, %ld chain steps, %ld trims, %ld hazard drops, %ld game "
      "overs\n",
      counts.Ticks, counts.Games, counts.Erasures, counts.Chains, counts.Trims, counts.Hazards, counts.Overs);
#ifndef KQ_SOAK_ASAN
  EXPECT_GE(counts.Ticks, 200000);
#endif
  // The random play must actually reach the interesting parts of the rules.
  EXPECT_GT(counts.Erasures, 100);
  EXPECT_GT(counts.Chains, 10);
  EXPECT_GT(counts.Trims, 0);
  EXPECT_GT(counts.Hazards, 0);
  EXPECT_GT(counts.Overs, 10);
}

}  // namespace
}  // namespace kq
