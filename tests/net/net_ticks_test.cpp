#include "net/net_ticks.h"

#include <gtest/gtest.h>

namespace kq::net {
namespace {

TEST(NetTiming, SixtyTicksASecondOnBothSides) {
  uint32_t total = 0;
  for (uint32_t t = 1; t <= 60; ++t) total += NetTickLength(t);
  EXPECT_EQ(total, 1000u);
  for (uint32_t t = 1; t <= 3000; ++t) EXPECT_TRUE(NetTickLength(t) == 16 || NetTickLength(t) == 17);
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
