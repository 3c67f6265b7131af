#include "core/sound_ledger.h"

#include <gtest/gtest.h>

namespace kq {
namespace {

using TChanges = TSoundLedger::TChanges;

// Ticks 1..5 at 0, 17, 34 ... ms, with the sounds the first run made.
TSoundLedger FirstRun() {
  TSoundLedger l;
  for (uint32_t t = 1; t <= 5; ++t) l.TickRuns(t, (t - 1) * 17);
  EXPECT_TRUE(l.Request(2, "ERASE"));
  EXPECT_TRUE(l.Request(4, "SHOT"));
  EXPECT_TRUE(l.Request(4, "SHOT"));
  return l;
}

TEST(SoundLedger, ARerunThatMakesTheSameSoundsChangesNothing) {
  TSoundLedger l = FirstRun();
  l.BeginRerun(2);
  EXPECT_FALSE(l.Request(2, "ERASE"));  // noted, not played
  EXPECT_FALSE(l.Request(4, "SHOT"));
  EXPECT_FALSE(l.Request(4, "SHOT"));
  EXPECT_EQ(l.EndRerun(80), TChanges{});
  // Nor does a second rerun of the same.
  l.BeginRerun(3);
  l.Request(4, "SHOT");
  l.Request(4, "SHOT");
  EXPECT_EQ(l.EndRerun(90), TChanges{});
}

TEST(SoundLedger, SoundsThatNoLongerHappenStopAndNewOnesPlayOnlyWhenRecent) {
  TSoundLedger l = FirstRun();
  l.TickRuns(20, 1000);
  l.BeginRerun(3);
  l.Request(4, "SHOT");   // one of the two shots stays
  l.Request(3, "CHAIN");  // tick 3 ran at 34 ms: at 120 ms, 86 ms ago
  l.Request(5, "COMBO");  // 68 ms: 52 ms ago
  EXPECT_EQ(l.EndRerun(120), (TChanges{{"SHOT"}, {"CHAIN", "COMBO"}}));

  // Too late to be heard: not played, and not later either.
  l.BeginRerun(1);
  l.Request(1, "READY");  // ran at 0 ms: 300 ms ago
  l.Request(3, "CHAIN");
  l.Request(4, "SHOT");
  l.Request(5, "COMBO");
  EXPECT_EQ(l.EndRerun(300), (TChanges{{"ERASE"}, {}}));
  l.BeginRerun(1);
  l.Request(1, "READY");
  l.Request(3, "CHAIN");
  l.Request(4, "SHOT");
  l.Request(5, "COMBO");
  EXPECT_EQ(l.EndRerun(310), TChanges{});
}

TEST(SoundLedger, TicksBeforeTheRerunAndForgottenTicksStayAsTheyWere) {
  TSoundLedger l = FirstRun();
  l.ForgetThrough(2);
  l.BeginRerun(1);  // tick 2 is final: only 4 and later are re-run in effect
  l.Request(4, "SHOT");
  l.Request(4, "SHOT");
  EXPECT_EQ(l.EndRerun(70), TChanges{});
  EXPECT_EQ(l.EndRerun(70), TChanges{}) << "no re-run was begun";
  // Outside a re-run every request plays.
  EXPECT_TRUE(l.Request(6, "SHOT"));
}

}  // namespace
}  // namespace kq
