// The option screens: settings list (state 6), key assignment (7) and pad assignment (8).
// Every screen edits a working copy; only its "OK" writes TGameConfig.
#include <algorithm>
#include <bit>

#include "config/config_file.h"
#include "core/context.h"
#include "screens/option_screens.h"
#include "screens/screen_text.h"
#include "screens/screens.h"

namespace kq {

namespace {

// English here; the lists show them translated (the Japanese labels have at most ten characters).
constexpr const char* kControlLabels[kAssignControls] = {
    N_(" Sight up"),         N_(" Sight right"), N_(" Sight down"),     N_(" Sight left"),
    N_(" Colour-down shot"), N_(" Erase shot"),  N_(" Colour-up shot"), N_(" Raise a line"),
};

constexpr const char* kPlayerHeadings[2] = {N_("PLAYER 1"), N_("PLAYER 2")};

// Who plays a side: a person, or the computer at a strength of 1 (weakest) to kCpuLevels.
constexpr const char* kCpuLevelLabels[kCpuLevels + 1] = {N_("HUMAN"), N_("CPU 1"), N_("CPU 2"),
                                                         N_("CPU 3"), N_("CPU 4"), N_("CPU 5")};
static_assert(kCpuLevels == 5, "a label for each strength");

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

void ApplyListVolumes(GameContext& g, const TOptionScreens& o) {
  TGameConfig c = g.Config;
  for (const auto& it : o.Settings)
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

void SetNotice(TOptionScreens& o, std::string text, TNoticeKind kind) {
  o.Notice = std::move(text);
  o.NoticeKind = kind;
}

std::vector<std::string> AttachedPads(const GameContext& g) {
  return g.Platform ? g.Platform->Input().PadNames() : std::vector<std::string>{};
}

int IndexOfName(const std::vector<std::string>& list, const std::string& name) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].empty() ? name.empty() : SameText(list[i], name)) return int(i);
  return -1;
}

TOptionItem* PadItem(TOptionScreens& o, int player) {
  for (auto& it : o.Settings)
    if (it.Kind == TOptionRow::Pad && it.Player == player) return &it;
  return nullptr;
}

// The player's device reads the pad chosen on the list at once, before OK.
void FollowPadChoice(GameContext& g, const TOptionScreens& o, int player) {
  if (g.Platform) DeviceOf(g, player).PadNo = ChoosePad(g.Platform->Input(), OptionPadChoice(o, player));
}

// Rebuilds both players' pad choices from the attached pads. keep: the working selection stays
// (an unplugged pad stays chosen, marked as not connected), else the committed name is chosen.
void BuildPadChoices(GameContext& g, TOptionScreens& o, bool keep) {
  o.SeenPads = AttachedPads(g);
  for (int p = 0; p < 2; ++p) {
    std::string wanted = keep ? OptionPadChoice(o, p) : JoyNameOf(g.Config, p);
    std::vector<std::string>& choices = o.PadChoices[size_t(p)];
    choices = {""};
    for (const auto& name : o.SeenPads)
      if (!name.empty() && IndexOfName(choices, name) < 0) choices.push_back(name);
    const std::string& committed = JoyNameOf(g.Config, p);
    if (!committed.empty() && IndexOfName(choices, committed) < 0) choices.push_back(committed);
    if (!wanted.empty() && IndexOfName(choices, wanted) < 0) choices.push_back(wanted);
    if (TOptionItem* it = PadItem(o, p)) it->Selected = std::max(IndexOfName(choices, wanted), 0);
    // A pad plugged in meanwhile was matched against the committed name; the list's choice rules.
    FollowPadChoice(g, o, p);
  }
}

bool PadsChanged(const GameContext& g, const TOptionScreens& o) {
  return g.Platform && AttachedPads(g) != o.SeenPads;
}

int& CpuOf(TGameConfig& c, int player) {
  return player == 0 ? c.Cpu1P : c.Cpu2P;
}

void LoadSettings(GameContext& g, TOptionScreens& o) {
  for (auto& it : o.Settings) {
    if (it.Kind == TOptionRow::Toggle) it.Selected = FieldOf(g.Config, it.Field) != it.ShowInverted ? 1 : 0;
    if (it.Kind == TOptionRow::Cpu) it.Selected = std::clamp(CpuOf(g.Config, it.Player), 0, kCpuLevels);
    if (it.Kind == TOptionRow::Level) it.Selected = std::clamp(LevelOf(g.Config, it.Field), 0, kMaxVolume);
    if (it.Kind == TOptionRow::Language) it.Selected = int(g.Config.Language);
  }
  o.ServerEdit = g.Config.NetServer;
  BuildPadChoices(g, o, false);
}

