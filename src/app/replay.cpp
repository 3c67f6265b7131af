#include "app/replay.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "config/file_io.h"
#include "config/replay_store.h"
#include "core/context.h"
#include "engine/i18n.h"
#include "game/rules.h"

namespace kq {

namespace {

// The states a player's eight controls raise, in control-bit order.
std::array<int, kControlsPerPlayer> ControlStates(const TKeyAssign& k) {
  return {0, 1, 2, 3, k.J01, k.J02, k.J03, k.J04};
}

bool GameIsOver(const GameContext& g) {
  return g.Player1P.Phase == gpOver || g.Player2P.Phase == gpOver;
}

// The result as of the last recorded tick (a tick that leaves the game may still have scored).
void TakeResult(const GameContext& g, TReplayHeader& h) {
  for (int n = 0; n < 2; ++n) {
    const TPlayerInfo& p = n == 0 ? g.Player1P : g.Player2P;
    h.Score[size_t(n)] = p.Score;
    h.MaxCombo[size_t(n)] = p.MaxCombo;
    h.Level[size_t(n)] = p.Level;
  }
  h.Ranked =
      h.Mode == 1 && (g.Player1P.Phase == gpOver || g.Player1P.Phase == gpEnding) && g.NewRankIndex >= 0;
  const bool over = g.Player1P.Phase == gpOver || g.Player2P.Phase == gpOver;
  h.Winner = uint8_t(h.Mode == 2 && over ? std::clamp(g.LastWinner, 0, 2) : 0);
}

void Peek(TReplayPlayback& pb) {
  pb.HasNext = pb.Played < pb.File.Ticks && pb.Cursor.Next(pb.Next);
}

}  // namespace

void RedrawPlay(GameContext& g) {
  if (TScreen* play = g.Screens.Find(scPlay)) play->Draw(g);
}

std::string ReplayFolder(const std::string& hiScorePath) {
  const size_t slash = hiScorePath.rfind('/');
  return (slash == std::string::npos ? std::string() : hiScorePath.substr(0, slash + 1)) + "replays/";
}

// --- recording ---------------------------------------------------------------------------

uint32_t ReadControls(const GameContext& g) {
  uint32_t bits = 0;
  for (int n = 0; n < 2; ++n) {
    const TDXInput& dev = n == 0 ? g.DXInput1 : g.DXInput2;
    const auto states = ControlStates(n == 0 ? g.Config.KeyAssign1P : g.Config.KeyAssign2P);
    for (int i = 0; i < kControlsPerPlayer; ++i)
      if (dev.Has(states[size_t(i)])) bits |= 1u << (n * kControlsPerPlayer + i);
  }
  if (g.DXInput1.Has(kStateCancel)) bits |= kReplayCancelBit;
  if (g.DXInput1.Has(kStateConfirm)) bits |= kReplayConfirmBit;
  return bits;
}

void ApplyControls(GameContext& g, uint32_t bits) {
  for (int n = 0; n < 2; ++n) {
    TDXInput& dev = n == 0 ? g.DXInput1 : g.DXInput2;
    dev.States.reset();
    const auto states = ControlStates(n == 0 ? g.Config.KeyAssign1P : g.Config.KeyAssign2P);
    for (int i = 0; i < kControlsPerPlayer; ++i)
      if (bits & (1u << (n * kControlsPerPlayer + i)) && states[size_t(i)] < kInputStates)
        dev.States.set(size_t(states[size_t(i)]));
  }
  if (bits & kReplayCancelBit) g.DXInput1.States.set(kStateCancel);
  if (bits & kReplayConfirmBit) g.DXInput1.States.set(kStateConfirm);
}

void RecordGameStart(GameContext& g) {
  FinishRecording(g);
  if (g.Playback) return;
  auto r = std::make_unique<TReplayRecorder>();
  TReplayHeader& h = r->Header;
  h.Mode = uint8_t(g.GameMode == 2 ? 2 : 1);
  h.Cols = uint8_t(std::clamp(g.FieldCols, 0, 255));
  h.Seed = g.GameSeed;
  h.StartTime = g.FrameTime;
  h.AdvancedMode1P = g.Config.AdvancedMode1P;
  h.AdvancedMode2P = g.Config.AdvancedMode2P;
  h.DisableGameOver = g.Config.DisableGameOver;
  h.Tuning = RuleTuning(g.Config);
  h.LevelTableHash = LevelTableHash(g.LevelTable);
  h.Date = int64_t(std::time(nullptr));
  h.HasStartField = g.HasStartField;
  for (int n = 0; n < 2; ++n)
    if (g.HasStartField[size_t(n)]) h.StartField[size_t(n)] = g.StartField[size_t(n)];
  for (int n = 0; n < 2; ++n)
    if (g.ControlPrograms[size_t(n)])
      h.Sides[size_t(n)] = uint8_t(std::clamp(n == 0 ? g.Config.Cpu1P : g.Config.Cpu2P, 1, kCpuLevels));
  // The other machine's player, whoever plays there.
  if (g.NetPlay) h.Sides[size_t(1 - std::clamp(g.NetLocalPlayer, 0, 1))] = kSideNetwork;
  r->LastTime = g.FrameTime;
  TakeResult(g, h);
  g.Recorder = std::move(r);
}

void BeforeGameTick(GameContext& g, int moveCount) {
  if (g.Playback) return;  // the recorded controls are in place
  if (!g.Recorder) return;
  TReplayRecorder& r = *g.Recorder;
  r.Pending = {uint32_t(std::max(moveCount, 0)), g.FrameTime - r.LastTime, ReadControls(g)};
  r.HasPending = true;
}

void AfterGameTick(GameContext& g) {
  if (!g.Recorder || !g.Recorder->HasPending) return;
  TReplayRecorder& r = *g.Recorder;
  r.HasPending = false;
  // A tick that leaves the game (Esc, the ending's confirm, a new round) tears it down: the game
  // ends before it.
  if (g.ScreenState != scPlay || g.Screens.ChangeRequested()) {
    FinishRecording(g);
    return;
  }
  r.Encoder.Add(r.Pending);
  r.LastTime = g.FrameTime;
  TakeResult(g, r.Header);
  if (GameIsOver(g)) FinishRecording(g);
}

void RecordLateTick(GameContext& g, uint32_t moveCount, uint32_t controls) {
  if (!g.Recorder) return;
  TReplayRecorder& r = *g.Recorder;
  r.Encoder.Add({moveCount, g.FrameTime - r.LastTime, controls});
  r.LastTime = g.FrameTime;
  TakeResult(g, r.Header);
  if (GameIsOver(g)) FinishRecording(g);
}

void FinishRecording(GameContext& g) {
  if (!g.Recorder) return;
  std::unique_ptr<TReplayRecorder> r = std::move(g.Recorder);
  TReplayHeader& h = r->Header;
  h.DurationMs = r->LastTime - h.StartTime;
  g.LastReplay = FormatReplay(h, r->Encoder.Ticks(), r->Encoder.Stream());
  if (g.ReplayDir.empty() || r->Encoder.Ticks() == 0) return;
  if (!g.ReplayWriter) g.ReplayWriter = std::make_unique<TReplayWriter>();
  g.ReplayWriter->Save({g.ReplayDir, g.ReplayFallbackDir}, h, g.LastReplay, g.HiScoreTable);
}

// --- playback ----------------------------------------------------------------------------

bool LoadReplayFile(const std::string& path, TReplayFile& out, std::string& error) {
  std::error_code ec;
  // Far beyond a day of play; a file this big is something else.
  if (std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) > (64u << 20)) {
    error = path + ": " + _("too large for a replay file");
    return false;
  }
  std::string bytes;
  switch (ReadFileBytes(path, bytes)) {
    case TReadResult::Missing:
      error = path + ": " + _("no such file");
      return false;
    case TReadResult::Failed:
      error = path + ": " + _("cannot read the file");
      return false;
    case TReadResult::Ok:
      break;
  }
  std::string reason;
  if (!ParseReplay(bytes, out, reason)) {
    error = path + ": " + reason;
    return false;
  }
  return true;
}

