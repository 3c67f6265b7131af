// Versus play with two nearly full fields, shots and erasures running: the time of one tick with
// its drawing on the software canvas, and the speed of the no-render simulation.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "app/context.h"
#include "game/rules.h"
#include "media/image_assets.h"
#include "sprites/effect_sprites.h"

using namespace kq;

namespace {

class NoInput : public IInputSource {
 public:
  bool VkDown(int) const override { return false; }
  int FirstDownVk() const override { return 0; }
  uint64_t PadStates(int) const override { return 0; }
  std::vector<std::string> PadNames() const override { return {}; }
};

class MemoryPlatform : public IPlatform {
 public:
  Bitmap Pixels{640, 480};
  BitmapCanvas Canvas{Pixels};
  NoInput Keys;
  uint32_t Ticks() override { return 0; }
  PlatformEvents Pump(bool) override { return {}; }
  bool Active() const override { return true; }
  bool CanDraw() const override { return true; }
  kq::Canvas& Screen() override { return Canvas; }
  void Present() override {}
  void SetVsync(bool) override {}
  void ToggleFullScreen() override {}
  bool FullScreen() const override { return false; }
  IInputSource& Input() override { return Keys; }
  void ShowError(const std::string&) override {}
  bool AskYesNo(const std::string&) override { return true; }
  bool SaveScreenshot(const std::string&) override { return false; }
};

// The play pictures of the generated pack, and the block textures cut from the block sheets.
void LoadPlayArt(GameContext& g) {
  const std::string grp = std::string(KQ_BIN_DIR) + "/GRP/";
  struct Item {
    const char* name;
    int cols, rows;
    bool transparent;
  };
  const Item items[] = {{"DUMMY", 0, 0, false},      {"SIGHT", 2, 1, true},       {"COVER", 0, 0, false},
                        {"SHOOTER", 2, 0, true},     {"SHOT1", 0, 0, true},       {"SHOT2", 0, 0, true},
                        {"CHAINGAUGE", 0, 0, false}, {"POWERGAUGE", 0, 0, false}, {"NUM_COMBO", 10, 0, true},
                        {"BACK1", 0, 0, true},       {"BACK2", 0, 0, true},       {"STR_COMBO", 0, 0, true},
                        {"STR_1P", 0, 0, true},      {"STR_2P", 0, 0, true},      {"STR_LEVEL", 0, 0, true},
                        {"FONT_SCORE", 10, 0, true}, {"FONT1", 8, 8, true},       {"FONT2", 8, 8, true},
                        {"ATTACK1P", 0, 0, true},    {"ATTACK2P", 0, 0, true},    {"DAMAGE1P", 0, 0, true},
                        {"DAMAGE2P", 0, 0, true},    {"BLOCK_N", 0, 0, false},    {"BLOCK_C", 0, 0, false}};
  for (const Item& it : items) {
    const uint32_t key = std::string(it.name).rfind("SHOT", 0) == 0 ? 0xFFFFFF : 0;
    if (!LoadImageAsset(g.DXImageList1, it.name, grp + it.name + ".PNG", it.cols, it.rows, it.transparent,
                        key))
      std::fprintf(stderr, "missing %s (build kq_assets first)\n", it.name);
  }
  for (int i = 0; i < 7; ++i)
    for (const char* sheet : {"BLOCK_N", "BLOCK_C"}) {
      const std::string strip = std::string(sheet) + char('0' + i);
      CutImageAsset(g.DXImageList1, strip, sheet, 0, 32 * i, 160, 32, 5, 0, true, 0);
      const TPictureItem* pic = g.DXImageList1.Find(sheet);
      if (!pic) continue;
      for (int j = 0; j < 5; ++j) {
        TImage& tex = (sheet[6] == 'N' ? g.BlockTexN : g.BlockTexC)[size_t(i)][size_t(j)];
        tex.SetPixels(ApplyColorKey(pic->Source.Crop(32 * j, 32 * i, 32, 32), true, 0));
      }
    }
  TImageList tmp;
  if (LoadImageAsset(tmp, "D3D_DUST", grp + "DUST.PNG", 0, 0, false, 0)) g.DustTex = tmp[0].Image;
}

std::vector<std::string> NearlyFullField(TRandom& r) {
  std::vector<std::string> rows(13, "........");
  for (int i = 2; i < 13; ++i)  // rows 0..10
    for (char& ch : rows[size_t(i)]) ch = char('0' + r.Random(6));
  return rows;
}

struct Run {
  GameContext g;
  MemoryPlatform screen;
  TRandom input{99};

