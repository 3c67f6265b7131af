#include "sprites/effect_sprites.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/context.h"
#include "sprites/hud_sprites.h"

namespace kq {

namespace {

Canvas* SurfaceOf(const TSprite& s) {
  return s.Engine ? s.Engine->Surface : nullptr;
}

// The blend factor pairs the game uses, mapped onto the canvas modes.
BlendMode BlendFor(int src, int dest) {
  if (src == 0 && dest == 0) return BlendMode::Alpha;
  if (dest == kBlendOne) return BlendMode::Add;
  if (src == kBlendOne && dest == kBlendZero) return BlendMode::Opaque;
  return BlendMode::Alpha;
}

RectI ToRectI(const RectF& r) {
  int x0 = int(std::floor(r.X + 0.5)), y0 = int(std::floor(r.Y + 0.5));
  int x1 = int(std::floor(r.X + r.W + 0.5)), y1 = int(std::floor(r.Y + r.H + 0.5));
  return {x0, y0, x1 - x0, y1 - y0};
}

void DrawTextureQuad(Canvas& c, const TImage* tex, const RectF& dst, uint32_t argb, BlendMode mode,
                     double angle = 0) {
  uint8_t a = uint8_t(argb >> 24);
  uint32_t rgb = argb & 0xFFFFFFu;
  if (!tex) {  // no texture: the vertex colour alone
    if (mode == BlendMode::Alpha && a == 0) return;
    c.FillRect(ToRectI(dst), rgb, a, mode == BlendMode::Opaque ? BlendMode::Opaque : mode);
    return;
  }
  if (tex->Pixels().Empty()) return;  // texture not built (no 3-D assets): nothing to show
  c.DrawImage(*tex, {0, 0, tex->Width(), tex->Height()}, dst, a, mode, rgb, angle);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// T3DImageSprite

T3DImageSprite::T3DImageSprite(GameContext& g, TSprite* parent) : TImageSprite(parent), G(g) {}

void T3DImageSprite::Advance(int elapsed) {
  TImageSprite::Advance(elapsed);
  if (FadeSpeed != 0) {
    Alpha += FadeSpeed * float(elapsed);
    if (Alpha > 255) Alpha = 255;
    if (Alpha < 0) Alpha = 1;
  }
}

void T3DImageSprite::DrawQuad(uint32_t argb) {
  Canvas* c = SurfaceOf(*this);
  if (!c) return;
  BlendMode mode = BlendFor(SrcBlend, DestBlend);
  const double w = HalfWidth * 2, h = HalfHeight * 2;
  const double left = X - HalfWidth, top = Y - HalfHeight;
  DrawTextureQuad(*c, Texture, {left, top, w, h}, argb, mode);
  const double dx[4] = {0, 0, -w, w}, dy[4] = {-h, h, 0, 0};
  for (int i = 0; i < 4; ++i)
    if (SideTextures[i]) DrawTextureQuad(*c, SideTextures[i], {left + dx[i], top + dy[i], w, h}, argb, mode);
}

void T3DImageSprite::Render() {
  uint32_t argb;
  if (FadeSpeed == 0) {
    argb = Color == 0 ? 0xFFFFFFFFu : Color;
  } else {
    uint32_t rgb = Color == 0 ? 0xFFFFFFu : (Color & 0xFFFFFFu);
    argb = (uint32_t(std::trunc(Alpha)) << 24) | rgb;
  }
  DrawQuad(argb);
}

void InitTextureSprite(T3DImageSprite& sprite, const TImage* texture, int width, int height,
                       double patternPos, double patternSpeed, bool loop, int patternCount, int z, double x,
                       double y) {
  sprite.Visible = true;
  sprite.X = x;
  sprite.Y = y;
  sprite.SetZ(z);
  sprite.Width = width > 0 ? width : (texture ? texture->Width() : 0);
  sprite.Height = height > 0 ? height : (texture ? texture->Height() : 0);
  sprite.PatternPos = patternPos;
  sprite.PatternSpeed = patternSpeed;
  sprite.PatternLoop = loop;
  sprite.PatternCount = patternCount;
  sprite.Texture = texture;
  for (auto& side : sprite.SideTextures) side = nullptr;
  sprite.HalfWidth = sprite.Width / 2.0;
  sprite.HalfHeight = sprite.Height / 2.0;
  sprite.Color = 0xFFFFFFFFu;
  sprite.SrcBlend = sprite.DestBlend = 0;
  sprite.FadeSpeed = 0;
  sprite.Alpha = 255;
}

// ---------------------------------------------------------------------------------------------
// TBlinkSprite

void TBlinkSprite::Advance(int elapsed) {
  if (FadeSpeed == 0) return;
  Alpha += FadeSpeed * float(elapsed);
  if (Alpha > AlphaMax) {
    Alpha = AlphaMax;
    FadeSpeed = -FadeSpeed;
  } else if (Alpha < AlphaMin) {
    Alpha = AlphaMin;
    FadeSpeed = -FadeSpeed;
  }
}

// ---------------------------------------------------------------------------------------------
// TFadeSprite

void TFadeSprite::Start() {
  StartTime = G.FrameTime != 0 ? G.FrameTime : 1;
}

TFadeSprite* NewScreenFade(GameContext& g, uint32_t color, uint8_t alpha, bool fadeIn, double fadeRate) {
  auto* fade = new TFadeSprite(g, &g.DXSpriteEngine1);
  InitTextureSprite(*fade, nullptr, 640, 480, 0, 0, false, 0, 13, 320, 240);
  fade->Color = color;
  fade->Alpha = alpha;
  fade->FadeRate = fadeRate;
  fade->FadeIn = fadeIn;
  fade->KillAtEnd = true;
  fade->Start();
  return fade;
}

void TFadeSprite::Advance(int elapsed) {
  T3DImageSprite::Advance(elapsed);
  const uint32_t now = G.FrameTime;
  switch (Stage) {
    case 0:
    case 2: {
      if (StartTime == 0) break;
      const double run = double(now - StartTime) * FadeRate;
      bool ended = false;
      if (FadeIn) {
        Alpha = float(run);
        if (run > 255) {
          Alpha = 255;
          ended = true;
        }
      } else {
        Alpha = float(255 - run);
        if (255 - run < 0) {
          Alpha = 0;
          ended = true;
        }
      }
      if (!ended) break;
      StartTime = 0;
      if (Stage == 0 && FadeBack) {
        FadeIn = !FadeIn;
        StartTime = now;
      } else if (KillAtEnd) {
        Kill();
      }
      ++Stage;
      break;
    }
    case 1:
      if (now - StartTime > HoldTime) {
        StartTime = now;
        Stage = 2;
      }
      break;
    default:
      break;
  }
}

void TFadeSprite::Render() {
  if (!G.Config.UseDirect3D) return;
  Canvas* c = SurfaceOf(*this);
  if (!c) return;
  const uint32_t argb = (uint32_t(std::trunc(Alpha)) << 24) | (Color & 0xFFFFFFu);
  DrawTextureQuad(*c, nullptr, {X - HalfWidth, Y - HalfHeight, HalfWidth * 2, HalfHeight * 2}, argb,
                  BlendFor(SrcBlend, DestBlend));
}

// ---------------------------------------------------------------------------------------------
// TFieldFadesSprite

TFieldFadesSprite::TFieldFadesSprite(GameContext& g, TSprite* parent) : TSprite(parent), G(g) {
  Width = 640;
  Height = 480;
}

void TFieldFadesSprite::Render() {
  if (!G.Config.UseDirect3D) return;
  Canvas* c = SurfaceOf(*this);
  if (!c) return;
  auto quad = [&](double cx, double cy, double w, double h, float alpha) {
    const uint32_t argb = uint32_t(std::trunc(alpha)) << 24;  // black
    DrawTextureQuad(*c, nullptr, {cx - w / 2, cy - h / 2, w, h}, argb, BlendMode::Alpha);
  };
  for (const TRowBar& bar : G.State.Bars) {
    if (bar.Fade.FadeBack && bar.Fade.Stage >= 1) continue;  // the shade shows the trimmed row
    const TPlayerInfo& p = G.State.Players[bar.Owner & 1];
    quad(p.FieldCenterX, CellY(p, bar.Row), p.FieldWidthPx, kCellSize, bar.Fade.Alpha);
  }
  for (const TOverFade& f : G.State.OverFades) {
    const TPlayerInfo& p = G.State.Players[f.Owner & 1];
    quad(p.FieldCenterX, p.FieldCenterY, p.FieldWidthPx, p.FieldHeightPx, f.Fade.Alpha);
  }
}

// ---------------------------------------------------------------------------------------------
// TDustSprite

void TDustSprite::Setup(double startX, int startY, int peakX, int peakY, int endX, double speed) {
  StartXf = float(startX);
  StartX = int(startX);
  StartY = startY;
  PeakX = peakX;
  PeakY = peakY;
  EndX = endX;
  VelocityX = float(speed * 0.8);
  Spin = 20;
  Angle0 = float(G.FxRng.Random(180));
  const int dx = StartX - PeakX;
  // The patterns never put the peak straight above the start; a zero width would be no curve.
  Curve = dx == 0 ? 0.0f : float(double(StartY - PeakY) / double(dx * dx));
}

void TDustSprite::Advance(int elapsed) {
  T3DImageSprite::Advance(elapsed);
  X = PatternPos * VelocityX + StartXf;
  const double d = X - PeakX;
  Y = std::trunc(d * d * Curve + PeakY);
  if ((VelocityX > 0 && X >= EndX) || (VelocityX < 0 && X <= EndX)) Kill();
}

void TDustSprite::Render() {
  Canvas* c = SurfaceOf(*this);
  if (!c || !Texture) return;
  double angle = Spin * PatternPos + Angle0;
  if (VelocityX < 0) angle = -angle;
  DrawTextureQuad(*c, Texture, {X - HalfWidth, Y - HalfHeight, HalfWidth * 2, HalfHeight * 2}, 0xFFFFFFFFu,
                  BlendMode::Add, angle);
}

// ---------------------------------------------------------------------------------------------
// TDangerSprite

void TDangerSprite::Step(int elapsed) {
  Glow += GlowRate * elapsed;
  if (Glow > 50) {
    Glow = 50;
    GlowRate = -GlowRate;
  } else if (Glow < 0) {
    Glow = 0;
    GlowRate = -GlowRate;
  }
  Color = (uint32_t(std::trunc(Glow)) << 24) | (Color & 0xFFFFFFu);
}

void TDangerSprite::Advance(int elapsed) {
  T3DImageSprite::Advance(elapsed);
  Step(elapsed);
  moved_[movedCount_ % kRemembered] = {G.FrameTime, elapsed};
  ++movedCount_;
}

void TDangerSprite::Start(uint32_t since) {
  Since = since;
  Glow = 0;
  GlowRate = std::fabs(GlowRate);
  Color &= 0xFFFFFFu;
}

void TDangerSprite::StartedAt(uint32_t since) {
  Start(since);
  const size_t kept = std::min(movedCount_, kRemembered);
  const size_t first = movedCount_ - kept;
  // Moves from the starting tick on; clocks compare as differences, the clock may wrap.
  size_t from = movedCount_;
  for (size_t i = first; i < movedCount_; ++i)
    if (int32_t(moved_[i % kRemembered].Clock - since) >= 0) {
      from = i;
      break;
    }
  if (from == first && kept > 0) {
    // The start lies before what is remembered: the moves of the ticks from the start to the
    // first remembered one (the starting tick's own move included) in steps as long as that
    // one, or for a very long time folded over the swing.
    const TMoved& m = moved_[first % kRemembered];
    const int64_t gap = int32_t(m.Clock - since);
    const int step = std::max(m.Elapsed, 1);
    if (gap > int64_t(step) * 4096) {
      const double rate = std::fabs(GlowRate);
      const double swing = std::fmod(rate * double(gap), 100.0);
      Glow = swing <= 50 ? swing : 100 - swing;
      GlowRate = swing <= 50 ? rate : -rate;
    } else {
      for (int64_t left = gap; left > 0; left -= step) Step(int(std::min<int64_t>(left, step)));
    }
  }
  for (size_t i = from; i < movedCount_; ++i) Step(moved_[i % kRemembered].Elapsed);
  Color = (uint32_t(std::trunc(Glow)) << 24) | (Color & 0xFFFFFFu);
}

void TDangerSprite::Render() {
  if (G.Config.UseDirect3D) T3DImageSprite::Render();
}

// ---------------------------------------------------------------------------------------------
// TMoveSprite

TMoveSprite::TMoveSprite(GameContext& g, TSprite* parent) : TImageSprite(parent), G(g) {}

void TMoveSprite::Advance(int elapsed) {
  TImageSprite::Advance(elapsed);
  if (Speed == 0) return;
  const double step = Speed * elapsed;
  switch (MoveMode) {
    case 1:
      Y -= step;
      if (Y < TargetY) {
        Y = TargetY;
        Speed = 0;
      }
      break;
    case 2:
      Y += step;
      if (Y > TargetY) {
        Y = TargetY;
        Speed = 0;
      }
      break;
    case 3:
      X -= step;
      if (X < TargetX) {
        X = TargetX;
        Speed = 0;
      }
      break;
    case 4:
      X += step;
      if (X > TargetX) {
        X = TargetX;
        Speed = 0;
      }
      break;
    default:
      break;
  }
}

void TMoveSprite::Render() {
  Canvas* c = SurfaceOf(*this);
  if (!c || !Picture) return;
  const int x = int(std::trunc(X - PatternWidth() / 2.0));
  const int y = int(std::trunc(Y - PatternHeight() / 2.0));
  Picture->Draw(*c, x, y, CurrentPattern());
}

// ---------------------------------------------------------------------------------------------
// TFieldSprite

namespace {

// A picture centred on a point is drawn only while the point lies inside the screen.
bool Inside(const TSprite& s, double x, double y) {
  const RectI r = s.Engine->SurfaceRect();
  const int ix = int(std::trunc(x)), iy = int(std::trunc(y));
  return ix < r.Right() && r.X < ix && iy < r.Bottom() && r.Y < iy;
}

}  // namespace

TFieldSprite::TFieldSprite(GameContext& g, TSprite* parent, const TPlayerInfo& owner)
    : TSprite(parent), G(g), Owner(owner) {
  Width = 640;  // the whole screen: the blocks pick themselves
  Height = 480;
}

void TFieldSprite::Render() {
  Canvas* c = SurfaceOf(*this);
  if (!c) return;
  for (int col = 0; col < kMaxCols; ++col)
    for (int row = 0; row < kFieldRows; ++row) {
      const TBlock* b = BlockAt(Owner, col, row);
      if (!b) continue;
      const int frame = int(std::trunc(b->PatternPos));
      const double x = CellX(Owner, col);
      if (frame >= 5 || !Inside(*this, x, b->Y)) continue;
      const double y = b->Y + Owner.RiseOffset;
      if (G.Config.UseDirect3D) {
        if (b->Kind < 0 || b->Kind >= int(G.BlockTexN.size()) || frame < 0) continue;
        const TImage& tex = (b->Hard ? G.BlockTexC : G.BlockTexN)[size_t(b->Kind)][size_t(frame)];
        DrawTextureQuad(*c, &tex, {x - 16, y - 16, 32, 32}, 0xFFFFFFFFu, BlendMode::Alpha);
        continue;
      }
      char name[16];
      std::snprintf(name, sizeof name, "%s%d", b->Hard ? "BLOCK_C" : "BLOCK_N", b->Kind);
      if (const TPictureItem* pic = G.DXImageList1.Find(name))
        pic->Draw(*c, int(std::trunc(x - 16)), int(std::trunc(y - 16)), frame);
    }
}

// ---------------------------------------------------------------------------------------------
// TShotsSprite

TShotsSprite::TShotsSprite(GameContext& g, TSprite* parent) : TSprite(parent), G(g) {
  Width = 640;
  Height = 480;
}

void TShotsSprite::Render() {
  Canvas* c = SurfaceOf(*this);
  if (!c) return;
  for (const TShot& s : G.State.Shots) {
    const TPictureItem* pic = G.DXImageList1.Find(s.ShotType == stErase ? "SHOT2" : "SHOT1");
    if (!pic || !Inside(*this, s.X, s.Y)) continue;
    pic->Draw(*c, int(std::trunc(s.X)) - pic->PatW() / 2, int(std::trunc(s.Y)) - pic->PatH() / 2, 0);
  }
}

// ---------------------------------------------------------------------------------------------
// TDisplayBoardSprite

void TDisplayBoardSprite::Advance(int elapsed) {
  const double speedBefore = Speed;
  TMoveSprite::Advance(elapsed);
  if (!AutoRemove) return;
  if (BoardStage == 0) {
    if (speedBefore != 0 && Speed == 0) {
      EndTime = G.FrameTime + 800;
      BoardStage = 1;
    }
  } else if (BoardStage == 1) {
    if (int32_t(G.FrameTime - EndTime) >= 0) {
      Kill();
      BoardStage = 2;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// TSightSprite

void TSightSprite::Render() {
  Canvas* c = SurfaceOf(*this);
  if (!c || !Picture) return;
  double top = Y - 16;
  if (Owner && Owner->Sight.FollowRise)
    top = std::min(double(Owner->FieldBottom - 32), Y + Owner->RiseOffset - 16);
  Picture->Draw(*c, int(std::trunc(X - 16)), int(std::trunc(top)), CurrentPattern());
}

// ---------------------------------------------------------------------------------------------
// TCharAnimationSprite

void TCharAnimationSprite::Advance(int elapsed) {
  TImageSprite::Advance(elapsed);
  if (PatternSpeed != 0) return;
  switch (AnimStage) {
    case 0:
      PatternPos = 0;
      PatternSpeed = 0.01;
      break;
    case 1:
      PatternPos = 0;
      PatternSpeed = 0.03;
      break;
    case 2:
      Kill();
      break;
    default:
      return;
  }
  ++AnimStage;
}

void TCharAnimationSprite::Render() {
  Canvas* c = SurfaceOf(*this);
  if (!c || !Picture) return;
  const int w = PatternWidth(), h = PatternHeight();
  int dw = w, dh = h;
  if (AnimStage == 0) {
    dw = int(std::trunc(w * PatternPos / 10));
    dh = int(std::trunc(h * PatternPos / 10));
  } else if (AnimStage == 2) {
    dh = int(std::trunc(h * (1 - PatternPos / 10)));
  }
  if (dw <= 0 || dh <= 0) return;
  const int cx = int(std::trunc(X)), cy = int(std::trunc(Y));
  // One picture; PatternPos is only the zoom clock.
  Picture->StretchDraw(*c, {cx - dw / 2, cy - dh / 2, dw, dh}, PatternStart);
}

}  // namespace kq
