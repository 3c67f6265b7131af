#pragma once
// Recording every game and playing recordings back. The recorder takes the control states the
// rules are about to read (after the devices latched them, whatever fed the devices), so any
// input source is recorded the same way; playback puts them back in the same place.
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "config/replay_file.h"

namespace kq {

struct GameContext;
class Canvas;

class TReplayRecorder {
 public:
  TReplayHeader Header;
  TReplayEncoder Encoder;
  uint32_t LastTime = 0;  // FrameTime of the last recorded tick
  TReplayTick Pending;    // the tick running now, kept once it completes inside the game
  bool HasPending = false;
};

// The person's own settings while a recording or a network match borrows the context: taken
// before, put back before anything is saved.
struct TSavedSettings {
  TGameConfig Config;
  int Mode = 1, Cols = 7, Rows = 13;
  std::array<std::vector<std::string>, 2> Field;
  std::array<bool, 2> HasField{false, false};
  void Take(const GameContext& g);
  void Restore(GameContext& g) const;
};

// Both players' actions on input states of their own (4 to 7), so two actions on one key never
// merge while recorded or remote control bits are played.
void CanonicalActions(TKeyAssign& k);

class TReplayPlayback {
 public:
  explicit TReplayPlayback(TReplayFile file) : File(std::move(file)), Cursor(File.Stream) {}
  std::string Path;
  TReplayFile File;
  TReplayCursor Cursor;
  TReplayTick Next;
  bool HasNext = false;
  uint32_t Played = 0;   // ticks run so far
  std::string Mismatch;  // set when the game ran out of step with the recording
  // The player's own settings, back in place when playback ends.
  TSavedSettings Saved;
  // Window playback.
  int SpeedShift = 0;  // speed 2^SpeedShift, -2 .. 3
  bool Paused = false;
  double Budget = 0;  // recorded milliseconds due to be played
  int LingerMs = 0;   // after the last tick: the game-over fade still runs
  bool Ended = false;
  bool KeysDown[5] = {};
};

// Writes finished recordings off the frame thread, one at a time.
class TReplayWriter {
 public:
  ~TReplayWriter() { Wait(); }
  void Save(const std::string& dir, const TReplayHeader& h, std::string bytes, const THiScoreTable& ranking);
  // Waits for the write under way; returns its error (empty when it went well).
  std::string Wait();

 private:
  std::thread worker_;
  std::mutex m_;
  std::string error_;
};

// --- recording (called by the play screen's entry and the frame tick) ---
// Seeds every random stream for the game about to be set up (playback: the recorded seed).
void PrepareGameStart(GameContext& g);
// After the start is complete: opens the game's recording unless a recording is being played.
void RecordGameStart(GameContext& g);
// Around GameTick: takes the tick's controls (playback: puts the recorded ones in place), then
// keeps the tick if it ran inside the game and closes the recording when the game ended.
void BeforeGameTick(GameContext& g, int moveCount);
void AfterGameTick(GameContext& g);
// Closes the open recording (game over, leaving play, the program closing) and hands it to the
// writer when the context has a replay folder.
void FinishRecording(GameContext& g);

// The control bits of both devices as the rules read them, and the other way round.
uint32_t ReadControls(const GameContext& g);
void ApplyControls(GameContext& g, uint32_t controls);

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
// Restores the player's settings; with toTitle, the title screen follows.
void EndPlayback(GameContext& g, bool toTitle);
// The frame of the play screen as it stands, without moving anything (a paused playback, a
// network tick waiting for the rival).
void RedrawPlay(GameContext& g);
// "REPLAY" and the speed in the corner of the play screen.
void DrawReplayMark(GameContext& g, Canvas& c);

// The folder of recordings: "replays/" beside the high-score file.
std::string ReplayFolder(const std::string& hiScorePath);

}  // namespace kq
