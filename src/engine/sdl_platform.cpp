#include "engine/sdl_platform.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "engine/errors.h"
#include "engine/keys.h"
#include "engine/pad_layout.h"
#include "engine/sdl_canvas.h"
#include "engine/ttf_text_renderer.h"
#include "engine/utf8.h"

namespace kq {

namespace {

constexpr int kAxisRange = 1000;
constexpr int kDeadZone = 50;

// SDL turns SIGINT and SIGTERM into a quit event; a closed terminal (SIGHUP) and SIGQUIT must
// end the program the same way, with the exit save, instead of killing it.
constexpr int kQuitSignals[] = {SIGHUP, SIGQUIT};
volatile std::sig_atomic_t gQuitSignal = 0;

void OnQuitSignal(int) {
  gQuitSignal = 1;
}

static_assert(int(TPadButton::A) == SDL_CONTROLLER_BUTTON_A);
static_assert(int(TPadButton::Start) == SDL_CONTROLLER_BUTTON_START);
static_assert(int(TPadButton::DpadRight) == SDL_CONTROLLER_BUTTON_DPAD_RIGHT);

// A trigger pulled past half way counts as a pressed button.
constexpr int kTriggerPress = 16384;

struct TPad {
  SDL_Joystick* Joy = nullptr;
  SDL_GameController* Ctl = nullptr;  // set when SDL knows a mapping for the device
  explicit operator bool() const { return Joy != nullptr; }
};

TPadFamily FamilyOf(SDL_GameController* c) {
  switch (SDL_GameControllerGetType(c)) {
    case SDL_CONTROLLER_TYPE_PS3:
    case SDL_CONTROLLER_TYPE_PS4:
    case SDL_CONTROLLER_TYPE_PS5:
      return TPadFamily::PlayStation;
    case SDL_CONTROLLER_TYPE_NINTENDO_SWITCH_PRO:
    case SDL_CONTROLLER_TYPE_NINTENDO_SWITCH_JOYCON_LEFT:
    case SDL_CONTROLLER_TYPE_NINTENDO_SWITCH_JOYCON_RIGHT:
    case SDL_CONTROLLER_TYPE_NINTENDO_SWITCH_JOYCON_PAIR:
      return TPadFamily::Nintendo;
    default:
      return TPadFamily::Xbox;
  }
}

}  // namespace

struct SdlPlatform::Impl : IInputSource {
  PlatformOptions Opt;
  SDL_Window* Window = nullptr;
  SDL_Renderer* Renderer = nullptr;
  SDL_Surface* Frame = nullptr;  // headless target
  bool CloseRequested = false;
  std::unique_ptr<SdlCanvas> Canvas;
  bool Focus = true, Minimized = false, Hidden = false;
  bool Full = false;
  int SavedX = SDL_WINDOWPOS_CENTERED, SavedY = SDL_WINDOWPOS_CENTERED, SavedW = 640, SavedH = 480;
  uint32_t VirtualNow = 1000;
  std::array<bool, SDL_NUM_SCANCODES> VirtualKeys{};
  std::array<TPad, kMaxPads> Pads{};
  std::array<int, 8> VirtualPadIndex{};  // script pad number -> SDL device index + 1
  std::array<SDL_Joystick*, 8> VirtualPads{};
  std::unique_ptr<TTtfTextRenderer> BoxFont;  // opened for the first message box
  std::array<struct sigaction, std::size(kQuitSignals)> OldActions{};
  std::array<bool, std::size(kQuitSignals)> Installed{};

  // The Return of an Alt+Return belongs to the display switch: hidden until released.
  std::array<bool, SDL_NUM_SCANCODES> Swallowed{};
  SdlPlatform* Owner = nullptr;

  static bool IsAlt(int sc) { return sc == SDL_SCANCODE_LALT || sc == SDL_SCANCODE_RALT; }

  // Every key press and release, from the keyboard or the script. A press of Return with Alt
  // held switches the display and nothing else sees that Return.
  void KeyEdge(int sc, bool down, bool altHeld) {
    if (sc <= 0 || sc >= SDL_NUM_SCANCODES) return;
    if (!down) {
      Swallowed[size_t(sc)] = false;
      return;
    }
    if ((sc == SDL_SCANCODE_RETURN || sc == SDL_SCANCODE_KP_ENTER) && altHeld && !Swallowed[size_t(sc)]) {
      Swallowed[size_t(sc)] = true;
      Owner->ToggleFullScreen();
    }
  }

