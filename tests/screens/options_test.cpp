// The option screens through the frame tick: cursors, the working copies and their commit,
// key and pad capture with their refusals, and the drawn lists.
#include "screens/options_fixture.h"

namespace kq::test {
namespace {

// --- cursors -----------------------------------------------------------------------------------

TEST_F(OptionsTest, TitleEntryPutsTheCursorOnTheFirstRowAndTheListsKeepIt) {
  Settings().Cursor = 9;
  OpenOptions();
  EXPECT_EQ(Settings().Cursor, 1);
  SettingsTo(kRowKeyAssign);
  Tap(kVkReturn);
  ASSERT_EQ(g.ScreenState, scKeyAssign);
  EXPECT_EQ(KeyList().Cursor, 1);
  EXPECT_FALSE(Capturing());
  Tap(kVkEsc);
  ASSERT_EQ(g.ScreenState, scOptions);
  EXPECT_EQ(Settings().Cursor, kRowKeyAssign);

  Tap(kVkDown);
  Tap(kVkReturn);
  ASSERT_EQ(g.ScreenState, scPadAssign);
  EXPECT_EQ(PadList().Cursor, 1);
  ListTo(kAssignCancel);
  Tap(kVkReturn);
  ASSERT_EQ(g.ScreenState, scOptions);
  EXPECT_EQ(Settings().Cursor, kRowPadAssign);

  // Leaving to the title and coming back starts at the top again.
  Tap(kVkEsc);
  ASSERT_EQ(g.ScreenState, scTitle);
  OpenOptions();
  EXPECT_EQ(Settings().Cursor, 1);
}

// The key list and the pad list are two screens over the same rows: each has its own cursor and
// capture, and the settings list's edits wait while either is on show.
TEST_F(OptionsTest, KeyAndPadListsKeepTheirOwnCursorAndCapture) {
  OpenOptions();
  SettingsTo(kRowAdvanced1P);
  Tap(kVkReturn);  // an edit the lists must not lose
  ASSERT_EQ(Setting(kRowAdvanced1P).Selected, 1);
  SettingsTo(kRowKeyAssign);
  Tap(kVkReturn);
  ListTo(AssignRow(0, 5));
  Tap(kVkReturn);
  ASSERT_TRUE(KeyList().Capturing);
  EXPECT_FALSE(PadList().Capturing);
  Tap(kVkEsc);  // ends the capture
  Tap(kVkEsc);  // leaves the list
  ASSERT_EQ(g.ScreenState, scOptions);
  EXPECT_EQ(KeyList().Cursor, AssignRow(0, 5));  // kept while another screen is on show
  Tap(kVkDown);
  Tap(kVkReturn);
  ASSERT_EQ(g.ScreenState, scPadAssign);
  EXPECT_EQ(PadList().Cursor, 1);
  EXPECT_EQ(KeyList().Cursor, AssignRow(0, 5));
  Tap(kVkEsc);
  EXPECT_EQ(Setting(kRowAdvanced1P).Selected, 1);
  EXPECT_EQ(Settings().Cursor, kRowPadAssign);
}

TEST_F(OptionsTest, CursorSkipsHeadingsWrapsAndPlaysOnEveryMove) {
  OpenOptions();
  auto move = [&](int vk, int expected) {
    g.SoundLog.clear();
    Tap(vk);
    EXPECT_EQ(Settings().Cursor, expected);
    EXPECT_EQ(CountSound("CURSOR"), 1);
  };
  move(kVkUp, kRowCancel);  // wraps over the SYSTEM heading
  move(kVkDown, kRow3D);
  SettingsTo(kRowVoices);
  move(kVkDown, kRowCpu1P);  // over the PLAYER 1 heading
  move(kVkUp, kRowVoices);
  move(98, kRowCpu1P);  // player 2's down (numeric pad 2) moves it too
  move(104, kRowVoices);
}

TEST_F(OptionsTest, KeyListColumnsAndButtonsAreReachedWithLeftAndRight) {
  OpenList(scKeyAssign);
  ListTo(AssignRow(0, 5));
  Tap(kVkRight);
  EXPECT_EQ(KeyList().Cursor, AssignRow(1, 5));
  Tap(kVkLeft);
  EXPECT_EQ(KeyList().Cursor, AssignRow(0, 5));
  ListTo(kAssignOk);
  Tap(kVkRight);
  EXPECT_EQ(KeyList().Cursor, kAssignCancel);
  Tap(kVkDown);
  EXPECT_EQ(KeyList().Cursor, 1);  // over the PLAYER 1 heading
}

// --- the settings list ---------------------------------------------------------------------------

TEST_F(OptionsTest, VolumeRowsAreHeardAtOnceAndOnlyOkKeepsThem) {
  RecordingSound sound;
  RecordingMusic music;
  g.Sound = &sound;
  g.Music = &music;
  OpenOptions();
  SettingsTo(kRowMusicVolume);
  Tap(kVkLeft);
  ASSERT_FALSE(music.Volumes.empty());
  EXPECT_EQ(music.Volumes.back(), 9);
  SettingsTo(kRowSoundVolume);
  for (int i = 0; i < 12; ++i) Tap(kVkLeft);  // stops at 0
  EXPECT_EQ(Setting(kRowSoundVolume).Selected, 0);
  EXPECT_EQ(sound.Volumes.back(), std::make_pair(0, 10));
  Tap(kVkReturn);  // RETURN goes up one, round after 10
  EXPECT_EQ(sound.Volumes.back(), std::make_pair(1, 10));
  SettingsTo(kRowVoiceVolume);
  Tap(kVkLeft);
  EXPECT_EQ(sound.Volumes.back(), std::make_pair(1, 9));
  // Esc: the settings' volumes are back, nothing changed.
  Tap(kVkEsc);
  ASSERT_EQ(g.ScreenState, scTitle);
  EXPECT_EQ(sound.Volumes.back(), std::make_pair(10, 10));
  EXPECT_EQ(music.Volumes.back(), 10);
  EXPECT_EQ(g.Config.SoundVolume, 10);
  // OK keeps them.
  OpenOptions();
  SettingsTo(kRowMusicVolume);
  Tap(kVkLeft);
  Tap(kVkLeft);
  SettingsTo(kRowOk);
  Tap(kVkReturn);
  EXPECT_EQ(g.Config.MusicVolume, 8);
  EXPECT_EQ(music.Volumes.back(), 8);
  g.Sound = nullptr;
  g.Music = nullptr;
}

TEST_F(OptionsTest, FullScreenAndLanguageRowsTakeEffectAtOk) {
  OpenOptions();
  SettingsTo(kRowFullScreen);
  Tap(kVkReturn);
  EXPECT_FALSE(platform.FullScreen());  // not before OK
  SettingsTo(kRowLanguage);
  Tap(kVkLeft);  // auto -> ja (round the other way)
  EXPECT_EQ(Setting(kRowLanguage).Selected, int(TLanguage::Japanese));
  SettingsTo(kRowOk);
  Tap(kVkReturn);
  EXPECT_TRUE(platform.FullScreen());
  EXPECT_TRUE(g.Config.FullScreen);
  EXPECT_EQ(g.Config.Language, TLanguage::Japanese);
  SetLanguage(TLanguage::English, {});
}

// The match server's row: RETURN opens an entry over the list; keys type, the pad's grid picks
// (RETURN on a cell types it while nothing is typed), a bad address stays with its reason, and
// only the list's OK keeps it.
TEST_F(OptionsTest, TheMatchServerRowTakesAnAddressAndOnlyOkKeepsIt) {
  OpenOptions();
  SettingsTo(kRowServer);
  Tap(kVkReturn);
  ASSERT_TRUE(Settings().Editing);
  EXPECT_EQ(Settings().Entry.Typed, "");  // the press that opened it typed nothing
  Tap(kVkRight);
  Tap(kVkReturn);  // the grid's "B"
  for (int vk : {int('O'), int('X'), 186, int('9'), int('9'), int('9'), int('9'), int('9')}) Tap(vk);
  EXPECT_EQ(Settings().Entry.Typed, "BOX:99999");
  Tap(kVkReturn);  // refused: the port is out of range
  EXPECT_TRUE(Settings().Editing);
  EXPECT_EQ(Lists().NoticeKind, TNoticeKind::Bad);
  EXPECT_EQ(Lists().ServerEdit, "");
  for (int i = 0; i < 5; ++i) Tap(8);
  for (int vk : {0x37, 0x37, 0x30, 0x30}) Tap(vk);  // 7700
  Tap(kVkReturn);
  EXPECT_FALSE(Settings().Editing);
  EXPECT_EQ(Lists().ServerEdit, "BOX:7700");
  EXPECT_EQ(g.Config.NetServer, "");  // not before OK
  EXPECT_EQ(g.ScreenState, scOptions);

  // Esc in the entry keeps the working value; CANCEL of the list throws it away.
  Tap(kVkReturn);
  Tap(8);
  Tap(kVkEsc);
  EXPECT_FALSE(Settings().Editing);
  EXPECT_EQ(Lists().ServerEdit, "BOX:7700");
  EXPECT_EQ(g.ScreenState, scOptions);
  SettingsTo(kRowCancel);
  Tap(kVkReturn);
  EXPECT_EQ(g.Config.NetServer, "");

  OpenOptions();
  EXPECT_EQ(Lists().ServerEdit, "");
  SettingsTo(kRowServer);
  Tap(kVkReturn);
  for (int vk : {int('H'), 190, int('X')}) Tap(vk);
  Tap(kVkReturn);
  SettingsTo(kRowOk);
  Tap(kVkReturn);
  EXPECT_EQ(g.ScreenState, scTitle);
  EXPECT_EQ(g.Config.NetServer, "H.X");
}

TEST_F(OptionsTest, CancelAndEscLeaveTheConfigurationUntouched) {
  Attach(0, "Pad A");
  const TGameConfig before = g.Config;
  for (int leave : {int(kRowCancel), -1}) {
    OpenOptions();
    Tap(kVkReturn);  // 3D effects off
    SettingsTo(kRowMusic);
    Tap(kVkRight);
    SettingsTo(kRowPad1P);
    Tap(kVkRight);
    EXPECT_EQ(OptionPadChoice(g, 0), "Pad A");
    EXPECT_EQ(g.DXInput1.PadNo, 0);  // in use at once
    if (leave < 0) {
      Tap(kVkEsc);
    } else {
      SettingsTo(leave);
      Tap(kVkReturn);
    }
    ASSERT_EQ(g.ScreenState, scTitle);
    EXPECT_EQ(g.Config, before);
    EXPECT_EQ(g.DXInput1.PadNo, kNoPad);
  }
}

TEST_F(OptionsTest, PlayerRowsChooseHumanOrACpuLevelAndCommitWithOk) {
  g.Config.Cpu1P = 2;
  OpenOptions();
  EXPECT_EQ(Setting(kRowCpu1P).Selected, 2);
  EXPECT_EQ(Setting(kRowCpu2P).Selected, 0);
  EXPECT_EQ(CpuLevelText(Setting(kRowCpu2P).Selected), "HUMAN");
  SettingsTo(kRowCpu2P);
  Tap(kVkLeft);  // wraps from HUMAN to the strongest
  EXPECT_EQ(CpuLevelText(Setting(kRowCpu2P).Selected), "CPU 5");
  Tap(kVkRight);
  Tap(kVkReturn);
  EXPECT_EQ(CpuLevelText(Setting(kRowCpu2P).Selected), "CPU 1");
  EXPECT_EQ(g.Config.Cpu2P, 0);  // only a working copy so far
  SettingsTo(kRowOk);
  Tap(kVkReturn);
  EXPECT_EQ(g.Config.Cpu1P, 2);
  EXPECT_EQ(g.Config.Cpu2P, 1);
  OpenOptions();  // CANCEL throws a change away
  SettingsTo(kRowCpu1P);
  Tap(kVkRight);
  Tap(kVkEsc);
  EXPECT_EQ(g.Config.Cpu1P, 2);
}

TEST_F(OptionsTest, EditsSurviveTheKeyListButCommitOnlyWithOk) {
  OpenOptions();
  SettingsTo(kRowAdvanced2P);
  Tap(kVkReturn);
  SettingsTo(kRowKeyAssign);
  Tap(kVkReturn);
  ListTo(kAssignOk);
  Tap(kVkReturn);  // keys committed, settings not yet
  ASSERT_EQ(g.ScreenState, scOptions);
  EXPECT_FALSE(g.Config.AdvancedMode2P);
  EXPECT_TRUE(OptionToggleValue(Setting(kRowAdvanced2P)));
  SettingsTo(kRowOk);
  Tap(kVkReturn);
  EXPECT_TRUE(g.Config.AdvancedMode2P);
}

TEST_F(OptionsTest, OkCommitsEveryFieldAndAppliesVsync) {
  Attach(2, "Pad A");
  Attach(5, "Pad B");
  OpenOptions();
  Tap(kVkReturn);  // 3D effects off
  Tap(kVkDown);
  Tap(kVkLeft);  // vsync off
  Tap(kVkDown);
  Tap(kVkRight);  // music off
  Tap(kVkDown);
  Tap(kVkReturn);  // voices off
  SettingsTo(kRowAdvanced1P);
  Tap(kVkReturn);
  Tap(kVkDown);
  Tap(kVkLeft);  // none -> the last choice, Pad B
  EXPECT_EQ(OptionPadChoice(g, 0), "Pad B");
  EXPECT_EQ(g.DXInput1.PadNo, 5);
  SettingsTo(kRowPad2P);
  Tap(kVkRight);
  EXPECT_EQ(OptionPadChoice(g, 1), "Pad A");
  EXPECT_EQ(g.DXInput2.PadNo, 2);
  platform.VsyncCalls.clear();
  SettingsTo(kRowOk);
  Tap(kVkReturn);
  ASSERT_EQ(g.ScreenState, scTitle);
  const TGameConfig& c = g.Config;
  EXPECT_FALSE(c.UseDirect3D);
  EXPECT_FALSE(c.WaitVsync);
  EXPECT_TRUE(c.DisableBgm);
  EXPECT_TRUE(c.DisableVoice);
  EXPECT_TRUE(c.AdvancedMode1P);
  EXPECT_FALSE(c.AdvancedMode2P);
  EXPECT_EQ(c.JoyName1P, "Pad B");
  EXPECT_EQ(c.JoyName2P, "Pad A");
  EXPECT_EQ(g.DXInput1.PadNo, 5);  // the pad is switched at once
  EXPECT_EQ(g.DXInput2.PadNo, 2);
  EXPECT_EQ(platform.VsyncCalls, std::vector<bool>{false});
}

TEST_F(OptionsTest, ThePadNumberFollowsTheRowAndAPadPluggedInMeanwhile) {
  Attach(0, "Pad A");
  Attach(1, "Pad B");
  OpenOptions();
  SettingsTo(kRowPad1P);
  Tap(kVkRight);
  EXPECT_EQ(g.DXInput1.PadNo, 0);
  Tap(kVkRight);
  EXPECT_EQ(g.DXInput1.PadNo, 1);
  Detach(1);
  Tick();
  EXPECT_EQ(OptionPadChoice(g, 0), "Pad B");  // kept, not connected
  EXPECT_EQ(g.DXInput1.PadNo, kNoPad);
  Attach(3, "Pad B");
  Tick();
  EXPECT_EQ(g.DXInput1.PadNo, 3);
  Tap(kVkLeft);
  Tap(kVkLeft);  // none
  EXPECT_EQ(g.DXInput1.PadNo, kNoPad);
  EXPECT_EQ(g.DXInput2.PadNo, kNoPad);  // the other player's row was not touched
}

TEST_F(OptionsTest, PadChoiceOffersNoneAndEachAttachedNameOnce) {
  Attach(0, "Pad A");
  Attach(1, "PAD A");  // same product twice
  Attach(3, "Pad C");
  OpenOptions();
  EXPECT_EQ(Lists().PadChoices[0], (std::vector<std::string>{"", "Pad A", "Pad C"}));
  SettingsTo(kRowPad1P);
  Tap(kVkRight);
  SettingsTo(kRowOk);
  Tap(kVkReturn);
  EXPECT_EQ(g.Config.JoyName1P, "Pad A");
  EXPECT_EQ(g.DXInput1.PadNo, 1);  // the highest matching pad number
}

TEST_F(OptionsTest, NoPadConnectedRefusesTheChangeVisibly) {
  OpenOptions();
  SettingsTo(kRowPad1P);
  Tap(kVkRight);
  EXPECT_EQ(OptionPadChoice(g, 0), "");
  EXPECT_EQ(Lists().NoticeKind, TNoticeKind::Bad);
  EXPECT_EQ(CountSound("BAD"), 1);
}

// --- bad input: pads that are not there -----------------------------------------------------------

TEST_F(OptionsTest, AnUnknownPadNameFromTheFileIsKeptUntilChanged) {
  g.Config.JoyName1P = "Ghost Pad";
  Attach(0, "Pad A");
  OpenOptions();
  EXPECT_EQ(OptionPadChoice(g, 0), "Ghost Pad");
  EXPECT_EQ(Lists().PadChoices[0], (std::vector<std::string>{"", "Pad A", "Ghost Pad"}));
  SettingsTo(kRowOk);
  Tap(kVkReturn);
  EXPECT_EQ(g.Config.JoyName1P, "Ghost Pad");
  EXPECT_EQ(g.DXInput1.PadNo, kNoPad);
  // Choosing "none" on purpose clears it.
  OpenOptions();
  SettingsTo(kRowPad1P);
  Tap(kVkRight);  // Ghost Pad -> wraps to none
  SettingsTo(kRowOk);
  Tap(kVkReturn);
  EXPECT_EQ(g.Config.JoyName1P, "");
}

TEST_F(OptionsTest, APadUnpluggedOnTheListStaysChosenAndNewPadsAppear) {
  Attach(0, "Pad A");
  OpenOptions();
  SettingsTo(kRowPad1P);
  Tap(kVkRight);
  ASSERT_EQ(OptionPadChoice(g, 0), "Pad A");
  Detach(0);
  Attach(4, "Pad D");
  Tick();
  EXPECT_EQ(OptionPadChoice(g, 0), "Pad A");
  EXPECT_EQ(Lists().PadChoices[0], (std::vector<std::string>{"", "Pad D", "Pad A"}));
  SettingsTo(kRowOk);
  Tap(kVkReturn);
  EXPECT_EQ(g.Config.JoyName1P, "Pad A");
  EXPECT_EQ(g.DXInput1.PadNo, kNoPad);
}

// --- key capture -------------------------------------------------------------------------------

TEST_F(OptionsTest, KeyCaptureStoresTheNextKeyAndOkAppliesIt) {
  OpenList(scKeyAssign);
  ListTo(AssignRow(0, 5));  // player 1, erase shot
  Hold(kVkReturn);
  Tick();
  ASSERT_TRUE(Capturing());
  Tick();
  Tick();  // the confirm key still held is not taken
  EXPECT_TRUE(Capturing());
  EXPECT_EQ(Lists().KeyEdit[0].K02, 88);
  Release(kVkReturn);
  Tick();
  Tap('Q');
  EXPECT_FALSE(Capturing());
  EXPECT_EQ(Lists().KeyEdit[0].K02, 'Q');
  EXPECT_EQ(g.Config.KeyAssign1P.K02, 88);  // not before OK
  ListTo(kAssignOk);
  Tap(kVkReturn);
  ASSERT_EQ(g.ScreenState, scOptions);
  EXPECT_EQ(g.Config.KeyAssign1P.K02, 'Q');
  // The device raises the erase state from Q now, and no longer from X.
  Hold('Q');
  g.DXInput1.Poll(platform.In);
  EXPECT_TRUE(g.DXInput1.Has(g.Config.KeyAssign1P.J02));
  Release('Q');
  g.DXInput1.Poll(platform.In);
  Hold('X');
  g.DXInput1.Poll(platform.In);
  EXPECT_FALSE(g.DXInput1.Has(g.Config.KeyAssign1P.J02));
}

TEST_F(OptionsTest, KeyCaptureWorksForEveryControlOfPlayerTwo) {
  OpenList(scKeyAssign);
  const int keys[8] = {'W', 'D', 'S', 'A', '1', '2', '3', '4'};
  for (int c = 0; c < 8; ++c) {
    ListTo(AssignRow(1, c));
    Tap(kVkReturn);
    ASSERT_TRUE(Capturing());
    Tap(keys[c]);
    ASSERT_FALSE(Capturing());
  }
  ListTo(kAssignOk);
  Tap(kVkReturn);
  const TKeyAssign& k = g.Config.KeyAssign2P;
  EXPECT_EQ(k, (TKeyAssign{'W', 'S', 'A', 'D', '1', '2', '3', '4', 4, 5, 6, 7}));
  EXPECT_EQ(g.Config.KeyAssign1P, TGameConfig().KeyAssign1P);
}

TEST_F(OptionsTest, AKeyAlreadyInUseIsTakenWithAWarning) {
  OpenList(scKeyAssign);
  ListTo(AssignRow(1, 7));  // player 2 raises lines with player 1's erase key
  Tap(kVkReturn);
  Tap('X');
  EXPECT_EQ(Lists().KeyEdit[1].K04, 'X');
  EXPECT_NE(Lists().Notice.find("also 1P Erase shot"), std::string::npos) << Lists().Notice;
}

TEST_F(OptionsTest, EscDuringCaptureCancelsOnlyTheCapture) {
  OpenList(scKeyAssign);
  ListTo(AssignRow(0, 4));
  Tap(kVkReturn);
  ASSERT_TRUE(Capturing());
  Tap(kVkEsc);
  EXPECT_EQ(g.ScreenState, scKeyAssign);
  EXPECT_FALSE(Capturing());
  EXPECT_EQ(Lists().KeyEdit[0].K01, 90);
  // The next Esc leaves, committing nothing.
  const TGameConfig before = g.Config;
  Tap(kVkEsc);
  EXPECT_EQ(g.ScreenState, scOptions);
  EXPECT_EQ(g.Config, before);
}

TEST_F(OptionsTest, AKeyWithoutCodeIsRefusedAndCaptureGoesOn) {
  OpenList(scKeyAssign);
  ListTo(AssignRow(0, 4));
  Tap(kVkReturn);
  platform.In.CodelessKey = true;
  Tick();
  Tick();
  EXPECT_TRUE(Capturing());
  EXPECT_EQ(Lists().NoticeKind, TNoticeKind::Bad);
  EXPECT_EQ(CountSound("BAD"), 1);
  EXPECT_EQ(Lists().KeyEdit[0].K01, 90);
  // Another key pressed while it is still held waits for both to be released.
  Hold('V');
  Tick();
  EXPECT_EQ(Lists().KeyEdit[0].K01, 90);
  platform.In.CodelessKey = false;
  Release('V');
  Tick();
  Tap('V');
  EXPECT_FALSE(Capturing());
  EXPECT_EQ(Lists().KeyEdit[0].K01, 'V');
}

TEST_F(OptionsTest, CaptureStartedWithTheActionKeyDoesNotTakeIt) {
  OpenList(scKeyAssign);
  ListTo(AssignRow(0, 6));
  Hold('Z');  // J01 confirms too
  Tick();
  ASSERT_TRUE(Capturing());
  for (int i = 0; i < 5; ++i) Tick();
  EXPECT_TRUE(Capturing());
  EXPECT_EQ(Lists().KeyEdit[0].K03, 67);
  Release('Z');
  Tick();
  Tap('Z');
  EXPECT_EQ(Lists().KeyEdit[0].K03, 'Z');
}

// --- pad capture -------------------------------------------------------------------------------

class PadCaptureTest : public OptionsTest {
 protected:
  // Pad A on number 3 chosen for player 1 in the settings (not committed).
  void OpenPadList() {
    Attach(3, "Pad A");
    OpenOptions();
    SettingsTo(kRowPad1P);
    Tap(kVkRight);
    SettingsTo(kRowPadAssign);
    Tap(kVkReturn);
    ASSERT_EQ(g.ScreenState, scPadAssign);
  }
};

TEST_F(PadCaptureTest, StoresTheButtonStateNumber) {
  OpenPadList();
  ListTo(AssignRow(0, 5));
  Tap(kVkReturn);
  ASSERT_TRUE(Capturing());
  TapButton(3, 9);
  EXPECT_FALSE(Capturing());
  EXPECT_EQ(Lists().KeyEdit[0].J02, 12);
  EXPECT_EQ(AssignValueText(g, Lists().Assign[size_t(AssignRow(0, 5))], true), "button9");
  ListTo(kAssignOk);
  Tap(kVkReturn);
  EXPECT_EQ(g.Config.KeyAssign1P.J02, 12);
  EXPECT_EQ(g.DXInput1.Keys[12][0], 88);  // the erase key follows the button's state
  EXPECT_EQ(g.DXInput1.Keys[5][0], 0);
}

TEST_F(PadCaptureTest, ConfirmWithAPadButtonWaitsForItsRelease) {
  OpenPadList();
  // Pad A is not player 1's pad yet (settings uncommitted): confirm with Return, then hold
  // button 1 over the start and check it is not taken.
  ListTo(AssignRow(0, 7));
  platform.In.Pads[3] = uint64_t(1) << 4;
  Tap(kVkReturn);
  ASSERT_TRUE(Capturing());
  Tick();
  EXPECT_TRUE(Capturing());
  platform.In.Pads[3] = 0;
  Tick();
  TapButton(3, 1);
  EXPECT_EQ(Lists().KeyEdit[0].J04, 4);
}

TEST_F(PadCaptureTest, DirectionsAndMissingPadsAreRefused) {
  OpenPadList();
  ListTo(AssignRow(0, 2));
  Tap(kVkReturn);
  EXPECT_FALSE(Capturing());
  EXPECT_EQ(Lists().NoticeKind, TNoticeKind::Bad);
  ListTo(AssignRow(1, 4));  // player 2 has no pad
  Tap(kVkReturn);
  EXPECT_FALSE(Capturing());
  EXPECT_EQ(Lists().NoticeKind, TNoticeKind::Bad);
  EXPECT_EQ(CountSound("BAD"), 2);
  // The stick and the pad buttons are shown as they are.
  EXPECT_EQ(AssignValueText(g, Lists().Assign[size_t(AssignRow(0, 1))], true), "stick right");
  EXPECT_EQ(AssignValueText(g, Lists().Assign[size_t(AssignRow(1, 7))], true), "button4");
}

TEST_F(PadCaptureTest, UnpluggingThePadEndsTheCaptureAndCommitsNothing) {
  OpenPadList();
  ListTo(AssignRow(0, 4));
  Tap(kVkReturn);
  ASSERT_TRUE(Capturing());
  Tick();
  Detach(3);
  Tick();
  EXPECT_FALSE(Capturing());
  EXPECT_EQ(Lists().NoticeKind, TNoticeKind::Bad);
  EXPECT_EQ(Lists().KeyEdit[0], g.Config.KeyAssign1P);
  // A different pad on the same number is not the one being captured from either.
  Attach(3, "Pad A");
  Tick();
  Tap(kVkReturn);
  ASSERT_TRUE(Capturing());
  Attach(3, "Other");
  Tick();
  EXPECT_FALSE(Capturing());
  const TGameConfig before = g.Config;
  ListTo(kAssignOk);
  Tap(kVkReturn);
  EXPECT_EQ(g.Config, before);
}

TEST_F(PadCaptureTest, TwoActionsOnOneButtonLetTheLaterKeyWin) {
  OpenPadList();
  ListTo(AssignRow(0, 4));
  Tap(kVkReturn);
  TapButton(3, 2);  // action 1 onto action 2's button
  EXPECT_EQ(Lists().KeyEdit[0].J01, 5);
  EXPECT_TRUE(AssignOverridden(Lists().KeyEdit[0], 4));
  EXPECT_FALSE(AssignOverridden(Lists().KeyEdit[0], 5));
  ListTo(kAssignOk);
  Tap(kVkReturn);
  EXPECT_EQ(g.DXInput1.Keys[5][0], g.Config.KeyAssign1P.K02);
  EXPECT_EQ(g.DXInput1.Keys[4][0], 0);
}

TEST(AssignOverriddenTest, OnlyEarlierActionsOnTheSameStateLose) {
  TKeyAssign k{38, 40, 37, 39, 90, 88, 67, 65, 6, 5, 6, 6};
  EXPECT_TRUE(AssignOverridden(k, 4));   // J01 = J03
  EXPECT_FALSE(AssignOverridden(k, 5));  // J02 alone
  EXPECT_TRUE(AssignOverridden(k, 6));   // J03 = J04
  EXPECT_FALSE(AssignOverridden(k, 7));  // the last one wins
  EXPECT_FALSE(AssignOverridden(k, 0));  // directions never
  k.J01 = k.J03 = 200;                   // unbound states are nobody's
  EXPECT_FALSE(AssignOverridden(k, 4));
}

// --- drawing -----------------------------------------------------------------------------------

TEST_F(OptionsTest, ListFontCellIsTheMeasuredLetterPlusMargins) {
  ASSERT_NE(Lists().Font, nullptr);
  TTextSize a = Lists().Font->Measure("A");
  EXPECT_EQ(Lists().CellW, a.W + 1);
  EXPECT_EQ(Lists().CellH, a.H + 5);
  // Without a list face the title face is not kept either, and the picture fonts' cell counts.
  MeasureOptionFont(g, nullptr, std::make_unique<BoxTextRenderer>());
  EXPECT_EQ(Lists().TitleFont, nullptr);
  EXPECT_EQ(Lists().CellW, 10);
  EXPECT_EQ(Lists().CellH, g.DXImageList1.Find("FONT1")->PatH() + 5);
}

TEST_F(OptionsTest, JapaneseLabelsAndValuesAreDrawn) {
  OpenList(scKeyAssign);
  const Bitmap& list = g.ListSurface.Pixels();
  const int ch = Lists().CellH;
  // Player 1's first control row and its value; player 2's last row.
  const RectI label1{24, 68 + ch, 150, ch};
  const RectI value1{24 + 22 * Lists().CellW, 68 + ch, 80, ch};
  const RectI label2{340, 68 + 8 * ch, 150, ch};
  EXPECT_GT(BrightPixels(list, label1), 40);
  EXPECT_GT(BrightPixels(list, value1), 10);
  EXPECT_GT(BrightPixels(list, label2), 40);
  // The screen shows the list.
  Tick();
  EXPECT_GT(BrightPixels(platform.Pixels, label1), 40);
}

// Every text the three lists draw goes through the catalogue: headings, captions, values and
// buttons; a change of language draws the cached caption again.
TEST_F(OptionsTest, EveryTextOfTheListsFollowsTheLanguage) {
  std::vector<std::string> drawn;
  MeasureOptionFont(g, std::make_unique<BoxTextRenderer>(7, 14, &drawn),
                    std::make_unique<BoxTextRenderer>(14, 28, &drawn));
  auto visit = [&](TLanguage lang) {
    EXPECT_EQ(SetLanguage(lang, {std::string(KQ_BIN_DIR) + "/locale"}), lang);
    drawn.clear();
    OpenOptions();
    const std::string caption = lang == TLanguage::Japanese ? "オプション" : "OPTIONS";
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), caption), drawn.end()) << "the first frame's caption";
    SettingsTo(kRowLanguage);  // scrolls the lower rows into view
    SettingsTo(kRowKeyAssign);
    Tap(kVkReturn);
    Tap(kVkEsc);
    SettingsTo(kRowPadAssign);
    Tap(kVkReturn);
    Tap(kVkEsc);
    Tap(kVkEsc);
    EXPECT_EQ(g.ScreenState, scTitle);
    return std::set<std::string>(drawn.begin(), drawn.end());
  };
  const std::vector<std::string> english{"OPTIONS",  "KEY ASSIGN", "PAD ASSIGN", "SYSTEM", "PLAYER 1",
                                         "PLAYER 2", "GENERAL",    "ON",         "OFF",    "< HUMAN >",
                                         "< AUTO >", "OK",         "CANCEL"};
  const std::vector<std::string> japanese{"オプション",  "キー設定", "パッド設定", "システム", "プレイヤー1",
                                          "プレイヤー2", "全般",     "オン",       "オフ",     "< 人間 >",
                                          "< 自動 >",    "OK",       "CANCEL"};
  const std::set<std::string> en = visit(TLanguage::English);
  for (const auto& text : english) EXPECT_TRUE(en.count(text)) << text;
  const std::set<std::string> ja = visit(TLanguage::Japanese);
  for (const auto& text : japanese) EXPECT_TRUE(ja.count(text)) << text;
  for (const auto& text : english)
    if (text != "OK" && text != "CANCEL") {
      EXPECT_FALSE(ja.count(text)) << text;
    }
  for (const auto& text : ja) EXPECT_EQ(text.find("HUMAN"), std::string::npos) << text;
  SetLanguage(TLanguage::English, {});
}

