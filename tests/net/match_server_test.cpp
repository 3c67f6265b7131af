#include "net/match_server.h"

#include <gtest/gtest.h>

#include <set>

namespace kq::net {
namespace {

const TAddr kHost{0xCB007105, 7701};    // 203.0.113.5
const TAddr kGuest{0xC6336409, 40123};  // 198.51.100.9

struct TServerFixture : ::testing::Test {
  uint64_t seed = 1;
  TServerLimits limits;
  std::unique_ptr<TMatchServer> server;
  uint64_t now = 1000;
  std::vector<TOutgoing> out;

  void Make() {
    server = std::make_unique<TMatchServer>(limits, [this] {
      seed = seed * 6364136223846793005ull + 1442695040888963407ull;
      return seed;
    });
  }
  void SetUp() override { Make(); }

  std::vector<TOutgoing> Send(const TAddr& from, const TLobbyMessage& m) {
    return SendRaw(from, EncodeLobby(m));
  }
  std::vector<TOutgoing> SendRaw(const TAddr& from, const std::vector<uint8_t>& bytes) {
    out.clear();
    server->Receive(from, bytes, now, out);
    return out;
  }
  template <class T>
  std::optional<T> Only(const std::vector<TOutgoing>& o, const TAddr& to) {
    if (o.size() != 1 || o[0].To != to) return std::nullopt;
    auto m = DecodeLobby(o[0].Bytes);
    if (!m || !std::holds_alternative<T>(*m)) return std::nullopt;
    return std::get<T>(*m);
  }
  std::string Register(const TAddr& host, std::vector<TCandidate> c = {}) {
    auto r = Only<TRegistered>(Send(host, TRegister{5, c}), host);
    return r ? r->Code : "";
  }
};

TEST_F(TServerFixture, AHostGetsACodeAGuestIsIntroducedAndTheCodeIsFreedWhenTheHostLeaves) {
  const std::vector<TCandidate> cands = {{TCandidateKind::Upnp, {0xCB007105, 7701}}};
  auto reg = Only<TRegistered>(Send(kHost, TRegister{5, cands}), kHost);
  ASSERT_TRUE(reg);
  EXPECT_EQ(reg->Nonce, 5u);
  EXPECT_EQ(reg->Observed, kHost);
  EXPECT_EQ(NormalizeCode(reg->Code), reg->Code);
  // A lost answer: asking again gives the same code.
  EXPECT_EQ(Register(kHost), reg->Code);
  EXPECT_EQ(server->Hosts(), 1u);

  const auto o = Send(kGuest, TJoin{77, reg->Code});
  ASSERT_EQ(o.size(), 2u);
  auto info = DecodeLobby(o[0].Bytes);
  auto intro = DecodeLobby(o[1].Bytes);
  ASSERT_TRUE(info && intro);
  const auto& i = std::get<TJoinInfo>(*info);
  const auto& n = std::get<TIntroduce>(*intro);
  EXPECT_EQ(o[0].To, kGuest);
  EXPECT_EQ(o[1].To, kHost);
  EXPECT_EQ(i.Nonce, 77u);
  EXPECT_EQ(i.HostObserved, kHost);
  EXPECT_EQ(i.GuestObserved, kGuest);
  EXPECT_TRUE(i.Candidates.empty());  // re-registered without candidates
  EXPECT_EQ(n.Guest, kGuest);
  EXPECT_EQ(n.Token, i.Token);
  // No answer is larger than the request that caused it: a forged sender gains nothing.
  for (const TOutgoing& x : o) EXPECT_LE(x.Bytes.size(), kJoinRequestBytes);

  // Busy hosts are not offered; free again, they are.
  Send(kHost, TKeepAlive{reg->Code, true});
  auto busy = Only<TLobbyRefuse>(Send(kGuest, TJoin{78, reg->Code}), kGuest);
  ASSERT_TRUE(busy);
  EXPECT_EQ(busy->Error, TLobbyError::HostBusy);
  // A spectator is introduced to a busy host all the same.
  EXPECT_EQ(Send(kGuest, TJoin{81, reg->Code, true}).size(), 2u);
  Send(kHost, TKeepAlive{reg->Code, false});
  EXPECT_EQ(Send(kGuest, TJoin{79, reg->Code}).size(), 2u);

  // Only the host itself can free its code.
  Send(kGuest, TUnregister{reg->Code});
  EXPECT_TRUE(server->HasCode(reg->Code));
  Send(kHost, TUnregister{reg->Code});
  EXPECT_FALSE(server->HasCode(reg->Code));
  auto gone = Only<TLobbyRefuse>(Send(kGuest, TJoin{80, reg->Code}), kGuest);
  ASSERT_TRUE(gone);
  EXPECT_EQ(gone->Error, TLobbyError::UnknownCode);
  EXPECT_EQ(gone->Nonce, 80u);
}

TEST_F(TServerFixture, CodesExpireWhenTheirHostFallsSilent) {
  const std::string code = Register(kHost);
  now += limits.HostIdleMs - 1000;
  Send(kHost, TKeepAlive{code, false});
  now += limits.HostIdleMs - 1000;
  server->Expire(now);
  EXPECT_TRUE(server->HasCode(code));
  now += 1000;
  server->Expire(now);
  EXPECT_FALSE(server->HasCode(code));
  // The host hears of it at its next keep-alive and can ask for a new code.
  auto r = Only<TLobbyRefuse>(Send(kHost, TKeepAlive{code, false}), kHost);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Error, TLobbyError::UnknownCode);
  EXPECT_FALSE(Register(kHost).empty());
}

TEST_F(TServerFixture, OneAddressCannotTakeAllCodesNorGuessThem) {
  limits.HostsPerIp = 2;
  limits.MaxHosts = 3;
  Make();
  EXPECT_FALSE(Register({kHost.Ip, 1}).empty());
  EXPECT_FALSE(Register({kHost.Ip, 2}).empty());
  auto more = Only<TLobbyRefuse>(Send({kHost.Ip, 3}, TRegister{1, {}}), TAddr{kHost.Ip, 3});
  ASSERT_TRUE(more);
  EXPECT_EQ(more->Error, TLobbyError::TooManyFromYou);
  EXPECT_FALSE(Register(kGuest).empty());
  auto full = Only<TLobbyRefuse>(Send({0x0B000001, 1}, TRegister{1, {}}), TAddr{0x0B000001, 1});
  ASSERT_TRUE(full);
  EXPECT_EQ(full->Error, TLobbyError::ServerFull);

  // Guessing: a few misses are answered, then the address hears nothing for a while.
  const TAddr guesser{0x0C000001, 5555};
  int answered = 0;
  for (int i = 0; i < 20; ++i) answered += int(Send(guesser, TJoin{uint32_t(i), "222222"}).size());
  EXPECT_EQ(answered, int(limits.MissBurst));
  now += 60000 / uint64_t(limits.MissesPerMinute) + 1;
  EXPECT_EQ(Send(guesser, TJoin{99, "222223"}).size(), 1u);
}

TEST_F(TServerFixture, FloodsAreCutAndJunkIsDropped) {
  const TAddr flood{0x0D000001, 1};
  size_t answers = 0;
  for (int i = 0; i < 100; ++i) answers += Send(flood, TRegister{uint32_t(i), {}}).size();
  EXPECT_EQ(answers, size_t(limits.RequestBurst));
  EXPECT_EQ(server->Stats().RateLimited, 100 - uint64_t(limits.RequestBurst));
  now += 1000;  // refilled at the given rate
  EXPECT_EQ(Send(flood, TRegister{1, {}}).size(), 1u);

  const TAddr junk{0x0E000001, 1};
  EXPECT_TRUE(SendRaw(junk, {1, 2, 3}).empty());                // not ours, not relayed
  EXPECT_TRUE(SendRaw(junk, {'K', 'Q', 'M', 1, 200}).empty());  // ours, unknown kind
  EXPECT_TRUE(Send(junk, TPunch{1}).empty());                   // meant for a game
  EXPECT_TRUE(Send(junk, TRegistered{1, "ABCDEF", junk}).empty());
  EXPECT_GE(server->Stats().Malformed, 4u);
  EXPECT_EQ(server->Hosts(), 1u);  // only the flood's one
}

TEST_F(TServerFixture, ARelayForwardsBetweenItsTwoEndsWithinItsRate) {
  limits.RelayBytesPerSecond = 2000;
  limits.RelayBurstBytes = 4000;
  Make();
  const std::string code = Register(kHost);
  ASSERT_TRUE(Only<TRelayReady>(Send(kGuest, TRelayRequest{3, code}), kGuest));
  EXPECT_EQ(server->Relays(), 1u);
  const std::vector<uint8_t> game(1000, 0x80);
  auto toHost = SendRaw(kGuest, game);
  ASSERT_EQ(toHost.size(), 1u);
  EXPECT_EQ(toHost[0].To, kHost);
  EXPECT_EQ(toHost[0].Bytes, game);
  auto toGuest = SendRaw(kHost, game);
  ASSERT_EQ(toGuest.size(), 1u);
  EXPECT_EQ(toGuest[0].To, kGuest);
  // A stranger cannot use it.
  EXPECT_TRUE(SendRaw({kGuest.Ip, uint16_t(kGuest.Port + 1)}, game).empty());
  // Past the burst the relay drops; a second later there is room again.
  int through = 0;
  for (int i = 0; i < 10; ++i) through += int(SendRaw(kGuest, game).size());
  EXPECT_EQ(through, 3);
  EXPECT_GT(server->Stats().RelayDropped, 0u);
  now += 1000;
  EXPECT_EQ(SendRaw(kGuest, game).size(), 1u);
  // A second guest cannot take over the first's relay from its own address.
  auto other = Only<TLobbyRefuse>(Send(kGuest, TRelayRequest{4, Register({0x0A0A0A0A, 1})}), kGuest);
  ASSERT_TRUE(other);
  EXPECT_EQ(other->Error, TLobbyError::HostBusy);
  // The relay ends with its host.
  Send(kHost, TUnregister{code});
  EXPECT_EQ(server->Relays(), 0u);
  EXPECT_TRUE(SendRaw(kGuest, game).empty());
}

TEST_F(TServerFixture, CodesAreDistinctAndARandomSourceThatRepeatsCannotReuseOne) {
  std::set<std::string> codes;
  for (uint32_t i = 0; i < 300; ++i) codes.insert(Register({0x14000000 + i, 7701}));
  EXPECT_EQ(codes.size(), 300u);
  EXPECT_FALSE(codes.count(""));
  TMatchServer stuck(limits, [] { return uint64_t(12345); });
  std::vector<TOutgoing> o;
  stuck.Receive(kHost, EncodeLobby(TRegister{1, {}}), now, o);
  stuck.Receive(kGuest, EncodeLobby(TRegister{1, {}}), now, o);
  ASSERT_EQ(o.size(), 2u);
  auto second = DecodeLobby(o[1].Bytes);
  ASSERT_TRUE(second && std::holds_alternative<TLobbyRefuse>(*second));
  EXPECT_EQ(stuck.Hosts(), 1u);
}

}  // namespace
}  // namespace kq::net