bool StartPlayback(GameContext& g, const std::string& path, TReplayFile file, std::string& error) {
  if (file.Header.LevelTableHash != LevelTableHash(g.LevelTable)) {
    error = path + ": " + _("the level table differs from the one the game was recorded with");
    return false;
  }
  FinishRecording(g);
  auto pb = std::make_unique<TReplayPlayback>(std::move(file));
  pb->Path = path;
  pb->ReturnTo = g.ScreenState == scReplays ? scReplays : scTitle;
  pb->Saved.Take(g);
  const TReplayHeader& h = pb->File.Header;
  ApplyRuleTuning(h.Tuning, g.Config);  // checked by ParseReplay
  g.Config.AdvancedMode1P = h.AdvancedMode1P;
  g.Config.AdvancedMode2P = h.AdvancedMode2P;
  g.Config.DisableGameOver = h.DisableGameOver;
  CanonicalActions(g.Config.KeyAssign1P);
  CanonicalActions(g.Config.KeyAssign2P);
  g.GameMode = h.Mode;
  g.FieldCols = h.Cols;
  g.StartField = h.StartField;
  g.HasStartField = h.HasStartField;
  g.NextGameSeed = h.Seed;
  g.FrameTime = h.StartTime;
  Peek(*pb);
  g.Playback = std::move(pb);
  g.EnterState(scPlay);
  return true;
}

