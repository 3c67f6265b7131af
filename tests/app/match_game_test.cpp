// A network match's game under rollback: however often the rival's states are guessed wrong and
// taken back, the game that results is the one of the real states, and so are its sounds.
#include "app/match_game.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "app/main_loop.h"
#include "app/net_play.h"
#include "app/replay.h"
#include "config/profile.h"
#include "core/context.h"
#include "game/rules.h"
#include "net/rollback.h"
#include "sprites/effect_sprites.h"
#include "support/doubles.h"

namespace kq {
namespace {

using test::MemoryPlatform;
using test::RecordingSound;

constexpr uint16_t kOneShot = 0x70;

// The rival never does the same two ticks running (ten values of directions and raise in
// turn, shots now and then), so every guess of its states is wrong.
uint16_t RivalStates(uint32_t t) {
  static const uint16_t kCycle[10] = {0x01, 0x02, 0x04, 0x08, 0x06, 0x03, 0x0c, 0x05, 0x0a, 0x80};
  return uint16_t(kCycle[t % 10] | (t % 7 == 0 ? 0x20 : 0) | (t % 11 == 0 ? 0x10 : 0));
}
uint16_t LocalStates(uint32_t t) {
  const uint16_t dirs[4] = {0x04, 0x08, 0x01, 0x02};
  return uint16_t((t % 9 < 2 ? dirs[(t / 9) % 4] : 0) | (t % 13 == 0 ? 0x20 : 0) | (t % 17 == 0 ? 0x40 : 0));
}

struct TSide {
  GameContext g;
  MemoryPlatform platform;
  RecordingSound sound;
  uint32_t wall = 50000;
  std::unique_ptr<TMatchGame> game;

