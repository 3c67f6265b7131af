// The option screens: settings list (state 6), key assignment (7) and pad assignment (8).
// Every screen edits a working copy; only its "OK" writes TGameConfig.
#include <algorithm>
#include <bit>

#include "core/context.h"
#include "screens/option_screens.h"
#include "screens/screens.h"

namespace kq {

namespace {

// English here; the lists show them translated (the Japanese labels have at most ten characters).
constexpr const char* kControlLabels[kAssignControls] = {
    N_(" Sight up"),         N_(" Sight right"), N_(" Sight down"),     N_(" Sight left"),
    N_(" Colour-down shot"), N_(" Erase shot"),  N_(" Colour-up shot"), N_(" Raise a line"),
};

constexpr const char* kPlayerHeadings[2] = {"PLAYER 1", "PLAYER 2"};

bool& FieldOf(TGameConfig& c, TSettingField f) {
  switch (f) {
    case TSettingField::UseDirect3D:
      return c.UseDirect3D;
    case TSettingField::WaitVsync:
      return c.WaitVsync;
    case TSettingField::DisableBgm:
      return c.DisableBgm;
    case TSettingField::DisableVoice:
      return c.DisableVoice;
    case TSettingField::AdvancedMode1P:
      return c.AdvancedMode1P;
    case TSettingField::AdvancedMode2P:
      return c.AdvancedMode2P;
    case TSettingField::FullScreen:
      return c.FullScreen;
    default:
      break;
  }
  return c.AdvancedMode2P;  // never reached: toggles always name a field
}

int& LevelOf(TGameConfig& c, TSettingField f) {
  switch (f) {
    case TSettingField::MusicVolume:
      return c.MusicVolume;
    case TSettingField::VoiceVolume:
      return c.VoiceVolume;
    default:
      return c.SoundVolume;
  }
}

// The volumes of the list's working values (or of the settings), heard at once.
void ApplyVolumes(GameContext& g, const TGameConfig& c) {
  if (g.Sound) g.Sound->SetVolumes(c.SoundVolume, c.VoiceVolume);
  if (g.Music) g.Music->SetVolume(c.MusicVolume);
}

void ApplyListVolumes(GameContext& g) {
  TGameConfig c = g.Config;
  for (const auto& it : g.Options.Settings)
    if (it.Kind == TOptionRow::Level) LevelOf(c, it.Field) = it.Selected;
  ApplyVolumes(g, c);
}

std::string& JoyNameOf(TGameConfig& c, int player) {
  return player == 0 ? c.JoyName1P : c.JoyName2P;
}
TDXInput& DeviceOf(GameContext& g, int player) {
  return player == 0 ? g.DXInput1 : g.DXInput2;
}

// Key field of a control in list order: up, right, down, left, K01..K04.
int& KeyOf(TKeyAssign& k, int control) {
  switch (control) {
    case 0:
      return k.UP;
    case 1:
      return k.RIGHT;
    case 2:
      return k.DOWN;
    case 3:
      return k.LEFT;
    case 4:
      return k.K01;
    case 5:
      return k.K02;
    case 6:
      return k.K03;
    default:
      return k.K04;
  }
}

// Input state an action raises (controls 4..7: J01..J04).
uint8_t& PadStateOf(TKeyAssign& k, int control) {
  switch (control) {
    case 4:
      return k.J01;
    case 5:
      return k.J02;
    case 6:
      return k.J03;
    default:
      return k.J04;
  }
}

void SetNotice(GameContext& g, std::string text, TNoticeKind kind) {
  g.Options.Notice = std::move(text);
  g.Options.NoticeKind = kind;
}

std::vector<std::string> AttachedPads(const GameContext& g) {
  return g.Platform ? g.Platform->Input().PadNames() : std::vector<std::string>{};
}

int IndexOfName(const std::vector<std::string>& list, const std::string& name) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].empty() ? name.empty() : SameText(list[i], name)) return int(i);
  return -1;
}

TOptionItem* PadItem(GameContext& g, int player) {
  for (auto& it : g.Options.Settings)
    if (it.Kind == TOptionRow::Pad && it.Player == player) return &it;
  return nullptr;
}

// The player's device reads the pad chosen on the list at once, before OK.
void FollowPadChoice(GameContext& g, int player) {
  if (g.Platform) DeviceOf(g, player).PadNo = ChoosePad(g.Platform->Input(), OptionPadChoice(g, player));
}

