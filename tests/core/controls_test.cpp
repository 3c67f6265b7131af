#include "core/controls.h"

#include <gtest/gtest.h>

#include "engine/i18n.h"
#include "engine/keys.h"
#include "support/doubles.h"

namespace kq {
namespace {

using FakeInput = test::TestInput;

// Key and button names as the lists show them: words and the number pad translated, letters
// and what a controller prints on its buttons as they are; the raw numbering in the language.
TEST(ShownNames, KeysAndButtonsFollowTheLanguage) {
  FakeInput none;
  EXPECT_EQ(KeyText(38), "UP");
  EXPECT_EQ(KeyText(0x68), KeyName(0x68));
  EXPECT_EQ(PadButtonText(nullptr, kNoPad, 4), "button1");
  ASSERT_EQ(SetLanguage(TLanguage::Japanese, {std::string(KQ_BIN_DIR) + "/locale"}), TLanguage::Japanese);
  EXPECT_EQ(KeyText(38), "↑");
  EXPECT_EQ(KeyText(32), "スペース");
  EXPECT_EQ(KeyText(0x68), "テンキー 8");
  EXPECT_EQ(KeyText('Z'), "Z");
  EXPECT_EQ(KeyText(0xBC), ",");
  EXPECT_EQ(KeyName(38), "UP");  // the settings' own name does not change
  EXPECT_EQ(PadButtonText(nullptr, kNoPad, 4), "ボタン1");
  EXPECT_EQ(PadButtonText(&none, kNoPad, 7), "ボタン4");
  SetLanguage(TLanguage::English, {});
  EXPECT_EQ(KeyText(0x68), KeyName(0x68));
}

struct ControlsTest : ::testing::Test {
  TGameConfig cfg;
  TDXInput in1, in2;
  FakeInput src;
  void SetUp() override {
    ApplyKeyAssign(in1, in2, cfg);
    src.Names[0] = "Pad";  // pad 0 is attached
  }
};

TEST_F(ControlsTest, DefaultAssignmentAndSystemKeys) {
  EXPECT_EQ(in1.Keys[0][0], 38);
  EXPECT_EQ(in1.Keys[3][0], 39);
  EXPECT_EQ(in1.Keys[4][0], 90);   // Z raises J01
  EXPECT_EQ(in1.Keys[7][0], 65);   // A raises J04
  EXPECT_EQ(in2.Keys[0][0], 104);  // numeric pad 8
  EXPECT_EQ(in2.Keys[5][0], 75);
  EXPECT_EQ(in1.Keys[25][0], 27);
  EXPECT_EQ(in1.Keys[30][0], 13);
  EXPECT_EQ(in1.Keys[26][0], 115);
  EXPECT_EQ(in1.Keys[29][0], 112);
  EXPECT_EQ(in2.Keys[25][0], 0);  // system keys are player 1's only
}

TEST_F(ControlsTest, LaterActionOnTheSameStateWinsAndHighStatesAreNotBound) {
  cfg.KeyAssign1P.J01 = 9;
  cfg.KeyAssign1P.J03 = 9;
  cfg.KeyAssign1P.J04 = 200;
  ApplyKeyAssign(in1, in2, cfg);
  EXPECT_EQ(in1.Keys[9][0], cfg.KeyAssign1P.K03);
  for (auto& slots : in1.Keys)
    for (int code : slots) EXPECT_NE(code, cfg.KeyAssign1P.K04);
}

TEST_F(ControlsTest, UnknownKeyCodesBindNothingThatCanBeDown) {
  cfg.KeyAssign1P.K01 = 999;
  cfg.KeyAssign1P.UP = -5;
  ApplyKeyAssign(in1, in2, cfg);
  EXPECT_EQ(in1.Keys[4][0], 999);  // kept as read, but no key of the keyboard maps to it
  EXPECT_EQ(in1.Keys[0][0], -5);
}

TEST_F(ControlsTest, PressLatchesUntilReleaseOrClearing) {
  src.Keys = {90};
  in1.Poll(src);
  EXPECT_TRUE(in1.Has(4));
  // Held: a clearing removes it and it does not come back while held.
  in1.Remove(4);
  in1.Poll(src);
  EXPECT_FALSE(in1.Has(4));
  src.Keys.clear();
  in1.Poll(src);
  src.Keys = {90};
  in1.Poll(src);
  EXPECT_TRUE(in1.Has(4));
  src.Keys.clear();
  in1.Poll(src);
  EXPECT_FALSE(in1.Has(4));
}

TEST_F(ControlsTest, PadButtonAndKeyHeldTogetherAreOneState) {
  in1.PadNo = 0;
  src.Keys = {90};
  src.Pads[0] = uint64_t(1) << 4;  // button 1
  in1.Poll(src);
  src.Keys.clear();  // the key goes up, the button stays down
  in1.Poll(src);
  EXPECT_TRUE(in1.Has(4));
  src.Pads[0] = 0;
  in1.Poll(src);
  EXPECT_FALSE(in1.Has(4));
}

TEST_F(ControlsTest, NoPadNumberReadsNoPad) {
  in1.PadNo = kNoPad;
  src.Pads[0] = ~uint64_t(0);
  in1.Poll(src);
  EXPECT_TRUE(in1.States.none());
  in1.PadNo = 17;
  in1.Poll(src);
  EXPECT_TRUE(in1.States.none());
}

TEST_F(ControlsTest, EndFrameClearingInAndOutOfPlay) {
  for (int s : {0, 3, 4, 5, 6, 7, 25, 30}) {
    in1.States.set(size_t(s));
    in2.States.set(size_t(s));
  }
  EndFrameInput(in1, in2, cfg, true);
  EXPECT_TRUE(in1.Has(0));
  EXPECT_TRUE(in1.Has(3));
  EXPECT_TRUE(in1.Has(7));  // J04 repeats
  EXPECT_FALSE(in1.Has(4));
  EXPECT_FALSE(in1.Has(5));
  EXPECT_FALSE(in1.Has(6));
  EXPECT_FALSE(in1.Has(25));
  EXPECT_FALSE(in1.Has(30));
  EXPECT_TRUE(in2.Has(25));  // only player 1 has system keys
  EXPECT_FALSE(in2.Has(5));
  EndFrameInput(in1, in2, cfg, false);
  EXPECT_TRUE(in1.States.none());
  EXPECT_TRUE(in2.States.none());
}

TEST_F(ControlsTest, RepeatActsAtOnceThenAfter400ThenEvery100) {
  TRepeatSlot slot;
  in1.States.set(7);
  uint32_t t = 0xFFFFFF00u;  // the clock wraps during the hold
  std::vector<uint32_t> acted;
  for (uint32_t ms = 0; ms <= 700; ++ms)
    if (ReadRepeat(in1, 7, slot, t + ms)) acted.push_back(ms);
  EXPECT_EQ(acted, (std::vector<uint32_t>{0, 400, 500, 600, 700}));
  in1.States.reset(7);
  EXPECT_FALSE(ReadRepeat(in1, 7, slot, t + 701));
  EXPECT_EQ(slot.LastTime, 0u);
  in1.States.set(7);
  EXPECT_TRUE(ReadRepeat(in1, 7, slot, t + 702));
}

TEST(ControlNames, KeyNamesAndButtonNames) {
  EXPECT_EQ(KeyName(38), "UP");
  EXPECT_EQ(KeyName(34), "PAGE DOWN");
  EXPECT_EQ(KeyName(47), "HELP");
  EXPECT_EQ(KeyName(7), "0x07");
  EXPECT_EQ(KeyName(0xE8), "0xe8");
  EXPECT_EQ(KeyName('Z'), "Z");
  EXPECT_FALSE(KeyName(104).empty());
  EXPECT_NE(KeyName(104), "0x68");
  EXPECT_EQ(ButtonName(12), "button12");
  // The keyboard's own name wins over the US one; the fixed names stay fixed.
  struct Azerty : FakeInput {
    std::string KeyLabel(int vk) const override { return vk == 'Q' ? "A" : ""; }
  } azerty;
  EXPECT_EQ(KeyName('Q', &azerty), "A");
  EXPECT_EQ(KeyName('W', &azerty), "W");
  EXPECT_EQ(KeyName(38, &azerty), "UP");
}

TEST(PadChoice, HighestMatchingPadWinsCaseInsensitively) {
  FakeInput src;
  src.Names = {"Gamepad X", "", "gamepad x", "Other"};
  EXPECT_EQ(ChoosePad(src, "GAMEPAD X"), 2);
  EXPECT_EQ(ChoosePad(src, "Other"), 3);
  EXPECT_EQ(ChoosePad(src, "missing"), kNoPad);
  EXPECT_EQ(ChoosePad(src, ""), kNoPad);
}

}  // namespace
}  // namespace kq