TEST_F(OptionsTest, ListsStillDrawWithThePictureFontsAlone) {
  Lists().Font.reset();
  Lists().TitleFont.reset();
  Lists().CellW = 10;
  Lists().CellH = 21;
  OpenList(scPadAssign);
  ListTo(AssignRow(0, 4));
  Tap(kVkReturn);
  const Bitmap& list = g.ListSurface.Pixels();
  EXPECT_GT(BrightPixels(list, {24, 68 + 21, 200, 21}), 20);
}

TEST_F(OptionsTest, CapturingRowIsMarked) {
  OpenList(scKeyAssign);
  ListTo(AssignRow(0, 3));
  const Bitmap before = g.ListSurface.Pixels();
  Tap(kVkReturn);
  ASSERT_TRUE(Capturing());
  const Bitmap& after = g.ListSurface.Pixels();
  const int ch = Lists().CellH, y = 68 + 4 * ch;
  int changed = 0, reddish = 0;
  for (int yy = y; yy < y + ch; ++yy)
    for (int x = 14; x < 310; ++x) {
      uint32_t p = after.At(x, yy);
      if (p != before.At(x, yy)) ++changed;
      if ((p >> 16 & 0xFF) > (p & 0xFF) + 25) ++reddish;  // orange, not the gold bar
    }
  EXPECT_GT(changed, 300);
  EXPECT_GT(reddish, 1000);
}

}  // namespace
}  // namespace kq::test