  bool ScancodeDown(int sc) const {
    if (sc <= 0 || sc >= SDL_NUM_SCANCODES) return false;
    if (Swallowed[size_t(sc)]) return false;
    if (Opt.Headless) return VirtualKeys[size_t(sc)];
    int n = 0;
    const Uint8* ks = SDL_GetKeyboardState(&n);
    return sc < n && ks[sc];
  }

  bool VkDown(int vk) const override {
    return ScancodeDown(VkToScancode(vk)) || ScancodeDown(SecondaryScancode(vk));
  }

  // Key capture never takes Alt: it is the first half of Alt+Return, which only switches the
  // display. (An Alt already in the INI file still works in play through VkDown.)
  int FirstDownVk() const override {
    for (int sc = 1; sc < SDL_NUM_SCANCODES; ++sc)
      if (!IsAlt(sc) && ScancodeDown(sc))
        if (int vk = ScancodeToVk(sc)) return vk;
    return 0;
  }

  bool AnyKeyDown() const override {
    for (int sc = 1; sc < SDL_NUM_SCANCODES; ++sc)
      if (!IsAlt(sc) && ScancodeDown(sc)) return true;
    return false;
  }

  const TPad* AttachedPad(int padNo) const {
    if (padNo < 0 || padNo >= kMaxPads || !Pads[size_t(padNo)]) return nullptr;
    const TPad& p = Pads[size_t(padNo)];
    return SDL_JoystickGetAttached(p.Joy) ? &p : nullptr;
  }

  static uint64_t Bit(int state) { return state >= 0 && state < kInputStates ? uint64_t(1) << state : 0; }

  static uint64_t StickStates(int x, int y) {
    x = x * kAxisRange / 32768;
    y = y * kAxisRange / 32768;
    uint64_t s = 0;
    if (y < -kDeadZone) s |= Bit(0);
    if (y > kDeadZone) s |= Bit(1);
    if (x < -kDeadZone) s |= Bit(2);
    if (x > kDeadZone) s |= Bit(3);
    return s;
  }

