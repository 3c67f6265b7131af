#include "core/context.h"

#include <algorithm>
#include <cmath>

#include "core/replay_state.h"
#include "engine/paths.h"

namespace kq {

void TFrameRate::Tick(uint32_t now) {
  // The first tick only opens the window: a window counts the ticks after its start.
  if (!Started) {
    Started = true;
    CountStart = now;
    Ticks = 0;
    return;
  }
  ++Ticks;
  uint32_t elapsed = now - CountStart;
  if (elapsed >= 1000) {
    FrameRate = int(std::lround(double(Ticks) * 1000.0 / double(elapsed)));
    Ticks = 0;
    CountStart = now;
  }
}

GameContext::GameContext() : BackSurface(Bitmap(640, 480)), ListSurface(Bitmap(640, 480)) {}

void GameContext::SeedStreams(uint64_t seed) {
  GameSeed = seed;
  Rng.Seed(seed);
  FxRng.Seed(MixSeed(seed, 1));
  MusicRng.Seed(MixSeed(seed, 2));
  VoiceRng.Seed(MixSeed(seed, 3));
  FileRng.Seed(MixSeed(seed, 4));
}

void GameContext::SeedProgram(uint64_t seed) {
  SeedRng.Seed(MixSeed(seed, 5));
  SeedStreams(seed);
}

void GameContext::DrawPlayOverlay(Canvas& c) {
  if (PlayOverlay) PlayOverlay(*this, c);
}

GameContext::~GameContext() {
  // Sprites first: their destructors must not outlive the records they point into.
  DXSpriteEngine1.ClearChildren();
}

void GameContext::PlaySound(std::string_view name, bool stopFirst) {
  if (RecordSounds) SoundLog.push_back({TickCount, std::string(name)});
  std::string upper = UpperCase(name);
  if (Config.DisableVoice && upper.rfind("VOICE", 0) == 0) return;
  if (Sound) Sound->Play(upper, stopFirst);
}

void GameContext::PlayMusicFile(const std::string& path) {
  if (Config.DisableBgm || !Music) return;
  if (!FileExists(path)) return;
  if (Music->Open(path)) Music->Play();
}

void GameContext::PlayRandomBgm() {
  if (Config.DisableBgm || !Music || BgmList.empty()) return;
  const std::string& path = BgmList[size_t(MusicRng.Random(int(BgmList.size())))];
  if (Music->Open(path)) Music->Play();
}

void GameContext::StopMusic() {
  if (Music) Music->Stop();
}

std::string GameContext::DataPath(std::string_view winRelative) const {
  return ResolvePath(PackFolder(), winRelative);
}

bool GameContext::DataFileExists(std::string_view winRelative) const {
  return FileExists(DataPath(winRelative));
}

Canvas* GameContext::ScreenCanvas() {
  if (!Platform || !Platform->CanDraw()) return nullptr;
  return &Platform->Screen();
}

void GameContext::DrawFrameRate(Canvas& c) {
  if (ScreenState == scTitle || ScreenState == scOpening) return;
  DrawGlyphText(*this, c, 56, "FPS=" + std::to_string(FrameRate.FrameRate), 29);
}

bool GameContext::ConfirmPressed() const {
  // Player 2's confirm state comes only from a controller's Start button.
  return DXInput1.Has(Config.KeyAssign1P.J01) || DXInput2.Has(Config.KeyAssign2P.J01) ||
         DXInput1.Has(kStateConfirm) || DXInput2.Has(kStateConfirm);
}

void GameContext::DrawFrontEndFrame(int moveCount, const TImage* background, bool frameRateText,
                                    const std::function<void(Canvas&)>& extra) {
  Canvas* c = ScreenCanvas();
  DXSpriteEngine1.Surface = c;
  if (c) c->Clear(0);
  DXSpriteEngine1.MoveSprites(moveCount);
  if (c && background) c->Blit(*background, 0, 0);
  DXSpriteEngine1.SweepSprites();
  if (!c) return;
  if (!NoRender) {
    DXSpriteEngine1.DrawSprites();
    if (extra) extra(*c);
    if (frameRateText) DrawFrameRate(*c);
  }
  Platform->Present();
}

void GameContext::ForgetPlaySprites() {
  PlayerSprites = {};
  for (TPlayerInfo* p : {&Player1P, &Player2P}) {
    for (auto& col : p->Cells) col.fill(TBlock{});
    p->FallingList.clear();
  }
  State.Shots.clear();
  State.Bars.clear();
  State.OverFades.clear();
  State.Leaving.clear();
}

void GameContext::DrawStillFrame(const TImage* background, bool frameRateText,
                                 const std::function<void(Canvas&)>& extra) {
  Canvas* c = ScreenCanvas();
  if (!c) return;
  DXSpriteEngine1.Surface = c;
  c->Clear(0);
  if (background) c->Blit(*background, 0, 0);
  if (!NoRender) {
    DXSpriteEngine1.DrawSprites();
    if (extra) extra(*c);
    if (frameRateText) DrawFrameRate(*c);
  }
  Platform->Present();
}

}  // namespace kq
