#pragma once
// The whole state of a running game in one object: screen state, clock, settings, tables, both
// player records, the sprite engine, the image list, input devices and the media back ends.
// Tests make a fresh one; nothing of the game lives in globals.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "config/game_config.h"
#include "config/user_files.h"
#include "core/controls.h"
#include "core/game_state.h"
#include "core/player.h"
#include "core/rules_context.h"
#include "core/rules_events.h"
#include "core/screen.h"
#include "engine/canvas.h"
#include "engine/image_list.h"
#include "engine/platform.h"
#include "engine/random.h"
#include "engine/sprite.h"
#include "media/audio.h"

namespace kq {

struct GameContext;

// Ticks counted per second into a rounded frame rate.
struct TFrameRate {
  int FrameRate = 0;
  uint32_t CountStart = 0;
  int Ticks = 0;
  bool Started = false;
  void Tick(uint32_t now);
};

class TReplayRecorder;
class TReplayPlayback;
class TReplayWriter;

struct TSoundLogEntry {
  uint32_t Tick = 0;
  std::string Name;
};

struct GameContext {
  GameContext();
  ~GameContext();
  GameContext(const GameContext&) = delete;
  GameContext& operator=(const GameContext&) = delete;

  // The rules' state; the names below reach into it.
  TGameState State;

  // Back ends; any may be null (rule tests run without a display or sound).
  IPlatform* Platform = nullptr;
  ISoundSystem* Sound = nullptr;
  IMusicPlayer* Music = nullptr;
  std::unique_ptr<ISoundSystem> SoundOwner;  // set up at start-up by the audio layer
  std::unique_ptr<IMusicPlayer> MusicOwner;

  // Form state.
  TScreenState ScreenState = scNone;
  TScreenManager Screens;  // the screen of every state
  uint32_t& FrameTime = State.FrameTime;
  std::string AppPath;   // program folder with a trailing '/'
  std::string PackPath;  // folder of the asset pack with a trailing '/'; empty: the program folder
  std::vector<std::string> PackFoldersSearched;  // in order, for the load-error text
  std::vector<std::string> LocaleFolders;        // where SetLanguage looks for the catalogues
  bool ShownFullScreen = false;  // the display mode last seen; a switch (Alt+Return) is remembered
  TUserFiles UserFiles;          // where the settings and scores are read and saved; set at start-up
  std::string ExeBaseName = "kq001";
  std::string TempFileName;
  int GameMode = 1;  // 1 one player, 2 versus
  int FieldCols = 7;
  int FieldRows = 13;

  TGameConfig Config;
  TLevelTable LevelTable;
  THiScoreTable HiScoreTable{};
  int NewRankIndex = -1;
  std::map<std::string, TImage, std::less<>> ScreenTexts;  // lines the screens drew, rendered once

  // Game state.
  TPlayerInfo& Player1P = State.Players[0];
  TPlayerInfo& Player2P = State.Players[1];
  uint8_t& ExStage = State.ExStage;
  int& EndingStep = State.EndingStep;
  uint32_t& EndingTime = State.EndingTime;
  std::array<TPlayerSprites, 2> PlayerSprites;  // what shows each record
  int RetryChoice = 0;                          // game-over prompt: 0 yes, 1 no
  TImageSprite* RetryYes = nullptr;
  TImageSprite* RetryNo = nullptr;
  TImageSprite* EndingPicture = nullptr;

  // Rng feeds the rules alone (new-row colours, hazard placement and timing). Effects, music,
  // voices and the score file's key bytes draw from streams of their own, seeded from the same
  // game seed, so they stay varied but can never move the rules.
  TRandom& Rng = State.Rng;
  TRandom FxRng;
  TRandom MusicRng;
  TRandom VoiceRng;
  TRandom FileRng;
  TRandom SeedRng;                       // one seed per game, from the program's seed
  uint64_t GameSeed = 0;                 // the program's seed, then that of the game in play
  std::optional<uint64_t> NextGameSeed;  // playback: the seed the next game must use
  // Re-seeds the streams above from one seed (every game start does, with the game's seed).
  void SeedStreams(uint64_t seed);
  // The program's seed: the games' seeds and, until the first game, the streams.
  void SeedProgram(uint64_t seed);