  explicit TSide(bool tallField = false, const std::function<void(GameContext&)>& configure = {}) {
    InstallProgramScreens(g);
    if (tallField) {
      // Player 1's first rising line ends the game.
      g.StartField[0] = std::vector<std::string>(13, "0.......");
      g.HasStartField[0] = true;
    }
    platform.Clock = 1000;
    g.Platform = &platform;
    g.Sound = &sound;
    g.NoRender = true;
    g.Config.TotalBlockType = 4;  // more erasures, chains and hazards
    g.Config.EraseLowerLimit = 3;
    g.Config.BlockStartLine = 8;
    g.Config.HazardBlockPeriod = 3000;
    g.Config.ChainGaugePeriod = 2000;
    g.LevelTable = {{0, 15, 1500}, {20, 25, 1200}};
    if (configure) configure(g);
    CanonicalActions(g.Config.KeyAssign1P);
    CanonicalActions(g.Config.KeyAssign2P);
    ApplyKeyAssign(g.DXInput1, g.DXInput2, g.Config);
    g.DXInput1.PadNo = g.DXInput2.PadNo = kNoPad;
    g.NetPlay = true;
    g.SetGameMode(2);
    g.SeedProgram(4);
    g.NextGameSeed = 77;
    g.FrameTime = 1000;
    g.EnterState(scPlay);
    game = std::make_unique<TMatchGame>(
        g, 1000, [this] { return wall; }, [this](uint32_t c) { platform.Clock = c; });
  }
  ~TSide() {
    game.reset();
    g.NetPlay = false;
  }
};

std::map<std::string, int> Count(const std::vector<std::string>& names) {
  std::map<std::string, int> m;
  for (const std::string& n : names) ++m[n];
  return m;
}

// Runs `ticks` ticks with the rival's states arriving lag(t) ticks late (1..maxLag), each
// after the tick ran on a guess; checks every confirmed tick against the plain run's hashes.
void PlayWithRollback(TSide& s, uint32_t ticks, uint32_t maxLag, const std::vector<uint64_t>& hashes,
                      net::TRollbackCounters& counters) {
  net::TRollbackInputs in(0, 0, kOneShot);
  net::TRollback<TMatchGame, TMatchSnapshot> rb(*s.game, in);
  uint32_t delivered = 0, checked = 0;
  auto deliver = [&](uint32_t upTo) {
    if (upTo <= delivered) return;
    net::TInputs m;
    m.FirstTick = delivered + 1;
    for (uint32_t t = delivered + 1; t <= upTo; ++t) m.States.push_back(RivalStates(t));
    in.Receive(m);
    delivered = upTo;
  };
  auto check = [&]() {
    const TMatchSnapshot now = s.game->Save();
    for (uint32_t c = checked + 1; c <= in.Confirmed(); ++c) {
      const TMatchSnapshot* after = rb.Before(c + 1);
      s.game->Load(after ? *after : now);
      ASSERT_EQ(RulesStateHash(s.g), hashes[c - 1]) << "tick " << c;
    }
    s.game->Load(now);
    checked = std::max(checked, in.Confirmed());
    rb.ForgetThrough(checked);
    in.ForgetThrough(checked);
    s.game->ForgetThrough(checked);
  };
  for (uint32_t t = 1; t <= ticks; ++t) {
    in.Sample(LocalStates(t));
    ASSERT_TRUE(in.CanAdvance());
    rb.Run(t, in.Advance());
    s.wall += 16;
    const uint32_t lag = 1 + t % maxLag;
    if (t > lag) deliver(t - lag);
    rb.Correct();
    check();
    ASSERT_LE(rb.Saved(), size_t(net::kPredictionWindow));
  }
  deliver(ticks);
  rb.Correct();
  check();
  EXPECT_EQ(checked, ticks);
  counters = in.Counters();
}

std::vector<uint64_t> PlayPlain(TSide& s, uint32_t ticks) {
  std::vector<uint64_t> hashes;
  for (uint32_t t = 1; t <= ticks; ++t) {
    s.game->Step({LocalStates(t), RivalStates(t)}, false);
    s.wall += 16;
    hashes.push_back(RulesStateHash(s.g));
  }
  return hashes;
}

// What the screen shows of the danger and the trims.
struct TWarnings {
  std::array<bool, 2> Danger{};
  std::array<double, 2> Glow{};
  std::array<std::array<bool, kFieldRows>, 2> Shades{};
  bool operator==(const TWarnings&) const = default;
};

void PrintTo(const TWarnings& w, std::ostream* os) {
  for (size_t n = 0; n < 2; ++n) {
    *os << "player " << n + 1 << ": danger " << w.Danger[n] << " glow " << w.Glow[n] << " shades ";
    for (bool b : w.Shades[n]) *os << (b ? '#' : '.');
    *os << "; ";
  }
}

TWarnings Warnings(const GameContext& g) {
  TWarnings w;
  for (size_t n = 0; n < 2; ++n) {
    const TPlayerSprites& view = g.PlayerSprites[n];
    w.Danger[n] = view.DangerSprite->Visible;
    w.Glow[n] = w.Danger[n] ? view.DangerSprite->Glow : 0;
    for (size_t r = 0; r < size_t(kFieldRows); ++r) w.Shades[n][r] = view.RowShades[r]->Visible;
  }
  return w;
}

TEST(MatchGame, AWrongGuessAtEveryTickEndsInTheGameOfTheRealStates) {
  constexpr uint32_t kTicks = 900;
  TSide plain, guessed;
  const std::vector<uint64_t> hashes = PlayPlain(plain, kTicks);
  net::TRollbackCounters c;
  PlayWithRollback(guessed, kTicks, 7, hashes, c);
  EXPECT_EQ(c.PredictedWrong, kTicks);
  EXPECT_GE(c.Rollbacks, kTicks / 7);
  EXPECT_EQ(c.MaxRollback, net::kPredictionWindow);
  EXPECT_EQ(RulesStateHash(guessed.g), RulesStateHash(plain.g));
  EXPECT_GT(guessed.game->RerunTicks(), kTicks);
  // The game did something worth checking: both fields changed, scores were made.
  EXPECT_GT(plain.g.Player1P.Score + plain.g.Player2P.Score, 0);
  // Re-runs moved no sprite twice and drew nothing: the engine is back to moving.
  EXPECT_TRUE(guessed.g.DXSpriteEngine1.Moving);
  EXPECT_TRUE(guessed.g.NoRender);
}

TEST(MatchGame, UnderWrongGuessesEverySoundOfTheRealGameIsHeardOnce) {
  constexpr uint32_t kTicks = 600;
  TSide plain, guessed;
  const std::vector<uint64_t> hashes = PlayPlain(plain, kTicks);
  net::TRollbackCounters c;
  // At most four ticks late: every sound a re-run finds is recent enough to be heard late.
  PlayWithRollback(guessed, kTicks, 4, hashes, c);
  ASSERT_FALSE(plain.sound.Played.empty());
  std::map<std::string, int> heard = Count(guessed.sound.Played);
  for (const auto& [name, n] : Count(guessed.sound.Stopped)) heard[name] -= n;
  std::erase_if(heard, [](const auto& e) { return e.second == 0; });
  EXPECT_EQ(heard, Count(plain.sound.Played));
}

TEST(MatchGame, ARerunStopsWhatNoLongerHappensAndPlaysWhatNowDoesIfRecent) {
  TSide s;
  for (uint32_t t = 1; t <= 30; ++t) s.game->Step({0, 0}, false);
  s.sound.Played.clear();  // the start's voice
  const TMatchSnapshot before31 = s.game->Save();
  s.game->Step({0x20, 0}, false);  // player 1 shoots on tick 31
  ASSERT_EQ(s.sound.Played, std::vector<std::string>{"SHOT"});
  s.wall += 16;
  s.game->Step({0, 0}, false);

  // The same ticks again: nothing is played twice, nothing stopped.
  s.game->BeginRerun(31);
  s.game->Load(before31);
  s.game->Step({0x20, 0}, true);
  s.game->Step({0, 0}, true);
  s.game->EndRerun();
  EXPECT_EQ(s.sound.Played.size(), 1u);
  EXPECT_TRUE(s.sound.Stopped.empty());

  // Tick 31 without the shot: its sound is taken back.
  s.game->BeginRerun(31);
  s.game->Load(before31);
  s.game->Step({0, 0}, true);
  s.game->Step({0, 0}, true);
  s.game->EndRerun();
  EXPECT_EQ(s.sound.Stopped, std::vector<std::string>{"SHOT"});

  // The shot is back, 40 ms after its tick first ran: heard late, once.
  s.wall += 24;
  s.game->BeginRerun(31);
  s.game->Load(before31);
  s.game->Step({0x20, 0}, true);
  s.game->Step({0, 0}, true);
  s.game->EndRerun();
  EXPECT_EQ(s.sound.Played, (std::vector<std::string>{"SHOT", "SHOT"}));

  // Taken back and made again 150 ms after: too late to be heard.
  s.game->BeginRerun(31);
  s.game->Load(before31);
  s.game->Step({0, 0}, true);
  s.game->Step({0, 0}, true);
  s.game->EndRerun();
  s.wall += 150;
  s.game->BeginRerun(31);
  s.game->Load(before31);
  s.game->Step({0x20, 0}, true);
  s.game->Step({0, 0}, true);
  s.game->EndRerun();
  EXPECT_EQ(s.sound.Played.size(), 2u);
}

// Two pasts of tick 31 on: in one a trim bar over player 1's row 12 is about to go opaque (its
// shade shows) and player 2's rising line is about to end with a block in its top rows (the danger
// glow starts); in the other neither happens. Whichever the game guessed, the correction to the
// other leaves the glow and the shades exactly as a side that only ever played the real one.
TEST(MatchGame, ACorrectionPutsTheDangerGlowAndTheRowShadesWhereTheRealGameHasThem) {
  constexpr int kRun = 8;
  TSide real, guessed;
  for (TSide* s : {&real, &guessed})
    for (uint32_t t = 1; t <= 30; ++t) s->game->Step({0, 0}, false);
  ASSERT_EQ(RulesStateHash(real.g), RulesStateHash(guessed.g));
  const TMatchSnapshot calm = real.game->Save();
  // The other past, made from the same state.
  GameContext& g = real.g;
  TPlayerInfo& p1 = g.Player1P;
  TPlayerInfo& p2 = g.Player2P;
  for (int c = 0; c < p1.Cols; ++c) TakeBlock(g, p1, c, 12);
  StartRowBar(g, p1, 12, true);
  g.State.Bars.back().Fade.StartTime = g.FrameTime - 400;  // opaque within two ticks
  p1.Rows = 12;
  p1.Phase = gpTrim;
  CreateBlock(g, p2, 0, 11, 1, false);
  p2.Phase = gpRise;
  p2.LineUpTime = g.FrameTime - 280;
  p2.RiseOffset = 2;
  const TMatchSnapshot stormy = real.game->Save();
  real.game->Load(calm);

  auto play = [](TSide& s, const TMatchSnapshot& from) {
    s.game->Load(from);
    for (int i = 0; i < kRun; ++i) s.game->Step({0, 0}, false);
  };
  auto correct = [](TSide& s, const TMatchSnapshot& to) {
    s.game->BeginRerun(31);
    s.game->Load(to);
    for (int i = 0; i < kRun; ++i) s.game->Step({0, 0}, true);
    s.game->EndRerun();
  };

  // Guessed calm, really stormy: the shade and the glow come, the glow from its own tick on.
  play(real, stormy);
  const TWarnings storm = Warnings(real.g);
  ASSERT_TRUE(storm.Danger[1]);
  ASSERT_GT(storm.Glow[1], 0);
  ASSERT_TRUE(storm.Shades[0][12]);
  play(guessed, calm);
  ASSERT_NE(Warnings(guessed.g), storm);
  correct(guessed, stormy);
  EXPECT_EQ(Warnings(guessed.g), storm);

  // Guessed stormy, really calm: both go.
  TSide real2, guessed2;
  for (TSide* s : {&real2, &guessed2})
    for (uint32_t t = 1; t <= 30; ++t) s->game->Step({0, 0}, false);
  play(real2, calm);
  const TWarnings quiet = Warnings(real2.g);
  ASSERT_FALSE(quiet.Danger[1]);
  ASSERT_FALSE(quiet.Shades[0][12]);
  play(guessed2, stormy);
  ASSERT_EQ(Warnings(guessed2.g), storm);
  correct(guessed2, calm);
  EXPECT_EQ(Warnings(guessed2.g), quiet);
  // And back: the glow that the first guess started is the real one again, as if never gone.
  correct(guessed2, stormy);
  EXPECT_EQ(Warnings(guessed2.g), storm);
}

// Sprites of the play screen whose serials are in (after, upto] and still alive.
int Alive(GameContext& g, uint64_t after, uint64_t upto) {
  int n = 0;
  for (int i = 0; i < g.DXSpriteEngine1.Count(); ++i) {
    const TSprite* sp = g.DXSpriteEngine1.Child(i);
    if (sp->Serial() > after && sp->Serial() <= upto && !sp->Dying()) ++n;
  }
  return n;
}

// Where those sprites stand and how far their animations are, in the order they were made.
std::vector<std::array<double, 3>> Poses(GameContext& g, uint64_t after, uint64_t upto) {
  std::vector<std::array<double, 3>> out;
  for (int i = 0; i < g.DXSpriteEngine1.Count(); ++i) {
    TSprite* sp = g.DXSpriteEngine1.Child(i);
    if (sp->Serial() <= after || sp->Serial() > upto || sp->Dying()) continue;
    const auto* image = dynamic_cast<const TImageSprite*>(sp);
    out.push_back({sp->X, sp->Y, image ? image->PatternPos : 0});
  }
  return out;
}

TEST(MatchGame, PicturesOfATickTakenBackGoAndTheCorrectedGameShowsItsOwn) {
  TSide s(true);
  TMatchSnapshot before;
  uint32_t over = 0;
  uint64_t madeBefore = 0;
  for (uint32_t t = 1; t <= 400 && !over; ++t) {
    before = s.game->Save();
    madeBefore = s.g.DXSpriteEngine1.Made();
    s.game->Step({0, 0}, false);
    if (s.g.Player1P.Phase == gpOver) over = t;
  }
  ASSERT_NE(over, 0u);
  const uint64_t madeAtOver = s.g.DXSpriteEngine1.Made();
  const int shown = Alive(s.g, madeBefore, madeAtOver);
  ASSERT_GT(shown, 0);  // boards and the retry prompt
  ASSERT_NE(s.g.RetryYes, nullptr);
  EXPECT_EQ(s.g.SessionWins, (std::array<int, 2>{0, 1}));
  EXPECT_EQ(s.g.PlayerSprites[0].Sight, nullptr);
  for (int i = 0; i < 3; ++i) s.game->Step({0, 0}, false);
  // The boards rose and the prompt blinked for four ticks.
  const auto poses = Poses(s.g, madeBefore, madeAtOver);
  const uint32_t next = s.game->NextTick();
  auto rerun = [&](const TMatchSnapshot& from) {
    s.game->BeginRerun(over);
    s.game->Load(from);
    while (s.game->NextTick() < next) s.game->Step({0, 0}, true);
    s.game->EndRerun();
  };

  // The same game again: the pictures stay, none comes twice.
  TImageSprite* yes = s.g.RetryYes;
  rerun(before);
  EXPECT_EQ(s.game->Reshown(), 0u);
  EXPECT_EQ(s.g.RetryYes, yes);
  EXPECT_EQ(s.g.DXSpriteEngine1.Made(), madeAtOver);
  EXPECT_EQ(Alive(s.g, madeBefore, madeAtOver), shown);

  // A corrected past without that game over: its pictures go, the tally forgets it, the sight
  // is back where the state has it.
  TMatchSnapshot later = before;
  for (int r = 6; r < kFieldRows; ++r) later.State.Players[0].Cells[0][size_t(r)] = TBlock{};
  rerun(later);
  EXPECT_EQ(s.game->Reshown(), 1u);
  EXPECT_EQ(Alive(s.g, madeBefore, madeAtOver), 0);
  EXPECT_EQ(s.g.RetryYes, nullptr);
  EXPECT_EQ(s.g.SessionWins, (std::array<int, 2>{0, 0}));
  ASSERT_NE(s.g.PlayerSprites[0].Sight, nullptr);
  EXPECT_EQ(s.g.PlayerSprites[0].Sight->X, CellX(s.g.Player1P, s.g.Player1P.Sight.Col));
  EXPECT_NE(s.g.Player1P.Phase, gpOver);

  // And back to the game over: shown anew, once.
  const uint64_t madeAgain = s.g.DXSpriteEngine1.Made();
  rerun(before);
  EXPECT_EQ(s.game->Reshown(), 2u);
  EXPECT_EQ(Alive(s.g, madeAgain, s.g.DXSpriteEngine1.Made()), shown);
  // Shown anew, they stand where they stood: as if shown on their tick, not at the correction.
  EXPECT_EQ(Poses(s.g, madeAgain, s.g.DXSpriteEngine1.Made()), poses);
  EXPECT_NE(s.g.RetryYes, nullptr);
  EXPECT_EQ(s.g.SessionWins, (std::array<int, 2>{0, 1}));
  EXPECT_EQ(s.g.PlayerSprites[0].Sight, nullptr);
}

}  // namespace
}  // namespace kq
