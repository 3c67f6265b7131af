#include "engine/pad_layout.h"

#include <array>
#include <cctype>
#include <vector>

namespace kq {

int ControllerButtonState(TPadButton b) {
  switch (b) {
    case TPadButton::DpadUp:
      return 0;
    case TPadButton::DpadDown:
      return 1;
    case TPadButton::DpadLeft:
      return 2;
    case TPadButton::DpadRight:
      return 3;
    case TPadButton::X:
      return 4;
    case TPadButton::A:
      return 5;
    case TPadButton::B:
      return 6;
    case TPadButton::RightShoulder:
      return 7;
    case TPadButton::LeftShoulder:
      return 8;
    case TPadButton::Y:
      return 9;
    case TPadButton::LeftStick:
      return 10;
    case TPadButton::RightStick:
      return 11;
    case TPadButton::LeftTrigger:
      return 12;
    case TPadButton::RightTrigger:
      return 13;
    case TPadButton::Back:
      return 25;
    case TPadButton::Start:
      return 30;
    case TPadButton::Guide:
    case TPadButton::Count:
      break;
  }
  return -1;
}

std::string ControllerStateLabel(TPadFamily family, int state) {
  struct Names {
    const char* Face[4];      // bottom, right, left, top
    const char* Shoulder[4];  // LB, RB, LT, RT
    const char* Stick[2];
    const char* Back;
    const char* Start;
  };
  static const Names kXbox{{"A", "B", "X", "Y"}, {"LB", "RB", "LT", "RT"}, {"LS", "RS"}, "Back", "Start"};
  static const Names kPlay{
      {"Cross", "Circle", "Square", "Triangle"}, {"L1", "R1", "L2", "R2"}, {"L3", "R3"}, "Share", "Options"};
  // SDL is asked for the buttons by position, so the bottom one is Nintendo's B.
  static const Names kNintendo{{"B", "A", "Y", "X"}, {"L", "R", "ZL", "ZR"}, {"LS", "RS"}, "-", "+"};
  const Names& n = family == TPadFamily::PlayStation ? kPlay
                   : family == TPadFamily::Nintendo  ? kNintendo
                                                     : kXbox;
  for (int b = 0; b < int(TPadButton::Count); ++b) {
    if (ControllerButtonState(TPadButton(b)) != state) continue;
    switch (TPadButton(b)) {
      case TPadButton::A:
        return n.Face[0];
      case TPadButton::B:
        return n.Face[1];
      case TPadButton::X:
        return n.Face[2];
      case TPadButton::Y:
        return n.Face[3];
      case TPadButton::LeftShoulder:
        return n.Shoulder[0];
      case TPadButton::RightShoulder:
        return n.Shoulder[1];
      case TPadButton::LeftTrigger:
        return n.Shoulder[2];
      case TPadButton::RightTrigger:
        return n.Shoulder[3];
      case TPadButton::LeftStick:
        return n.Stick[0];
      case TPadButton::RightStick:
        return n.Stick[1];
      case TPadButton::Back:
        return n.Back;
      case TPadButton::Start:
        return n.Start;
      case TPadButton::DpadUp:
        return "D-pad up";
      case TPadButton::DpadDown:
        return "D-pad down";
      case TPadButton::DpadLeft:
        return "D-pad left";
      case TPadButton::DpadRight:
        return "D-pad right";
      default:
        break;
    }
  }
  return {};
}

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// "b3", "a2", "a2~", "+a2", "-a2", "h0.4": a joystick element.
bool GoodElement(std::string_view v) {
  if (!v.empty() && (v.front() == '+' || v.front() == '-')) v.remove_prefix(1);
  if (!v.empty() && v.back() == '~') v.remove_suffix(1);
  if (v.size() < 2) return false;
  const char kind = v.front();
  v.remove_prefix(1);
  if (kind == 'b' || kind == 'a') return AllDigits(v);
  if (kind != 'h') return false;
  size_t dot = v.find('.');
  return dot != std::string_view::npos && AllDigits(v.substr(0, dot)) && AllDigits(v.substr(dot + 1));
}

bool ControlKey(std::string_view k) {
  static const char* kKeys[] = {"a",
                                "b",
                                "x",
                                "y",
                                "back",
                                "guide",
                                "start",
                                "leftstick",
                                "rightstick",
                                "leftshoulder",
                                "rightshoulder",
                                "dpup",
                                "dpdown",
                                "dpleft",
                                "dpright",
                                "misc1",
                                "paddle1",
                                "paddle2",
                                "paddle3",
                                "paddle4",
                                "touchpad",
                                "leftx",
                                "lefty",
                                "rightx",
                                "righty",
                                "lefttrigger",
                                "righttrigger"};
  if (!k.empty() && (k.front() == '+' || k.front() == '-')) k.remove_prefix(1);
  for (const char* key : kKeys)
    if (k == key) return true;
  return false;
}

}  // namespace

TMappingLineCheck CheckMappingLine(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() == '#') return {};
  std::vector<std::string_view> fields;
  while (true) {
    size_t comma = line.find(',');
    fields.push_back(Trim(line.substr(0, comma)));
    if (comma == std::string_view::npos) break;
    line.remove_prefix(comma + 1);
  }
  if (!fields.empty() && fields.back().empty()) fields.pop_back();  // the usual trailing comma
  auto bad = [](std::string why) { return TMappingLineCheck{TMappingLineKind::Malformed, std::move(why)}; };
  const std::string_view guid = fields[0];
  bool hex = guid.size() == 32;
  for (char c : guid) hex = hex && std::isxdigit(static_cast<unsigned char>(c));
  if (!hex && guid != "xinput") return bad("the first field is not a 32-digit controller id");
  if (fields.size() < 2 || fields[1].empty()) return bad("no controller name");
  if (fields.size() < 3) return bad("no buttons or axes");
  bool otherPlatform = false;
  int controls = 0;
  for (size_t i = 2; i < fields.size(); ++i) {
    const std::string_view f = fields[i];
    const size_t colon = f.find(':');
    if (colon == std::string_view::npos || colon == 0)
      return bad("\"" + std::string(f) + "\" is not key:value");
    const std::string_view key = f.substr(0, colon), value = f.substr(colon + 1);
    if (key == "platform") {
      otherPlatform = value != "Linux";
    } else if (key == "hint" || key == "sdk>=" || key == "sdk<=" || key == "crc") {
      continue;
    } else if (!ControlKey(key)) {
      return bad("unknown control \"" + std::string(key) + "\"");
    } else if (!value.empty() && !GoodElement(value)) {
      return bad("\"" + std::string(f) + "\" names no button, axis or hat");
    } else {
      ++controls;
    }
  }
  if (controls == 0) return bad("no buttons or axes");
  return {otherPlatform ? TMappingLineKind::OtherPlatform : TMappingLineKind::Mapping, {}};
}

}  // namespace kq