  // A mapped controller: d-pad and left stick move, the buttons follow ControllerButtonState.
  static uint64_t ControllerStates(SDL_GameController* c) {
    uint64_t s = StickStates(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX),
                             SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY));
    for (int b = 0; b < SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1; ++b)
      if (SDL_GameControllerGetButton(c, SDL_GameControllerButton(b)))
        s |= Bit(ControllerButtonState(TPadButton(b)));
    if (SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_TRIGGERLEFT) > kTriggerPress)
      s |= Bit(ControllerButtonState(TPadButton::LeftTrigger));
    if (SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_TRIGGERRIGHT) > kTriggerPress)
      s |= Bit(ControllerButtonState(TPadButton::RightTrigger));
    return s;
  }

  // A device without a mapping: axes 0 and 1 and the first hat move, button n raises 3 + n.
  static uint64_t RawStates(SDL_Joystick* j) {
    auto axis = [&](int a) { return SDL_JoystickNumAxes(j) > a ? int(SDL_JoystickGetAxis(j, a)) : 0; };
    uint64_t s = StickStates(axis(0), axis(1));
    if (SDL_JoystickNumHats(j) > 0) {
      Uint8 h = SDL_JoystickGetHat(j, 0);
      if (h & SDL_HAT_UP) s |= Bit(0);
      if (h & SDL_HAT_DOWN) s |= Bit(1);
      if (h & SDL_HAT_LEFT) s |= Bit(2);
      if (h & SDL_HAT_RIGHT) s |= Bit(3);
    }
    int buttons = SDL_JoystickNumButtons(j);
    for (int b = 0; b < buttons && b < 32; ++b)
      if (SDL_JoystickGetButton(j, b)) s |= Bit(4 + b);
    return s;
  }

  uint64_t PadStates(int padNo) const override {
    const TPad* p = AttachedPad(padNo);
    if (!p) return 0;
    return p->Ctl ? ControllerStates(p->Ctl) : RawStates(p->Joy);
  }

  bool PadStartDown(int padNo) const override {
    const TPad* p = AttachedPad(padNo);
    return p && p->Ctl && SDL_GameControllerGetButton(p->Ctl, SDL_CONTROLLER_BUTTON_START);
  }

  bool PadIsController(int padNo) const override {
    const TPad* p = AttachedPad(padNo);
    return p && p->Ctl;
  }

  std::string PadStateLabel(int padNo, int state) const override {
    const TPad* p = AttachedPad(padNo);
    if (!p || !p->Ctl) return {};
    return ControllerStateLabel(FamilyOf(p->Ctl), state);
  }

  std::string KeyLabel(int vk) const override { return VkSystemName(vk); }
  std::vector<std::string> PadNames() const override {
    std::vector<std::string> names(kMaxPads);
    for (int i = 0; i < kMaxPads; ++i)
      if (const TPad* p = AttachedPad(i)) {
        const char* n = SDL_JoystickName(p->Joy);
        names[size_t(i)] = n ? n : "";
      }
    return names;
  }

  // Opens a newly attached device in the first free slot; true when something changed.
  bool OpenPad(int deviceIndex) {
    SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    for (const TPad& p : Pads)
      if (p && SDL_JoystickInstanceID(p.Joy) == id) return false;
    for (auto& slot : Pads) {
      if (slot) continue;
      if (SDL_IsGameController(deviceIndex)) {
        slot.Ctl = SDL_GameControllerOpen(deviceIndex);
        if (slot.Ctl) slot.Joy = SDL_GameControllerGetJoystick(slot.Ctl);
      }
      if (!slot.Joy) slot = {SDL_JoystickOpen(deviceIndex), nullptr};
      return bool(slot);
    }
    return false;
  }

  static void Close(TPad& p) {
    if (p.Ctl)
      SDL_GameControllerClose(p.Ctl);
    else if (p.Joy)
      SDL_JoystickClose(p.Joy);
    p = {};
  }

  bool ClosePad(SDL_JoystickID id) {
    for (auto& slot : Pads) {
      if (slot && SDL_JoystickInstanceID(slot.Joy) == id) {
        Close(slot);
        return true;
      }
    }
    return false;
  }
};

SdlPlatform::SdlPlatform(const PlatformOptions& opt) : impl_(std::make_unique<Impl>()) {
  impl_->Opt = opt;
  impl_->Owner = this;
  if (opt.Headless) SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  // SDL reads the window class from the environment; a value the user set stays.
  if (!opt.AppId.empty()) {
    ::setenv("SDL_VIDEO_X11_WMCLASS", opt.AppId.c_str(), 0);
    ::setenv("SDL_VIDEO_WAYLAND_WMCLASS", opt.AppId.c_str(), 0);
  }
  // Controllers by the position of their buttons: the bottom face button is "A" to SDL on every
  // controller, as the default actions expect.
  SDL_SetHint(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS) != 0)
    throw Exception(std::string("SDL cannot start: ") + SDL_GetError());
  if (!opt.ControllerDb.empty())
    for (const std::string& w : LoadControllerMappings(opt.ControllerDb))
      std::fprintf(stderr, "%s\n", w.c_str());
  if (opt.Headless) {
    impl_->Frame = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 32, SDL_PIXELFORMAT_ARGB8888);
    if (impl_->Frame) impl_->Renderer = SDL_CreateSoftwareRenderer(impl_->Frame);
  } else {
    impl_->Window = SDL_CreateWindow(opt.Title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 640,
                                     480, SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!impl_->Window) throw Exception(std::string("cannot open the window: ") + SDL_GetError());
    impl_->Renderer = SDL_CreateRenderer(
        impl_->Window, -1, SDL_RENDERER_ACCELERATED | (opt.Vsync ? SDL_RENDERER_PRESENTVSYNC : 0));
    if (!impl_->Renderer) impl_->Renderer = SDL_CreateRenderer(impl_->Window, -1, SDL_RENDERER_SOFTWARE);
  }
  if (!impl_->Renderer) throw Exception(std::string("cannot create a renderer: ") + SDL_GetError());
  SDL_RenderSetLogicalSize(impl_->Renderer, 640, 480);
  impl_->Canvas = std::make_unique<SdlCanvas>(impl_->Renderer);
  for (int i = 0; i < SDL_NumJoysticks(); ++i) impl_->OpenPad(i);
  if (opt.FullScreen) ToggleFullScreen();
  gQuitSignal = 0;
  for (size_t n = 0; n < std::size(kQuitSignals); ++n) {
    struct sigaction& old = impl_->OldActions[n];
    // A signal ignored on purpose (nohup) stays ignored.
    if (sigaction(kQuitSignals[n], nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
    struct sigaction act {};
    act.sa_handler = OnQuitSignal;
    sigemptyset(&act.sa_mask);
    impl_->Installed[n] = sigaction(kQuitSignals[n], &act, nullptr) == 0;
  }
}

SdlPlatform::~SdlPlatform() {
  for (size_t n = 0; n < std::size(kQuitSignals); ++n)
    if (impl_->Installed[n]) sigaction(kQuitSignals[n], &impl_->OldActions[n], nullptr);
  for (auto& p : impl_->Pads) Impl::Close(p);
  for (int n = 0; n < 8; ++n) DetachVirtualPad(n);
  impl_->Canvas.reset();
  if (impl_->Renderer) SDL_DestroyRenderer(impl_->Renderer);
  if (impl_->Frame) SDL_FreeSurface(impl_->Frame);
  if (impl_->Window) SDL_DestroyWindow(impl_->Window);
  SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS);
}