// Rebuilds both players' pad choices from the attached pads. keep: the working selection stays
// (an unplugged pad stays chosen, marked as not connected), else the committed name is chosen.
void BuildPadChoices(GameContext& g, bool keep) {
  TOptionScreens& o = g.Options;
  o.SeenPads = AttachedPads(g);
  for (int p = 0; p < 2; ++p) {
    std::string wanted = keep ? OptionPadChoice(g, p) : JoyNameOf(g.Config, p);
    std::vector<std::string>& choices = o.PadChoices[size_t(p)];
    choices = {""};
    for (const auto& name : o.SeenPads)
      if (!name.empty() && IndexOfName(choices, name) < 0) choices.push_back(name);
    const std::string& committed = JoyNameOf(g.Config, p);
    if (!committed.empty() && IndexOfName(choices, committed) < 0) choices.push_back(committed);
    if (!wanted.empty() && IndexOfName(choices, wanted) < 0) choices.push_back(wanted);
    if (TOptionItem* it = PadItem(g, p)) it->Selected = std::max(IndexOfName(choices, wanted), 0);
    // A pad plugged in meanwhile was matched against the committed name; the list's choice rules.
    FollowPadChoice(g, p);
  }
}

bool PadsChanged(const GameContext& g) {
  return g.Platform && AttachedPads(g) != g.Options.SeenPads;
}

int& CpuOf(TGameConfig& c, int player) {
  return player == 0 ? c.Cpu1P : c.Cpu2P;
}

void LoadSettings(GameContext& g) {
  for (auto& it : g.Options.Settings) {
    if (it.Kind == TOptionRow::Toggle) it.Selected = FieldOf(g.Config, it.Field) != it.ShowInverted ? 1 : 0;
    if (it.Kind == TOptionRow::Cpu) it.Selected = std::clamp(CpuOf(g.Config, it.Player), 0, kCpuLevels);
    if (it.Kind == TOptionRow::Level) it.Selected = std::clamp(LevelOf(g.Config, it.Field), 0, kMaxVolume);
    if (it.Kind == TOptionRow::Language) it.Selected = int(g.Config.Language);
  }
  BuildPadChoices(g, false);
}

void CommitSettings(GameContext& g) {
  const bool musicWasOn = !g.Config.DisableBgm;
  for (auto& it : g.Options.Settings) {
    if (it.Kind == TOptionRow::Toggle) FieldOf(g.Config, it.Field) = (it.Selected != 0) != it.ShowInverted;
    if (it.Kind == TOptionRow::Cpu) CpuOf(g.Config, it.Player) = it.Selected;
    if (it.Kind == TOptionRow::Level) LevelOf(g.Config, it.Field) = it.Selected;
    if (it.Kind == TOptionRow::Language) g.Config.Language = TLanguage(it.Selected);
  }
  SetLanguage(g.Config.Language, g.LocaleFolders);
  if (g.Platform && g.Platform->FullScreen() != g.Config.FullScreen) g.Platform->ToggleFullScreen();
  for (int p = 0; p < 2; ++p) {
    JoyNameOf(g.Config, p) = OptionPadChoice(g, p);
    if (g.Platform) DeviceOf(g, p).PadNo = ChoosePad(g.Platform->Input(), JoyNameOf(g.Config, p));
  }
  if (musicWasOn && g.Config.DisableBgm) g.StopMusic();
}

bool Selectable(TOptionRow k) {
  return k != TOptionRow::Heading;
}
bool Selectable(TAssignRow k) {
  return k != TAssignRow::Heading;
}

// Next selectable row in direction dir, wrapping round.
template <class Items>
int StepCursor(const Items& items, int cursor, int dir) {
  const int n = int(items.size());
  for (int i = 1; i <= n; ++i) {
    int c = ((cursor + dir * i) % n + n) % n;
    if (Selectable(items[size_t(c)].Kind)) return c;
  }
  return cursor;
}

template <class Items>
int FirstSelectable(const Items& items, int cursor) {
  if (cursor >= 0 && cursor < int(items.size()) && Selectable(items[size_t(cursor)].Kind)) return cursor;
  return StepCursor(items, 0, 1);
}

int IndexOfRow(const std::vector<TOptionItem>& items, TOptionRow kind) {
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].Kind == kind) return int(i);
  return 0;
}

