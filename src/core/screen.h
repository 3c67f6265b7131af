#pragma once
// Screens as objects. Each screen state has one TScreen that keeps its own state (cursors,
// working copies, handles of its sprites) for the whole run; the context switches between them
// only through EnterState. Core knows no screen by name: the program registers them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace kq {

enum TScreenState : uint8_t {
  scNone = 0,
  scTitle = 1,
  scOpening = 2,
  scPlay = 3,
  scRules = 4,
  scRanking = 5,
  scOptions = 6,
  scKeyAssign = 7,
  scPadAssign = 8,
  scReplays = 9,
  // A new screen's state goes here, with the next number.
  scStateCount,
};

struct GameContext;

class TScreen {
 public:
  TScreen() = default;
  TScreen(const TScreen&) = delete;
  TScreen& operator=(const TScreen&) = delete;
  virtual ~TScreen();

  // The screen's name in the state dump: lower case, no blanks.
  virtual const char* Name() const = 0;
  // Entered from `from` (scNone at start-up); the sprites of the screen before are gone, and
  // g.ScreenState still names `from`.
  virtual void Enter(GameContext& g, TScreenState from);
  // One tick: reads the latched controls, moves the screen on, draws and presents the frame.
  // A screen change asked for here (EnterState) happens after Update returns.
  virtual void Update(GameContext& g, int moveCount) = 0;
  // The frame as it stands, nothing moved: a paused replay, a network tick that waits for the
  // rival, the backdrop of an overlay.
  virtual void Draw(GameContext& g);
  // Left toward `next`, before the screen's sprites are dropped.
  virtual void Leave(GameContext& g, TScreenState next);
};

// The screens by state, and the one change of screen a tick may ask for.
class TScreenManager {
 public:
  // Replaces the state's screen (a wrapper in the program takes the place of the plain one).
  void Register(TScreenState state, std::unique_ptr<TScreen> screen);
  TScreen* Find(TScreenState state) const {
    return size_t(state) < screens_.size() ? screens_[size_t(state)].get() : nullptr;
  }
  // The registered screen of that state as T, or null when it is none or another kind.
  template <class T>
  T* Get(TScreenState state) const {
    return dynamic_cast<T*>(Find(state));
  }
  // "none" for a state without a screen.
  const char* Name(TScreenState state) const;

  // The change asked for by the Update that runs now; applied when it returns.
  bool ChangeRequested() const { return requested_; }
  TScreenState RequestedState() const { return next_; }

 private:
  friend struct GameContext;
  friend void RunScreenUpdate(GameContext& g, int moveCount);
  std::array<std::unique_ptr<TScreen>, scStateCount> screens_;
  bool updating_ = false;
  bool requested_ = false;
  TScreenState next_ = scNone;
};

// The current screen's Update, then the screen change it asked for. Nothing when the state has
// no screen.
void RunScreenUpdate(GameContext& g, int moveCount);

}  // namespace kq