void CommitSettings(GameContext& g, const TOptionScreens& o) {
  const bool musicWasOn = !g.Config.DisableBgm;
  for (auto& it : o.Settings) {
    if (it.Kind == TOptionRow::Toggle) FieldOf(g.Config, it.Field) = (it.Selected != 0) != it.ShowInverted;
    if (it.Kind == TOptionRow::Cpu) CpuOf(g.Config, it.Player) = it.Selected;
    if (it.Kind == TOptionRow::Level) LevelOf(g.Config, it.Field) = it.Selected;
    if (it.Kind == TOptionRow::Language) g.Config.Language = TLanguage(it.Selected);
  }
  g.Config.NetServer = o.ServerEdit;
  SetLanguage(g.Config.Language, g.LocaleFolders);
  if (g.Platform && g.Platform->FullScreen() != g.Config.FullScreen) g.Platform->ToggleFullScreen();
  for (int p = 0; p < 2; ++p) {
    JoyNameOf(g.Config, p) = OptionPadChoice(o, p);
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

void LeaveOptions(GameContext& g, const TOptionScreens& o, bool commit) {
  if (commit) {
    CommitSettings(g, o);
  } else if (g.Platform) {
    // The pads chosen on the list were in use already: back to the committed ones.
    for (int p = 0; p < 2; ++p) DeviceOf(g, p).PadNo = ChoosePad(g.Platform->Input(), JoyNameOf(g.Config, p));
  }
  ApplyVolumes(g, g.Config);  // the volumes heard while on the list were only tried
  // The display follows WaitVsync whenever the list is left.
  if (g.Platform) g.Platform->SetVsync(g.Config.WaitVsync);
  g.EnterState(scTitle);
}

void ChangeValue(GameContext& g, TOptionScreens& o, TOptionItem& it, int dir, bool confirm = false) {
  if (it.Kind == TOptionRow::Toggle) {
    it.Selected = it.Selected ? 0 : 1;
  } else if (it.Kind == TOptionRow::Cpu) {
    it.Selected = ((it.Selected + dir) % (kCpuLevels + 1) + kCpuLevels + 1) % (kCpuLevels + 1);
  } else if (it.Kind == TOptionRow::Level) {
    // LEFT/RIGHT stop at the ends; RETURN goes round.
    it.Selected =
        confirm ? (it.Selected + 1) % (kMaxVolume + 1) : std::clamp(it.Selected + dir, 0, kMaxVolume);
    ApplyListVolumes(g, o);
  } else if (it.Kind == TOptionRow::Language) {
    it.Selected = ((it.Selected + dir) % 3 + 3) % 3;
  } else if (it.Kind == TOptionRow::Pad) {
    int n = int(o.PadChoices[size_t(it.Player)].size());
    if (n <= 1) {
      SetNotice(o, Tr("No game pad is connected"), TNoticeKind::Bad);
      g.PlaySound("BAD");
      return;
    }
    it.Selected = ((it.Selected + dir) % n + n) % n;
    FollowPadChoice(g, o, it.Player);
  } else {
    return;
  }
  SetNotice(o, "", TNoticeKind::None);
  // The voice row speaks, so its volume is heard.
  g.PlaySound(it.Kind == TOptionRow::Level && it.Field == TSettingField::VoiceVolume ? "VOICE1A" : "CURSOR",
              true);
}

// --- key and pad lists ------------------------------------------------------------------------

}  // namespace

void TAssignScreen::StartCapture(GameContext& g, const TAssignItem& it) {
  TOptionScreens& o = Lists();
  std::string what = PlayerTag(it.Player) + " " + Trimmed(Tr(kControlLabels[it.Control]));
  if (!g.Platform) return;
  if (!PadList) {
    Capturing = true;
    CaptureArmed = false;
    SetNotice(o, Subst(Tr("Press the new key for {control}   (ESC: keep the old one)"), "{control}", what),
              TNoticeKind::None);
    g.PlaySound("SELECT");
    return;
  }
  if (it.Control < 4) {
    SetNotice(o, Tr("Directions always come from the stick, the hat or the d-pad"), TNoticeKind::Bad);
    g.PlaySound("BAD");
    return;
  }
  std::string name = OptionPadChoice(o, it.Player);
  int pad = name.empty() ? kNoPad : ChoosePad(g.Platform->Input(), name);
  if (name.empty()) {
    SetNotice(o,
              Subst(Tr("{player} has no game pad: choose one in the settings"), "{player}",
                    kPlayerHeadings[it.Player]),
              TNoticeKind::Bad);
    g.PlaySound("BAD");
    return;
  }
  if (pad == kNoPad) {
    SetNotice(o, Subst(Tr("{pad} is not connected"), "{pad}", name), TNoticeKind::Bad);
    g.PlaySound("BAD");
    return;
  }
  Capturing = true;
  CaptureArmed = false;
  CapturePad = pad;
  CapturePadName = AttachedPads(g)[size_t(pad)];
  SetNotice(o, Subst(Tr("Press the new button for {control}   (ESC: keep the old one)"), "{control}", what),
            TNoticeKind::None);
  g.PlaySound("SELECT");
}

namespace {

// "2P ライン上昇" for the first other control bound to key vk, else "".
std::string OtherControlWithKey(std::array<TKeyAssign, 2>& keys, const TAssignItem& self, int vk) {
  for (int p = 0; p < 2; ++p)
    for (int c = 0; c < kAssignControls; ++c)
      if ((p != self.Player || c != self.Control) && KeyOf(keys[size_t(p)], c) == vk)
        return PlayerTag(p) + " " + Trimmed(Tr(kControlLabels[c]));
  return "";
}

}  // namespace

void TAssignScreen::EndCapture(GameContext& g, std::string notice, TNoticeKind kind, const char* sound) {
  Capturing = false;
  CaptureArmed = false;
  SetNotice(Lists(), std::move(notice), kind);
  g.PlaySound(sound);
}

// One tick of a capture; true when the list changed.
bool TAssignScreen::CaptureTick(GameContext& g) {
  TOptionScreens& o = Lists();
  const bool padList = PadList;
  const TAssignItem& it = o.Assign[size_t(Cursor)];
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
    if (!CaptureArmed) {
      CaptureArmed = !held;
      return false;
    }
    if (!held) return false;
    const int vk = src.FirstDownVk();
    if (vk == 0) {
      // Wait for that key's release before taking the next one.
      CaptureArmed = false;
      SetNotice(o, Tr("That key has no key code and cannot be used: press another"), TNoticeKind::Bad);
      g.PlaySound("BAD");
      return true;
    }
    if (vk == 27) return false;  // Esc only ever cancels
    KeyOf(k, it.Control) = vk;
    std::string notice = what + ": " + KeyText(vk, g.Platform ? &g.Platform->Input() : nullptr);
    // A key on two controls raises both; say so rather than refuse it.
    if (std::string other = OtherControlWithKey(o.KeyEdit, it, vk); !other.empty())
      notice += Subst(Tr("  (also {control})"), "{control}", other);
    EndCapture(g, notice, TNoticeKind::Good, "SELECT");
    return true;
  }
  std::vector<std::string> pads = src.PadNames();
  if (CapturePad < 0 || CapturePad >= int(pads.size()) || pads[size_t(CapturePad)] != CapturePadName) {
    EndCapture(g, Subst(Tr("{pad} was unplugged: the old button stays"), "{pad}", CapturePadName),
               TNoticeKind::Bad, "BAD");
    return true;
  }
  uint32_t buttons = uint32_t(src.PadStates(CapturePad) >> 4);
  // A controller's Back and Start stay Esc and Return.
  if (src.PadIsController(CapturePad)) buttons &= ~((1u << (kStateCancel - 4)) | (1u << (kStateConfirm - 4)));
  if (!CaptureArmed) {
    CaptureArmed = buttons == 0;
    return false;
  }
  if (buttons == 0) return false;
  const int state = 4 + std::countr_zero(buttons);
  PadStateOf(k, it.Control) = uint8_t(state);
  std::string notice = what + ": " + PadButtonText(&src, CapturePad, state);
  for (int c = 4; c < kAssignControls; ++c)
    if (c != it.Control && PadStateOf(k, c) == state) {
      notice += Tr("  (shared: the later row's key wins)");
      break;
    }
  EndCapture(g, notice, TNoticeKind::Good, "SELECT");
  return true;
}