int IndexOfAssign(const std::vector<TAssignItem>& items, TAssignRow kind, int player = 0, int control = 0) {
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].Kind == kind &&
        (kind != TAssignRow::Control || (items[i].Player == player && items[i].Control == control)))
      return int(i);
  return 0;
}

struct TMenuInput {
  bool Up, Down, Left, Right, Confirm, Cancel;
};

TMenuInput ReadMenu(const GameContext& g) {
  auto either = [&](int s) { return g.DXInput1.Has(s) || g.DXInput2.Has(s); };
  return {either(kStateUp),    either(kStateDown), either(kStateLeft),
          either(kStateRight), g.ConfirmPressed(), g.CancelPressed()};
}

std::string PlayerTag(int player) {
  return player == 0 ? "1P" : "2P";
}
std::string Trimmed(const char* label) {
  return std::string(label + 1);
}  // labels start with a blank

// --- settings list -------------------------------------------------------------------------

void LeaveOptions(GameContext& g, bool commit) {
  if (commit) {
    CommitSettings(g);
  } else if (g.Platform) {
    // The pads chosen on the list were in use already: back to the committed ones.
    for (int p = 0; p < 2; ++p) DeviceOf(g, p).PadNo = ChoosePad(g.Platform->Input(), JoyNameOf(g.Config, p));
  }
  ApplyVolumes(g, g.Config);  // the volumes heard while on the list were only tried
  // The display follows WaitVsync whenever the list is left.
  if (g.Platform) g.Platform->SetVsync(g.Config.WaitVsync);
  g.EnterState(scTitle);
}

void ChangeValue(GameContext& g, TOptionItem& it, int dir, bool confirm = false) {
  if (it.Kind == TOptionRow::Toggle) {
    it.Selected = it.Selected ? 0 : 1;
  } else if (it.Kind == TOptionRow::Cpu) {
    it.Selected = ((it.Selected + dir) % (kCpuLevels + 1) + kCpuLevels + 1) % (kCpuLevels + 1);
  } else if (it.Kind == TOptionRow::Level) {
    // LEFT/RIGHT stop at the ends; RETURN goes round.
    it.Selected =
        confirm ? (it.Selected + 1) % (kMaxVolume + 1) : std::clamp(it.Selected + dir, 0, kMaxVolume);
    ApplyListVolumes(g);
  } else if (it.Kind == TOptionRow::Language) {
    it.Selected = ((it.Selected + dir) % 3 + 3) % 3;
  } else if (it.Kind == TOptionRow::Pad) {
    int n = int(g.Options.PadChoices[size_t(it.Player)].size());
    if (n <= 1) {
      SetNotice(g, Tr("No game pad is connected"), TNoticeKind::Bad);
      g.PlaySound("BAD");
      return;
    }
    it.Selected = ((it.Selected + dir) % n + n) % n;
    FollowPadChoice(g, it.Player);
  } else {
    return;
  }
  SetNotice(g, "", TNoticeKind::None);
  // The voice row speaks, so its volume is heard.
  g.PlaySound(it.Kind == TOptionRow::Level && it.Field == TSettingField::VoiceVolume ? "VOICE1A" : "CURSOR",
              true);
}

// --- key and pad lists ------------------------------------------------------------------------

void StartCapture(GameContext& g, const TAssignItem& it, bool padList) {
  TOptionScreens& o = g.Options;
  std::string what = PlayerTag(it.Player) + " " + Trimmed(Tr(kControlLabels[it.Control]));
  if (!g.Platform) return;
  if (!padList) {
    g.Capturing = true;
    o.CaptureArmed = false;
    SetNotice(g, Subst(Tr("Press the new key for {control}   (ESC: keep the old one)"), "{control}", what),
              TNoticeKind::None);
    g.PlaySound("SELECT");
    return;
  }
  if (it.Control < 4) {
    SetNotice(g, Tr("Directions always come from the stick, the hat or the d-pad"), TNoticeKind::Bad);
    g.PlaySound("BAD");
    return;
  }
  std::string name = OptionPadChoice(g, it.Player);
  int pad = name.empty() ? kNoPad : ChoosePad(g.Platform->Input(), name);
  if (name.empty()) {
    SetNotice(g,
              Subst(Tr("{player} has no game pad: choose one in the settings"), "{player}",
                    kPlayerHeadings[it.Player]),
              TNoticeKind::Bad);
    g.PlaySound("BAD");
    return;
  }
  if (pad == kNoPad) {
    SetNotice(g, Subst(Tr("{pad} is not connected"), "{pad}", name), TNoticeKind::Bad);
    g.PlaySound("BAD");
    return;
  }
  g.Capturing = true;
  o.CaptureArmed = false;
  o.CapturePad = pad;
  o.CapturePadName = AttachedPads(g)[size_t(pad)];
  SetNotice(g, Subst(Tr("Press the new button for {control}   (ESC: keep the old one)"), "{control}", what),
            TNoticeKind::None);
  g.PlaySound("SELECT");
}