uint32_t SdlPlatform::Ticks() {
  return impl_->Opt.Headless ? impl_->VirtualNow : SDL_GetTicks();
}

void SdlPlatform::Delay(uint32_t ms) {
  if (!impl_->Opt.Headless) SDL_Delay(ms);
}

PlatformEvents SdlPlatform::Pump(bool wait) {
  PlatformEvents out;
  SDL_Event e;
  bool got = wait ? SDL_WaitEventTimeout(&e, 100) != 0 : SDL_PollEvent(&e) != 0;
  while (got) {
    switch (e.type) {
      case SDL_QUIT:
        out.Quit = true;
        break;
      case SDL_WINDOWEVENT:
        switch (e.window.event) {
          case SDL_WINDOWEVENT_FOCUS_GAINED:
            impl_->Focus = true;
            break;
          case SDL_WINDOWEVENT_FOCUS_LOST:
            impl_->Focus = false;
            break;
          case SDL_WINDOWEVENT_MINIMIZED:
            impl_->Minimized = true;
            break;
          case SDL_WINDOWEVENT_RESTORED:
          case SDL_WINDOWEVENT_MAXIMIZED:
            impl_->Minimized = false;
            break;
          case SDL_WINDOWEVENT_HIDDEN:
            impl_->Hidden = true;
            break;
          case SDL_WINDOWEVENT_SHOWN:
            impl_->Hidden = false;
            break;
          default:
            break;
        }
        break;
      case SDL_KEYDOWN:
        if (!e.key.repeat) impl_->KeyEdge(e.key.keysym.scancode, true, (e.key.keysym.mod & KMOD_ALT) != 0);
        break;
      case SDL_KEYUP:
        impl_->KeyEdge(e.key.keysym.scancode, false, false);
        break;
      case SDL_RENDER_TARGETS_RESET:
      case SDL_RENDER_DEVICE_RESET:
        impl_->Canvas->DeviceReset();
        out.DeviceReset = true;
        break;
      case SDL_JOYDEVICEADDED:
        if (impl_->OpenPad(e.jdevice.which)) out.PadsChanged = true;
        break;
      case SDL_JOYDEVICEREMOVED:
        if (impl_->ClosePad(e.jdevice.which)) out.PadsChanged = true;
        break;
      default:
        if (e.type >= SDL_USEREVENT) out.UserEvents.push_back(e.type);
        break;
    }
    got = SDL_PollEvent(&e) != 0;
  }
  if (gQuitSignal) out.Quit = true;
  if (impl_->CloseRequested) {
    impl_->CloseRequested = false;
    out.Quit = true;
  }
  return out;
}

bool SdlPlatform::Active() const {
  if (impl_->Opt.Headless) return true;
  return impl_->Focus && !impl_->Minimized && !impl_->Hidden;
}