void TAssignScreen::Enter(GameContext& g, TScreenState) {
  TOptionScreens& o = Lists();
  if (o.Assign.empty()) BuildOptionItems(g);
  Cursor = FirstSelectable(o.Assign, 1);
  Capturing = false;
  CaptureArmed = false;
  o.KeyEdit = {g.Config.KeyAssign1P, g.Config.KeyAssign2P};
  SetNotice(o, "", TNoticeKind::None);
  if (PadList && PadsChanged(g, o)) BuildPadChoices(g, o, true);
  DrawOptionList(g, o, PadList ? scPadAssign : scKeyAssign, Cursor, Capturing);
}

void TAssignScreen::Leave(GameContext&, TScreenState) {
  Capturing = false;
}

void TAssignScreen::Draw(GameContext& g) {
  g.DrawStillFrame(&g.ListSurface, true);
}

void TAssignScreen::Update(GameContext& g, int moveCount) {
  TOptionScreens& o = Lists();
  const bool padList = PadList;
  int& cursor = Cursor;
  const int screen = padList ? scPadAssign : scKeyAssign;
  bool redraw = false;
  if (padList && PadsChanged(g, o)) {
    BuildPadChoices(g, o, true);
    redraw = true;
  }
  if (Capturing) {
    redraw |= CaptureTick(g);
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
      SetNotice(o, padList ? Tr("Pad buttons unchanged") : Tr("Keys unchanged"), TNoticeKind::None);
      g.EnterState(scOptions);
      return;
    } else if (in.Confirm) {
      if (it.Kind == TAssignRow::Control) {
        StartCapture(g, it);
        redraw = true;
      } else if (it.Kind == TAssignRow::Ok) {
        g.Config.KeyAssign1P = o.KeyEdit[0];
        g.Config.KeyAssign2P = o.KeyEdit[1];
        ApplyKeyAssign(g.DXInput1, g.DXInput2, g.Config);
        SetNotice(o, padList ? Tr("Pad buttons applied") : Tr("Keys applied"), TNoticeKind::Good);
        g.PlaySound("SELECT");
        g.EnterState(scOptions);
        return;
      } else if (it.Kind == TAssignRow::Cancel) {
        SetNotice(o, padList ? Tr("Pad buttons unchanged") : Tr("Keys unchanged"), TNoticeKind::None);
        g.EnterState(scOptions);
        return;
      }
    }
  }
  if (redraw) DrawOptionList(g, o, screen, Cursor, Capturing);
  g.DrawFrontEndFrame(moveCount, &g.ListSurface, true);
}