// "2P ライン上昇" for the first other control bound to key vk, else "".
std::string OtherControlWithKey(std::array<TKeyAssign, 2>& keys, const TAssignItem& self, int vk) {
  for (int p = 0; p < 2; ++p)
    for (int c = 0; c < kAssignControls; ++c)
      if ((p != self.Player || c != self.Control) && KeyOf(keys[size_t(p)], c) == vk)
        return PlayerTag(p) + " " + Trimmed(Tr(kControlLabels[c]));
  return "";
}

void EndCapture(GameContext& g, std::string notice, TNoticeKind kind, const char* sound) {
  g.Capturing = false;
  g.Options.CaptureArmed = false;
  SetNotice(g, std::move(notice), kind);
  g.PlaySound(sound);
}

// One tick of a capture; true when the list changed.
bool CaptureTick(GameContext& g, bool padList) {
  TOptionScreens& o = g.Options;
  const int cursor = padList ? g.PadAssignCursor : g.KeyAssignCursor;
  const TAssignItem& it = o.Assign[size_t(cursor)];
  TKeyAssign& k = o.KeyEdit[size_t(it.Player)];
  const std::string what = PlayerTag(it.Player) + " " + Trimmed(Tr(kControlLabels[it.Control]));
  if (g.CancelPressed()) {
    EndCapture(g,
               Subst(padList ? Tr("Kept the old button of {control}") : Tr("Kept the old key of {control}"),
                     "{control}", what),
               TNoticeKind::None, "CURSOR");
    return true;
  }
  const IInputSource& src = g.Platform->Input();
  if (!padList) {
    const bool held = src.AnyKeyDown();
    if (!o.CaptureArmed) {
      o.CaptureArmed = !held;
      return false;
    }
    if (!held) return false;
    const int vk = src.FirstDownVk();
    if (vk == 0) {
      // Wait for that key's release before taking the next one.
      o.CaptureArmed = false;
      SetNotice(g, Tr("That key has no key code and cannot be used: press another"), TNoticeKind::Bad);
      g.PlaySound("BAD");
      return true;
    }
    if (vk == 27) return false;  // Esc only ever cancels
    KeyOf(k, it.Control) = vk;
    std::string notice = what + ": " + KeyName(vk, g.Platform ? &g.Platform->Input() : nullptr);
    // A key on two controls raises both; say so rather than refuse it.
    if (std::string other = OtherControlWithKey(o.KeyEdit, it, vk); !other.empty())
      notice += Subst(Tr("  (also {control})"), "{control}", other);
    EndCapture(g, notice, TNoticeKind::Good, "SELECT");
    return true;
  }
  std::vector<std::string> pads = src.PadNames();
  if (o.CapturePad < 0 || o.CapturePad >= int(pads.size()) ||
      pads[size_t(o.CapturePad)] != o.CapturePadName) {
    EndCapture(g, Subst(Tr("{pad} was unplugged: the old button stays"), "{pad}", o.CapturePadName),
               TNoticeKind::Bad, "BAD");
    return true;
  }
  uint32_t buttons = uint32_t(src.PadStates(o.CapturePad) >> 4);
  // A controller's Back and Start stay Esc and Return.
  if (src.PadIsController(o.CapturePad))
    buttons &= ~((1u << (kStateCancel - 4)) | (1u << (kStateConfirm - 4)));
  if (!o.CaptureArmed) {
    o.CaptureArmed = buttons == 0;
    return false;
  }
  if (buttons == 0) return false;
  const int state = 4 + std::countr_zero(buttons);
  PadStateOf(k, it.Control) = uint8_t(state);
  std::string notice = what + ": " + PadButtonText(&src, o.CapturePad, state);
  for (int c = 4; c < kAssignControls; ++c)
    if (c != it.Control && PadStateOf(k, c) == state) {
      notice += Tr("  (shared: the later row's key wins)");
      break;
    }
  EndCapture(g, notice, TNoticeKind::Good, "SELECT");
  return true;
}

