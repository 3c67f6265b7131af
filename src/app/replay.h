#pragma once
// Recording every game and playing recordings back. The recorder takes the control states the
// rules are about to read (after the devices latched them, whatever fed the devices), so any
// input source is recorded the same way; playback puts them back in the same place.
#include <cstdint>
#include <string>

#include "config/replay_file.h"
#include "core/replay_state.h"
#include "core/tick_driver.h"

namespace kq {

struct GameContext;
class Canvas;

// --- recording (called by the play screen's entry and the frame tick) ---
// After the start is complete: opens the game's recording unless a recording is being played.
void RecordGameStart(GameContext& g);
// Around GameTick: takes the tick's controls (playback: puts the recorded ones in place), then
// keeps the tick if it ran inside the game and closes the recording when the game ended.
void BeforeGameTick(GameContext& g, int moveCount);
void AfterGameTick(GameContext& g);
// Closes the open recording (game over, leaving play, the program closing) and hands it to the
// writer when the context has a replay folder.
void FinishRecording(GameContext& g);
// A tick recorded after the fact (a network match's tick once both players' states of it are
// final): g holds the state that tick left. Closes the recording when the game ended there.
void RecordLateTick(GameContext& g, uint32_t moveCount, uint32_t controls);

// The control bits of both devices as the rules read them, and the other way round.
uint32_t ReadControls(const GameContext& g);
void ApplyControls(GameContext& g, uint32_t controls);

// --- tick inputs ---
// Control bits in place of what the devices latched: a network tick's both players (with
// pollDevices the devices are polled first, so they do not take a key held now for a new press
// once the match is over), or the no-input ticks after a replay's end. Runs whether or not the
// window can draw: such a tick is the rules' own, never to be skipped.
class TControlsInput final : public ITickInput {
 public:
  explicit TControlsInput(uint32_t controls, bool pollDevices = false)
      : controls_(controls), poll_(pollDevices) {}
  bool Latch(GameContext& g) override;

 private:
  uint32_t controls_;
  bool poll_;
};

// The next tick of the recording being played (g.Playback): its controls, then the playback's
// count and its checks against the recording.
class TPlaybackInput final : public ITickInput {
 public:
  bool Latch(GameContext& g) override;
  void Done(GameContext& g) override;
};

// --- playback ---
// "PATH: reason" in error when the file cannot be read or is no valid replay.
bool LoadReplayFile(const std::string& path, TReplayFile& out, std::string& error);
// Puts the recorded settings in place and starts the game; false with "PATH: reason" when this
// game cannot play it (another level table).
bool StartPlayback(GameContext& g, const std::string& path, TReplayFile file, std::string& error);
// Runs the next recorded tick; false when none is left or the game ran out of step.
bool PlaybackTick(GameContext& g);
// One frame of window playback with the real milliseconds since the last: the pause and speed
// keys, the ticks due, the drawing. False once playback is over (then EndPlayback).
bool PlaybackFrame(GameContext& g, uint32_t realMs);
// Milliseconds of the recording played so far.
uint32_t PlaybackMs(const GameContext& g);
// Moves to that moment of the recording (clamped to it), re-simulating without drawing or
// sound: from the start when it lies behind, else from where playback stands.
void SeekPlayback(GameContext& g, int64_t targetMs);
// Restores the player's settings; with toTitle, the screen playback started from follows (the
// title, or the replays list).
void EndPlayback(GameContext& g, bool toTitle);
// The frame of the play screen as it stands, without moving anything (a paused playback, a
// network tick waiting for the rival).
void RedrawPlay(GameContext& g);

// The folder of recordings: "replays/" beside the high-score file.
std::string ReplayFolder(const std::string& hiScorePath);

}  // namespace kq