bool TControlsInput::Latch(GameContext& g) {
  if (poll_) PollDevices(g);
  ApplyControls(g, controls_);
  return true;
}

bool TPlaybackInput::Latch(GameContext& g) {
  if (g.Playback) ApplyControls(g, g.Playback->Next.Controls);
  return true;
}

void TPlaybackInput::Done(GameContext& g) {
  if (!g.Playback) return;
  TReplayPlayback& pb = *g.Playback;
  ++pb.Played;
  Peek(pb);
  // The recording holds ticks inside the game only: an earlier end means another game was played.
  const bool left = g.ScreenState != scPlay || GameIsOver(g);
  if (pb.HasNext && left) {
    pb.Mismatch = Subst(_("the game ended {ticks} ticks before the recording did"), "{ticks}",
                        std::to_string(pb.File.Ticks - pb.Played));
    pb.HasNext = false;
  } else if (!pb.HasNext && pb.Played < pb.File.Ticks && pb.Mismatch.empty()) {
    pb.Mismatch = _("the tick data ended early");
  }
  if (!pb.HasNext && pb.Mismatch.empty() && g.ScreenState == scPlay) {
    const TReplayHeader& h = pb.File.Header;
    for (int n = 0; n < 2; ++n)
      if (g.Player(n).Score != h.Score[size_t(n)] || g.Player(n).Level != h.Level[size_t(n)])
        pb.Mismatch = _("the game does not reach its recorded result");
  }
}

bool PlaybackTick(GameContext& g) {
  if (!g.Playback || !g.Playback->HasNext || g.ScreenState != scPlay) return false;
  const TReplayTick& t = g.Playback->Next;
  TPlaybackInput input;
  RunTick(g, g.FrameTime + t.Step, int(t.Move), input);
  return true;
}

void EndPlayback(GameContext& g, bool toTitle) {
  if (!g.Playback) return;
  std::unique_ptr<TReplayPlayback> pb = std::move(g.Playback);
  pb->Saved.Restore(g);
  g.NextGameSeed.reset();
  if (toTitle) g.EnterState(TScreenState(pb->ReturnTo));
  g.DXInput1.States.reset();
  g.DXInput2.States.reset();
}

namespace {

// Starts the recorded game again from its first tick.
void RestartPlayback(GameContext& g) {
  TReplayPlayback& pb = *g.Playback;
  pb.Cursor = TReplayCursor(pb.File.Stream);
  pb.Played = 0;
  pb.Mismatch.clear();
  pb.LingerMs = 0;
  Peek(pb);
  g.NextGameSeed = pb.File.Header.Seed;
  g.FrameTime = pb.File.Header.StartTime;
  g.EnterState(scPlay);
}

}  // namespace

uint32_t PlaybackMs(const GameContext& g) {
  return g.Playback ? g.FrameTime - g.Playback->File.Header.StartTime : 0;
}

void SeekPlayback(GameContext& g, int64_t targetMs) {
  if (!g.Playback) return;
  TReplayPlayback& pb = *g.Playback;
  targetMs = std::clamp<int64_t>(targetMs, 0, int64_t(pb.File.Header.DurationMs));
  if (targetMs < int64_t(PlaybackMs(g)) || g.ScreenState != scPlay) RestartPlayback(g);
  // Nothing is drawn or heard on the way; the music of the restart plays on.
  ISoundSystem* sound = g.Sound;
  const bool recordSounds = g.RecordSounds, noRender = g.NoRender;
  g.Sound = nullptr;
  g.RecordSounds = false;
  g.NoRender = true;
  while (pb.HasNext && int64_t(PlaybackMs(g)) + int64_t(pb.Next.Step) <= targetMs) PlaybackTick(g);
  g.Sound = sound;
  g.RecordSounds = recordSounds;
  g.NoRender = noRender;
  pb.Budget = 0;
  if (pb.HasNext) pb.LingerMs = 0;
}