  // What the rules told the screen this tick (core/rules_events.h), and the rule procedures'
  // view of this context: the state, the settings, the level table and that list. A context
  // converts to it, so a rule procedure is called with the context as with any rules context.
  TRulesEvents Events;
  TRulesContext Rules{State, Config, LevelTable, GameMode, Events, VoiceRng};
  operator TRulesContext&() { return Rules; }

  // Recording and playback of games.
  std::string ReplayDir;          // finished recordings go here; empty keeps them in LastReplay only
  std::string ReplayFallbackDir;  // where they go when ReplayDir cannot take them
  std::unique_ptr<TReplayRecorder> Recorder;
  std::unique_ptr<TReplayPlayback> Playback;
  std::unique_ptr<TReplayWriter> ReplayWriter;
  std::string LastReplay;  // the bytes of the last finished recording
  // Network match: the ticks' controls come from the match (TControlsInput), and the game-over
  // prompt belongs to the match (both players answer on their own machines).
  bool NetPlay = false;
  int NetLocalPlayer = 0;  // 0: this machine plays player 1 (the host), 1: player 2
  struct TNetInfo {
    bool Active = false;
    uint32_t Tick = 0, Round = 0;
    int Delay = 0;
    uint32_t Waits = 0;
    uint64_t Sent = 0, Received = 0;
    std::string Path;             // "direct", "upnp", "punched" or "relay"
    bool OwnSide2 = false;        // this machine plays player 2 (the guest): the "YOU" mark's field
    bool AwaitingRival = false;   // this side answered the game-over prompt, the rival has not
    uint64_t Dropped = 0;         // datagrams the connection refused unread (strangers, junk)
    uint32_t Rollbacks = 0;       // times the game went back to correct a guess of the rival
    uint32_t MaxRollback = 0;     // the deepest, in ticks
    uint32_t PredictedWrong = 0;  // ticks that ran with a wrong guess
    bool Watching = false;        // this machine watches the match: it plays neither side
    uint32_t Spectators = 0;      // the host's spectators
  } NetInfo;
  std::string TitleNotice;  // one line on the title screen (a replay that could not be played)
  // Plays a recording file from the replays list; false with "PATH: reason" in error. The
  // program installs it (playback belongs to it).
  std::function<bool(GameContext&, const std::string& path, std::string& error)> PlayReplayFile;
  bool Replaying() const { return Playback != nullptr; }
  // Marks drawn over the play screen (the replay mark and speed).
  void DrawPlayOverlay(Canvas& c);

  // Pause of a local game: the rules' clock and the music stand still while it is set.
  bool Paused = false;
  uint32_t ClockHeld = 0;               // milliseconds of pause taken off the clock the rules read
  uint32_t RulesTime = 0;               // FrameTime of the last tick the rules ran
  std::array<bool, 3> PauseKeysDown{};  // Pause, P, a pad's Start as last seen (for their presses)
  uint32_t NoPauseNoticeUntil = 0;      // "no pause" shown in a network match until then
  // Drawn over the play screen after the replay mark (the program's pause, sides and tally).
  std::function<void(GameContext&, Canvas&)> PlayOverlay;
  // Wins of player 1 and 2 in this run of versus games; back to nothing on the title.
  std::array<int, 2> SessionWins{0, 0};
  int LastWinner = 0;  // 1 or 2: the winner of the last versus game, 0 before any
  // The computer players of a versus game by player (null: a person plays that device). Made at
  // game start, dropped when the play screen is left; never during a replay's playback.
  std::array<std::unique_ptr<TControlProgram>, 2> ControlPrograms;

  TImageList DXImageList1;
  TSpriteEngine DXSpriteEngine1;
  TDXInput DXInput1;
  TDXInput DXInput2;
  TImage BackSurface;  // background of opening, rules, ranking and play
  TImage ListSurface;  // option lists
  std::vector<std::string> BgmList;
  std::string SoundLoadError;

  // 3-D textures by [kind][frame].
  std::array<std::array<TImage, 5>, 7> BlockTexN;
  std::array<std::array<TImage, 5>, 7> BlockTexC;
  TImage DustTex;
  TImage GameOverTex;
  TImage RainbowTex;

  // Headless runner: starting fields given on the command line instead of random lines (up to
  // 13 strings, the last is row 0; '.' empty, '0'-'5' block, 'a'-'f' hard block, 'h' hazard).
  std::array<std::vector<std::string>, 2> StartField;
  std::array<bool, 2> HasStartField{false, false};
  bool NoRender = false;  // sprites move but nothing is rasterised

