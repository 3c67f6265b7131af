#include <gtest/gtest.h>

#include "net/net_packet.h"

namespace kq::net {
namespace {

std::optional<TMessage> RoundTrip(const TMessage& m) {
  return Decode(Encode(m));
}

TEST(NetPacket, EveryMessageReadsBackAsWritten) {
  const std::vector<TMessage> all = {
      THello{kProtocolVersion, "1.2.3", 0x1122334455667788ull},
      TWelcome{"1.2.3", 42, 0xfeedfacecafebeefull, 3, "[System]\nShotSpeed=700\n"},
      TRefuse{"level tables differ"},
      TInputs{3, 17, 18, {0, 0, 5, 5, 5, 0x8001, 0}},
      TInputs{0, 9, 0, {}},
      THash{1, 600, 0xabcdef},
      TDelay{2, 300, 8},
      TRetry{4, true, 0},
  };
  for (const TMessage& m : all) {
    auto back = RoundTrip(m);
    ASSERT_TRUE(back.has_value()) << m.index();
    EXPECT_EQ(*back, m) << m.index();
  }
}

TEST(NetPacket, HeldInputsTravelAsRuns) {
  TInputs m{0, 0, 1, std::vector<uint16_t>(60, 0x0004)};
  m.States[30] = 0x0104;
  // Three runs of (state, count) instead of sixty states.
  EXPECT_LE(Encode(m).size(), 2u + 1 + 12 + 1 + 3 * 3);
  EXPECT_EQ(*Decode(Encode(m)), TMessage(m));
}

TEST(NetPacket, AnythingButOneWholeMessageIsRefused) {
  const std::vector<uint8_t> good = Encode(THash{1, 60, 99});
  EXPECT_FALSE(Decode({}).has_value());
  for (size_t n = 0; n < good.size(); ++n)
    EXPECT_FALSE(Decode(std::span(good.data(), n)).has_value()) << "cut at " << n;
  std::vector<uint8_t> longer = good;
  longer.push_back(0);
  EXPECT_FALSE(Decode(longer).has_value());
  std::vector<uint8_t> badMagic = good;
  badMagic[0] = 'X';
  EXPECT_FALSE(Decode(badMagic).has_value());
  std::vector<uint8_t> badType = good;
  badType[2] = 0x7f;
  EXPECT_FALSE(Decode(badType).has_value());
}

TEST(NetPacket, OutOfRangeFieldsAreRefused) {
  // An input delay beyond what a match allows is no message.
  std::vector<uint8_t> welcome = Encode(TWelcome{"1.2.3", 42, 7, 3, ""});
  EXPECT_TRUE(Decode(welcome).has_value());
  welcome[welcome.size() - 3] = 4;  // the delay byte, before the rules' empty text
  EXPECT_FALSE(Decode(welcome).has_value());
  std::vector<uint8_t> delay = Encode(TDelay{0, 10, 3});
  delay.back() = 9;
  EXPECT_FALSE(Decode(delay).has_value());
  delay.back() = 0;
  EXPECT_FALSE(Decode(delay).has_value());

  std::vector<uint8_t> retry = Encode(TRetry{0, true, 3});
  retry[retry.size() - 2] = 2;
  EXPECT_FALSE(Decode(retry).has_value());

  // Input states for tick 0, a window wrapping the counter, runs of length 0 or too many ticks.
  std::vector<uint8_t> tick0 = Encode(TInputs{0, 0, 1, {1}});
  tick0[11] = tick0[12] = tick0[13] = tick0[14] = 0;
  EXPECT_FALSE(Decode(tick0).has_value());
  EXPECT_FALSE(Decode(Encode(TInputs{0, 0, 0xFFFFFFFFu, {1, 2}})).has_value());
  std::vector<uint8_t> zeroRun = Encode(TInputs{0, 0, 1, {1}});
  zeroRun.back() = 0;
  EXPECT_FALSE(Decode(zeroRun).has_value());
  // Two runs of 40 ticks: more than one packet may carry.
  std::vector<uint8_t> tooMany = {'K', 'Q', 4, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 1, 0, 40, 2, 0, 40};
  EXPECT_FALSE(Decode(tooMany).has_value());
  tooMany[18] = tooMany[21] = 32;
  EXPECT_TRUE(Decode(tooMany).has_value());
}

TEST(NetPacket, OverlongTextsAreCutOnWriteAndRefusedOnRead) {
  TRefuse r{std::string(400, 'x')};
  auto back = RoundTrip(r);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(std::get<TRefuse>(*back).Reason.size(), kMaxText);

  std::vector<uint8_t> rules = Encode(TWelcome{"v", 1, 2, 3, "r"});
  // The rules' two-byte length claims more than the packet holds.
  rules[rules.size() - 3] = 0xff;
  rules[rules.size() - 2] = 0x0f;
  EXPECT_FALSE(Decode(rules).has_value());
}

}  // namespace
}  // namespace kq::net
