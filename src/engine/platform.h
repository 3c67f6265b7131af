#pragma once
// What the game needs from the machine: a display, a clock, the keyboard and the pads, message
// boxes. The SDL implementation lives in sdl_platform.cpp; the headless runner uses the same one
// on SDL's dummy video driver with a virtual clock.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/bitmap.h"
#include "engine/canvas.h"

namespace kq {

constexpr int kInputStates = 36;
constexpr int kMaxPads = 16;
constexpr int kNoPad = 16;

class IInputSource {
 public:
  virtual ~IInputSource() = default;
  // Keyboard by Windows virtual-key code; unknown codes are never down.
  virtual bool VkDown(int vk) const = 0;
  // First virtual-key code that is down now (key capture), 0 when none.
  virtual int FirstDownVk() const = 0;
  // Any key down now, also one without a virtual-key code (key capture tells those apart).
  virtual bool AnyKeyDown() const { return FirstDownVk() != 0; }
  // Input states 0..35 that pad padNo raises now (bit n = state n); 0 for no pad.
  virtual uint64_t PadStates(int padNo) const = 0;
  // The Start button of pad padNo as the pad's controller mapping names it (false when the pad
  // has no mapping or no such button).
  virtual bool PadStartDown(int padNo) const {
    (void)padNo;
    return false;
  }
  // Attached pads, by pad number 0..15; empty name = no pad there.
  virtual std::vector<std::string> PadNames() const = 0;
  // The keyboard's own name of a key (it follows the layout); empty: not known here.
  virtual std::string KeyLabel(int /*vk*/) const { return {}; }
  // Whether pad padNo is a recognised game controller: its buttons raise the states of
  // ControllerButtonState (engine/pad_layout.h) instead of 3 + their raw number.
  virtual bool PadIsController(int /*padNo*/) const { return false; }
  // The name pad padNo prints on the button behind an input state; empty when not known (a pad
  // without a mapping, or no pad there).
  virtual std::string PadStateLabel(int /*padNo*/, int /*state*/) const { return {}; }
};

struct PlatformEvents {
  bool Quit = false;
  bool PadsChanged = false;          // a pad was plugged in or removed
  bool DeviceReset = false;          // textures and prepared surfaces were lost (they re-upload lazily)
  std::vector<uint32_t> UserEvents;  // SDL user events, for the audio layer
};

class IPlatform {
 public:
  virtual ~IPlatform() = default;
  virtual uint32_t Ticks() = 0;
  virtual void Delay(uint32_t ms) = 0;
  // Handles pending events; with wait set it sleeps until one arrives (inactive window).
  virtual PlatformEvents Pump(bool wait) = 0;
  // ActiveOnly: focus and not minimised.
  virtual bool Active() const = 0;
  virtual bool CanDraw() const = 0;
  virtual Canvas& Screen() = 0;
  virtual void Present() = 0;
  virtual void SetVsync(bool on) = 0;
  virtual void ToggleFullScreen() = 0;
  virtual bool FullScreen() const = 0;
  virtual IInputSource& Input() = 0;
  // Message boxes; the text always goes to stderr too. Headless: stderr only, questions answer yes.
  virtual void ShowError(const std::string& text) = 0;
  virtual bool AskYesNo(const std::string& text) = 0;
  // The last drawn frame, 640 x 480.
  virtual Bitmap ReadFrame() = 0;
  // The window's icon (taskbar, window list); nothing without a window.
  virtual void SetIcon(const Bitmap& icon) { (void)icon; }
};

}  // namespace kq
