// The tick driver: the order of a tick's steps around the input source, whatever the source.
#include "core/tick_driver.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/screen.h"
#include "support/doubles.h"

namespace kq {
namespace {

// A screen that logs its updates and moves on to `Next` when asked to.
class StepScreen final : public TScreen {
 public:
  StepScreen(std::vector<std::string>& log, const char* name) : log_(log), name_(name) {}
  const char* Name() const override { return name_; }
  void Update(GameContext& g, int moveCount) override {
    log_.push_back("update " + std::to_string(moveCount) + " at " + std::to_string(g.FrameTime) +
                   (g.DXInput1.Has(kStateLeft) ? " left" : ""));
    if (Next != scNone) g.EnterState(Next);
  }
  TScreenState Next = scNone;

 private:
  std::vector<std::string>& log_;
  const char* name_;
};

// An input that logs what it sees and raises player 1's left when it latches.
class LogInput final : public ITickInput {
 public:
  explicit LogInput(std::vector<std::string>& log, bool runs = true) : log_(log), runs_(runs) {}
  bool Latch(GameContext& g) override {
    log_.push_back("latch at " + std::to_string(g.FrameTime) + " tick " + std::to_string(g.TickCount));
    g.DXInput1.States.set(kStateLeft);
    return runs_;
  }
  void Done(GameContext& g) override {
    log_.push_back("done in " + std::string(g.Screens.Name(g.ScreenState)) +
                   (g.DXInput1.Has(kStateLeft) ? " left" : ""));
  }

 private:
  std::vector<std::string>& log_;
  bool runs_;
};

struct TickDriverTest : ::testing::Test {
  GameContext g;
  std::vector<std::string> log;
  StepScreen* title = nullptr;
  void SetUp() override {
    auto t = std::make_unique<StepScreen>(log, "title");
    title = t.get();
    g.Screens.Register(scTitle, std::move(t));
    g.Screens.Register(scRules, std::make_unique<StepScreen>(log, "rules"));
    g.EnterState(scTitle);
  }
};

TEST_F(TickDriverTest, ClockThenLatchThenUpdateThenChangeAndClearingThenDone) {
  LogInput input(log);
  title->Next = scRules;
  RunTick(g, 2000, 16, input);
  EXPECT_EQ(log,
            (std::vector<std::string>{"latch at 2000 tick 1", "update 16 at 2000 left", "done in rules"}));
  EXPECT_EQ(g.FrameTime, 2000u);
  EXPECT_EQ(g.TickCount, 1u);
}

TEST_F(TickDriverTest, AnInputThatHoldsTheTickBackLeavesScreenAndLatchesAlone) {
  LogInput input(log, false);
  title->Next = scRules;
  RunTick(g, 2000, 16, input);
  RunTick(g, 2016, 16, input);
  EXPECT_EQ(log, (std::vector<std::string>{"latch at 2000 tick 1", "latch at 2016 tick 2"}));
  EXPECT_EQ(g.ScreenState, scTitle);
  EXPECT_TRUE(g.DXInput1.Has(kStateLeft));  // kept for the next tick that runs
  EXPECT_EQ(g.TickCount, 2u);               // the clock and the count go on
}

TEST_F(TickDriverTest, DevicesWaitWhileTheWindowCannotDrawAndReadTheKeysWhenItCan) {
  test::MemoryPlatform platform;
  g.Platform = &platform;
  ApplyKeyAssign(g.DXInput1, g.DXInput2, g.Config);
  platform.In.Keys.insert(g.Config.KeyAssign1P.LEFT);
  platform.Drawable = false;
  TDeviceInput devices;
  RunTick(g, 2000, 16, devices);
  EXPECT_TRUE(log.empty());
  platform.Drawable = true;
  RunTick(g, 2016, 16, devices);
  EXPECT_EQ(log, (std::vector<std::string>{"update 16 at 2016 left"}));
  // FrameTick is the same tick with the devices.
  FrameTick(g, 2032, 7);
  EXPECT_EQ(log.back(), "update 7 at 2032");  // held, not pressed again
}

}  // namespace
}  // namespace kq
