#include "net/lobby.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kq::net {
namespace {

TEST(Lobby, EveryMessageReadsBackAsWritten) {
  const TAddr a{0xC0000201, 7701}, b{0xCB007102, 40000};
  const std::vector<TCandidate> cands = {{TCandidateKind::Upnp, a},
                                         {TCandidateKind::Lan, {0x0A000002, 7701}}};
  const std::vector<TLobbyMessage> all = {TRegister{7, cands},
                                          TRegistered{8, "ABC234", a},
                                          TKeepAlive{"XYZ789", true},
                                          TUnregister{"XYZ789"},
                                          TJoin{9, "HJKMNP"},
                                          TJoin{9, "HJKMNP", true},
                                          TJoinInfo{10, a, b, 0x1122334455667788ull, cands},
                                          TIntroduce{b, 42},
                                          TRelayRequest{11, "QRSTUV"},
                                          TRelayReady{11},
                                          TLobbyRefuse{12, TLobbyError::HostBusy},
                                          TPunch{0xfeedull},
                                          TLanQuery{13},
                                          TLanInfo{13, 7701, false, "den-pc", "1.0.0"}};
  for (const TLobbyMessage& m : all) {
    const std::vector<uint8_t> bytes = EncodeLobby(m);
    EXPECT_TRUE(IsLobbyDatagram(bytes));
    auto back = DecodeLobby(bytes);
    ASSERT_TRUE(back.has_value()) << m.index();
    EXPECT_EQ(*back, m) << m.index();
  }
}

TEST(Lobby, RequestsThatGetLongAnswersArePaddedToTheLongestAnswer) {
  std::vector<TCandidate> most(kMaxCandidates, {TCandidateKind::Lan, {0x0A000002, 7701}});
  const size_t answer = EncodeLobby(TJoinInfo{1, {1, 1}, {2, 2}, 3, most}).size();
  EXPECT_EQ(EncodeLobby(TJoin{1, "ABCDEF"}).size(), kJoinRequestBytes);
  EXPECT_EQ(EncodeLobby(TRelayRequest{1, "ABCDEF"}).size(), kJoinRequestBytes);
  EXPECT_LE(answer, kJoinRequestBytes);
  // A short join, one with something in its padding, is not a join.
  std::vector<uint8_t> join = EncodeLobby(TJoin{1, "ABCDEF"});
  join.pop_back();
  EXPECT_FALSE(DecodeLobby(join));
  join.push_back(1);
  EXPECT_FALSE(DecodeLobby(join));
}

TEST(Lobby, DatagramsThatAreNotExactlyOneMessageAreDropped) {
  const std::vector<uint8_t> good =
      EncodeLobby(TJoinInfo{1, {1, 2}, {3, 4}, 5, {{TCandidateKind::Upnp, {6, 7}}}});
  ASSERT_TRUE(DecodeLobby(good));
  for (size_t cut = 0; cut < good.size(); ++cut)
    EXPECT_FALSE(DecodeLobby(std::span(good.data(), cut))) << cut;
  std::vector<uint8_t> longer = good;
  longer.push_back(0);
  EXPECT_FALSE(DecodeLobby(longer));
  std::vector<uint8_t> version = good;
  version[3] = kLobbyVersion + 1;
  EXPECT_TRUE(IsLobbyDatagram(version));
  EXPECT_FALSE(DecodeLobby(version));
  std::vector<uint8_t> kind = good;
  kind[4] = 99;
  EXPECT_FALSE(DecodeLobby(kind));
  // A candidate of an unknown kind, or an empty address.
  std::vector<uint8_t> badKind = good;
  badKind[good.size() - 7] = 9;
  EXPECT_FALSE(DecodeLobby(badKind));
  EXPECT_FALSE(DecodeLobby(EncodeLobby(TJoinInfo{1, {1, 2}, {3, 4}, 5, {{TCandidateKind::Lan, {0, 7}}}})));
  // A code the server could never have given.
  EXPECT_FALSE(DecodeLobby(EncodeLobby(TRegistered{1, "ABC0EF", {1, 1}})));
  EXPECT_FALSE(DecodeLobby(EncodeLobby(TRegistered{1, "ABC", {1, 1}})));
  std::vector<uint8_t> huge(kMaxLobbyDatagram + 1, 0);
  std::memcpy(huge.data(), good.data(), 5);
  EXPECT_FALSE(DecodeLobby(huge));
  // ENet's own headers never carry the prefix: a connect names peer 0xFFF.
  EXPECT_FALSE(IsLobbyDatagram(std::vector<uint8_t>{0x8F, 0xFF, 0x00, 0x00, 0x82}));
  EXPECT_FALSE(IsLobbyDatagram(std::vector<uint8_t>{'K', 'Q', 'M'}));
}

TEST(Lobby, TypedCodesAndAddresses) {
  EXPECT_EQ(NormalizeCode("abc-234"), "ABC234");
  EXPECT_EQ(NormalizeCode(" hj km np "), "HJKMNP");
  EXPECT_EQ(NormalizeCode("ABC23"), "");
  EXPECT_EQ(NormalizeCode("ABC2345"), "");
  // Look-alikes are not in the alphabet: a mistyped code is refused, not sent.
  for (const char* c : {"ABC0EF", "ABCOEF", "ABC1EF", "ABCIEF", "ABCLEF", "ABC:EF"})
    EXPECT_EQ(NormalizeCode(c), "") << c;
  EXPECT_EQ(std::strlen(kCodeAlphabet), 31u);
  for (const char* p = kCodeAlphabet; *p; ++p) EXPECT_EQ(std::strchr(p + 1, *p), nullptr) << *p;

  auto a = ParseAddr("198.51.100.7:7700", 1);
  ASSERT_TRUE(a);
  EXPECT_EQ(AddrText(*a), "198.51.100.7:7700");
  EXPECT_EQ(ParseAddr("198.51.100.7", 7701)->Port, 7701);
  EXPECT_FALSE(ParseAddr("198.51.100.7:0", 1));
  EXPECT_FALSE(ParseAddr("198.51.100.7:65536", 1));
  EXPECT_FALSE(ParseAddr("198.51.100.7:", 1));
  EXPECT_FALSE(ParseAddr("host.example:7700", 1));
  EXPECT_FALSE(ParseAddr("0.0.0.0:7700", 1));
}

}  // namespace
}  // namespace kq::net