bool SdlPlatform::CanDraw() const {
  if (impl_->Opt.Headless) return true;
  return !impl_->Minimized && !impl_->Hidden;
}

Canvas& SdlPlatform::Screen() {
  return *impl_->Canvas;
}

void SdlPlatform::Present() {
  SDL_RenderPresent(impl_->Renderer);
}

void SdlPlatform::SetVsync(bool on) {
  if (!impl_->Opt.Headless) SDL_RenderSetVSync(impl_->Renderer, on ? 1 : 0);
}

void SdlPlatform::ToggleFullScreen() {
  Impl& m = *impl_;
  if (!m.Window) {
    m.Full = !m.Full;  // headless: only remembered, so a script can see the switch
    return;
  }
  if (!m.Full) {
    SDL_GetWindowPosition(m.Window, &m.SavedX, &m.SavedY);
    SDL_GetWindowSize(m.Window, &m.SavedW, &m.SavedH);
    if (SDL_SetWindowFullscreen(m.Window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0) {
      m.Full = true;
      SDL_ShowCursor(SDL_DISABLE);
    }
  } else {
    SDL_SetWindowFullscreen(m.Window, 0);
    SDL_SetWindowSize(m.Window, m.SavedW, m.SavedH);
    SDL_SetWindowPosition(m.Window, m.SavedX, m.SavedY);
    SDL_ShowCursor(SDL_ENABLE);
    m.Full = false;
  }
}

bool SdlPlatform::FullScreen() const {
  return impl_->Full;
}

IInputSource& SdlPlatform::Input() {
  return *impl_;
}

namespace {

constexpr int kBoxMargin = 24;
constexpr int kBoxTextWidth = 640 - 4 * kBoxMargin;

// The text's lines, long ones broken to fit the box (at code point boundaries).
std::vector<std::string> WrapLines(const TTtfTextRenderer& font, const std::string& text) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at <= text.size()) {
    size_t nl = text.find('\n', at);
    if (nl == std::string::npos) nl = text.size();
    std::string_view line(text.data() + at, nl - at);
    do {
      size_t n = line.size();
      while (n > 1 && font.Measure(line.substr(0, n)).W > kBoxTextWidth) n = Utf8PrefixLength(line, n - 1);
      if (n == 0) n = line.size();
      out.emplace_back(line.substr(0, n));
      line.remove_prefix(n);
    } while (!line.empty());
    at = nl + 1;
  }
  return out;
}

SDL_Texture* TextTexture(SDL_Renderer* r, const TTtfTextRenderer& font, const std::string& text,
                         uint32_t rgb) {
  Bitmap b = font.Render(text, rgb);
  if (b.Empty()) return nullptr;
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(b.Pixels.data(), b.Width, b.Height, 32, b.Width * 4,
                                                      SDL_PIXELFORMAT_ARGB8888);
  if (!s) return nullptr;
  SDL_Texture* t = SDL_CreateTextureFromSurface(r, s);
  SDL_FreeSurface(s);
  if (t) SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
  return t;
}

void Fill(SDL_Renderer* r, const SDL_Rect& rect, uint32_t rgb) {
  SDL_SetRenderDrawColor(r, Uint8(rgb >> 16), Uint8(rgb >> 8), Uint8(rgb), 255);
  SDL_RenderFillRect(r, &rect);
}

}  // namespace

