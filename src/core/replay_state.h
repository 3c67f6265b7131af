#pragma once
// What the context keeps of recording and playback: the open recording, the recording being
// played, the writer of finished files, and the person's settings while a replay or a network
// match borrows the context. The steps that record and play are the program's (app/replay.h).
#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/game_config.h"
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
  bool KeysDown[16] = {};  // the playback keys as last seen (their presses are edges)
  int ReturnTo = 1;        // the screen that follows playback (the title, or the replays list)
};

// Writes finished recordings off the frame thread, one at a time.
class TReplayWriter {
 public:
  ~TReplayWriter() { Wait(); }
  // Tries the folders in turn (the second takes the file when the first cannot).
  void Save(std::vector<std::string> dirs, const TReplayHeader& h, std::string bytes,
            const THiScoreTable& ranking);
  // Waits for the write under way; returns what went wrong since the last call (empty when
  // every recording went to its first folder).
  std::string Wait();

 private:
  std::thread worker_;
  std::mutex m_;
  std::string error_;
};

}  // namespace kq
