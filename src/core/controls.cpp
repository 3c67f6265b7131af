#include "core/controls.h"

#include <cstdio>

#include "engine/i18n.h"
#include "engine/image_list.h"

namespace kq {

TInputStates TDXInput::DownNow(const IInputSource& src) const {
  TInputStates down;
  for (int s = 0; s < kInputStates; ++s)
    for (int code : Keys[size_t(s)])
      if (code != 0 && src.VkDown(code)) down.set(size_t(s));
  if (PadNo >= 0 && PadNo < kMaxPads) down |= TInputStates(src.PadStates(PadNo));
  return down;
}

void TDXInput::Poll(const IInputSource& src) {
  TInputStates down = DownNow(src);
  TInputStates pressed = down & ~prevDown_;
  TInputStates released = prevDown_ & ~down;
  States |= pressed;
  States &= ~released;
  prevDown_ = down;
}

void ApplyKeyAssign(TDXInput& in1, TDXInput& in2, const TGameConfig& cfg) {
  for (TDXInput* dev : {&in1, &in2})
    for (auto& slots : dev->Keys) slots = {0, 0, 0};
  auto bind = [](TDXInput& dev, const TKeyAssign& k) {
    dev.Keys[kStateUp][0] = k.UP;
    dev.Keys[kStateDown][0] = k.DOWN;
    dev.Keys[kStateLeft][0] = k.LEFT;
    dev.Keys[kStateRight][0] = k.RIGHT;
    const int keys[4] = {k.K01, k.K02, k.K03, k.K04};
    const int states[4] = {k.J01, k.J02, k.J03, k.J04};
    for (int n = 0; n < 4; ++n)  // a later action on the same state wins
      if (states[n] < kInputStates) dev.Keys[size_t(states[n])][0] = keys[n];
  };
  bind(in1, cfg.KeyAssign1P);
  bind(in2, cfg.KeyAssign2P);
  const int sys[6][2] = {{30, 13}, {25, 27}, {29, 112}, {28, 113}, {27, 114}, {26, 115}};
  for (auto& s : sys) in1.Keys[size_t(s[0])][0] = s[1];
}

void EndFrameInput(TDXInput& in1, TDXInput& in2, const TGameConfig& cfg, bool inPlay) {
  if (!inPlay) {
    in1.States.reset();
    in2.States.reset();
    return;
  }
  const TKeyAssign& k1 = cfg.KeyAssign1P;
  const TKeyAssign& k2 = cfg.KeyAssign2P;
  in1.Remove(k1.J01);
  in1.Remove(k1.J02);
  in1.Remove(k1.J03);
  for (int s = 25; s <= 30; ++s) in1.Remove(s);
  in2.Remove(k2.J01);
  in2.Remove(k2.J02);
  in2.Remove(k2.J03);
}

bool ReadRepeat(const TDXInput& dev, int state, TRepeatSlot& slot, uint32_t now) {
  if (!dev.Has(state)) {
    slot.LastTime = 0;
    slot.FirstDelay = false;
    return false;
  }
  if (slot.LastTime == 0) {
    slot.LastTime = now;
    slot.FirstDelay = true;
    return true;
  }
  uint32_t held = now - slot.LastTime;
  if (slot.FirstDelay && held >= 400) {
    slot.LastTime = now;
    slot.FirstDelay = false;
    return true;
  }
  if (!slot.FirstDelay && held >= 100) {
    slot.LastTime = now;
    return true;
  }
  return false;
}

namespace {

// The names the US layout gives the keys outside the fixed list.
std::string UsKeyName(int code) {
  if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) return std::string(1, char(code));
  if (code >= 0x60 && code <= 0x69) return "KEYPAD " + std::to_string(code - 0x60);
  if (code >= 0x70 && code <= 0x87) return "F" + std::to_string(code - 0x6F);
  switch (code) {
    case 0x08:
      return "BACKSPACE";
    case 0x09:
      return "TAB";
    case 0x0C:
      return "CLEAR";
    case 0x0D:
      return "RETURN";
    case 0x10:
      return "LEFT SHIFT";
    case 0x11:
      return "LEFT CTRL";
    case 0x12:
      return "LEFT ALT";
    case 0x14:
      return "CAPSLOCK";
    case 0x1B:
      return "ESCAPE";
    case 0x20:
      return "SPACE";
    case 0x5B:
      return "LEFT GUI";
    case 0x5C:
      return "RIGHT GUI";
    case 0x5D:
      return "APPLICATION";
    case 0x6C:
      return "KEYPAD ,";
    case 0x90:
      return "NUMLOCK";
    case 0x91:
      return "SCROLLLOCK";
    case 0xDF:
      return "#";
    case 0xE2:
      return "\\";
    case 0xA0:
      return "LEFT SHIFT";
    case 0xA1:
      return "RIGHT SHIFT";
    case 0xA2:
      return "LEFT CTRL";
    case 0xA3:
      return "RIGHT CTRL";
    case 0xA4:
      return "LEFT ALT";
    case 0xA5:
      return "RIGHT ALT";
    case 0x6A:
      return "KEYPAD *";
    case 0x6B:
      return "KEYPAD +";
    case 0x6D:
      return "KEYPAD -";
    case 0x6E:
      return "KEYPAD .";
    case 0x6F:
      return "KEYPAD /";
    case 0xBA:
      return ";";
    case 0xBB:
      return "=";
    case 0xBC:
      return ",";
    case 0xBD:
      return "-";
    case 0xBE:
      return ".";
    case 0xBF:
      return "/";
    case 0xC0:
      return "`";
    case 0xDB:
      return "[";
    case 0xDC:
      return "\\";
    case 0xDD:
      return "]";
    case 0xDE:
      return "'";
    default:
      return {};
  }
}

}  // namespace