void EnterAssign(GameContext& g, int& cursor, int screen) {
  if (g.Options.Assign.empty()) BuildOptionItems(g);
  cursor = FirstSelectable(g.Options.Assign, 1);
  g.Capturing = false;
  g.Options.CaptureArmed = false;
  g.Options.KeyEdit = {g.Config.KeyAssign1P, g.Config.KeyAssign2P};
  SetNotice(g, "", TNoticeKind::None);
  if (screen == scPadAssign && PadsChanged(g)) BuildPadChoices(g, true);
  DrawOptionList(g, screen);
}

void AssignTick(GameContext& g, int moveCount, bool padList) {
  TOptionScreens& o = g.Options;
  int& cursor = padList ? g.PadAssignCursor : g.KeyAssignCursor;
  const int screen = padList ? scPadAssign : scKeyAssign;
  bool redraw = false;
  if (padList && PadsChanged(g)) {
    BuildPadChoices(g, true);
    redraw = true;
  }
  if (g.Capturing) {
    redraw |= CaptureTick(g, padList);
  } else {
    const TMenuInput in = ReadMenu(g);
    const TAssignItem& it = o.Assign[size_t(cursor)];
    if (in.Up || in.Down) {
      cursor = StepCursor(o.Assign, cursor, in.Up ? -1 : 1);
      g.PlaySound("CURSOR");
      redraw = true;
    } else if (in.Left || in.Right) {
      // The two players' columns side by side; OK and CANCEL side by side.
      int to = cursor;
      if (it.Kind == TAssignRow::Control)
        to = IndexOfAssign(o.Assign, TAssignRow::Control, 1 - it.Player, it.Control);
      else
        to = IndexOfAssign(o.Assign, it.Kind == TAssignRow::Ok ? TAssignRow::Cancel : TAssignRow::Ok);
      if (to != cursor) {
        cursor = to;
        g.PlaySound("CURSOR");
        redraw = true;
      }
    } else if (in.Cancel) {
      SetNotice(g, padList ? Tr("Pad buttons unchanged") : Tr("Keys unchanged"), TNoticeKind::None);
      g.EnterState(scOptions);
      return;
    } else if (in.Confirm) {
      if (it.Kind == TAssignRow::Control) {
        StartCapture(g, it, padList);
        redraw = true;
      } else if (it.Kind == TAssignRow::Ok) {
        g.Config.KeyAssign1P = o.KeyEdit[0];
        g.Config.KeyAssign2P = o.KeyEdit[1];
        ApplyKeyAssign(g.DXInput1, g.DXInput2, g.Config);
        SetNotice(g, padList ? Tr("Pad buttons applied") : Tr("Keys applied"), TNoticeKind::Good);
        g.PlaySound("SELECT");
        g.EnterState(scOptions);
        return;
      } else if (it.Kind == TAssignRow::Cancel) {
        SetNotice(g, padList ? Tr("Pad buttons unchanged") : Tr("Keys unchanged"), TNoticeKind::None);
        g.EnterState(scOptions);
        return;
      }
    }
  }
  if (redraw) DrawOptionList(g, screen);
  g.DrawFrontEndFrame(moveCount, &g.ListSurface, true);
}

}  // namespace

bool OptionToggleValue(const TOptionItem& item) {
  return item.Selected != 0;
}

std::string OptionPadChoice(const GameContext& g, int player) {
  const auto& choices = g.Options.PadChoices[size_t(player)];
  for (const auto& it : g.Options.Settings)
    if (it.Kind == TOptionRow::Pad && it.Player == player && it.Selected >= 0 &&
        it.Selected < int(choices.size()))
      return choices[size_t(it.Selected)];
  return {};
}

std::string LanguageChoiceText(int choice) {
  switch (TLanguage(choice)) {
    case TLanguage::English:
      return "English";
    case TLanguage::Japanese:
      return "日本語";
    case TLanguage::Auto:
      break;
  }
  return "AUTO";
}

std::string CpuLevelText(int level) {
  return level <= 0 || level > kCpuLevels ? "HUMAN" : "CPU " + std::to_string(level);
}