// SDL's own X11 box draws with core fonts through the locale's charsets and garbles Japanese
// (kana come out as JIS bytes in a Latin font), so the box is drawn in the game window with the
// same TrueType text as the option lists. Without such a font SDL's box is the fallback.
int SdlPlatform::RunMessageBox(const TMessageBoxRequest& box) {
  Impl& m = *impl_;
  if (m.Opt.MessageBox) return m.Opt.MessageBox(box);
  const int escape = int(box.Buttons.size()) - 1;
  if (m.Opt.Headless || !m.Window) return 0;
  if (!m.BoxFont)
    m.BoxFont = TTtfTextRenderer::Open(
        {{"IPAGothic", true}, {"sans-serif:lang=ja", false}, {"sans-serif", false}}, 11);
  if (!m.BoxFont || !m.Renderer) {
    std::vector<SDL_MessageBoxButtonData> buttons;
    for (size_t i = 0; i < box.Buttons.size(); ++i)
      buttons.push_back({Uint32(i == 0 ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0) |
                             Uint32(int(i) == escape ? SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT : 0),
                         int(i), box.Buttons[i].c_str()});
    SDL_MessageBoxData data{
        SDL_MESSAGEBOX_ERROR, m.Window, box.Title.c_str(), box.Text.c_str(), int(buttons.size()),
        buttons.data(),       nullptr};
    int hit = 0;
    return SDL_ShowMessageBox(&data, &hit) == 0 && hit >= 0 ? hit : 0;
  }
  SDL_Renderer* r = m.Renderer;
  const TTtfTextRenderer& font = *m.BoxFont;
  std::vector<SDL_Texture*> lines, labels;
  for (const std::string& line : WrapLines(font, box.Text))
    lines.push_back(TextTexture(r, font, line, 0xFFFFFF));
  for (const std::string& b : box.Buttons) labels.push_back(TextTexture(r, font, b, 0xFFFFFF));
  const int lineH = font.Height() + 2;
  const int maxLines = (480 - 4 * kBoxMargin - 40) / lineH;
  const int shown = std::min(int(lines.size()), maxLines);
  const int panelH = shown * lineH + 2 * kBoxMargin + 40;
  const SDL_Rect panel{kBoxMargin, (480 - panelH) / 2, 640 - 2 * kBoxMargin, panelH};
  std::vector<SDL_Rect> buttonRects;
  for (size_t i = 0; i < box.Buttons.size(); ++i) {
    const int w = 96, x = panel.x + panel.w - kBoxMargin - int(box.Buttons.size() - i) * (w + 12) + 12;
    buttonRects.push_back({x, panel.y + panel.h - kBoxMargin - 28, w, 28});
  }
  SDL_ShowCursor(SDL_ENABLE);
  int focus = 0, chosen = -1;
  while (chosen < 0) {
    SDL_SetRenderTarget(r, nullptr);
    SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
    Fill(r, {0, 0, 640, 480}, 0x000000);
    Fill(r, panel, 0x5A6690);
    Fill(r, {panel.x + 2, panel.y + 2, panel.w - 4, panel.h - 4}, 0x1E2440);
    for (int i = 0; i < shown; ++i) {
      if (!lines[size_t(i)]) continue;
      int w = 0, h = 0;
      SDL_QueryTexture(lines[size_t(i)], nullptr, nullptr, &w, &h);
      SDL_Rect dst{panel.x + kBoxMargin, panel.y + kBoxMargin + i * lineH, w, h};
      SDL_RenderCopy(r, lines[size_t(i)], nullptr, &dst);
    }
    for (size_t i = 0; i < buttonRects.size(); ++i) {
      const SDL_Rect& b = buttonRects[i];
      Fill(r, b, int(i) == focus ? 0xE8C040 : 0x5A6690);
      Fill(r, {b.x + 2, b.y + 2, b.w - 4, b.h - 4}, 0x2C3560);
      if (!labels[i]) continue;
      int w = 0, h = 0;
      SDL_QueryTexture(labels[i], nullptr, nullptr, &w, &h);
      SDL_Rect dst{b.x + (b.w - w) / 2, b.y + (b.h - h) / 2, w, h};
      SDL_RenderCopy(r, labels[i], nullptr, &dst);
    }
    SDL_RenderPresent(r);
    SDL_Event e;
    if (!SDL_WaitEventTimeout(&e, 200)) continue;
    do {
      if (e.type == SDL_QUIT) chosen = escape;
      if (e.type == SDL_KEYDOWN) {
        switch (e.key.keysym.scancode) {
          case SDL_SCANCODE_RETURN:
          case SDL_SCANCODE_KP_ENTER:
          case SDL_SCANCODE_SPACE:
            chosen = focus;
            break;
          case SDL_SCANCODE_ESCAPE:
            chosen = escape;
            break;
          case SDL_SCANCODE_LEFT:
            focus = std::max(focus - 1, 0);
            break;
          case SDL_SCANCODE_RIGHT:
          case SDL_SCANCODE_TAB:
            focus = (focus + 1) % int(box.Buttons.size());
            break;
          default:
            break;
        }
      }
      if (e.type == SDL_MOUSEBUTTONUP && e.button.button == SDL_BUTTON_LEFT) {
        SDL_Point p{e.button.x, e.button.y};
        for (size_t i = 0; i < buttonRects.size(); ++i)
          if (SDL_PointInRect(&p, &buttonRects[i])) chosen = int(i);
      }
    } while (chosen < 0 && SDL_PollEvent(&e));
  }
  for (SDL_Texture* t : lines)
    if (t) SDL_DestroyTexture(t);
  for (SDL_Texture* t : labels)
    if (t) SDL_DestroyTexture(t);
  if (m.Full) SDL_ShowCursor(SDL_DISABLE);
  // The keys of the answer must not reach the game as fresh presses.
  SDL_FlushEvents(SDL_KEYDOWN, SDL_MOUSEBUTTONUP);
  return chosen;
}