std::string KeyName(int code, const IInputSource* keyboard) {
  switch (code) {
    case 19:
      return "PAUSE";
    case 33:
      return "PAGE UP";
    case 34:
      return "PAGE DOWN";
    case 35:
      return "END";
    case 36:
      return "HOME";
    case 37:
      return "LEFT";
    case 38:
      return "UP";
    case 39:
      return "RIGHT";
    case 40:
      return "DOWN";
    case 44:
      return "PRINT SCREEN";
    case 45:
      return "INSERT";
    case 46:
      return "DELETE";
    case 47:
      return "HELP";
    default:
      break;
  }
  std::string name = keyboard ? keyboard->KeyLabel(code) : std::string();
  if (name.empty()) name = UsKeyName(code);
  if (name.size() > 31) name.resize(31);
  if (!name.empty()) return name;
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%.2x", unsigned(code) & 0xFFFFu);
  return buf;
}

std::string ButtonName(int n) {
  return "button" + std::to_string(n);
}

namespace {

// The names of keys that are words, as KeyName and the keyboard give them (upper case).
constexpr const char* kWordKeys[] = {
    N_("UP"),          N_("DOWN"),       N_("LEFT"),         N_("RIGHT"),       N_("PAUSE"),
    N_("PAGE UP"),     N_("PAGE DOWN"),  N_("END"),          N_("HOME"),        N_("PRINT SCREEN"),
    N_("INSERT"),      N_("DELETE"),     N_("HELP"),         N_("BACKSPACE"),   N_("TAB"),
    N_("CLEAR"),       N_("RETURN"),     N_("ESCAPE"),       N_("SPACE"),       N_("CAPSLOCK"),
    N_("NUMLOCK"),     N_("SCROLLLOCK"), N_("LEFT SHIFT"),   N_("RIGHT SHIFT"), N_("LEFT CTRL"),
    N_("RIGHT CTRL"),  N_("LEFT ALT"),   N_("RIGHT ALT"),    N_("LEFT GUI"),    N_("RIGHT GUI"),
    N_("APPLICATION"), N_("MENU"),       N_("KEYPAD ENTER"),
};

// The d-pad's buttons as the controller labels give them.
constexpr const char* kDpadLabels[] = {N_("D-pad up"), N_("D-pad down"), N_("D-pad left"), N_("D-pad right")};

}  // namespace

std::string KeyText(int code, const IInputSource* keyboard) {
  const std::string name = KeyName(code, keyboard);
  for (const char* word : kWordKeys)
    if (name == word) return Tr(word);
  // The number pad's keys: "KEYPAD 8", "KEYPAD +".
  if (name.rfind("KEYPAD ", 0) == 0 && name.size() > 7)
    return Subst(_("KEYPAD {key}"), "{key}", name.substr(7));
  return name;
}

std::string PadButtonText(const IInputSource* src, int padNo, int state) {
  if (src && padNo != kNoPad)
    if (std::string label = src->PadStateLabel(padNo, state); !label.empty()) {
      for (const char* dpad : kDpadLabels)
        if (label == dpad) return Tr(dpad);
      return label;  // what the controller prints on the button
    }
  return Subst(_("button{n}"), "{n}", std::to_string(state - 3));
}

int ChoosePad(const IInputSource& src, const std::string& joyName) {
  if (joyName.empty()) return kNoPad;
  std::vector<std::string> names = src.PadNames();
  int found = kNoPad;
  for (int i = 0; i < int(names.size()) && i < kMaxPads; ++i)
    if (!names[size_t(i)].empty() && SameText(names[size_t(i)], joyName)) found = i;
  return found;
}

}  // namespace kq
