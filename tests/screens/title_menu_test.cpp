#include <gtest/gtest.h>

#include "core/context.h"
#include "engine/i18n.h"
#include "game/rules.h"
#include "screens/screens.h"

namespace kq {
namespace {

// The sound loader's failure line keeps its file and reads in the player's language.
TEST(SoundErrorLine, TheFailureIsTranslatedAndTheFileKept) {
  EXPECT_EQ(SoundErrorText("WAVE LOAD_ERROR  SND/a.wav"), "WAVE LOAD_ERROR  SND/a.wav");
  ASSERT_EQ(SetLanguage(TLanguage::Japanese, {std::string(KQ_BIN_DIR) + "/locale"}), TLanguage::Japanese);
  EXPECT_EQ(SoundErrorText("WAVE LOAD_ERROR  SND/a.wav"), "効果音を読み込めません  SND/a.wav");
  EXPECT_EQ(SoundErrorText("MP3 DECODE_ERROR  BGM/b.mp3"), "MP3 を展開できません  BGM/b.mp3");
  EXPECT_EQ(SoundErrorText("WAVE LOAD_ERRORx"), "WAVE LOAD_ERRORx");  // not one of the loader's
  SetLanguage(TLanguage::English, {});
}

// The title with its Left/Right choices, without a display.
struct TitleMenuTest : ::testing::Test {
  GameContext g;
  uint32_t now = 5000;
  void SetUp() override {
    InstallPlayScreen(g.Screens);
    InstallFrontEndScreens(g.Screens);
    ApplyKeyAssign(g.DXInput1, g.DXInput2, g.Config);
    g.LevelTable = {TLevelEntry{1, 4, 20000}};
    g.RecordSounds = true;
  }
  void Tick(std::initializer_list<int> p1 = {}, std::initializer_list<int> p2 = {}) {
    for (int s : p1) g.DXInput1.States.set(size_t(s));
    for (int s : p2) g.DXInput2.States.set(size_t(s));
    now += 16;
    FrameTick(g, now, 16);
  }
  int CursorSounds() const {
    int n = 0;
    for (auto& e : g.SoundLog) n += e.Name == "CURSOR";
    return n;
  }
  TTitleScreen& Title() { return *g.Screens.Get<TTitleScreen>(scTitle); }
  std::string Side(int player) { return Title().Menu.Items[kTitleVsItem][size_t(player)].Current()->Label; }
};

TEST_F(TitleMenuTest, EachPlayerPicksTheRivalTheyFaceAndTheSettingFollows) {
  g.Config.Cpu1P = 0;
  g.Config.Cpu2P = 3;
  g.EnterState(scTitle);
  EXPECT_EQ(Side(0), "HUMAN");
  EXPECT_EQ(Side(1), "CPU 3");  // the saved setting is the starting choice
  Tick({kStateDown});
  Tick({kStateRight});  // player 1 steers the other side
  EXPECT_EQ(g.Config.Cpu2P, 4);
  EXPECT_EQ(g.Config.Cpu1P, 0);
  Tick({kStateRight});
  Tick({kStateRight});  // past CPU 5 to another machine: the setting stays
  EXPECT_EQ(Side(1), "NETWORK");
  EXPECT_EQ(g.Config.Cpu2P, 5);
  Tick({kStateRight});  // and round to HUMAN
  EXPECT_EQ(g.Config.Cpu2P, 0);
  EXPECT_EQ(Side(1), "HUMAN");
  Tick({}, {kStateLeft});  // player 2 steers player 1's side, wrapping the other way
  EXPECT_EQ(g.Config.Cpu1P, 5);
  EXPECT_EQ(Side(0), "CPU 5");
  EXPECT_EQ(Title().Menu.Items[kTitleVsItem][0].Choices.size(), 6u);  // no NETWORK for player 2
  EXPECT_EQ(CursorSounds(), 6);
  EXPECT_EQ(Title().Cursor, kTitleVsItem);

  // The choice plays: player 1's side is the computer's, player 2's a person's.
  Tick({kStateConfirm});
  ASSERT_EQ(g.ScreenState, scPlay);
  EXPECT_EQ(g.GameMode, 2);
  EXPECT_NE(g.ControlPrograms[0], nullptr);
  EXPECT_EQ(g.ControlPrograms[1], nullptr);

  // Back on the title the choice starts from the setting again.
  g.EnterState(scTitle);
  EXPECT_EQ(Side(0), "CPU 5");
  EXPECT_EQ(Side(1), "HUMAN");
}

TEST_F(TitleMenuTest, LeftRightElsewhereChangeNothingAndTheMenuKeysKeepTheirMeaning) {
  g.EnterState(scTitle);
  Tick({kStateLeft});
  Tick({}, {kStateRight});
  EXPECT_EQ(CursorSounds(), 0);  // the first item has no choice
  EXPECT_EQ(g.ScreenState, scTitle);
  // Up/down win over Left/Right in the same frame, and confirm wins over a choice.
  Tick({kStateDown, kStateRight});
  EXPECT_EQ(Title().Cursor, 1);
  EXPECT_EQ(g.Config.Cpu2P, 0);
  Tick({kStateConfirm, kStateRight});
  EXPECT_EQ(g.ScreenState, scPlay);
  EXPECT_EQ(g.Config.Cpu2P, 0);
}

TEST_F(TitleMenuTest, AnAddedChoiceCanLeadTheItemElsewhere) {
  // How a later screen joins the menu: a choice whose confirm replaces the item's action.
  Title().Menu.Items[kTitleVsItem][1].Choices.push_back(
      {"ELSEWHERE", nullptr, [](GameContext& c) { c.EnterState(scRules); }});
  g.Config.Cpu2P = 5;
  g.EnterState(scTitle);
  Tick({kStateDown});
  Tick({kStateRight});
  EXPECT_EQ(Side(1), "NETWORK");
  Tick({kStateRight});
  EXPECT_EQ(Side(1), "ELSEWHERE");
  EXPECT_EQ(g.Config.Cpu2P, 5);  // no setting behind it
  Tick({kStateConfirm});
  EXPECT_EQ(g.ScreenState, scRules);
}

TEST_F(TitleMenuTest, AnOutOfRangeSettingStartsOnTheNearestChoice) {
  g.Config.Cpu2P = 42;
  g.EnterState(scTitle);
  EXPECT_EQ(Side(1), "CPU 5");  // not the NETWORK choice after it
  g.EnterState(scRules);
  g.Config.Cpu2P = -3;
  g.EnterState(scTitle);
  EXPECT_EQ(Side(1), "HUMAN");
}

}  // namespace
}  // namespace kq
