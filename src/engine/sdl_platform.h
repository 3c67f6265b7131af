#pragma once
// The SDL2 implementation of the platform. Headless mode runs SDL's dummy video driver with a
// software renderer drawing the same frames into a 640x480 surface, a virtual clock and a
// scripted keyboard; pads are SDL virtual joysticks so the real joystick path runs.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/platform.h"

namespace kq {

// A message box as the platform shows it: the text is valid UTF-8 whatever the file names in it.
struct TMessageBoxRequest {
  std::string Title;
  std::string Text;
  std::vector<std::string> Buttons;  // Return picks the first, Esc and closing the last
};
// Shows the box and returns the index of the button chosen.
using TMessageBoxHook = std::function<int(const TMessageBoxRequest&)>;

struct PlatformOptions {
  bool Headless = false;
  bool Vsync = true;
  bool FullScreen = false;  // start in full screen
  std::string Title = "KQ001";
  std::string AppId;           // the desktop entry's id: the window's class, so docks match the two
  TMessageBoxHook MessageBox;  // replaces the box drawn in the game window (tests)
  // The user's gamecontrollerdb.txt, added to SDL's own mapping database at start (may be missing).
  std::string ControllerDb;
};

class SdlPlatform : public IPlatform {
 public:
  // Throws kq::Exception when SDL cannot start.
  explicit SdlPlatform(const PlatformOptions& opt);
  ~SdlPlatform() override;

  uint32_t Ticks() override;
  void Delay(uint32_t ms) override;
  PlatformEvents Pump(bool wait) override;
  bool Active() const override;
  bool CanDraw() const override;
  Canvas& Screen() override;
  void Present() override;
  void SetVsync(bool on) override;
  void ToggleFullScreen() override;
  bool FullScreen() const override;
  IInputSource& Input() override;
  void ShowError(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  Bitmap ReadFrame() override;
  void SetIcon(const Bitmap& icon) override;
  std::string ClipboardText() override;
  void SetClipboardText(const std::string& text) override;

  // Headless control.
  bool Headless() const;
  void SetVirtualTime(uint32_t now);
  // The window's close button, as a script presses it: the next Pump reports Quit.
  void RequestClose();
  void SetVirtualKey(int vk, bool down);
  // Adds the controller mappings of a gamecontrollerdb.txt file (then SDL_GAMECONTROLLERCONFIG's
  // again, so it wins); one warning per line skipped as malformed. Devices attached later use them.
  std::vector<std::string> LoadControllerMappings(const std::string& path);

  // Virtual pads by the script's pad number; false when SDL refuses. A controller is one SDL maps
  // by itself (buttons numbered as TPadButton, axes 0..5: sticks, then triggers); otherwise a
  // plain 32-button joystick with two axes and a hat.
  bool AttachVirtualPad(int n, const std::string& name, bool controller = false);
  std::string VirtualPadGuid(int n) const;  // SDL's id of the device, as mapping lines name it
  void DetachVirtualPad(int n);
  void SetVirtualPadButton(int n, int button, bool down);
  void SetVirtualPadAxis(int n, int axis, int value);
  void SetVirtualPadHat(int n, int hatDirection);  // 0 centre, 1 up, 2 down, 3 left, 4 right
  // Forces the lost-device path (tests).
  void SimulateDeviceReset();

 private:
  int RunMessageBox(const TMessageBoxRequest& box);
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kq