bool OptionToggleValue(const TOptionItem& item) {
  return item.Selected != 0;
}

TOptionScreens* FindOptionLists(const GameContext& g) {
  for (TScreenState s : {scOptions, scKeyAssign, scPadAssign})
    if (auto* screen = g.Screens.Get<TOptionListScreen>(s)) return &screen->Lists();
  return nullptr;
}

std::string OptionPadChoice(const TOptionScreens& o, int player) {
  const auto& choices = o.PadChoices[size_t(player)];
  for (const auto& it : o.Settings)
    if (it.Kind == TOptionRow::Pad && it.Player == player && it.Selected >= 0 &&
        it.Selected < int(choices.size()))
      return choices[size_t(it.Selected)];
  return {};
}

std::string OptionPadChoice(const GameContext& g, int player) {
  const TOptionScreens* o = FindOptionLists(g);
  return o ? OptionPadChoice(*o, player) : std::string();
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
  return _("AUTO");
}

const char* CpuLevelLabel(int level) {
  return kCpuLevelLabels[level <= 0 || level > kCpuLevels ? 0 : level];
}

std::string CpuLevelText(int level) {
  return Tr(CpuLevelLabel(level));
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
  const TOptionScreens* o = FindOptionLists(g);
  if (!o) return {};
  TKeyAssign k = o->KeyEdit[size_t(item.Player)];
  if (!padList) {
    int code = KeyOf(k, item.Control);
    return code == 0 ? "---" : KeyText(code, g.Platform ? &g.Platform->Input() : nullptr);
  }
  if (item.Control < 4) {
    static const int kStateOfRow[4] = {0, 3, 1, 2};  // up, right, down, left
    return Tr(kStick[kStateOfRow[item.Control]]);
  }
  int state = PadStateOf(k, item.Control);
  if (state < 4) return Tr(kStick[state]);
  if (state >= kInputStates) return "---";
  if (!g.Platform) return PadButtonText(nullptr, kNoPad, state);
  const std::string pad = OptionPadChoice(*o, item.Player);
  return PadButtonText(&g.Platform->Input(), pad.empty() ? kNoPad : ChoosePad(g.Platform->Input(), pad),
                       state);
}