  Run(bool d3d, bool render) {
    g.Config.UseDirect3D = d3d;
    g.Config.DisableGameOver = true;  // keep the fields full for the whole run
    g.LevelTable = {TLevelEntry{10, 100000, 2000}};
    g.FrameTime = 10000;
    if (render) {
      LoadPlayArt(g);
      g.Platform = &screen;
    } else {
      g.NoRender = true;
    }
    TRandom r(7);
    g.GameMode = 2;
    g.FieldCols = 8;
    g.StartField = {NearlyFullField(r), NearlyFullField(r)};
    g.HasStartField = {true, true};
    g.EnterState(scPlay);
  }
  ~Run() { g.Platform = nullptr; }

  void Press(TDXInput& dev, const TKeyAssign& k) {
    for (int d = 0; d < 4; ++d)
      if (input.Random(8) == 0) dev.States.flip(size_t(d));
    if (input.Random(6) == 0) dev.States.set(k.J02);
    if (input.Random(10) == 0) dev.States.set(input.Random(2) ? k.J01 : k.J03);
  }
  void Tick(int ms) {
    Press(g.DXInput1, g.Config.KeyAssign1P);
    Press(g.DXInput2, g.Config.KeyAssign2P);
    g.FrameTime += uint32_t(ms);
    GameTick(g, ms);
    EndFrameInput(g.DXInput1, g.DXInput2, g.Config, true);
    // Keep both fields nearly full: refill when erasures have emptied them.
    for (int n = 0; n < 2; ++n) {
      TPlayerInfo& p = g.Player(n);
      if (p.Phase == gpPlay && !p.Cells[0][8] && p.ShotsInFlight == 0) p.PendingLines = 5;
    }
  }
};

// CPU time of this thread in microseconds: the machine is shared, so wall time is noisy.
double CpuMicros() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

double Percentile(std::vector<double> v, int pct) {
  std::sort(v.begin(), v.end());
  return v[v.size() * size_t(pct) / 100];
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main() {
  for (bool d3d : {true, false}) {
    Run run(d3d, true);
    std::vector<double> wall, cpu;
    int sprites = 0;
    for (int i = 0; i < 3000; ++i) {
      const double c0 = CpuMicros();
      const auto t0 = std::chrono::steady_clock::now();
      run.Tick(16);
      const auto t1 = std::chrono::steady_clock::now();
      cpu.push_back(CpuMicros() - c0);
      wall.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
      sprites = std::max(sprites, run.g.DXSpriteEngine1.DrawCount);
    }
    std::printf(
        "versus tick + draw, %s path, software canvas, up to %d sprites drawn: median %.3f ms CPU "
        "(%.3f ms wall), 95th percentile %.3f ms CPU (target: median <= 1.5 ms)\n",
        d3d ? "3-D" : "plain", sprites, Median(cpu) / 1000, Median(wall) / 1000, Percentile(cpu, 95) / 1000);
  }
  {
    Run run(true, false);
    TRandom frames(3);
    const int ticks = 200000;
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < ticks; ++i) run.Tick(1 + frames.Random(50));
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("no-render versus simulation: %.0f ticks per second (target >= 20000)\n", ticks / s);
  }
  return 0;
}
