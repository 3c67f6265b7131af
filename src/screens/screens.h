#pragma once
// The front-end screens. Each keeps its own state; InstallFrontEndScreens registers them.
#include <cstdint>

#include "config/replay_store.h"
#include "core/context.h"
#include "core/screen.h"
#include "screens/title_menu.h"

namespace kq {

// Registers every screen but play.
void InstallFrontEndScreens(TScreenManager& screens);

class TTitleScreen final : public TScreen {
 public:
  TTitleScreen();  // with the default choices (Menu)
  const char* Name() const override { return "title"; }
  void Enter(GameContext& g, TScreenState from) override;
  void Update(GameContext& g, int moveCount) override;
  void Draw(GameContext& g) override;
  void Leave(GameContext& g, TScreenState next) override;

  int Cursor = 0;  // the menu item: 0 one player ... 4 options; 0 on every entry
  TImageSprite* CursorSprite = nullptr;
  // The items' Left/Right choices: who plays each side of VS GAME, RANKING or REPLAYS. A new
  // screen joins an item by appending a choice whose Confirm enters it.
  TTitleMenu Menu;

 private:
  void PlaceCursor();
  void DrawFrame(GameContext& g, int moveCount);
  void DrawChoices(GameContext& g, Canvas& c);
  bool StepChoices(GameContext& g, int device, int step);
  const TTitleChoice* ConfirmOverride() const;
};

// The keys line shown under the title's menu while `item` is highlighted.
std::string TitleHint(const GameContext& g, int item);
// The sound loader's failure line ("WAVE LOAD_ERROR  file") with its failure in the player's
// language; any other text unchanged.
std::string SoundErrorText(const std::string& error);

// The recordings of the replays folder: play, keep, delete. The list stays while a recording
// started from it plays, and the screen comes back on the same row.
class TReplaysScreen final : public TScreen {
 public:
  const char* Name() const override { return "replays"; }
  void Enter(GameContext& g, TScreenState from) override;
  void Update(GameContext& g, int moveCount) override;
  void Draw(GameContext& g) override;
  void Leave(GameContext& g, TScreenState next) override;

  static constexpr int kRowsShown = 14;
  std::vector<TReplayEntry> Entries;  // headers read as their rows come into view
  int Cursor = 0;
  int Top = 0;          // the first row shown
  bool Asking = false;  // "delete?" waits for its answer
  std::string Notice;   // the outcome of the last action, or why a file cannot be played
  bool NoticeBad = false;

 private:
  void Paint(GameContext& g, Canvas& c);
  void DrawRow(GameContext& g, Canvas& c, TReplayEntry& e, int y, bool lit);
  void Scroll();
  void Say(std::string text, bool bad);
  void Play(GameContext& g);
  void ToggleKeep(GameContext& g);
  void Delete(GameContext& g);
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