bool AssignOverridden(const TKeyAssign& k, int control) {
  if (control < 4 || control >= kAssignControls) return false;
  const uint8_t js[4] = {k.J01, k.J02, k.J03, k.J04};
  const int n = control - 4;
  if (js[n] >= kInputStates) return false;
  for (int m = n + 1; m < 4; ++m)
    if (js[m] == js[n]) return true;
  return false;
}

std::string AssignValueText(const GameContext& g, const TAssignItem& item, bool padList) {
  static const char* kStick[4] = {N_("stick up"), N_("stick down"), N_("stick left"), N_("stick right")};
  TKeyAssign k = g.Options.KeyEdit[size_t(item.Player)];
  if (!padList) {
    int code = KeyOf(k, item.Control);
    return code == 0 ? "---" : KeyName(code, g.Platform ? &g.Platform->Input() : nullptr);
  }
  if (item.Control < 4) {
    static const int kStateOfRow[4] = {0, 3, 1, 2};  // up, right, down, left
    return Tr(kStick[kStateOfRow[item.Control]]);
  }
  int state = PadStateOf(k, item.Control);
  if (state < 4) return Tr(kStick[state]);
  if (state >= kInputStates) return "---";
  if (!g.Platform) return ButtonName(state - 3);
  const std::string pad = OptionPadChoice(g, item.Player);
  return PadButtonText(&g.Platform->Input(), pad.empty() ? kNoPad : ChoosePad(g.Platform->Input(), pad),
                       state);
}

void BuildOptionItems(GameContext& g) {
  TOptionScreens& o = g.Options;
  using R = TOptionRow;
  using F = TSettingField;
  // Labels and help lines are English; the list translates them as it draws.
  o.Settings = {
      {R::Heading, "SYSTEM", F::None, false, 0, "", 0},
      {R::Toggle, N_(" 3D effects"), F::UseDirect3D, false, 0,
       N_("3-D effects: blocks, dust and the rainbow drawn as textures"), 0},
      {R::Toggle, N_(" Wait for vsync"), F::WaitVsync, false, 0,
       N_("Smooth motion: each frame waits for the screen's refresh"), 0},
      {R::Toggle, N_(" Music"), F::DisableBgm, true, 0, N_("Background music on or off"), 0},
      {R::Toggle, N_(" Voices"), F::DisableVoice, true, 0,
       N_("Voices on or off (turning them on takes a restart)"), 0},
      {R::Heading, kPlayerHeadings[0], F::None, false, 0, "", 0},
      {R::Cpu, N_(" Player"), F::None, false, 0,
       N_("HUMAN, or the computer plays this side of VS GAME (CPU 1 easy ... 5 hard)"), 0},
      {R::Toggle, N_(" Advanced mode"), F::AdvancedMode1P, false, 0,
       N_("Advanced mode: every colour change wears a block out"), 0},
      {R::Pad, N_(" Game pad"), F::None, false, 0, N_("LEFT/RIGHT choose among the game pads connected now"),
       0},
      {R::Heading, kPlayerHeadings[1], F::None, false, 1, "", 0},
      {R::Cpu, N_(" Player"), F::None, false, 1,
       N_("HUMAN, or the computer plays this side of VS GAME (CPU 1 easy ... 5 hard)"), 0},
      {R::Toggle, N_(" Advanced mode"), F::AdvancedMode2P, false, 1,
       N_("Advanced mode: every colour change wears a block out"), 0},
      {R::Pad, N_(" Game pad"), F::None, false, 1, N_("LEFT/RIGHT choose among the game pads connected now"),
       0},
      {R::KeyAssign, N_(" KEY ASSIGN.."), F::None, false, 0, N_("The keyboard keys of both players"), 0},
      {R::PadAssign, N_(" PAD ASSIGN.."), F::None, false, 0, N_("The game pad buttons of both players"), 0},
      {R::Heading, "GENERAL", F::None, false, 0, "", 0},
      {R::Toggle, N_(" Full screen"), F::FullScreen, false, 0,
       N_("Full screen: the game fills the screen (Alt+Return switches at any time)"), 0},
      {R::Level, N_(" Music volume"), F::MusicVolume, false, 0,
       N_("How loud the music plays: 0 silent, 10 full"), 0},
      {R::Level, N_(" Sound volume"), F::SoundVolume, false, 0,
       N_("How loud the sound effects play: 0 silent, 10 full"), 0},
      {R::Level, N_(" Voice volume"), F::VoiceVolume, false, 0,
       N_("How loud the voices speak: 0 silent, 10 full"), 0},
      {R::Language, N_(" Language"), F::None, false, 0,
       N_("The language of the game's texts: AUTO follows the system"), 0},
      {R::Ok, "OK", F::None, false, 0, N_("Keep these settings"), 0},
      {R::Cancel, "CANCEL", F::None, false, 0, N_("Throw the changes away"), 0},
  };
  o.Assign.clear();
  for (int p = 0; p < 2; ++p) {
    o.Assign.push_back({TAssignRow::Heading, kPlayerHeadings[p], p, 0});
    for (int c = 0; c < kAssignControls; ++c)
      o.Assign.push_back({TAssignRow::Control, kControlLabels[c], p, c});
  }
  o.Assign.push_back({TAssignRow::Ok, "OK", 0, 0});
  o.Assign.push_back({TAssignRow::Cancel, "CANCEL", 0, 0});
}

