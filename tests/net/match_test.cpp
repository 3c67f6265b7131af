#include <gtest/gtest.h>

#include "mem_transport.h"
#include "net/net_match.h"

namespace kq::net {
namespace {

constexpr uint16_t kShot = 0x00f0;

TMatchSetup HostSetup() {
  return {"1.0.0", 77, 12345, "[System]\nShotSpeed=700\n", 3};
}
TMatchSetup GuestSetup() {
  return {"1.0.0", 77, 0, "", 0};
}

struct TPair {
  std::shared_ptr<TMemWire> wire = std::make_shared<TMemWire>();
  std::unique_ptr<TNetMatch> host, guest;
  uint32_t clock = 1000;

  TPair(TMatchSetup h = HostSetup(), TMatchSetup g = GuestSetup()) {
    auto [a, b] = MemPair(wire);
    host = std::make_unique<TNetMatch>(std::move(a), true, h, kShot);
    guest = std::make_unique<TNetMatch>(std::move(b), false, g, kShot);
  }
  void Pump(int frames = 1) {
    for (int i = 0; i < frames; ++i) {
      clock += 16;
      host->Pump(clock);
      guest->Pump(clock);
    }
  }
  // One frame of both games: sample, run what may run; the ticks that became confirmed go to
  // conf (as a recording takes them) and every interval's hash is compared.
  void Frame(std::vector<std::array<uint16_t, 2>>& confH, std::vector<std::array<uint16_t, 2>>& confG,
             uint64_t guestHashSalt = 0) {
    Pump();
    for (TNetMatch* m : {host.get(), guest.get()}) {
      TRollbackInputs& in = m->Inputs();
      const uint32_t t = in.NextTick();
      m->Sample(uint16_t((t * (m->IsHost() ? 3 : 5)) & 0x0f));
      in.TakeRollback();
      if (m->Ready()) m->Advance();
      auto& conf = m->IsHost() ? confH : confG;
      for (uint32_t c = uint32_t(conf.size()) + 1; c <= in.Confirmed(); ++c) {
        conf.push_back(in.ConfirmedInputs(c));
        if (c % kHashInterval == 0) m->ReportHash(c, c * 31 + (m->IsHost() ? 0 : guestHashSalt));
      }
      in.ForgetThrough(in.Confirmed());
    }
  }
};

TEST(NetMatch, TheGuestPlaysWithTheHostsSeedAndRules) {
  TPair p;
  p.Pump(3);
  ASSERT_EQ(p.host->Phase(), TMatchPhase::Playing);
  ASSERT_EQ(p.guest->Phase(), TMatchPhase::Playing);
  EXPECT_EQ(p.guest->Settings().Seed, 12345u);
  EXPECT_EQ(p.guest->Settings().Rules, "[System]\nShotSpeed=700\n");
  EXPECT_EQ(p.guest->Inputs().Delay(), 3);
}

TEST(NetMatch, AGuestOfAnotherVersionOrLevelTableIsRefusedWithTheDifference) {
  TMatchSetup old = GuestSetup();
  old.GameVersion = "0.9.0";
  TPair p(HostSetup(), old);
  p.Pump(3);
  EXPECT_EQ(p.guest->Phase(), TMatchPhase::Ended);
  EXPECT_EQ(p.guest->EndReason(), "game version differs: host 1.0.0, guest 0.9.0");
  // The host waits for another guest.
  EXPECT_EQ(p.host->Phase(), TMatchPhase::Connecting);
  EXPECT_EQ(p.host->Notice(), "refused a guest: game version differs: host 1.0.0, guest 0.9.0");

  TMatchSetup otherTable = GuestSetup();
  otherTable.LevelHash = 78;
  TPair q(HostSetup(), otherTable);
  q.Pump(3);
  EXPECT_EQ(q.guest->EndReason(), "level tables differ");
}

TEST(NetMatch, BothSidesRunIdenticalTicksEvenWhenInputsGetLost) {
  TPair p;
  p.wire->dropInputsEvery = 3;
  std::vector<std::array<uint16_t, 2>> h, g;
  for (int f = 0; f < 900; ++f) p.Frame(h, g);
  ASSERT_GT(std::min(h.size(), g.size()), 600u);
  for (size_t i = 0; i < std::min(h.size(), g.size()); ++i) ASSERT_EQ(h[i], g[i]) << "tick " << i + 1;
  EXPECT_EQ(p.host->Phase(), TMatchPhase::Playing);
  EXPECT_EQ(p.guest->Phase(), TMatchPhase::Playing);
}

TEST(NetMatch, ADesyncStopsBothSidesAtTheNextCheck) {
  TPair p;
  std::vector<std::array<uint16_t, 2>> h, g;
  for (int f = 0; f < 200 && p.host->Phase() != TMatchPhase::Ended; ++f) p.Frame(h, g, /*salt*/ 1);
  p.Pump(2);
  EXPECT_EQ(p.host->EndReason(), "desync at tick 60");
  EXPECT_EQ(p.guest->EndReason(), "desync at tick 60");
}

TEST(NetMatch, LeavingOrFallingSilentEndsTheMatchForTheRival) {
  TPair p;
  p.Pump(3);
  p.guest->Leave("closed");
  p.Pump(2);
  EXPECT_EQ(p.guest->EndReason(), "closed");
  EXPECT_EQ(p.host->Phase(), TMatchPhase::Ended);
  EXPECT_EQ(p.host->EndReason(), "rival left");

  TPair q;
  q.Pump(3);
  q.wire->silent[1] = true;
  q.Pump(kSilenceMs / 16 - 5);
  EXPECT_EQ(q.host->Phase(), TMatchPhase::Playing);
  q.Pump(10);
  EXPECT_EQ(q.host->EndReason(), "rival disconnected");
}

TEST(NetMatch, ARetryStartsANewRoundOnBothSidesWithTheHostsDelay) {
  TPair p;
  std::vector<std::array<uint16_t, 2>> h, g;
  for (int f = 0; f < 100; ++f) p.Frame(h, g);
  p.host->AnswerRetry(true);
  p.guest->AnswerRetry(true);
  p.Pump(2);
  ASSERT_EQ(p.host->RivalRetry(), std::optional<bool>(true));
  ASSERT_EQ(p.guest->RivalRetry(), std::optional<bool>(true));
  p.host->NewRound();
  p.guest->NewRound();
  EXPECT_EQ(p.host->Inputs().NextTick(), 1u);
  EXPECT_EQ(p.guest->Inputs().Delay(), 3);
  h.clear();
  g.clear();
  for (int f = 0; f < 200; ++f) p.Frame(h, g);
  ASSERT_GT(std::min(h.size(), g.size()), 150u);
  for (size_t i = 0; i < std::min(h.size(), g.size()); ++i) ASSERT_EQ(h[i], g[i]) << "tick " << i + 1;
}

TEST(NetMatch, TheSideThatRunsAheadKnowsItAndTheOtherDoesNot) {
  TPair p;
  p.Pump(3);
  ASSERT_EQ(p.host->Phase(), TMatchPhase::Playing);
  // The host starts four ticks early, then both run one tick a frame.
  auto tick = [&](TNetMatch& m) {
    m.Sample(0);
    m.Inputs().TakeRollback();
    if (m.Ready()) m.Advance();
    m.Inputs().ForgetThrough(m.Inputs().Confirmed());
  };
  for (int i = 0; i < 4; ++i) tick(*p.host);
  for (int f = 0; f < 300; ++f) {
    p.Pump();
    tick(*p.host);
    tick(*p.guest);
  }
  EXPECT_TRUE(p.host->AheadOfRival()) << p.host->Lead();
  EXPECT_FALSE(p.guest->AheadOfRival()) << p.guest->Lead();
  EXPECT_NEAR(p.host->Lead(), 4.0, 1.5);
  EXPECT_NEAR(p.guest->Lead(), -4.0, 1.5);
  // Neither side guessed further than the window allows.
  EXPECT_EQ(p.host->Stats().Waits, 0u);
}

TEST(NetMatch, GarbageFromThePeerIsCountedNotTrusted) {
  TPair p;
  p.Pump(3);
  p.wire->queue[0].push_back({TNetEventKind::Message, 1, {1, 2, 3}, {}});
  p.Pump();
  EXPECT_EQ(p.host->Stats().UndecodedPackets, 1u);
  EXPECT_EQ(p.host->Phase(), TMatchPhase::Playing);
}

}  // namespace
}  // namespace kq::net