bool PlaybackFrame(GameContext& g, uint32_t realMs) {
  if (!g.Playback) return false;
  TReplayPlayback& pb = *g.Playback;
  // Playback keys by their own edges: Return, Pause, Right, Left, Esc, Page Up, Page Down, Home,
  // Up; player 1's four actions (keys or pad) and the pad's stick.
  static constexpr int kKeys[9] = {13, 19, 39, 37, 27, 33, 34, 36, 38};
  bool down[16] = {};
  if (g.Platform) {
    const IInputSource& in = g.Platform->Input();
    for (int i = 0; i < 9; ++i) down[i] = in.VkDown(kKeys[i]);
    const TInputStates now = g.DXInput1.DownNow(in);
    const TKeyAssign& k = g.Config.KeyAssign1P;
    const int actions[4] = {k.J01, k.J02, k.J03, k.J04};
    for (int i = 0; i < 4; ++i)
      down[9 + i] = actions[i] >= 0 && actions[i] < kInputStates && now.test(size_t(actions[i]));
    const uint64_t pad = in.PadStates(g.DXInput1.PadNo);
    down[2] = down[2] || (pad & (1u << kStateRight));
    down[3] = down[3] || (pad & (1u << kStateLeft));
    down[8] = down[8] || (pad & (1u << kStateUp));
  }
  bool pressed[16] = {};
  for (int i = 0; i < 16; ++i) {
    pressed[i] = down[i] && !pb.KeysDown[i];
    pb.KeysDown[i] = down[i];
  }
  // The devices keep latching so the title does not see a key held from here as a new press.
  if (g.Platform) {
    g.DXInput1.Poll(g.Platform->Input());
    g.DXInput2.Poll(g.Platform->Input());
  }
  if (pressed[4] || pressed[12]) return false;
  if (pressed[0] || pressed[1] || pressed[9]) pb.Paused = !pb.Paused;
  if (pressed[2]) pb.SpeedShift = std::min(pb.SpeedShift + 1, 3);
  if (pressed[3]) pb.SpeedShift = std::max(pb.SpeedShift - 1, -2);
  if (pressed[5] || pressed[10]) SeekPlayback(g, int64_t(PlaybackMs(g)) - 10000);
  if (pressed[6] || pressed[11]) SeekPlayback(g, int64_t(PlaybackMs(g)) + 10000);
  if (pressed[7] || pressed[8]) SeekPlayback(g, 0);

  bool drew = false;
  if (!pb.Paused) {
    const double speed = pb.SpeedShift >= 0 ? double(1 << pb.SpeedShift) : 1.0 / double(1 << -pb.SpeedShift);
    // A long stall (a dragged window) does not turn into a burst of catching up.
    pb.Budget = std::min(pb.Budget + double(std::min<uint32_t>(realMs, 250)) * speed, 2000.0);
    const bool saved = g.NoRender;
    while (pb.HasNext && double(pb.Next.Move) <= pb.Budget) {
      const double move = double(pb.Next.Move);
      pb.Budget -= move;
      // Only the last tick due this frame is drawn (a guess; RedrawPlay covers a wrong one).
      g.NoRender = saved || pb.Budget >= std::max(move, 1.0);
      PlaybackTick(g);
      drew = !g.NoRender;
      if (!pb.HasNext) pb.LingerMs = GameIsOver(g) ? 3000 : 1500;
    }
    g.NoRender = saved;
    if (!pb.HasNext) {
      if (!pb.Mismatch.empty()) {
        std::fprintf(stderr, "kq001: %s: %s\n", pb.Path.c_str(), pb.Mismatch.c_str());
        const size_t slash = pb.Path.rfind('/');
        g.TitleNotice =
            (slash == std::string::npos ? pb.Path : pb.Path.substr(slash + 1)) + ": " + pb.Mismatch;
        pb.Mismatch.clear();
      }
      // The last frame stays a moment. After a game over the screen runs on with no input, so
      // the fades and boards finish; a game that was left stands still.
      if (g.ScreenState != scPlay || pb.LingerMs <= 0) return false;
      const int step = int(std::min<double>(std::max(pb.Budget, 1.0), 50));
      pb.Budget = 0;
      pb.LingerMs -= step;
      if (GameIsOver(g)) {
        TControlsInput none(0);
        RunTick(g, g.FrameTime + uint32_t(step), step, none);
        drew = true;
        if (g.ScreenState != scPlay) return false;
      }
    }
  }
  if (!drew) RedrawPlay(g);
  return true;
}

}  // namespace kq
