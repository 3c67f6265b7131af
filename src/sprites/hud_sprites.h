#pragma once
// The head-up display: rolling numbers, gauges, hopping combo digits and the poker display.
#include <cstdint>

#include "core/player.h"
#include "engine/sprite.h"
#include "sprites/game_sprite.h"

namespace kq {

// A number that rolls toward its value; values are fixed point x 10000.
class TNumSprite : public TImageSprite {
 public:
  TNumSprite(GameContext& g, TSprite* parent);
  GameContext& G;
  int64_t Value = 0;
  int64_t Shown = 0;
  uint8_t RollMode = 0;  // 0 still, 1 up, 2 down
  int64_t OldValue = 0;
  double RollSpeed = 0;  // value units per ms
  void Advance(int elapsed) override;
  virtual void SetValue(int64_t v);
  void ResetNumber(double speed);
};

class TScoreSprite : public TNumSprite {
 public:
  using TNumSprite::TNumSprite;
  TPlayerInfo* Owner = nullptr;
  void Render() override;
};

class TComboNumSprite : public TImageSprite {
 public:
  TComboNumSprite(GameContext& g, TSprite* parent);
  GameContext& G;
  int64_t BaseY = 0;  // fixed point x 10000
  uint32_t HopStart = 0;
  int HopStep = 3;  // ms per pixel
  void Advance(int elapsed) override;
};

class TComboSprite : public TNumSprite {
 public:
  using TNumSprite::TNumSprite;
  TComboNumSprite* Digits[4] = {nullptr, nullptr, nullptr, nullptr};  // thousands .. ones
  TComboNumSprite* Label = nullptr;
  void Advance(int elapsed) override;
  // Value 0, nothing shown.
  void Clear();
};

class THazardBlockCountSprite : public TNumSprite {
 public:
  using TNumSprite::TNumSprite;
  double ZoomSpeed = 0, Zoom = 1, ZoomMax = 1;
  void SetValue(int64_t v) override;
  void Advance(int elapsed) override;
  void Render() override;
  // The bigger pulse of a counter attack.
  void Pulse();
};

class TLevelSprite : public TImageSprite {
 public:
  TLevelSprite(GameContext& g, TSprite* parent);
  GameContext& G;
  TPlayerInfo* Owner = nullptr;
  void Render() override;
};

class TGaugeSprite : public TImageSprite {
 public:
  TGaugeSprite(GameContext& g, TSprite* parent);
  GameContext& G;
  double* GaugeValue = nullptr;  // one of the owner's gauges, 0..100
  TPlayerInfo* Owner = nullptr;
  void Render() override;
};

// The chain and rainbow gauges only show their values; the rules drain them.
class TChainGaugeSprite : public TGaugeSprite {
 public:
  using TGaugeSprite::TGaugeSprite;
};

class TRainbowGaugeSprite : public TGaugeSprite {
 public:
  using TGaugeSprite::TGaugeSprite;
};

class TPokerSprite : public TImageSprite {
 public:
  TPokerSprite(GameContext& g, TSprite* parent);
  GameContext& G;
  TPlayerInfo* Owner = nullptr;  // shows its cards, sorted hand and hand name
  void Render() override;
};

}  // namespace kq