void SdlPlatform::ShowError(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  RunMessageBox({impl_->Opt.Title, ValidUtf8(text), {"OK"}});
}

bool SdlPlatform::AskYesNo(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  if (!impl_->Opt.MessageBox && (impl_->Opt.Headless || !impl_->Window)) return true;
  return RunMessageBox({impl_->Opt.Title, ValidUtf8(text), {"Yes", "No"}}) == 0;
}

Bitmap SdlPlatform::ReadFrame() {
  Bitmap out(640, 480);
  if (impl_->Frame) {
    SDL_Surface* s = impl_->Frame;
    SDL_LockSurface(s);
    for (int y = 0; y < 480; ++y)
      std::memcpy(&out.Pixels[size_t(y) * 640], static_cast<uint8_t*>(s->pixels) + y * s->pitch, 640 * 4);
    SDL_UnlockSurface(s);
  } else {
    SDL_Rect r{0, 0, 640, 480};
    SDL_RenderReadPixels(impl_->Renderer, &r, SDL_PIXELFORMAT_ARGB8888, out.Pixels.data(), 640 * 4);
  }
  for (auto& p : out.Pixels) p |= 0xFF000000u;
  return out;
}

std::string SdlPlatform::ClipboardText() {
  char* text = SDL_GetClipboardText();
  std::string out = text ? text : "";
  SDL_free(text);
  return out;
}

void SdlPlatform::RequestClose() {
  impl_->CloseRequested = true;
}

void SdlPlatform::SetClipboardText(const std::string& text) {
  SDL_SetClipboardText(text.c_str());
}

void SdlPlatform::SetIcon(const Bitmap& icon) {
  if (!impl_->Window || icon.Empty()) return;
  // Bitmap pixels are 0xAARRGGBB words, SDL's ARGB8888.
  SDL_Surface* s =
      SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(icon.Pixels.data()), icon.Width, icon.Height,
                                         32, icon.Width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!s) return;
  SDL_SetWindowIcon(impl_->Window, s);
  SDL_FreeSurface(s);
}

bool SdlPlatform::Headless() const {
  return impl_->Opt.Headless;
}
void SdlPlatform::SetVirtualTime(uint32_t now) {
  impl_->VirtualNow = now;
}

void SdlPlatform::SetVirtualKey(int vk, bool down) {
  int sc = VkToScancode(vk);
  if (sc <= 0 || sc >= SDL_NUM_SCANCODES) return;
  Impl& m = *impl_;
  const bool was = m.VirtualKeys[size_t(sc)];
  m.VirtualKeys[size_t(sc)] = down;
  if (was != down) m.KeyEdge(sc, down, m.VirtualKeys[SDL_SCANCODE_LALT] || m.VirtualKeys[SDL_SCANCODE_RALT]);
}

bool SdlPlatform::AttachVirtualPad(int n, const std::string& name, bool controller) {
  if (n < 0 || n >= 8) return false;
  DetachVirtualPad(n);
  SDL_VirtualJoystickDesc desc;
  SDL_zero(desc);
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.name = name.c_str();
  if (controller) {
    // SDL maps such a device itself: joystick button b is controller button b (A, B, X, Y,
    // Back, Guide, Start, sticks, shoulders, d-pad), axes 0..5 the sticks and the triggers.
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1;
    desc.button_mask = (1u << desc.nbuttons) - 1;
    desc.axis_mask = (1u << desc.naxes) - 1;
  } else {
    // A plain joystick: nothing maps it unless a mapping for its id is added.
    desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
    desc.naxes = 2;
    desc.nbuttons = 32;
    desc.nhats = 1;
  }
  int index = SDL_JoystickAttachVirtualEx(&desc);
  if (index < 0) return false;
  impl_->VirtualPadIndex[size_t(n)] = index + 1;
  // A handle of our own to drive the virtual device; the game opens its own on the added event.
  impl_->VirtualPads[size_t(n)] = SDL_JoystickOpen(index);
  return impl_->VirtualPads[size_t(n)] != nullptr;
}

