// Game controllers: SDL's mapping layer on virtual joysticks (one SDL maps by itself, one plain
// joystick mapped only through a gamecontrollerdb.txt line), button names and the checking of
// mapping lines.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "core/controls.h"
#include "engine/pad_layout.h"
#include "engine/sdl_platform.h"

namespace kq {
namespace {

uint64_t Bit(int state) {
  return uint64_t(1) << state;
}

TEST(PadLayoutTest, DefaultActionsFallOnTheFaceButtonsAndShoulder) {
  // J01..J04 default to 4..7: colour down, erase, colour up, raise a line.
  EXPECT_EQ(ControllerButtonState(TPadButton::X), 4);
  EXPECT_EQ(ControllerButtonState(TPadButton::A), 5);
  EXPECT_EQ(ControllerButtonState(TPadButton::B), 6);
  EXPECT_EQ(ControllerButtonState(TPadButton::RightShoulder), 7);
  EXPECT_EQ(ControllerButtonState(TPadButton::DpadUp), 0);
  EXPECT_EQ(ControllerButtonState(TPadButton::DpadDown), 1);
  EXPECT_EQ(ControllerButtonState(TPadButton::DpadLeft), 2);
  EXPECT_EQ(ControllerButtonState(TPadButton::DpadRight), 3);
  EXPECT_EQ(ControllerButtonState(TPadButton::Back), 25);
  EXPECT_EQ(ControllerButtonState(TPadButton::Start), 30);
  // No two buttons share a state, so a capture tells every button apart.
  std::set<int> seen;
  for (int b = 0; b < int(TPadButton::Count); ++b) {
    int s = ControllerButtonState(TPadButton(b));
    if (s < 0) continue;
    EXPECT_LT(s, 36);
    EXPECT_TRUE(seen.insert(s).second) << "button " << b;
  }
}

TEST(PadLayoutTest, ButtonsAreNamedAsEachFamilyPrintsThem) {
  EXPECT_EQ(ControllerStateLabel(TPadFamily::Xbox, 5), "A");
  EXPECT_EQ(ControllerStateLabel(TPadFamily::Xbox, 4), "X");
  EXPECT_EQ(ControllerStateLabel(TPadFamily::Xbox, 7), "RB");
  EXPECT_EQ(ControllerStateLabel(TPadFamily::Xbox, 8), "LB");
  EXPECT_EQ(ControllerStateLabel(TPadFamily::PlayStation, 5), "Cross");
  EXPECT_EQ(ControllerStateLabel(TPadFamily::PlayStation, 6), "Circle");
  EXPECT_EQ(ControllerStateLabel(TPadFamily::PlayStation, 4), "Square");
  EXPECT_EQ(ControllerStateLabel(TPadFamily::PlayStation, 9), "Triangle");
  EXPECT_EQ(ControllerStateLabel(TPadFamily::PlayStation, 7), "R1");
  // Nintendo's bottom button is labelled B, its right one A.
  EXPECT_EQ(ControllerStateLabel(TPadFamily::Nintendo, 5), "B");
  EXPECT_EQ(ControllerStateLabel(TPadFamily::Nintendo, 6), "A");
  // States no controller button raises have no name.
  EXPECT_EQ(ControllerStateLabel(TPadFamily::Xbox, 20), "");
  EXPECT_EQ(ControllerStateLabel(TPadFamily::Xbox, 35), "");
}

TEST(PadLayoutTest, MappingLinesAreCheckedBeforeSdlSeesThem) {
  const char* good =
      "030000005e0400008e02000010010000,Test Pad,a:b0,b:b1,x:b2,y:b3,leftx:a0,lefty:a1~,dpup:h0.1,"
      "+righty:+a4,platform:Linux,";
  EXPECT_EQ(CheckMappingLine(good).Kind, TMappingLineKind::Mapping);
  EXPECT_EQ(CheckMappingLine("  ").Kind, TMappingLineKind::Blank);
  EXPECT_EQ(CheckMappingLine("# a comment, with commas").Kind, TMappingLineKind::Blank);
  EXPECT_EQ(CheckMappingLine("030000005e0400008e02000010010000,Win Pad,a:b0,platform:Windows,").Kind,
            TMappingLineKind::OtherPlatform);
  EXPECT_EQ(CheckMappingLine("xinput,XInput Controller,a:b0,").Kind, TMappingLineKind::Mapping);
  for (const char* bad : {
           "garbage",
           "0300000000000000000000000000zz00,Pad,a:b0,",   // not hex
           "030000005e0400008e020000100100,Pad,a:b0,",     // too short
           "030000005e0400008e02000010010000,,a:b0,",      // no name
           "030000005e0400008e02000010010000,Pad,",        // nothing mapped
           "030000005e0400008e02000010010000,Pad,zz:b0,",  // unknown control
           "030000005e0400008e02000010010000,Pad,a:q7,",   // not a button, axis or hat
           "030000005e0400008e02000010010000,Pad,a:h0,",   // hat without a direction
           "030000005e0400008e02000010010000,Pad,a,",      // no colon
       }) {
    TMappingLineCheck c = CheckMappingLine(bad);
    EXPECT_EQ(c.Kind, TMappingLineKind::Malformed) << bad;
    EXPECT_FALSE(c.Why.empty()) << bad;
  }
}

class ControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::unsetenv("SDL_GAMECONTROLLERCONFIG");
    dir_ = std::filesystem::temp_directory_path() / ("kq_ctl_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    PlatformOptions po;
    po.Headless = true;
    p_ = std::make_unique<SdlPlatform>(po);
  }
  void TearDown() override {
    p_.reset();
    std::filesystem::remove_all(dir_);
  }
  // Lets the platform see plug and unplug events; true when the pads changed.
  bool Pump() { return p_->Pump(false).PadsChanged; }
  int PadNumber(const std::string& name) {
    auto names = p_->Input().PadNames();
    for (size_t i = 0; i < names.size(); ++i)
      if (names[i] == name) return int(i);
    return -1;
  }
  uint64_t States(int pad) {
    SDL_JoystickUpdate();
    return p_->Input().PadStates(pad);
  }
  std::filesystem::path dir_;
  std::unique_ptr<SdlPlatform> p_;
};

TEST_F(ControllerTest, AMappedControllerPlaysWithoutSetUp) {
  ASSERT_TRUE(p_->AttachVirtualPad(0, "KQ Controller", true));
  EXPECT_TRUE(Pump());
  const int pad = PadNumber("KQ Controller");
  ASSERT_GE(pad, 0);
  IInputSource& in = p_->Input();
  EXPECT_TRUE(in.PadIsController(pad));
  EXPECT_EQ(States(pad), 0u);
  struct Case {
    TPadButton Button;
    int State;
  } cases[] = {{TPadButton::A, 5},      {TPadButton::X, 4},
               {TPadButton::B, 6},      {TPadButton::RightShoulder, 7},
               {TPadButton::Back, 25},  {TPadButton::Start, 30},
               {TPadButton::DpadUp, 0}, {TPadButton::DpadLeft, 2}};
  for (const Case& c : cases) {
    p_->SetVirtualPadButton(0, int(c.Button), true);
    EXPECT_EQ(States(pad), Bit(c.State)) << "button " << int(c.Button);
    p_->SetVirtualPadButton(0, int(c.Button), false);
  }
  EXPECT_EQ(States(pad), 0u);
  // The left stick moves too, past the dead zone only.
  p_->SetVirtualPadAxis(0, SDL_CONTROLLER_AXIS_LEFTX, 32767);
  EXPECT_EQ(States(pad), Bit(3));
  p_->SetVirtualPadAxis(0, SDL_CONTROLLER_AXIS_LEFTX, 1000);
  EXPECT_EQ(States(pad), 0u);
  p_->SetVirtualPadAxis(0, SDL_CONTROLLER_AXIS_LEFTY, -32768);
  EXPECT_EQ(States(pad), Bit(0));
  p_->SetVirtualPadAxis(0, SDL_CONTROLLER_AXIS_LEFTY, 0);
  // A trigger is a button once pulled past half way.
  p_->SetVirtualPadAxis(0, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
  EXPECT_EQ(States(pad), Bit(13));
  p_->SetVirtualPadAxis(0, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0);
  // Buttons are named as the controller shows them.
  EXPECT_EQ(PadButtonText(&in, pad, 5), "A");
  EXPECT_EQ(PadButtonText(&in, pad, 7), "RB");
  EXPECT_EQ(PadButtonText(&in, pad, 20), "button17");  // no such controller button
  // Unplugged: the pad is gone and reads nothing.
  p_->DetachVirtualPad(0);
  EXPECT_TRUE(Pump());
  EXPECT_EQ(PadNumber("KQ Controller"), -1);
  EXPECT_FALSE(in.PadIsController(pad));
  EXPECT_EQ(in.PadStates(pad), 0u);
}

TEST_F(ControllerTest, APadWithoutAMappingKeepsItsRawNumbering) {
  ASSERT_TRUE(p_->AttachVirtualPad(0, "KQ Plain Pad"));
  Pump();
  const int pad = PadNumber("KQ Plain Pad");
  ASSERT_GE(pad, 0);
  IInputSource& in = p_->Input();
  EXPECT_FALSE(in.PadIsController(pad));
  p_->SetVirtualPadButton(0, 0, true);  // button 1 -> state 4 (J01)
  EXPECT_EQ(States(pad), Bit(4));
  p_->SetVirtualPadButton(0, 0, false);
  p_->SetVirtualPadButton(0, 21, true);  // button 22 -> state 25, as ever
  EXPECT_EQ(States(pad), Bit(25));
  p_->SetVirtualPadButton(0, 21, false);
  p_->SetVirtualPadHat(0, 2);
  EXPECT_EQ(States(pad), Bit(1));
  p_->SetVirtualPadHat(0, 0);
  EXPECT_EQ(in.PadStateLabel(pad, 4), "");
  EXPECT_EQ(PadButtonText(&in, pad, 4), "button1");
  EXPECT_EQ(PadButtonText(&in, kNoPad, 6), "button3");
}

TEST_F(ControllerTest, TheUsersMappingFileMapsAPlainPadAndSkipsABadLineWithOneWarning) {
  ASSERT_TRUE(p_->AttachVirtualPad(0, "KQ Mapped Pad"));
  Pump();
  const std::string guid = p_->VirtualPadGuid(0);
  ASSERT_EQ(guid.size(), 32u);
  p_->DetachVirtualPad(0);
  Pump();
  const std::string path = (dir_ / "gamecontrollerdb.txt").string();
  {
    std::ofstream f(path);
    f << "# my pads\n"
      << "this line is no mapping\n"
      << guid << ",KQ Mapped Pad,a:b2,b:b3,x:b0,y:b1,rightshoulder:b5,start:b9,dpup:h0.1,leftx:a0,lefty:a1,\n"
      << "030000005e0400008e02000010010000,Win Pad,a:b0,platform:Windows,\n";
  }
  std::vector<std::string> warnings = p_->LoadControllerMappings(path);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find(":2:"), std::string::npos) << warnings[0];
  // Plugged in again, the same device is now a controller through the file's line.
  ASSERT_TRUE(p_->AttachVirtualPad(0, "KQ Mapped Pad"));
  Pump();
  const int pad = PadNumber("KQ Mapped Pad");
  ASSERT_GE(pad, 0);
  EXPECT_TRUE(p_->Input().PadIsController(pad));
  p_->SetVirtualPadButton(0, 2, true);  // raw button 3 is the controller's A: erase
  EXPECT_EQ(States(pad), Bit(5));
  p_->SetVirtualPadButton(0, 2, false);
  p_->SetVirtualPadButton(0, 0, true);  // raw button 1 is X now, not J01 by number
  EXPECT_EQ(States(pad), Bit(4));
  p_->SetVirtualPadButton(0, 0, false);
  p_->SetVirtualPadHat(0, 1);
  EXPECT_EQ(States(pad), Bit(0));
  // A missing file is no error.
  EXPECT_TRUE(p_->LoadControllerMappings((dir_ / "none.txt").string()).empty());
}

TEST_F(ControllerTest, TheEnvironmentsMappingWinsOverTheFile) {
  ASSERT_TRUE(p_->AttachVirtualPad(0, "KQ Env Pad"));
  Pump();
  const std::string guid = p_->VirtualPadGuid(0);
  p_->DetachVirtualPad(0);
  Pump();
  const std::string path = (dir_ / "gamecontrollerdb.txt").string();
  std::ofstream(path) << guid << ",KQ Env Pad,a:b0,\n";
  ::setenv("SDL_GAMECONTROLLERCONFIG", (guid + ",KQ Env Pad,a:b7,\n").c_str(), 1);
  EXPECT_TRUE(p_->LoadControllerMappings(path).empty());
  ::unsetenv("SDL_GAMECONTROLLERCONFIG");
  ASSERT_TRUE(p_->AttachVirtualPad(0, "KQ Env Pad"));
  Pump();
  const int pad = PadNumber("KQ Env Pad");
  ASSERT_GE(pad, 0);
  p_->SetVirtualPadButton(0, 7, true);
  EXPECT_EQ(States(pad), Bit(5));
  p_->SetVirtualPadButton(0, 7, false);
  p_->SetVirtualPadButton(0, 0, true);
  EXPECT_EQ(States(pad), 0u);
}

}  // namespace
}  // namespace kq