void EnterOptions(GameContext& g) {
  if (g.Options.Settings.empty()) BuildOptionItems(g);  // a context that skipped the loader
  // Back from the key or pad list the edits so far stay; from the title they start afresh.
  const bool back = g.ScreenState == scKeyAssign || g.ScreenState == scPadAssign;
  if (back) {
    BuildPadChoices(g, true);
  } else {
    LoadSettings(g);
    SetNotice(g, "", TNoticeKind::None);
  }
  g.OptionCursor = FirstSelectable(g.Options.Settings, g.OptionCursor);
  g.Capturing = false;
  DrawOptionList(g, scOptions);
}

void OptionsTick(GameContext& g, int moveCount) {
  TOptionScreens& o = g.Options;
  bool redraw = false;
  if (PadsChanged(g)) {
    BuildPadChoices(g, true);
    redraw = true;
  }
  const TMenuInput in = ReadMenu(g);
  TOptionItem& it = o.Settings[size_t(g.OptionCursor)];
  if (in.Up || in.Down) {
    g.OptionCursor = StepCursor(o.Settings, g.OptionCursor, in.Up ? -1 : 1);
    SetNotice(g, "", TNoticeKind::None);
    g.PlaySound("CURSOR");
    redraw = true;
  } else if (in.Cancel) {
    LeaveOptions(g, false);
    return;
  } else if (in.Left || in.Right) {
    if (it.Kind == TOptionRow::Ok || it.Kind == TOptionRow::Cancel) {
      g.OptionCursor =
          IndexOfRow(o.Settings, it.Kind == TOptionRow::Ok ? TOptionRow::Cancel : TOptionRow::Ok);
      g.PlaySound("CURSOR");
    } else {
      ChangeValue(g, it, in.Left ? -1 : 1);
    }
    redraw = true;
  } else if (in.Confirm) {
    switch (it.Kind) {
      case TOptionRow::Toggle:
      case TOptionRow::Cpu:
      case TOptionRow::Pad:
      case TOptionRow::Level:
      case TOptionRow::Language:
        ChangeValue(g, it, 1, true);
        redraw = true;
        break;
      case TOptionRow::KeyAssign:
        g.EnterState(scKeyAssign);
        return;
      case TOptionRow::PadAssign:
        g.EnterState(scPadAssign);
        return;
      case TOptionRow::Ok:
        g.PlaySound("SELECT");
        LeaveOptions(g, true);
        return;
      case TOptionRow::Cancel:
        LeaveOptions(g, false);
        return;
      case TOptionRow::Heading:
        break;
    }
  }
  if (redraw) DrawOptionList(g, scOptions);
  g.DrawFrontEndFrame(moveCount, &g.ListSurface, true);
}

void EnterKeyAssign(GameContext& g) {
  g.KeyAssignCursor = 1;
  EnterAssign(g, g.KeyAssignCursor, scKeyAssign);
}

void KeyAssignTick(GameContext& g, int moveCount) {
  AssignTick(g, moveCount, false);
}

void EnterPadAssign(GameContext& g) {
  g.PadAssignCursor = 1;
  EnterAssign(g, g.PadAssignCursor, scPadAssign);
}

void PadAssignTick(GameContext& g, int moveCount) {
  AssignTick(g, moveCount, true);
}

}  // namespace kq
