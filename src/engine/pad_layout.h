#pragma once
// Recognised game controllers (SDL's mapping database) as input states, the names their buttons
// carry, and the checking of gamecontrollerdb.txt lines. No SDL here: the tests read it directly.
#include <string>
#include <string_view>

namespace kq {

// A controller's buttons, numbered as SDL's game-controller layer numbers them (0..14); the two
// triggers follow as buttons of their own.
enum class TPadButton : int {
  A,  // bottom face button
  B,  // right
  X,  // left
  Y,  // top
  Back,
  Guide,
  Start,
  LeftStick,
  RightStick,
  LeftShoulder,
  RightShoulder,
  DpadUp,
  DpadDown,
  DpadLeft,
  DpadRight,
  LeftTrigger,
  RightTrigger,
  Count
};

// The input state a controller button raises, -1 for none (Guide). The default J01..J04 (states
// 4..7) fall on the left, bottom and right face buttons and the right shoulder, so a controller
// plays without set-up; the d-pad gives the directions, Back is Esc (25) and Start Return (30).
int ControllerButtonState(TPadButton b);

// Whose labels the face buttons carry.
enum class TPadFamily { Xbox, PlayStation, Nintendo };

// The name a controller of that family prints on the button behind an input state; empty when no
// controller button raises that state.
std::string ControllerStateLabel(TPadFamily family, int state);

// One line of a gamecontrollerdb.txt file.
enum class TMappingLineKind {
  Blank,          // empty or a # comment
  Mapping,        // "GUID,name,key:value,..." for this platform (or for every platform)
  OtherPlatform,  // a good mapping for another system
  Malformed,
};
struct TMappingLineCheck {
  TMappingLineKind Kind = TMappingLineKind::Blank;
  std::string Why;  // what is wrong, for Malformed
};
TMappingLineCheck CheckMappingLine(std::string_view line);

}  // namespace kq
