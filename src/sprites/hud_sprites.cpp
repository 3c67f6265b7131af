#include "sprites/hud_sprites.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "core/context.h"

namespace kq {

namespace {

Canvas* Surface(const TSprite& s) {
  return s.Engine ? s.Engine->Surface : nullptr;
}

// Whole units of a fixed-point value, formatted with at least `digits` digits.
std::string FormatWhole(int64_t fixedValue, int digits) {
  long long whole = fixedValue / 10000;
  if (whole < 0) whole = 0;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*lld", digits, whole);
  return buf;
}

}  // namespace

// --- TNumSprite ---

TNumSprite::TNumSprite(GameContext& g, TSprite* parent) : TImageSprite(parent), G(g) {}

void TNumSprite::Advance(int elapsed) {
  TImageSprite::Advance(elapsed);
  if (RollMode == 0) return;
  int64_t step = std::llround(double(elapsed) * RollSpeed * 10000.0);
  // Stopping on reaching the value (not only on passing it) ends a roll to an equal value even
  // when the speed or the frame is zero.
  if (RollMode == 1) {
    Shown += step;
    if (Shown >= Value) {
      Shown = Value;
      RollMode = 0;
    }
  } else {
    Shown -= step;
    if (Shown <= Value) {
      Shown = Value;
      RollMode = 0;
    }
  }
}

void TNumSprite::SetValue(int64_t v) {
  RollMode = v >= Value ? 1 : 2;
  OldValue = Value;
  Shown = Value;
  Value = v;
}

void TNumSprite::ResetNumber(double speed) {
  Value = Shown = OldValue = 0;
  RollMode = 0;
  if (speed > 0) RollSpeed = speed;
}

// --- TScoreSprite ---

void TScoreSprite::Render() {
  Canvas* c = Surface(*this);
  if (!c || !Picture) return;
  std::string digits = FormatWhole(Shown, 7);
  int x = int(std::trunc(X)), y = int(std::trunc(Y));
  for (size_t i = 0; i < digits.size(); ++i) Picture->Draw(*c, x + 14 * int(i + 1), y, digits[i] - '0');
}

// --- TComboNumSprite ---

TComboNumSprite::TComboNumSprite(GameContext& g, TSprite* parent) : TImageSprite(parent), G(g) {}

void TComboNumSprite::Advance(int elapsed) {
  if (!Visible) return;
  TImageSprite::Advance(elapsed);
  // Signed: the lower digits are given hop starts in the future.
  double d = double(int32_t(G.FrameTime - HopStart)) / double(HopStep > 0 ? HopStep : 1);
  double base = double(BaseY) / 10000.0;
  if (d > 0 && d <= 13)
    Y = base - d;
  else if (d > 13 && d <= 26)
    Y = base - 13 + (d - 13);
  else
    Y = base;
}

// --- TComboSprite ---

void TComboSprite::Advance(int elapsed) {
  int64_t before = Shown / 10000;
  TNumSprite::Advance(elapsed);
  int64_t n = Shown / 10000;
  if (n == before) return;
  uint32_t t = G.FrameTime;
  auto place = [&](TComboNumSprite* digit, bool visible, int64_t pattern) {
    if (!digit) return;
    digit->Visible = visible;
    if (!visible) return;
    digit->PatternPos = double(pattern);
    digit->HopStart = t;
    t += 40;
  };
  place(Digits[0], n >= 1000, n / 1000);
  place(Digits[1], n >= 100, (n / 100) % 10);
  place(Digits[2], n >= 10, (n / 10) % 10);
  place(Digits[3], n > 0, n % 10);
  if (Label) Label->Visible = n > 0;
}

void TComboSprite::Clear() {
  Value = Shown = OldValue = 0;
  RollMode = 0;
  for (auto* d : Digits)
    if (d) d->Visible = false;
  if (Label) Label->Visible = false;
}

// --- THazardBlockCountSprite ---

void THazardBlockCountSprite::SetValue(int64_t v) {
  TNumSprite::SetValue(v);
  if (ZoomSpeed == 0) {
    Zoom = 1.0;
    ZoomSpeed = 0.005;
    ZoomMax = 2.2;
  }
}

void THazardBlockCountSprite::Pulse() {
  ZoomMax = 4.0;
  ZoomSpeed = 0.007;
}

void THazardBlockCountSprite::Advance(int elapsed) {
  TNumSprite::Advance(elapsed);
  if (ZoomSpeed == 0) return;
  Zoom += ZoomSpeed * elapsed;
  if (Zoom > ZoomMax) {
    Zoom = 1.0;
    ZoomSpeed = 0;
  }
}

void THazardBlockCountSprite::Render() {
  Canvas* c = Surface(*this);
  if (!c || !Picture) return;
  std::string digits = FormatWhole(Shown, 3);
  double z = Zoom;
  int pw = PatternWidth(), ph = PatternHeight();
  int w = int(std::trunc(pw * z));
  int boxW = int(std::trunc(14 * z));
  int boxH = int(std::trunc(ph * z));
  int top = int(std::trunc(Y - std::trunc(pw * z) / 2));
  const int lefts[3] = {int(std::trunc(X - w / 2.0 - 14 * z)), int(std::trunc(X - w / 2.0)),
                        int(std::trunc(X + w / 2.0))};
  // The counter shows the last three digits; the stock never needs more in play.
  std::string last = digits.substr(digits.size() - 3);
  for (int i = 0; i < 3; ++i) Picture->StretchDraw(*c, {lefts[i], top, boxW, boxH}, last[size_t(i)] - '0');
}

// --- TLevelSprite ---

TLevelSprite::TLevelSprite(GameContext& g, TSprite* parent) : TImageSprite(parent), G(g) {}

void TLevelSprite::Render() {
  Canvas* c = Surface(*this);
  if (!c) return;
  int x = int(std::trunc(X)), y = int(std::trunc(Y));
  if (const TPictureItem* label = G.DXImageList1.Find("STR_LEVEL")) label->Draw(*c, x, y, 0);
  if (!Picture || !Owner) return;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%03d", Owner->Level < 0 ? 0 : Owner->Level);
  for (int i = 0; buf[i]; ++i) Picture->Draw(*c, x + 14 * (i + 1) + 18, y + 4, buf[i] - '0');
}

// --- gauges ---

TGaugeSprite::TGaugeSprite(GameContext& g, TSprite* parent) : TImageSprite(parent), G(g) {}

void TGaugeSprite::Render() {
  Canvas* c = Surface(*this);
  if (!c || !Picture || !GaugeValue) return;
  double value = *GaugeValue;
  if (value <= 0) return;
  int w = PatternWidth(), h = PatternHeight();
  RectI b = BoundsRect();
  int left = b.X + (Width - w) / 2;
  int top = b.Y + (Height - h) / 2;
  Picture->Draw(*c, left, top, 0);
  if (value < 100) {
    int empty = w - int(std::trunc(w * value / 100));
    c->FillRect({left + w - empty, top, empty, h}, 0x000000, 255, BlendMode::Opaque);
  }
}

}  // namespace kq