void BuildOptionItems(GameContext& g) {
  TOptionScreens* lists = FindOptionLists(g);
  if (!lists) return;
  TOptionScreens& o = *lists;
  using R = TOptionRow;
  using F = TSettingField;
  o.Settings = {
      {R::Heading, N_("SYSTEM"), F::None, false, 0, "", 0},
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
      {R::Pad, N_(" Game pad"), F::None, false, 0,
       N_("The game pad this player uses: LEFT/RIGHT choose among those connected now"), 0},
      {R::Heading, kPlayerHeadings[1], F::None, false, 1, "", 0},
      {R::Cpu, N_(" Player"), F::None, false, 1,
       N_("HUMAN, or the computer plays this side of VS GAME (CPU 1 easy ... 5 hard)"), 0},
      {R::Toggle, N_(" Advanced mode"), F::AdvancedMode2P, false, 1,
       N_("Advanced mode: every colour change wears a block out"), 0},
      {R::Pad, N_(" Game pad"), F::None, false, 1,
       N_("The game pad this player uses: LEFT/RIGHT choose among those connected now"), 0},
      {R::KeyAssign, N_(" KEY ASSIGN.."), F::None, false, 0, N_("Choose the keyboard keys of both players"),
       0},
      {R::PadAssign, N_(" PAD ASSIGN.."), F::None, false, 0,
       N_("Choose the game pad buttons of both players"), 0},
      {R::Heading, N_("GENERAL"), F::None, false, 0, "", 0},
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
      {R::Server, N_(" Match server"), F::None, false, 0,
       N_("Network play: the server that hands out invite codes (RETURN: type HOST[:PORT])"), 0},
      {R::Ok, N_("OK"), F::None, false, 0, N_("Keep these settings"), 0},
      {R::Cancel, N_("CANCEL"), F::None, false, 0, N_("Throw the changes away"), 0},
  };
  o.Assign.clear();
  for (int p = 0; p < 2; ++p) {
    o.Assign.push_back({TAssignRow::Heading, kPlayerHeadings[p], p, 0});
    for (int c = 0; c < kAssignControls; ++c)
      o.Assign.push_back({TAssignRow::Control, kControlLabels[c], p, c});
  }
  o.Assign.push_back({TAssignRow::Ok, N_("OK"), 0, 0});
  o.Assign.push_back({TAssignRow::Cancel, N_("CANCEL"), 0, 0});
}

void TOptionsScreen::Enter(GameContext& g, TScreenState from) {
  TOptionScreens& o = Lists();
  if (o.Settings.empty()) BuildOptionItems(g);  // a context that skipped the loader
  // Back from the key or pad list the edits so far and the row stay; from the title they start
  // afresh.
  Editing = false;
  const bool back = from == scKeyAssign || from == scPadAssign;
  if (back) {
    BuildPadChoices(g, o, true);
  } else {
    Cursor = 1;
    LoadSettings(g, o);
    SetNotice(o, "", TNoticeKind::None);
  }
  Cursor = FirstSelectable(o.Settings, Cursor);
  DrawOptionList(g, o, scOptions, Cursor, false);
}

void TOptionsScreen::Draw(GameContext& g) {
  if (Editing)
    g.DrawStillFrame(&g.ListSurface, true, [&](Canvas& c) { PaintEntry(g, c); });
  else
    g.DrawStillFrame(&g.ListSurface, true);
}

// The match server's address: empty for none, else it must read as HOST[:PORT]; kept in the
// list's working copy until OK.
void TOptionsScreen::UpdateEntry(GameContext& g, int moveCount) {
  TOptionScreens& o = Lists();
  bool done = false;
  switch (Entry.Update(g, 0)) {
    case TTextEntry::TAction::Submit:
      if (!Entry.Typed.empty() && !ServerAddressOk(Entry.Typed)) {
        SetNotice(o, Subst(Tr("not a server address: {detail}"), "{detail}", Entry.Typed), TNoticeKind::Bad);
        g.PlaySound("BAD");
        break;
      }
      o.ServerEdit = Entry.Typed;
      SetNotice(o, "", TNoticeKind::None);
      done = true;
      break;
    case TTextEntry::TAction::Cancel:
      SetNotice(o, "", TNoticeKind::None);
      done = true;
      break;
    default:
      break;
  }
  if (done) {
    Editing = false;
    DrawOptionList(g, o, scOptions, Cursor, false);
    g.DrawFrontEndFrame(moveCount, &g.ListSurface, true);
    return;
  }
  g.DrawFrontEndFrame(moveCount, &g.ListSurface, true, [&](Canvas& c) { PaintEntry(g, c); });
}

