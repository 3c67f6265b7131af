#include "net/watch.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "mem_transport.h"
#include "net/net_match.h"

namespace kq::net {
namespace {

constexpr uint16_t kShot = 0x00f0;

// A spectator at the far end of the host's memory wire: it takes what the host sent it (losing
// every n-th unreliable packet, if asked) and acknowledges what it holds.
struct TFakeSpectator {
  uint32_t Id = 0;
  TWatchFeed Feed;
  std::optional<TWelcome> Welcome;
  std::optional<std::string> Refused;
  bool Acks = true;
  int LoseEvery = 0;
  int Unreliable = 0;
};

struct TWatchedMatch {
  std::shared_ptr<TMemWire> wire = std::make_shared<TMemWire>();
  std::unique_ptr<TNetMatch> host, guest;
  std::vector<TFakeSpectator> specs;
  std::vector<std::vector<std::array<uint16_t, 2>>> rounds{1};  // the host's confirmed ticks, by round
  std::vector<std::array<uint16_t, 2>> guestTicks;
  uint32_t clock = 1000;

  TWatchedMatch() {
    auto [a, b] = MemPair(wire);
    host = std::make_unique<TNetMatch>(std::move(a), true, TMatchSetup{"1.0.0", 77, 99, "rules", 0}, kShot);
    guest = std::make_unique<TNetMatch>(std::move(b), false, TMatchSetup{"1.0.0", 77, 0, "", 0}, kShot);
  }
  TFakeSpectator& Join(uint32_t id, const std::string& version = "1.0.0",
                       uint16_t protocol = kProtocolVersion) {
    wire->watcherIn.push_back({TNetEventKind::Connected, id, {}});
    wire->watcherIn.push_back({TNetEventKind::Message, id, Encode(THello{protocol, version, 77})});
    specs.push_back({});
    specs.back().Id = id;
    return specs.back();
  }
  TFakeSpectator* Spec(uint32_t id) {
    for (TFakeSpectator& s : specs)
      if (s.Id == id) return &s;
    return nullptr;
  }
  void Deliver() {
    for (const TMemWire::TSent& sent : wire->watcherOut) {
      TFakeSpectator* s = Spec(sent.Id);
      if (!s || (!sent.Reliable && s->LoseEvery && ++s->Unreliable % s->LoseEvery == 0)) continue;
      const auto m = Decode(sent.Bytes);
      ASSERT_TRUE(m.has_value());
      if (const auto* w = std::get_if<TWelcome>(&*m)) s->Welcome = *w;
      if (const auto* in = std::get_if<TWatchInputs>(&*m)) s->Feed.Receive(*in);
      if (const auto* r = std::get_if<TRefuse>(&*m)) s->Refused = r->Reason;
    }
    wire->watcherOut.clear();
    for (TFakeSpectator& s : specs)
      if (s.Acks && s.Welcome && !s.Refused)
        wire->watcherIn.push_back({TNetEventKind::Message, s.Id, Encode(s.Feed.Ack())});
  }
  // One frame of both players (16 ms): what became final goes to the spectators.
  void Frame() {
    clock += 16;
    host->Pump(clock);
    guest->Pump(clock);
    Deliver();
    for (TNetMatch* m : {host.get(), guest.get()}) {
      TRollbackInputs& in = m->Inputs();
      const uint32_t t = in.NextTick();
      m->Sample(uint16_t((t / (m->IsHost() ? 3 : 7)) & 0x0f));
      in.TakeRollback();
      if (m->Ready()) m->Advance();
      auto& conf = m->IsHost() ? rounds.back() : guestTicks;
      for (uint32_t c = uint32_t(conf.size()) + 1; c <= in.Confirmed(); ++c) {
        conf.push_back(in.ConfirmedInputs(c));
        if (m->IsHost()) m->Watchers().Confirmed(c, conf.back());
      }
      in.ForgetThrough(in.Confirmed());
    }
  }
  void NewRound() {
    host->NewRound();
    guest->NewRound();
    rounds.emplace_back();
    guestTicks.clear();
  }
  // What a spectator holds of a round, as both players' states.
  static std::vector<std::array<uint16_t, 2>> Held(const TFakeSpectator& s, uint32_t round) {
    std::vector<std::array<uint16_t, 2>> out;
    for (uint32_t t = 1; t <= s.Feed.Held(round); ++t) out.push_back(s.Feed.At(round, t));
    return out;
  }
};

TEST(Watch, MessagesReadBackAndImpossibleOnesAreRefused) {
  const TWatchInputs in{3, 10, 12, {0x00010002, 0x00010002, 0x00050000}};
  EXPECT_EQ(Decode(Encode(in)), std::optional<TMessage>(in));
  EXPECT_EQ(Decode(Encode(TWatchAck{2, 300})), std::optional<TMessage>(TWatchAck{2, 300}));
  // Ticks count from 1, and none lies past the round's last.
  EXPECT_FALSE(Decode(Encode(TWatchInputs{0, 0, 0, {1}})).has_value());
  EXPECT_FALSE(Decode(Encode(TWatchInputs{0, 10, 11, {1, 2, 3}})).has_value());
  // More ticks than a packet may carry, as runs that add up past the bound.
  std::vector<uint8_t> big = Encode(TWatchInputs{0, 1, 0, {7}});
  big.resize(big.size() - 7);  // keep the header up to the run count
  big.push_back(2);
  big.push_back(0);
  for (int i = 0; i < 2; ++i) big.insert(big.end(), {7, 0, 0, 0, 200});
  EXPECT_FALSE(Decode(big).has_value());
  std::vector<uint8_t> cut = Encode(in);
  cut.pop_back();
  EXPECT_FALSE(Decode(cut).has_value());
}

TEST(Watch, SpectatorsFollowEveryRoundToTheEndEvenOverALossyLink) {
  TWatchedMatch m;
  m.Join(1);
  m.Join(2).LoseEvery = 3;
  for (int f = 0; f < 200; ++f) m.Frame();
  m.Join(3);  // comes in the middle of the round: it still gets it from tick 1
  for (int f = 0; f < 200; ++f) m.Frame();
  // The spectators hold every tick when the round ends (the players sit at the prompt): they
  // must still hear of the end before the next round.
  for (int f = 0; f < 30; ++f) {
    m.clock += 16;
    m.host->Pump(m.clock);
    m.Deliver();
  }
  for (const TFakeSpectator& s : m.specs) ASSERT_EQ(s.Feed.Held(0), m.rounds[0].size());
  m.NewRound();
  for (int f = 0; f < 150; ++f) m.Frame();
  ASSERT_GT(m.rounds[0].size(), 300u);
  ASSERT_GT(m.rounds[1].size(), 100u);
  m.host->Leave("left the match");
  m.Deliver();
  EXPECT_TRUE(m.wire->watchersFlushed);
  for (const TFakeSpectator& s : m.specs) {
    SCOPED_TRACE(s.Id);
    ASSERT_TRUE(s.Welcome.has_value());
    EXPECT_EQ(s.Welcome->Seed, 99u);
    EXPECT_EQ(s.Welcome->Rules, "rules");
    EXPECT_EQ(s.Refused, std::optional<std::string>(kMatchOver));
    // The round before is held whole up to its last tick (unless already played and let go).
    EXPECT_EQ(s.Feed.LastTick(0), std::optional<uint32_t>(uint32_t(m.rounds[0].size())));
    EXPECT_EQ(TWatchedMatch::Held(s, 0), m.rounds[0]);
    EXPECT_EQ(TWatchedMatch::Held(s, 1), m.rounds[1]);
    EXPECT_EQ(s.Feed.Counters(), TWatchFeedCounters{});
  }
}

TEST(Watch, TheNinthSpectatorIsToldTheMatchIsFullAndAFreedPlaceIsTakenAgain) {
  TWatchedMatch m;
  for (uint32_t id = 1; id <= 9; ++id) m.Join(id);
  m.Frame();
  EXPECT_EQ(m.host->Watchers().Watchers(), kMaxWatchers);
  EXPECT_EQ(m.Spec(9)->Refused, std::optional<std::string>("this match already has 8 spectators"));
  EXPECT_EQ(m.wire->watchersDropped, std::vector<uint32_t>{9});
  for (uint32_t id = 1; id <= 8; ++id) EXPECT_FALSE(m.Spec(id)->Refused.has_value()) << id;
  // One goes; the next one gets in.
  m.wire->watcherIn.push_back({TNetEventKind::Disconnected, 4, {}});
  m.Join(10);
  for (int f = 0; f < 3; ++f) m.Frame();  // the match begins: it gets the settings
  EXPECT_EQ(m.host->Watchers().Watchers(), kMaxWatchers);
  EXPECT_FALSE(m.Spec(10)->Refused.has_value());
  EXPECT_TRUE(m.Spec(10)->Welcome.has_value());
  EXPECT_EQ(m.host->Watchers().Stats().Refused, 1u);
}

TEST(Watch, ASpectatorOfAnotherBuildIsRefusedWithTheDifference) {
  TWatchedMatch m;
  m.Join(1, "0.9.0");
  m.Frame();
  EXPECT_EQ(m.Spec(1)->Refused,
            std::optional<std::string>("game version differs: host 1.0.0, spectator 0.9.0"));
  EXPECT_FALSE(m.Spec(1)->Welcome.has_value());
  // One of the protocol before spectators is told so too.
  m.Join(2, "1.0.0", 2);
  m.Frame();
  EXPECT_EQ(m.Spec(2)->Refused, std::optional<std::string>("network protocol differs: host 3, spectator 2"));
  EXPECT_EQ(m.host->Watchers().Watchers(), 0u);
  EXPECT_EQ(m.host->Watchers().Stats().Refused, 2u);
  EXPECT_EQ(m.host->Phase(), TMatchPhase::Playing);
}

// The same match with and without spectators: one leaves mid-match, one falls silent, one
// sends junk, impossible acknowledgements and a player's messages. The players' ticks, their
// waits and their ends do not change.
TEST(Watch, SpectatorsThatLeaveStallOrMisbehaveChangeNothingForThePlayers) {
  TWatchedMatch alone, watched;
  TFakeSpectator& silent = watched.Join(1);
  silent.Acks = false;
  watched.Join(2);
  watched.Join(3);
  for (int f = 0; f < 600; ++f) {
    alone.Frame();
    if (f == 100) watched.wire->watcherIn.push_back({TNetEventKind::Disconnected, 2, {}});
    if (f >= 50 && f < 90) {
      const std::vector<std::vector<uint8_t>> junk = {
          {1, 2, 3},
          Encode(TWatchAck{0, 100000}),
          Encode(TWatchAck{7, 1}),
          Encode(TInputs{0, 0, 1, {0x0f}}),
          Encode(THash{0, 60, 1}),
          Encode(TRefuse{"bye"}),
      };
      watched.wire->watcherIn.push_back({TNetEventKind::Message, 3, junk[size_t(f) % junk.size()]});
    }
    watched.Frame();
  }
  EXPECT_EQ(watched.rounds[0], alone.rounds[0]);
  EXPECT_EQ(watched.guestTicks, alone.guestTicks);
  ASSERT_GT(alone.rounds[0].size(), 500u);
  EXPECT_EQ(watched.host->Stats().Waits, alone.host->Stats().Waits);
  EXPECT_EQ(watched.guest->Stats().Waits, alone.guest->Stats().Waits);
  EXPECT_EQ(watched.host->Phase(), TMatchPhase::Playing);
  EXPECT_EQ(watched.guest->Phase(), TMatchPhase::Playing);
  // The junk never reached the players' inputs; its sender was let go, and so was the silent one.
  EXPECT_EQ(watched.host->Inputs().Counters(), alone.host->Inputs().Counters());
  EXPECT_GE(watched.host->Watchers().Stats().BadPackets, kWatchMaxBadPackets);
  EXPECT_EQ(watched.Spec(3)->Refused, std::optional<std::string>("too many broken packets"));
  EXPECT_EQ(watched.host->Watchers().Watchers(), 0u);
  EXPECT_EQ(watched.host->Watchers().Stats().Left, 3u);
  // The silent one got no more than a bounded packet at a time, and was let go after 5 s.
  EXPECT_NE(std::find(watched.wire->watchersDropped.begin(), watched.wire->watchersDropped.end(), 1u),
            watched.wire->watchersDropped.end());
}

// A spectator may come while the host still waits for its rival: both sides hear from each
// other now and then, so neither takes the other for gone, and the settings come at the start.
TEST(Watch, ASpectatorWaitsWithTheHostForItsRival) {
  auto wire = std::make_shared<TMemWire>();
  auto [host, unused] = MemPair(wire);
  TWatchHub hub("1.0.0", 77);
  wire->watcherIn.push_back({TNetEventKind::Connected, 5, {}});
  wire->watcherIn.push_back({TNetEventKind::Message, 5, Encode(THello{kProtocolVersion, "1.0.0", 77})});
  uint32_t heard = 0, lastHeard = 0, longestSilence = 0;
  for (uint32_t now = 16; now < 12000; now += 16) {
    hub.Pump(*host, now);
    for (const TMemWire::TSent& sent : wire->watcherOut) {
      ASSERT_EQ(sent.Id, 5u);
      ASSERT_TRUE(Decode(sent.Bytes).has_value());
      ++heard;
      longestSilence = std::max(longestSilence, now - lastHeard);
      lastHeard = now;
    }
    wire->watcherOut.clear();
    wire->watcherIn.push_back({TNetEventKind::Message, 5, Encode(TWatchAck{0, 0})});
  }
  EXPECT_EQ(hub.Watchers(), 1u);
  EXPECT_EQ(hub.Stats().BadPackets, 0u);
  EXPECT_GE(heard, 10u);
  EXPECT_LT(longestSilence, kSilenceMs);
  hub.Start(TWelcome{"1.0.0", 77, 3, 0, "r"});
  hub.Pump(*host, 12000);
  ASSERT_FALSE(wire->watcherOut.empty());
  EXPECT_TRUE(std::holds_alternative<TWelcome>(*Decode(wire->watcherOut[0].Bytes)));
}

TEST(Watch, TheSpectatorsStoreTakesOnlyWhatFitsWhatItHolds) {
  TWatchFeed f;
  f.Receive({0, 1, 0, {1, 2, 3}});
  f.Receive({0, 5, 0, {5}});        // a gap: the host sends again from what it was told
  f.Receive({0, 2, 0, {9, 3, 4}});  // a resent tick with other states: the first stands
  EXPECT_EQ(f.Held(0), 4u);
  EXPECT_EQ(f.At(0, 2), (std::array<uint16_t, 2>{2, 0}));
  f.Receive({1, 1, 0, {1}});  // the next round before this one ended
  f.Receive({0, 1, 3, {}});   // an end before ticks already held
  EXPECT_EQ(f.Counters().Gap, 1u);
  EXPECT_EQ(f.Counters().Conflict, 2u);
  EXPECT_EQ(f.Counters().OtherRound, 1u);
  EXPECT_EQ(f.Ack(), (TWatchAck{0, 4}));
  f.Receive({0, 5, 5, {0x00020001}});
  EXPECT_EQ(f.LastTick(0), std::optional<uint32_t>(5u));
  EXPECT_EQ(f.Ack(), (TWatchAck{1, 0}));  // the round is whole: the next one, please
  f.Receive({1, 1, 0, {1}});
  EXPECT_EQ(f.Ack(), (TWatchAck{1, 1}));
  f.Forget(0);
  f.Receive({0, 1, 5, {1}});  // a played round does not come back
  EXPECT_EQ(f.Held(0), 0u);
  EXPECT_EQ(f.Counters().OtherRound, 2u);
}

}  // namespace
}  // namespace kq::net
