#pragma once
// What the option screens share: the settings list (6), the key-assignment list (7) and the
// pad-assignment list (8). Rows are built once at start-up; the values shown are working copies
// that reach TGameConfig only through the screens' "OK". The three screens hold it together.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/game_config.h"
#include "engine/platform.h"
#include "engine/text_renderer.h"

namespace kq {

enum class TOptionRow : uint8_t {
  Heading,
  Toggle,
  Pad,
  KeyAssign,
  PadAssign,
  Ok,
  Cancel,
  Cpu,
  Level,
  Language,
  Server  // the match server's address, entered on a character grid
};

// The boolean settings of the list, by the TGameConfig field they edit.
enum class TSettingField : uint8_t {
  None,
  UseDirect3D,
  WaitVsync,
  DisableBgm,
  DisableVoice,
  AdvancedMode1P,
  AdvancedMode2P,
  FullScreen,
  MusicVolume,  // Level rows: 0..kMaxVolume
  SoundVolume,
  VoiceVolume,
};

struct TOptionItem {
  TOptionRow Kind = TOptionRow::Heading;
  std::string Label;
  TSettingField Field = TSettingField::None;
  bool ShowInverted = false;  // "ON" shows a false field (the Disable... switches)
  int Player = 0;             // pad rows
  std::string Help;           // shown under the list while the row is selected
  // Label and Help are English; the lists translate them as they draw.
  // Toggles: 0 off, 1 on (as shown). Pad rows: index into TOptionScreens::PadChoices[Player].
  // Player rows: 0 HUMAN, 1..5 the CPU level. Level rows: the volume. Language rows: TLanguage.
  int Selected = 0;
};

enum class TAssignRow : uint8_t { Heading, Control, Ok, Cancel };

// Controls in the order of the lists: up, right, down, left, then actions 1 to 4.
constexpr int kAssignControls = 8;

struct TAssignItem {
  TAssignRow Kind = TAssignRow::Heading;
  std::string Label;
  int Player = 0;
  int Control = 0;  // 0..7 in list order
};

enum class TNoticeKind : uint8_t { None, Good, Bad };

struct TOptionScreens {
  std::vector<TOptionItem> Settings;  // state 6
  std::vector<TAssignItem> Assign;    // states 7 and 8 share their rows

  // Pad choices per player: [0] is "" (no pad), then the attached pads' names, then the
  // committed name when no attached pad bears it, so an unplugged pad is not forgotten by
  // accident. Rebuilt whenever the attached pads change.
  std::array<std::vector<std::string>, 2> PadChoices;
  std::vector<std::string> SeenPads;  // PadNames() the choices were built from

  std::array<TKeyAssign, 2> KeyEdit;  // states 7 and 8 edit these; "OK" commits them
  std::string ServerEdit;             // the match server's row; "OK" commits it

  std::string Notice;  // the outcome of the last action, under the list
  TNoticeKind NoticeKind = TNoticeKind::None;

  std::unique_ptr<ITextRenderer> Font;       // null: the picture fonts stand in
  std::unique_ptr<ITextRenderer> TitleFont;  // the screens' captions
  int CellW = 10;                            // character cell: measured "A" plus 1 by plus 5
  int CellH = 21;

  Bitmap Chrome;      // backdrop, caption and panels of the last list drawn
  int ChromeKey = 0;  // which screen and cell size Chrome was drawn for
};

}  // namespace kq
