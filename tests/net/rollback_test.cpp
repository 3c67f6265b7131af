#include "net/rollback.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>

namespace kq::net {
namespace {

constexpr uint16_t kShot = 0x00f0;  // bits that act once per press

// A game whose state is a fold of every input it ran, in order: any tick run with other states,
// or in another order, ends in another state.
struct TToyState {
  uint64_t Fold = 1469598103934665603ull;
  uint32_t Ticks = 0;
  bool operator==(const TToyState&) const = default;
};
struct TToyGame {
  TToyState S;
  uint32_t Resims = 0;
  TToyState Save() const { return S; }
  void Load(const TToyState& s) { S = s; }
  void Step(const std::array<uint16_t, 2>& in, bool resim) {
    S.Fold = (S.Fold ^ (uint64_t(in[0]) << 16 | in[1])) * 1099511628211ull;
    ++S.Ticks;
    Resims += resim;
  }
};

// What side s presses while preparing tick t: long holds, and presses of one tick.
uint16_t Script(int side, uint32_t t, uint32_t seed) {
  std::mt19937 r(seed * 7919 + t * 2 + uint32_t(side));
  uint16_t v = uint16_t((t / (5 + side * 3 + seed % 4)) % 3 == 0 ? 0x0001 << side : 0);
  if (r() % 9 == 0) v |= uint16_t(0x0010 << side);
  if (r() % 23 == 0) v |= 0x0100;
  return v;
}

// The states of a tick as the game must see them: what each side sampled `delay` ticks before.
std::array<uint16_t, 2> Truth(uint32_t tick, int delay, uint32_t seed) {
  if (tick <= uint32_t(delay)) return {0, 0};
  return {Script(0, tick - uint32_t(delay), seed), Script(1, tick - uint32_t(delay), seed)};
}

// Packets one way, with a delay in frames, loss and duplication.
struct TLink {
  std::mt19937 rng;
  int lossPercent = 0;
  uint32_t minDelay = 0, maxDelay = 0;
  std::deque<std::pair<uint32_t, TInputs>> inFlight;
  explicit TLink(uint32_t seed) : rng(seed) {}
  void Send(uint32_t now, const TInputs& m) {
    if (int(rng() % 100) < lossPercent) return;
    inFlight.emplace_back(now + minDelay + rng() % (maxDelay - minDelay + 1), m);
    if (rng() % 20 == 0) inFlight.emplace_back(now + maxDelay + 1, m);
  }
  void Deliver(uint32_t now, TRollbackInputs& to) {
    for (auto it = inFlight.begin(); it != inFlight.end();) {
      if (it->first <= now) {
        to.Receive(it->second);
        it = inFlight.erase(it);
      } else {
        ++it;
      }
    }
  }
};

struct TSide {
  TToyGame game;
  TRollbackInputs in;
  TRollback<TToyGame, TToyState> rb{game, in};
  std::vector<std::array<uint16_t, 2>> confirmed;  // tick 1, 2, ... as a recording keeps them
  uint32_t stalls = 0;
  TSide(int side, int delay) : in(side, delay, kShot) {}
  void Frame(uint32_t seed) {
    in.Sample(Script(in.Side(), in.NextTick(), seed));
    if (!rb.Tick()) ++stalls;
    Keep();
  }
  void Keep() {
    rb.Correct();
    const uint32_t c = in.Confirmed();
    while (confirmed.size() < c) confirmed.push_back(in.ConfirmedInputs(uint32_t(confirmed.size() + 1)));
    // The state before the first unconfirmed tick stays for a rollback.
    in.ForgetThrough(c);
    rb.ForgetThrough(c);
  }
};

// Both sides run `ticks` ticks over the links; returns them for inspection.
struct TMatch {
  TSide a, b;
  TLink ab, ba;
  TMatch(int delay, uint32_t seed) : a(0, delay), b(1, delay), ab(seed), ba(seed + 1) {}
  void Run(uint32_t ticks, uint32_t seed, uint32_t frames) {
    for (uint32_t f = 0; f < frames && (a.in.Confirmed() < ticks || b.in.Confirmed() < ticks); ++f) {
      if (a.in.NextTick() <= ticks) a.Frame(seed);
      if (b.in.NextTick() <= ticks) b.Frame(seed);
      ab.Send(f, a.in.Outgoing());
      ba.Send(f, b.in.Outgoing());
      ab.Deliver(f, b.in);
      ba.Deliver(f, a.in);
      a.Keep();
      b.Keep();
    }
  }
};

TToyState Reference(uint32_t ticks, int delay, uint32_t seed) {
  TToyGame g;
  for (uint32_t t = 1; t <= ticks; ++t) g.Step(Truth(t, delay, seed), false);
  return g.S;
}

// Under delay, jitter, loss and duplication both sides end where the true inputs without any
// guessing lead, and keep the true inputs for the recording.
TEST(Rollback, BothSidesEndInTheStateOfTheTrueInputs) {
  struct TCase {
    int delay;
    uint32_t minDelay, maxDelay;
    int loss;
  };
  for (const TCase c : {TCase{0, 0, 0, 0}, TCase{0, 2, 5, 5}, TCase{2, 1, 8, 10}, TCase{0, 6, 7, 0}}) {
    for (uint32_t seed = 1; seed <= 4; ++seed) {
      SCOPED_TRACE(testing::Message() << "delay " << c.delay << " link " << c.minDelay << ".." << c.maxDelay
                                      << " loss " << c.loss << " seed " << seed);
      constexpr uint32_t kTicks = 600;
      TMatch m(c.delay, seed);
      for (TLink* l : {&m.ab, &m.ba}) {
        l->minDelay = c.minDelay;
        l->maxDelay = c.maxDelay;
        l->lossPercent = c.loss;
      }
      m.Run(kTicks, seed, 20000);
      ASSERT_EQ(m.a.game.S, Reference(kTicks, c.delay, seed));
      ASSERT_EQ(m.b.game.S, m.a.game.S);
      ASSERT_GE(m.a.confirmed.size(), kTicks);
      for (uint32_t t = 1; t <= kTicks; ++t) {
        ASSERT_EQ(m.a.confirmed[t - 1], Truth(t, c.delay, seed)) << "tick " << t;
        ASSERT_EQ(m.b.confirmed[t - 1], m.a.confirmed[t - 1]) << "tick " << t;
      }
      if (c.maxDelay >= 2) {
        EXPECT_GT(m.a.in.Counters().Rollbacks, 0u);
      }
      EXPECT_LE(m.a.in.Counters().MaxRollback, kPredictionWindow + 1);
      // Saved states never pile up beyond the window.
      EXPECT_LE(m.a.rb.Saved(), kPredictionWindow + 2);
    }
  }
}

// The rival's states come one at a time, each a few ticks late and different from the last:
// every guess fails, every tick is re-run, and the end state is still the true one.
TEST(Rollback, AWrongGuessAtEveryTickStillEndsInTheTrueState) {
  TToyGame game;
  TRollbackInputs in(0, 0, kShot);
  TRollback<TToyGame, TToyState> rb(game, in);
  constexpr uint32_t kTicks = 300, kLate = 3;
  // Never what the rival did four ticks before, which is what a guess repeats.
  auto rival = [](uint32_t t) { return uint16_t(0x0002 << (t % 3)); };
  for (uint32_t f = 1; f <= kTicks + kLate; ++f) {
    if (f <= kTicks) {
      in.Sample(uint16_t(f % 7 == 0));
      ASSERT_TRUE(rb.Tick()) << "tick " << f;
    }
    if (f > kLate) {
      TInputs m;
      m.FirstTick = f - kLate;
      m.States = {rival(f - kLate)};
      in.Receive(m);
      rb.Correct();
    }
  }
  TToyGame truth;
  for (uint32_t t = 1; t <= kTicks; ++t) truth.Step({uint16_t(t % 7 == 0), rival(t)}, false);
  EXPECT_EQ(game.S, truth.S);
  EXPECT_EQ(in.Confirmed(), kTicks);
  EXPECT_GE(in.Counters().PredictedWrong, kTicks - kLate - 1);
  EXPECT_EQ(in.Counters().MaxRollback, kLate + 1);
  EXPECT_GT(game.Resims, kTicks);
}

// A silent rival: eight ticks are guessed, then the game waits; its states let it go on.
TEST(Rollback, TheGameWaitsOnceEightTicksAreGuessed) {
  TToyGame game;
  TRollbackInputs in(1, 0, kShot);
  TRollback<TToyGame, TToyState> rb(game, in);
  uint32_t ran = 0;
  for (int f = 0; f < 30; ++f) {
    in.Sample(0);
    ran += rb.Tick();
  }
  EXPECT_EQ(ran, kPredictionWindow);
  TInputs m;
  m.FirstTick = 1;
  m.States.assign(4, 0x0001);
  in.Receive(m);
  EXPECT_EQ(in.RemoteContiguous(), 4u);
  for (int f = 0; f < 30; ++f) {
    in.Sample(0);
    ran += rb.Tick();
  }
  EXPECT_EQ(ran, 4 + kPredictionWindow);
  EXPECT_EQ(in.Counters().Rollbacks, 1u);  // the four guesses of 0 were wrong
  EXPECT_EQ(in.Confirmed(), 4u);
}

// A guess repeats what the rival holds, never a press of one tick.
TEST(Rollback, AGuessRepeatsHeldStatesButNotPresses) {
  TToyGame game;
  TRollbackInputs in(0, 0, kShot);
  TRollback<TToyGame, TToyState> rb(game, in);
  TInputs m;
  m.FirstTick = 1;
  m.States = {0x0011};  // held 0x0001, pressed 0x0010
  in.Receive(m);
  in.Sample(0);
  EXPECT_EQ(in.Advance(), (std::array<uint16_t, 2>{0, 0x0011}));
  in.Sample(0);
  EXPECT_EQ(in.Advance(), (std::array<uint16_t, 2>{0, 0x0001}));
}

// Packets of another round, beyond the window, acknowledging ticks never sent, or resending a
// tick with other states change nothing and are counted.
TEST(Rollback, UntrustedPacketsAreCountedAndChangeNothing) {
  TRollbackInputs in(0, 1, kShot, 5);
  in.Sample(0x0001);
  TInputs m;
  m.Round = 4;
  m.FirstTick = 1;
  m.States = {1};
  in.Receive(m);
  m.Round = 5;
  m.FirstTick = 10000;
  in.Receive(m);
  m.FirstTick = 2;
  m.Ack = 50;
  in.Receive(m);
  EXPECT_EQ(in.RemoteContiguous(), 1u);  // the neutral tick of the delay only
  m.Ack = 0;
  m.States = {0x0002};
  in.Receive(m);
  m.States = {0x0004};
  in.Receive(m);
  EXPECT_EQ(in.RemoteContiguous(), 2u);
  const TRollbackCounters& c = in.Counters();
  EXPECT_EQ(c.OtherRound, 1u);
  EXPECT_EQ(c.TooFar, 1u);
  EXPECT_EQ(c.BadAck, 1u);
  EXPECT_EQ(c.Conflict, 1u);
  // The first word stands.
  EXPECT_EQ(in.Advance(), (std::array<uint16_t, 2>{0, 0}));
  EXPECT_EQ(in.Advance(), (std::array<uint16_t, 2>{0x0001, 0x0002}));
}

// Two sides send their first states at a and b (ms) over a way of d ms each direction, each
// starts when it hears the other and then as far behind as RoundStartLagMs says: whoever sent
// first, whatever the way, both run their first tick at the same moment.
TEST(Rollback, BothSidesOfARoundBeginTogetherWhoeverWasReadyFirst) {
  for (uint32_t d : {0u, 1u, 30u, 60u, 100u, 250u})
    for (uint32_t a : {1000u, 1010u, 1059u, 1100u, 1400u})
      for (uint32_t b : {1000u, 1005u, 1060u, 1061u, 1300u}) {
        const uint32_t openA = std::max(a, b + d), openB = std::max(b, a + d);
        const uint32_t startA = openA - RoundStartLagMs(openA - a, 2 * d);
        const uint32_t startB = openB - RoundStartLagMs(openB - b, 2 * d);
        EXPECT_EQ(startA, startB) << "a " << a << " b " << b << " way " << d;
        // Never earlier than either side could have begun.
        EXPECT_GE(startA, std::max(a, b));
      }
  // Without a measured round trip nothing is made up.
  EXPECT_EQ(RoundStartLagMs(500, 0), 0u);
  EXPECT_EQ(RoundStartLagMs(0, 120), 0u);
}

}  // namespace
}  // namespace kq::net

namespace kq::net {
namespace {

// What the rival acknowledged is no longer sent; what it lacks is, oldest first, with this
// side's own acknowledgement of the rival's states.
TEST(Rollback, AcknowledgedStatesAreNoLongerSent) {
  TRollbackInputs a(0, 2, kShot);
  for (uint32_t t = 1; t <= 5; ++t) {
    a.Sample(0x1);
    a.Receive(TInputs{0, 0, t, {0}});
    a.Advance();
  }
  // Five samples, each acting two ticks late, after the two neutral ticks of the delay.
  EXPECT_EQ(a.Outgoing().FirstTick, 1u);
  EXPECT_EQ(a.Outgoing().States.size(), 7u);
  a.Receive(TInputs{0, 5, 0, {}});
  EXPECT_EQ(a.Outgoing().FirstTick, 6u);
  EXPECT_EQ(a.Outgoing().States.size(), 2u);
  EXPECT_EQ(a.Outgoing().Ack, 5u);
}

}  // namespace
}  // namespace kq::net
