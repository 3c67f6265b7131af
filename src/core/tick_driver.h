#pragma once
// One tick driver for every way the game runs. The window, headless runs, replay playback and
// network matches run a tick the same way and differ only in where its controls come from (an
// ITickInput) and in when the program asks for the next one.
#include <cstdint>

namespace kq {

struct GameContext;

// Where a tick's controls come from: the devices (keyboard, pads, a script feeding them, the
// computer players), a recording, or the network.
class ITickInput {
 public:
  ITickInput() = default;
  ITickInput(const ITickInput&) = delete;
  ITickInput& operator=(const ITickInput&) = delete;
  virtual ~ITickInput();
  // Puts the tick's controls into both devices, after the clock is sampled. False when the tick
  // runs no screen (a window that cannot draw: the latched states wait for a real tick).
  virtual bool Latch(GameContext& g) = 0;
  // After a tick that ran its screen: the screen change is made and the one-shots are cleared.
  virtual void Done(GameContext& g);
};

// The keyboard and pads, or the computer player that holds a device (it decides first).
class TDeviceInput final : public ITickInput {
 public:
  bool Latch(GameContext& g) override;
};

// Player 1's device, then player 2's, from the keyboard and pads or their computer players.
void PollDevices(GameContext& g);

// One tick at clock `now`: the clock sample and the tick count, the input's latch, the current
// screen's Update and the screen change it asked for, the one-shot clearing of the state the
// tick started in, the input's Done.
void RunTick(GameContext& g, uint32_t now, int moveCount, ITickInput& input);

}  // namespace kq
