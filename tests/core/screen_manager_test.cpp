// The screen manager: when a change of screen happens, in which order the screens hear of it,
// and what the change does to sprites and latched controls.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/screen.h"

namespace kq {
namespace {

// A screen that logs every call and runs what the test gives it in its Update.
class LogScreen final : public TScreen {
 public:
  LogScreen(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
  const char* Name() const override { return name_.c_str(); }
  void Enter(GameContext& g, TScreenState from) override {
    log_.push_back(name_ + ".enter from " + std::to_string(from) + " in " + std::to_string(g.ScreenState));
    ++Entries;
    if (OnEnter) OnEnter(g);
  }
  void Update(GameContext& g, int) override {
    log_.push_back(name_ + ".update");
    if (OnUpdate) OnUpdate(g);
  }
  void Leave(GameContext&, TScreenState next) override {
    log_.push_back(name_ + ".leave to " + std::to_string(next));
  }
  std::function<void(GameContext&)> OnUpdate, OnEnter;
  int Entries = 0;

 private:
  std::string name_;
  std::vector<std::string>& log_;
};

struct ScreenManagerTest : ::testing::Test {
  GameContext g;
  std::vector<std::string> log;
  LogScreen* title = nullptr;
  LogScreen* play = nullptr;
  LogScreen* rules = nullptr;
  uint32_t now = 1000;

  void SetUp() override {
    title = Add(scTitle, "title");
    play = Add(scPlay, "play");
    rules = Add(scRules, "rules");
    g.EnterState(scTitle);
    log.clear();
  }
  LogScreen* Add(TScreenState s, const char* name) {
    auto screen = std::make_unique<LogScreen>(name, log);
    LogScreen* raw = screen.get();
    g.Screens.Register(s, std::move(screen));
    return raw;
  }
  void Tick() { FrameTick(g, now += 16, 16); }
};

TEST_F(ScreenManagerTest, AChangeAskedForInATickHappensWhenTheUpdateReturns) {
  TScreenState seenAfterRequest = scNone;
  int playEntriesAfterRequest = -1;
  title->OnUpdate = [&](GameContext& c) {
    c.EnterState(scPlay);
    seenAfterRequest = c.ScreenState;
    playEntriesAfterRequest = play->Entries;
    EXPECT_TRUE(c.Screens.ChangeRequested());
    EXPECT_EQ(c.Screens.RequestedState(), scPlay);
  };
  Tick();
  EXPECT_EQ(seenAfterRequest, scTitle);
  EXPECT_EQ(playEntriesAfterRequest, 0);
  EXPECT_EQ(g.ScreenState, scPlay);
  EXPECT_FALSE(g.Screens.ChangeRequested());
  // The new screen is entered while the state still names the old one, and runs from the
  // next tick on.
  EXPECT_EQ(log, (std::vector<std::string>{"title.update", "title.leave to 3", "play.enter from 1 in 1"}));
  Tick();
  EXPECT_EQ(log.back(), "play.update");
}

TEST_F(ScreenManagerTest, TheLastRequestOfATickWinsAndOnlyItsScreenIsEntered) {
  title->OnUpdate = [](GameContext& c) {
    c.EnterState(scPlay);
    c.EnterState(scRules);
  };
  Tick();
  EXPECT_EQ(g.ScreenState, scRules);
  EXPECT_EQ(play->Entries, 0);
  EXPECT_EQ(rules->Entries, 1);
}

TEST_F(ScreenManagerTest, OutsideATickTheChangeIsImmediate) {
  g.EnterState(scRules);
  EXPECT_EQ(g.ScreenState, scRules);
  EXPECT_EQ(log, (std::vector<std::string>{"title.leave to 4", "rules.enter from 1 in 1"}));
  // A state without a screen only changes the state, and its ticks run nothing.
  g.EnterState(scRanking);
  EXPECT_EQ(g.ScreenState, scRanking);
  log.clear();
  Tick();
  EXPECT_TRUE(log.empty());
}

TEST_F(ScreenManagerTest, AChangeDropsTheOldScreensSpritesAndPlayerOnesLatches) {
  new TImageSprite(&g.DXSpriteEngine1);
  ASSERT_EQ(g.DXSpriteEngine1.Count(), 1);
  size_t spritesAtEnter = 99;
  play->OnEnter = [&](GameContext& c) { spritesAtEnter = size_t(c.DXSpriteEngine1.Count()); };
  title->OnUpdate = [](GameContext& c) {
    c.DXInput1.States.set(kStateLeft);
    c.DXInput2.States.set(kStateLeft);
    c.EnterState(scPlay);
  };
  Tick();
  EXPECT_EQ(g.ScreenState, scPlay);
  EXPECT_EQ(spritesAtEnter, 0u);
  EXPECT_FALSE(g.DXInput1.Has(kStateLeft));
  // Player 2's latches go with the end of the title's frame.
  EXPECT_FALSE(g.DXInput2.Has(kStateLeft));
}

TEST_F(ScreenManagerTest, ATickThatThrowsChangesNoScreenAndLeavesNoRequestBehind) {
  title->OnUpdate = [](GameContext& c) {
    c.EnterState(scPlay);
    throw std::runtime_error("broken");
  };
  EXPECT_THROW(Tick(), std::runtime_error);
  EXPECT_EQ(g.ScreenState, scTitle);
  EXPECT_FALSE(g.Screens.ChangeRequested());
  EXPECT_EQ(play->Entries, 0);
  // The manager is out of its tick: the next change is immediate.
  g.EnterState(scRules);
  EXPECT_EQ(g.ScreenState, scRules);
}

TEST_F(ScreenManagerTest, NamesAndLookUps) {
  EXPECT_STREQ(g.Screens.Name(scPlay), "play");
  EXPECT_STREQ(g.Screens.Name(scRanking), "none");
  EXPECT_STREQ(g.Screens.Name(scNone), "none");
  EXPECT_EQ(g.Screens.Get<LogScreen>(scRules), rules);
  EXPECT_EQ(g.Screens.Get<LogScreen>(scRanking), nullptr);
  EXPECT_EQ(g.Screens.Find(TScreenState(200)), nullptr);
  // A registration replaces the state's screen (the program wraps the plain play screen so).
  Add(scPlay, "wrapped");
  EXPECT_STREQ(g.Screens.Name(scPlay), "wrapped");
}

}  // namespace
}  // namespace kq
