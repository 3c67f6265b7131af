#pragma once
// The front-end screens. Each keeps its own state; InstallFrontEndScreens registers them.
#include <cstdint>

#include "core/context.h"
#include "core/screen.h"

namespace kq {

// Registers every screen but play.
void InstallFrontEndScreens(TScreenManager& screens);

class TTitleScreen final : public TScreen {
 public:
  const char* Name() const override { return "title"; }
  void Enter(GameContext& g, TScreenState from) override;
  void Update(GameContext& g, int moveCount) override;
  void Draw(GameContext& g) override;
  void Leave(GameContext& g, TScreenState next) override;

  int Cursor = 0;  // the menu item: 0 one player ... 4 options; 0 on every entry
  TImageSprite* CursorSprite = nullptr;

 private:
  void PlaceCursor();
  void DrawFrame(GameContext& g, int moveCount);
};

class TOpeningScreen final : public TScreen {
 public:
  const char* Name() const override { return "opening"; }
  void Enter(GameContext& g, TScreenState from) override;
  void Update(GameContext& g, int moveCount) override;
  void Draw(GameContext& g) override;

  uint32_t Deadline = 0;  // the game starts by itself after this clock
};

class TRulesScreen final : public TScreen {
 public:
  const char* Name() const override { return "rules"; }
  void Enter(GameContext& g, TScreenState from) override;
  void Update(GameContext& g, int moveCount) override;
  void Draw(GameContext& g) override;
  void Leave(GameContext& g, TScreenState next) override;
};

class TRankingScreen final : public TScreen {
 public:
  const char* Name() const override { return "ranking"; }
  void Enter(GameContext& g, TScreenState from) override;
  void Update(GameContext& g, int moveCount) override;
  void Draw(GameContext& g) override;
  void Leave(GameContext& g, TScreenState next) override;
};

}  // namespace kq
