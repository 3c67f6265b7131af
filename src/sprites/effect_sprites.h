#pragma once
// Sprites of the playfield and its effects: blocks, boards, sight, character animations and the
// textured sprites of 3-D mode with their fades, blinks, dust and danger glow.
#include <array>
#include <cstdint>

#include "core/player.h"
#include "engine/sprite.h"
#include "sprites/game_sprite.h"

namespace kq {

// Textured quad with alpha and colour (3-D mode).
class T3DImageSprite : public TImageSprite {
 public:
  T3DImageSprite(GameContext& g, TSprite* parent);
  GameContext& G;
  const TImage* Texture = nullptr;
  const TImage* SideTextures[4] = {nullptr, nullptr, nullptr, nullptr};  // above, below, left, right
  double HalfWidth = 0, HalfHeight = 0;
  uint32_t Color = 0;               // packed ARGB; RGB in the low 24 bits, 0 = white
  int SrcBlend = 0, DestBlend = 0;  // 0 = default
  float FadeSpeed = 0;              // alpha units per ms
  float Alpha = 255;
  void Advance(int elapsed) override;
  void Render() override;
  // Draws the quad in the given colour (alpha in the top byte) with the blend overrides.
  void DrawQuad(uint32_t argb);
};

class TBlinkSprite : public T3DImageSprite {
 public:
  using T3DImageSprite::T3DImageSprite;
  uint8_t AlphaMax = 255, AlphaMin = 0;
  void Advance(int elapsed) override;
};

// Untextured coloured rectangle whose alpha is driven by the clock.
class TFadeSprite : public T3DImageSprite {
 public:
  using T3DImageSprite::T3DImageSprite;
  uint8_t Stage = 0;
  uint32_t StartTime = 0;  // 0 = not running
  double FadeRate = 0;     // alpha units per ms
  bool FadeIn = true;
  bool FadeBack = false;
  uint32_t HoldTime = 0;
  bool KillAtEnd = false;
  // Starts the fade at this frame's clock; a clock of 0 starts it at 1, since 0 means "not running".
  void Start();
  void Advance(int elapsed) override;
  void Render() override;
};

// A fade over the whole screen, above every other sprite, started at this frame and removed at
// its end: from `alpha` toward opaque (fadeIn) or toward clear.
TFadeSprite* NewScreenFade(GameContext& g, uint32_t color, uint8_t alpha, bool fadeIn, double fadeRate);

// The rules' fades over the fields (3-D mode): the trim and restore bars (a trim bar is seen only
// while it fades in; the row's shade takes over) and the game-over darkening. (The game-over
// title of a darkened one-player field comes with the rules' event, sprites/presentation.h.)
class TFieldFadesSprite : public TSprite {
 public:
  TFieldFadesSprite(GameContext& g, TSprite* parent);
  GameContext& G;
  void Render() override;
};

class TDustSprite : public T3DImageSprite {
 public:
  using T3DImageSprite::T3DImageSprite;
  float StartXf = 0;
  int StartX = 0, StartY = 0, PeakX = 0, PeakY = 0;
  float Curve = 0;
  int EndX = 0;
  float VelocityX = 0;
  float Angle0 = 0;  // degrees
  float Spin = 0;    // degrees per pattern unit
  // Sets up the parabola through the start with its peak at (peakX, peakY).
  void Setup(double startX, int startY, int peakX, int peakY, int endX, double speed);
  void Advance(int elapsed) override;
  void Render() override;
};

class TDangerSprite : public T3DImageSprite {
 public:
  using T3DImageSprite::T3DImageSprite;
  double Glow = 0;  // 0..50
  double GlowRate = 0.09;
  uint32_t Since = 0;  // the clock of the tick the glow last started at
  void Advance(int elapsed) override;
  void Render() override;
  // Starts the glow from nothing, rising, on the tick whose clock is `since`.
  void Start(uint32_t since);
  // The glow as if it had started on the tick of clock `since` and moved with every tick since:
  // the sprite remembers the recent ticks it moved by, so a start a few ticks back comes out as
  // it would have been (an older one is worked out from the rate alone).
  void StartedAt(uint32_t since);

 private:
  void Step(int elapsed);
  struct TMoved {
    uint32_t Clock;
    int Elapsed;
  };
  static constexpr size_t kRemembered = 128;
  std::array<TMoved, kRemembered> moved_{};
  size_t movedCount_ = 0;  // all moves so far; the last kRemembered are in moved_
};

class TMoveSprite : public TImageSprite {
 public:
  TMoveSprite(GameContext& g, TSprite* parent);
  GameContext& G;
  uint8_t MoveMode = 0;  // 1 up, 2 down, 3 left, 4 right
  int TargetX = 0, TargetY = 0;
  double Speed = 0;  // px per ms, 0 = at rest
  void Advance(int elapsed) override;
  void Render() override;
};

// The blocks of one player's field as the rules hold them, each at its column, its fall and the
// rise offset, in its erase pattern ("BLOCK_C" + kind when hard, else "BLOCK_N" + kind).
class TFieldSprite : public TSprite {
 public:
  TFieldSprite(GameContext& g, TSprite* parent, const TPlayerInfo& owner);
  GameContext& G;
  const TPlayerInfo& Owner;
  void Render() override;
};

class TDisplayBoardSprite : public TMoveSprite {
 public:
  using TMoveSprite::TMoveSprite;
  uint32_t EndTime = 0;
  bool AutoRemove = false;
  uint8_t BoardStage = 0;
  void Advance(int elapsed) override;
};

class TSightSprite : public TImageSprite {
 public:
  using TImageSprite::TImageSprite;
  TPlayerInfo* Owner = nullptr;  // its aimed cell is the owner's Sight
  void Render() override;
};

class TCharAnimationSprite : public TImageSprite {
 public:
  using TImageSprite::TImageSprite;
  uint8_t AnimStage = 0;
  void Advance(int elapsed) override;
  void Render() override;
};

// The shots in flight of both players: "SHOT2" for an erase shot, "SHOT1" for a change shot.
class TShotsSprite : public TSprite {
 public:
  TShotsSprite(GameContext& g, TSprite* parent);
  GameContext& G;
  void Render() override;
};

// Texture-sprite setup of the 3-D sprites; width/height <= 0 take the texture's size.
void InitTextureSprite(T3DImageSprite& sprite, const TImage* texture, int width, int height,
                       double patternPos, double patternSpeed, bool loop, int patternCount, int z, double x,
                       double y);

}  // namespace kq
