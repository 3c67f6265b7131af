#pragma once
// Input devices of the two players: each merges a keyboard assignment and one pad into 36
// latched input states (0 up, 1 down, 2 left, 3 right, 4..35 buttons).
#include <array>
#include <bitset>
#include <cstdint>
#include <string>

#include "config/game_config.h"
#include "core/player.h"
#include "engine/platform.h"

namespace kq {

using TInputStates = std::bitset<kInputStates>;

// The direction states of every device; actions follow from 4 on (J01..J04 pick which).
constexpr int kStateUp = 0;
constexpr int kStateDown = 1;
constexpr int kStateLeft = 2;
constexpr int kStateRight = 3;
constexpr int kDirectionStates = 4;

// System states on player 1's device.
constexpr int kStateCancel = 25;   // Esc
constexpr int kStateConfirm = 30;  // Return

class TDXInput {
 public:
  TInputStates States;  // latched: set on press, cleared on release or by the game
  std::array<std::array<int, 3>, kInputStates> Keys{};  // virtual-key codes per state, 0 = none
  int PadNo = kNoPad;                                   // 16 and 17 mean no pad

  // Latches the press and release edges of what is down now.
  void Poll(const IInputSource& src);
  // What is down now (keyboard slots and the pad), without latching.
  TInputStates DownNow(const IInputSource& src) const;
  bool Has(int state) const { return state >= 0 && state < kInputStates && States.test(size_t(state)); }
  void Remove(int state) {
    if (state >= 0 && state < kInputStates) States.reset(size_t(state));
  }

 private:
  TInputStates prevDown_;
};

// Plays a device in place of its keyboard and pad (the computer player). The main loop asks it
// once per tick, before the poll, and then polls the device from it like from the keyboard, so
// its presses latch, repeat and clear exactly as a person's do.
class TControlProgram : public IInputSource {
 public:
  virtual void Decide() = 0;
};

// Rebuilds both devices' key slots from the two assignments.
void ApplyKeyAssign(TDXInput& in1, TDXInput& in2, const TGameConfig& cfg);

// One-shot clearing after a handler: inPlay keeps directions and J04 for auto-repeat.
void EndFrameInput(TDXInput& in1, TDXInput& in2, const TGameConfig& cfg, bool inPlay);

// Held control: acts at once, after 400 ms, then every 100 ms (unsigned time differences).
bool ReadRepeat(const TDXInput& dev, int state, TRepeatSlot& slot, uint32_t now);

// A key's name for the lists and messages: the fixed names of the navigation keys, else the
// keyboard's own (when one is given and knows it), else a name of the US layout, else its code.
std::string KeyName(int code, const IInputSource* keyboard = nullptr);
std::string ButtonName(int n);
// KeyName as the screens show it, in the player's language ("UP", "KEYPAD 8", "SPACE" ...);
// letters, digits and signs stay as they are. The settings file and --help keep KeyName.
std::string KeyText(int code, const IInputSource* keyboard = nullptr);
// The button of pad padNo behind an input state 4..35, in the player's language: the name the
// controller prints on it when the pad is a recognised controller (A, B, LB, Cross ...), else
// ButtonName(state - 3) (the pad's raw numbering).
std::string PadButtonText(const IInputSource* src, int padNo, int state);

// Pad number for a player's JoyName: the highest attached pad whose name matches, else 16.
int ChoosePad(const IInputSource& src, const std::string& joyName);

}  // namespace kq
