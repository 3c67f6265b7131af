#include "net/lockstep.h"

#include <gtest/gtest.h>

#include <deque>
#include <numeric>
#include <random>

namespace kq::net {
namespace {

constexpr uint16_t kShot = 0x00f0;  // bits that act once per press

// What side s holds down while preparing tick t: a pattern with presses and long holds.
uint16_t Script(int side, uint32_t t) {
  uint16_t v = uint16_t((t / (7 + side * 4)) % 5 == 0 ? 0x0001 << side : 0);
  if (t % (13 + side) == 0) v = uint16_t(v | 0x0010 << side);
  return v;
}

// Packets between the two sides, with loss, duplication and reordering.
struct TLink {
  std::mt19937 rng{7};
  int lossPercent = 0;
  int dupPercent = 0;
  int maxDelayTicks = 0;
  std::deque<std::pair<uint32_t, TInputs>> inFlight;  // due tick, packet

  void Send(uint32_t now, const TInputs& m) {
    if (int(rng() % 100) < lossPercent) return;
    const uint32_t due = now + (maxDelayTicks ? uint32_t(rng() % uint32_t(maxDelayTicks + 1)) : 0);
    inFlight.emplace_back(due, m);
    if (int(rng() % 100) < dupPercent) inFlight.emplace_back(due + 1, m);
  }
  void Deliver(uint32_t now, TLockstep& to) {
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

struct TMatch {
  TLockstep host{0, 3, kShot};
  TLockstep guest{1, 3, kShot};
  TLink toGuest, toHost;
  std::vector<std::array<uint16_t, 2>> ranHost, ranGuest;
  uint32_t waits = 0;

  // One frame of both machines; ticks run when ready.
  void Frame(uint32_t now) {
    for (TLockstep* s : {&host, &guest}) {
      if (!s->Sampled()) s->Sample(Script(s->Side(), s->NextTick()));
    }
    toGuest.Send(now, host.Outgoing());
    toHost.Send(now, guest.Outgoing());
    toGuest.Deliver(now, guest);
    toHost.Deliver(now, host);
    if (host.Ready())
      ranHost.push_back(host.Advance());
    else
      ++waits;
    if (guest.Ready())
      ranGuest.push_back(guest.Advance());
    else
      ++waits;
  }
};

// The states a tick must see: each side's sample for tick t lands on t + delay.
std::array<uint16_t, 2> Expected(uint32_t tick, int delay) {
  if (tick <= uint32_t(delay)) return {0, 0};
  return {Script(0, tick - uint32_t(delay)), Script(1, tick - uint32_t(delay))};
}

TEST(Lockstep, BothSidesRunTheSameStatesDelayedByTheInputDelay) {
  TMatch m;
  for (uint32_t f = 1; f <= 600; ++f) m.Frame(f);
  ASSERT_GE(m.ranHost.size(), 590u);
  ASSERT_GE(m.ranGuest.size(), 590u);
  EXPECT_EQ(m.waits, 0u);  // a perfect link never waits
  for (size_t i = 0; i < std::min(m.ranHost.size(), m.ranGuest.size()); ++i) {
    EXPECT_EQ(m.ranHost[i], m.ranGuest[i]) << "tick " << i + 1;
    EXPECT_EQ(m.ranHost[i], Expected(uint32_t(i + 1), 3)) << "tick " << i + 1;
  }
}

TEST(Lockstep, LossDuplicatesAndReorderingChangeNothingButTheWaiting) {
  TMatch m;
  for (TLink* l : {&m.toGuest, &m.toHost}) {
    l->lossPercent = 30;
    l->dupPercent = 20;
    l->maxDelayTicks = 4;
  }
  for (uint32_t f = 1; f <= 3000; ++f) m.Frame(f);
  const size_t n = std::min(m.ranHost.size(), m.ranGuest.size());
  ASSERT_GT(n, 1500u);
  for (size_t i = 0; i < n; ++i) {
    ASSERT_EQ(m.ranHost[i], m.ranGuest[i]) << "tick " << i + 1;
    ASSERT_EQ(m.ranHost[i], Expected(uint32_t(i + 1), 3)) << "tick " << i + 1;
  }
  EXPECT_GT(m.host.Counters().Duplicate + m.guest.Counters().Duplicate, 0u);
  EXPECT_EQ(m.host.Counters().Conflict + m.guest.Counters().Conflict, 0u);
}

TEST(Lockstep, ATickWaitsUntilTheRivalsStatesArrive) {
  TLockstep a(0, 1, kShot);
  a.Sample(0);
  EXPECT_TRUE(a.Ready());  // tick 1 is neutral on both sides
  a.Advance();
  a.Sample(0x1);
  EXPECT_FALSE(a.Ready());
  a.Receive(TInputs{0, 2, 2, {0x2}});
  ASSERT_TRUE(a.Ready());
  EXPECT_EQ(a.Advance(), (std::array<uint16_t, 2>{0x0, 0x2}));  // tick 2 runs sample 1
  a.Sample(0);
  EXPECT_FALSE(a.Ready());
  a.Receive(TInputs{0, 3, 3, {0x4}});
  ASSERT_TRUE(a.Ready());
  EXPECT_EQ(a.Advance(), (std::array<uint16_t, 2>{0x1, 0x4}));
}

TEST(Lockstep, AGrowingDelayHoldsDirectionsButNeverRepeatsAShot) {
  TLockstep a(0, 2, kShot);
  a.ChangeDelay(3, 4);
  std::vector<uint16_t> sent;
  for (uint32_t t = 1; t <= 6; ++t) {
    // Held direction 0x1 throughout; a shot press at sample tick 2.
    a.Sample(t == 2 ? 0x11 : 0x01);
    a.Receive(TInputs{0, 0, t, {0}});
    ASSERT_TRUE(a.Ready()) << t;
    sent.push_back(a.Advance()[0]);
  }
  // Ticks 1-2 neutral, sample 1 -> 3, sample 2 -> 4, the gap 5-6 holds sample 2 without its shot.
  EXPECT_EQ(sent, (std::vector<uint16_t>{0, 0, 0x01, 0x11, 0x01, 0x01}));
  const TInputs out = a.Outgoing();
  EXPECT_EQ(out.FirstTick, 1u);
  EXPECT_EQ(out.States.size(), 10u);  // nothing acknowledged yet: ticks 1 to 10 (sample 6)
  EXPECT_EQ(out.States.back(), 0x01);
}

TEST(Lockstep, AShrinkingDelayMergesPressesIntoTheNextTick) {
  TLockstep a(1, 4, kShot);
  a.ChangeDelay(3, 2);
  std::vector<uint16_t> mine;
  for (uint32_t t = 1; t <= 10; ++t) {
    a.Sample(t == 3 || t == 4 ? 0x20 : 0x00);
    a.Receive(TInputs{0, 0, t, {0}});
    ASSERT_TRUE(a.Ready()) << t;
    mine.push_back(a.Advance()[1]);
  }
  // Samples 1, 2 -> ticks 5, 6; samples 3, 4 (delay 2) -> 5, 6 are taken: their presses go with
  // sample 5 -> tick 7. No tick is left without states and no press is lost.
  EXPECT_EQ(mine, (std::vector<uint16_t>{0, 0, 0, 0, 0, 0, 0x20, 0, 0, 0}));
}

TEST(Lockstep, DelayChangesTakeEffectAtTheAnnouncedTickOnly) {
  TLockstep a(0, 3, kShot);
  a.ChangeDelay(50, 6);
  EXPECT_EQ(a.DelayAt(49), 3);
  EXPECT_EQ(a.DelayAt(50), 6);
  a.ChangeDelay(40, 2);  // a later announcement replaces what was planned from then on
  EXPECT_EQ(a.DelayAt(39), 3);
  EXPECT_EQ(a.DelayAt(60), 2);
  // A change for a tick already sampled starts with the next sample.
  a.Sample(0);
  a.ChangeDelay(1, 5);
  EXPECT_EQ(a.DelayAt(1), 3);
  EXPECT_EQ(a.DelayAt(2), 5);
}

TEST(Lockstep, UntrustedPacketsAreDroppedAndCounted) {
  TLockstep a(0, 2, kShot, 4);
  a.Sample(0);
  a.Receive(TInputs{3, 0, 3, {1}});  // another round
  EXPECT_EQ(a.Counters().OtherRound, 1u);
  a.Receive(TInputs{4, 0, 1 + kInputWindow, {1}});  // far ahead
  EXPECT_EQ(a.Counters().TooFar, 1u);
  a.Receive(TInputs{4, 99, 3, {1}});  // acknowledges ticks never sent
  EXPECT_EQ(a.Counters().BadAck, 1u);
  EXPECT_EQ(a.RemoteContiguous(), 2u);

  a.Receive(TInputs{4, 0, 3, {0x5}});
  a.Receive(TInputs{4, 0, 3, {0x5}});
  a.Receive(TInputs{4, 0, 3, {0x6}});  // a changed resend does not overwrite
  EXPECT_EQ(a.Counters().Duplicate, 1u);
  EXPECT_EQ(a.Counters().Conflict, 1u);
  EXPECT_EQ(a.RemoteContiguous(), 3u);
  for (int i = 0; i < 2; ++i) a.Advance(), a.Sample(0);
  ASSERT_TRUE(a.Ready());
  EXPECT_EQ(a.Advance()[1], 0x5);
  a.Receive(TInputs{4, 0, 1, {0, 0}});
  EXPECT_EQ(a.Counters().Old, 2u);
}

TEST(Lockstep, AcknowledgedStatesAreNoLongerSent) {
  TLockstep a(0, 2, kShot);
  for (uint32_t t = 1; t <= 5; ++t) {
    a.Sample(0x1);
    a.Receive(TInputs{0, 0, t, {0}});
    a.Advance();
  }
  EXPECT_EQ(a.Outgoing().FirstTick, 1u);
  EXPECT_EQ(a.Outgoing().States.size(), 7u);
  a.Receive(TInputs{0, 5, 0, {}});
  EXPECT_EQ(a.Outgoing().FirstTick, 6u);
  EXPECT_EQ(a.Outgoing().States.size(), 2u);
  EXPECT_EQ(a.Outgoing().Ack, 5u);
}

TEST(NetTiming, SixtyTicksASecondOnBothSides) {
  uint32_t total = 0;
  for (uint32_t t = 1; t <= 60; ++t) total += NetTickLength(t);
  EXPECT_EQ(total, 1000u);
  for (uint32_t t = 1; t <= 3000; ++t) EXPECT_TRUE(NetTickLength(t) == 16 || NetTickLength(t) == 17);
}

TEST(NetTiming, DelayIsHalfTheRoundTripInTicksPlusOne) {
  EXPECT_EQ(DelayForRoundTrip(0), 1);
  EXPECT_EQ(DelayForRoundTrip(1), 2);
  EXPECT_EQ(DelayForRoundTrip(33), 2);  // half = 16.5 ms, under one tick
  EXPECT_EQ(DelayForRoundTrip(34), 3);
  EXPECT_EQ(DelayForRoundTrip(130), 5);  // 60 ms each way and some jitter
  EXPECT_EQ(DelayForRoundTrip(5000), 8);
}

TEST(NetTiming, DelayFollowsASettledRoundTripNotAJitterBurst) {
  TDelayControl c(2);
  uint32_t tick = 1;
  for (; tick < 400; ++tick) EXPECT_FALSE(c.Update(tick, tick % 2 ? 20 : 130).has_value()) << tick;
  std::optional<std::pair<uint32_t, int>> change;
  for (; tick < 1000 && !change; ++tick) change = c.Update(tick, 130);
  ASSERT_TRUE(change.has_value());
  EXPECT_EQ(change->second, 5);
  EXPECT_GE(change->first, tick + TDelayControl::kLeadTicks - 1);
  EXPECT_EQ(c.Delay(), 5);
}

TEST(DesyncCheck, FindsTheFirstDifferingHashInEitherOrder) {
  TDesyncCheck d;
  EXPECT_FALSE(d.AddLocal(60, 1).has_value());
  EXPECT_FALSE(d.AddRemote(60, 1).has_value());
  EXPECT_FALSE(d.AddRemote(120, 7).has_value());
  EXPECT_EQ(d.AddLocal(120, 8), std::optional<uint32_t>(120));
  EXPECT_EQ(d.Pending(), 0u);
  for (uint32_t t = 1; t <= 1000; ++t) d.AddRemote(t * 60 + 1000, 0);
  EXPECT_LE(d.Pending(), 64u);  // a flood is bounded
}

}  // namespace
}  // namespace kq::net