void TOptionsScreen::PaintEntry(GameContext& g, Canvas& c) const {
  const TOptionScreens& o = Lists();
  const int h = ScreenLineHeight(g);
  auto centred = [&](int y, const std::string& text, uint32_t rgb) {
    const std::string shown = FitScreenText(g, text, 620);
    DrawScreenText(g, c, 320 - ScreenTextWidth(g, shown) / 2, y, shown, rgb);
  };
  c.FillRect({0, 0, 640, 480}, 0x0A1030);
  centred(14, _("MATCH SERVER"), kTextGold);
  c.FillRect({12, 22 + h, 616, 1}, 0x5C7EE6);
  DrawScreenText(g, c, 40, 40 + h, FitScreenText(g, _("MATCH SERVER: HOST[:PORT] (EMPTY: NONE)"), 560),
                 kTextValue);
  Entry.Paint(g, c, 50 + 2 * h + 10, {});
  if (!o.Notice.empty()) {
    const std::string shown = FitScreenText(g, o.Notice, 600);
    const int w = ScreenTextWidth(g, shown), ny = 480 - 2 * (h + 8);
    c.FillRect({320 - w / 2 - 10, ny - 4, w + 20, h + 8}, 0x401010, 230, BlendMode::Alpha);
    DrawScreenText(g, c, 320 - w / 2, ny, shown, kTextWarn);
  }
  centred(480 - h - 6, _("TYPE, CTRL+V PASTES, OR PICK WITH THE PAD   RETURN: OK   ESC: BACK"), kTextDim);
}

void TOptionsScreen::Update(GameContext& g, int moveCount) {
  TOptionScreens& o = Lists();
  if (Editing) {
    UpdateEntry(g, moveCount);
    return;
  }
  bool redraw = false;
  if (PadsChanged(g, o)) {
    BuildPadChoices(g, o, true);
    redraw = true;
  }
  const TMenuInput in = ReadMenu(g);
  TOptionItem& it = o.Settings[size_t(Cursor)];
  if (in.Up || in.Down) {
    Cursor = StepCursor(o.Settings, Cursor, in.Up ? -1 : 1);
    SetNotice(o, "", TNoticeKind::None);
    g.PlaySound("CURSOR");
    redraw = true;
  } else if (in.Cancel) {
    LeaveOptions(g, o, false);
    return;
  } else if (in.Left || in.Right) {
    if (it.Kind == TOptionRow::Ok || it.Kind == TOptionRow::Cancel) {
      Cursor = IndexOfRow(o.Settings, it.Kind == TOptionRow::Ok ? TOptionRow::Cancel : TOptionRow::Ok);
      g.PlaySound("CURSOR");
    } else {
      ChangeValue(g, o, it, in.Left ? -1 : 1);
    }
    redraw = true;
  } else if (in.Confirm) {
    switch (it.Kind) {
      case TOptionRow::Toggle:
      case TOptionRow::Cpu:
      case TOptionRow::Pad:
      case TOptionRow::Level:
      case TOptionRow::Language:
        ChangeValue(g, o, it, 1, true);
        redraw = true;
        break;
      case TOptionRow::Server:
        Editing = true;
        Entry.Start(o.ServerEdit);
        SetNotice(o, "", TNoticeKind::None);
        g.PlaySound("SELECT");
        // The press that opened it is not taken by the grid: the entry reads from the next tick.
        g.DrawFrontEndFrame(moveCount, &g.ListSurface, true, [&](Canvas& c) { PaintEntry(g, c); });
        return;
      case TOptionRow::KeyAssign:
        g.EnterState(scKeyAssign);
        return;
      case TOptionRow::PadAssign:
        g.EnterState(scPadAssign);
        return;
      case TOptionRow::Ok:
        g.PlaySound("SELECT");
        LeaveOptions(g, o, true);
        return;
      case TOptionRow::Cancel:
        LeaveOptions(g, o, false);
        return;
      case TOptionRow::Heading:
        break;
    }
  }
  if (redraw) DrawOptionList(g, o, scOptions, Cursor, false);
  g.DrawFrontEndFrame(moveCount, &g.ListSurface, true);
}

}  // namespace kq