  TFrameRate FrameRate;
  uint32_t TickCount = 0;     // ticks run so far
  bool Terminated = false;    // the program is closing
  bool RecordSounds = false;  // keep SoundLog (headless dump)
  std::vector<TSoundLogEntry> SoundLog;

  // Player n (0 or 1).
  TPlayerInfo& Player(int n) { return n == 0 ? Player1P : Player2P; }
  // The sprites of a record of State.
  TPlayerSprites& View(const TPlayerInfo& p) { return PlayerSprites[&p == &Player2P ? 1 : 0]; }
  // Drops every reference to a sprite of the play screen (the engine frees them on a screen change).
  void ForgetPlaySprites();
  TDXInput& Input(const TPlayerInfo& p) { return p.PlayerNo == 0 ? DXInput1 : DXInput2; }
  const TKeyAssign& Keys(const TPlayerInfo& p) const {
    return p.PlayerNo == 0 ? Config.KeyAssign1P : Config.KeyAssign2P;
  }

  // Plays a named sound; names compare without regard to case.
  void PlaySound(std::string_view name, bool stopFirst = false);
  // Unless music is off: opens the file when it exists and plays it on success.
  void PlayMusicFile(const std::string& path);
  // A random song of BgmList (versus play).
  void PlayRandomBgm();
  void StopMusic();
  // The only way the screen state changes: leaves the current screen, drops every sprite and
  // enters the new one. Asked for during a screen's Update, it happens when the Update returns,
  // so no screen is torn down inside its own tick; the last request of a tick wins.
  void EnterState(TScreenState newState);
  // The change itself, at once.
  void ChangeState(TScreenState newState);
  // The next game's mode and its field: seven columns alone, eight each in versus.
  void SetGameMode(int mode) {
    GameMode = mode;
    FieldCols = mode == 2 ? 8 : 7;
    FieldRows = kFieldRows;
  }
  // Path of a data file below the asset pack's folder, written with backslashes as the data
  // tables write them; each component is matched without regard to case.
  std::string DataPath(std::string_view winRelative) const;
  bool DataFileExists(std::string_view winRelative) const;
  const std::string& PackFolder() const { return PackPath.empty() ? AppPath : PackPath; }

  // The frame of the front-end screens: black, move, background, sweep, draw, extra, frame rate,
  // flip.
  void DrawFrontEndFrame(int moveCount, const TImage* background, bool frameRateText,
                         const std::function<void(Canvas&)>& extra = {});
  // The same frame without moving or sweeping anything (a screen's Draw).
  void DrawStillFrame(const TImage* background, bool frameRateText,
                      const std::function<void(Canvas&)>& extra = {});
  // Confirm (J01 of either player, Return) and cancel (Esc) as one-shot reads.
  bool ConfirmPressed() const;
  bool CancelPressed() const { return DXInput1.Has(kStateCancel); }
  // Draws "FPS=%d" unless on the title or opening screen.
  void DrawFrameRate(Canvas& c);
  // Canvas of the screen, null without a display.
  Canvas* ScreenCanvas();
};

// One tick with the devices' controls (keyboard and pads, or the computer player of a device):
// RunTick (core/tick_driver.h) with a TDeviceInput.
void FrameTick(GameContext& g, uint32_t now, int moveCount);

// A picture sprite under the engine: picture by name, centre, Z, pattern count (-1 = all patterns
// of the picture), looped, speed in patterns per ms, start position. T is TImageSprite or one of
// the game's sprites, built with the context when its constructor takes one.
template <class T = TImageSprite>
T* NewPictureSprite(GameContext& g, std::string_view picture, double x, double y, int z,
                    int patternCount = -1, bool loop = false, double speed = 0, double pos = 0) {
  T* s;
  if constexpr (std::is_constructible_v<T, GameContext&, TSprite*>)
    s = new T(g, &g.DXSpriteEngine1);
  else
    s = new T(&g.DXSpriteEngine1);
  InitPictureSprite(*s, g.DXImageList1, picture, x, y, z, patternCount, loop, speed, pos);
  return s;
}

// Character-cell writer over the picture fonts "FONT1" and "FONT2".
void DrawGlyphText(GameContext& g, Canvas& c, int column, std::string_view text, int row);

}  // namespace kq
