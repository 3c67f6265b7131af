#pragma once
// The test doubles every suite and benchmark shares: a display in memory with a keyboard and
// pads the test sets, a sound system and a music player that record what they are asked, and
// a text face of plain boxes. None of them needs SDL.
#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/canvas.h"
#include "engine/platform.h"
#include "engine/text_renderer.h"
#include "media/audio.h"

namespace kq::test {

// Keys (virtual-key codes) and pads held, as the test sets them.
class TestInput : public IInputSource {
 public:
  std::set<int> Keys;
  bool CodelessKey = false;  // a key without a virtual-key code is held
  std::vector<std::string> Names = std::vector<std::string>(kMaxPads);
  std::map<int, uint64_t> Pads;  // pad number -> states held (a pad without a name gives none)

  bool VkDown(int vk) const override { return Keys.count(vk) > 0; }
  int FirstDownVk() const override { return Keys.empty() ? 0 : *Keys.begin(); }
  bool AnyKeyDown() const override { return CodelessKey || !Keys.empty(); }
  uint64_t PadStates(int padNo) const override {
    auto it = Pads.find(padNo);
    return it == Pads.end() || padNo < 0 || size_t(padNo) >= Names.size() || Names[size_t(padNo)].empty()
               ? 0
               : it->second;
  }
  std::vector<std::string> PadNames() const override { return Names; }
  std::set<int> StartHeld;  // pads whose mapped Start button is held
  bool PadStartDown(int padNo) const override {
    return StartHeld.count(padNo) > 0 && size_t(padNo) < Names.size() && !Names[size_t(padNo)].empty();
  }
};

// A display that draws into memory; its clock is what the test sets.
class MemoryPlatform : public IPlatform {
 public:
  TestInput In;
  Bitmap Pixels{640, 480};
  BitmapCanvas Screen_{Pixels};
  uint32_t Clock = 0;
  int Presents = 0;
  std::vector<bool> VsyncCalls;
  bool Drawable = true;

  uint32_t Ticks() override { return Clock; }
  void Delay(uint32_t ms) override { Clock += ms; }
  PlatformEvents Pump(bool) override { return {}; }
  bool Active() const override { return true; }
  bool CanDraw() const override { return Drawable; }
  Canvas& Screen() override { return Screen_; }
  void Present() override { ++Presents; }
  void SetVsync(bool on) override { VsyncCalls.push_back(on); }
  bool Full = false;
  void ToggleFullScreen() override { Full = !Full; }
  bool FullScreen() const override { return Full; }
  IInputSource& Input() override { return In; }
  void ShowError(const std::string&) override {}
  bool AskYesNo(const std::string&) override { return true; }
  Bitmap ReadFrame() override { return Pixels; }
};

// Records what reaches the sound system ("NAME", or "NAME!" when asked to stop it first).
class RecordingSound : public ISoundSystem {
 public:
  std::vector<std::string> Played;
  void Play(const std::string& name, bool stopFirst) override {
    Played.push_back(name + (stopFirst ? "!" : ""));
  }
  bool Has(const std::string&) const override { return true; }
  std::vector<std::string> Stopped;
  void Stop(const std::string& name) override { Stopped.push_back(name); }
  std::vector<std::pair<int, int>> Volumes;  // effects, voices, as set
  void SetVolumes(int effects, int voices) override { Volumes.emplace_back(effects, voices); }
};

// Records the songs it is asked for; a song has ended when Ended is set and the event is the
// test's end-of-song event (kSongEndEvent).
class RecordingMusic : public IMusicPlayer {
 public:
  static constexpr uint32_t kSongEndEvent = 77;
  std::vector<std::string> Opened;
  int Plays = 0, Stops = 0;
  bool Ended = true;
  bool Open(const std::string& path) override {
    Opened.push_back(path);
    return true;
  }
  void Play() override { ++Plays; }
  void Stop() override { ++Stops; }
  void SetPaused(bool paused) override { Paused = paused; }
  bool Paused = false;
  bool SongEnded(uint32_t type) override { return Ended && type == kSongEndEvent; }
  std::vector<int> Volumes;
  void SetVolume(int level) override { Volumes.push_back(level); }
};

// A fixed-pitch face of solid boxes: 7 by 14 pixels a cell, a character outside ASCII two
// cells, as the list font measures Japanese. With a log, every text it renders is added to it.
class BoxTextRenderer : public ITextRenderer {
 public:
  explicit BoxTextRenderer(int cellW = 7, int height = 14, std::vector<std::string>* log = nullptr)
      : cellW_(cellW), height_(height), log_(log) {}
  const std::string& File() const override { return file_; }
  const std::string& Family() const override { return file_; }
  int Height() const override { return height_; }
  TTextSize Measure(std::string_view utf8) const override {
    int cells = 0;
    for (unsigned char c : utf8) {
      if (c < 0x80)
        ++cells;
      else if (c >= 0xC0)
        cells += 2;  // a lead byte; continuation bytes add nothing
    }
    return {cells * cellW_, utf8.empty() ? 0 : height_};
  }
  Bitmap Render(std::string_view utf8, uint32_t rgb) const override {
    if (log_) log_->emplace_back(utf8);
    TTextSize s = Measure(utf8);
    if (s.W == 0) return Bitmap();
    Bitmap b(s.W, s.H, 0);
    for (int y = 2; y < s.H - 2; ++y)
      for (int x = 0; x < s.W; ++x)
        if (x % cellW_ != cellW_ - 1) b.At(x, y) = 0xFF000000u | (rgb & 0xFFFFFFu);
    return b;
  }

 private:
  int cellW_, height_;
  std::vector<std::string>* log_;
  std::string file_ = "box";
};

}  // namespace kq::test