void SdlPlatform::DetachVirtualPad(int n) {
  if (n < 0 || n >= 8 || !impl_->VirtualPads[size_t(n)]) return;
  SDL_Joystick* j = impl_->VirtualPads[size_t(n)];
  SDL_JoystickID id = SDL_JoystickInstanceID(j);
  SDL_JoystickClose(j);
  impl_->VirtualPads[size_t(n)] = nullptr;
  for (int i = 0; i < SDL_NumJoysticks(); ++i)
    if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
  impl_->VirtualPadIndex[size_t(n)] = 0;
}

void SdlPlatform::SetVirtualPadButton(int n, int button, bool down) {
  if (n < 0 || n >= 8 || !impl_->VirtualPads[size_t(n)]) return;
  SDL_JoystickSetVirtualButton(impl_->VirtualPads[size_t(n)], button, down ? 1 : 0);
}

void SdlPlatform::SetVirtualPadAxis(int n, int axis, int value) {
  if (n < 0 || n >= 8 || !impl_->VirtualPads[size_t(n)]) return;
  SDL_JoystickSetVirtualAxis(impl_->VirtualPads[size_t(n)], axis, Sint16(value));
}

void SdlPlatform::SetVirtualPadHat(int n, int dir) {
  if (n < 0 || n >= 8 || !impl_->VirtualPads[size_t(n)]) return;
  static const Uint8 hats[] = {SDL_HAT_CENTERED, SDL_HAT_UP, SDL_HAT_DOWN, SDL_HAT_LEFT, SDL_HAT_RIGHT};
  SDL_JoystickSetVirtualHat(impl_->VirtualPads[size_t(n)], 0, hats[dir >= 0 && dir <= 4 ? dir : 0]);
}

std::string SdlPlatform::VirtualPadGuid(int n) const {
  if (n < 0 || n >= 8 || !impl_->VirtualPads[size_t(n)]) return {};
  // Mapping lines carry no name checksum (bytes 2 and 3): SDL matches them without it.
  SDL_JoystickGUID guid = SDL_JoystickGetGUID(impl_->VirtualPads[size_t(n)]);
  guid.data[2] = guid.data[3] = 0;
  char buf[33] = {};
  SDL_JoystickGetGUIDString(guid, buf, sizeof buf);
  return buf;
}

std::vector<std::string> SdlPlatform::LoadControllerMappings(const std::string& path) {
  std::vector<std::string> warnings;
  std::ifstream in(path, std::ios::binary);
  if (!in) return warnings;  // no file: SDL's own database is enough
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    TMappingLineCheck check = CheckMappingLine(line);
    if (check.Kind == TMappingLineKind::Mapping && SDL_GameControllerAddMapping(line.c_str()) < 0) {
      check.Kind = TMappingLineKind::Malformed;
      check.Why = SDL_GetError();
    }
    if (check.Kind == TMappingLineKind::Malformed)
      warnings.push_back(path + ":" + std::to_string(lineNo) + ": not a controller mapping, skipped (" +
                         check.Why + ")");
  }
  // Mappings in the environment are for this run: they win over the file.
  if (const char* env = SDL_getenv("SDL_GAMECONTROLLERCONFIG")) {
    std::string all = env;
    size_t at = 0;
    while (at < all.size()) {
      size_t nl = all.find('\n', at);
      if (nl == std::string::npos) nl = all.size();
      std::string one = all.substr(at, nl - at);
      if (CheckMappingLine(one).Kind == TMappingLineKind::Mapping) SDL_GameControllerAddMapping(one.c_str());
      at = nl + 1;
    }
  }
  return warnings;
}

void SdlPlatform::SimulateDeviceReset() {
  impl_->Canvas->DeviceReset();
}

}  // namespace kq
