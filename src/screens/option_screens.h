#pragma once
// The option screens (settings, key assignment, pad assignment) and the functions over the
// lists they share.
#include <memory>
#include <string>

#include "core/screen.h"
#include "screens/option_data.h"
#include "screens/text_entry.h"

namespace kq {

struct GameContext;
class Canvas;

// Sizes of the TrueType faces of the lists and of their captions: 11 points of a fixed-pitch
// Japanese face fits the lists' columns.
constexpr int kListFontPoints = 11;
constexpr int kTitleFontPoints = 22;

// A screen over the shared lists.
class TOptionListScreen : public TScreen {
 public:
  explicit TOptionListScreen(std::shared_ptr<TOptionScreens> lists) : lists_(std::move(lists)) {}
  TOptionScreens& Lists() const { return *lists_; }

  int Cursor = 1;  // row of the list

 private:
  std::shared_ptr<TOptionScreens> lists_;
};

// The settings list. Entered from the title it loads the settings and starts at the top; back
// from a key or pad list the edits so far and the row stay.
class TOptionsScreen final : public TOptionListScreen {
 public:
  using TOptionListScreen::TOptionListScreen;
  const char* Name() const override { return "options"; }
  void Enter(GameContext& g, TScreenState from) override;
  void Update(GameContext& g, int moveCount) override;
  void Draw(GameContext& g) override;

  // The match server's row opens a text entry over the list until OK, BACK or Esc.
  bool Editing = false;
  TTextEntry Entry;

 private:
  void UpdateEntry(GameContext& g, int moveCount);
  void PaintEntry(GameContext& g, Canvas& c) const;
};

// The key list (padList false) or the pad-button list: edits both players' working copy of
// the assignment, which its "OK" commits.
class TAssignScreen final : public TOptionListScreen {
 public:
  TAssignScreen(std::shared_ptr<TOptionScreens> lists, bool padList)
      : TOptionListScreen(std::move(lists)), PadList(padList) {}
  const char* Name() const override { return PadList ? "padassign" : "keyassign"; }
  void Enter(GameContext& g, TScreenState from) override;
  void Update(GameContext& g, int moveCount) override;
  void Draw(GameContext& g) override;
  void Leave(GameContext& g, TScreenState next) override;

  const bool PadList;
  bool Capturing = false;  // waiting for the new key or button of the selected row
  // Armed once nothing is held any more, so the confirm press that started the capture is never
  // taken as the new key or button.
  bool CaptureArmed = false;
  int CapturePad = kNoPad;
  std::string CapturePadName;

 private:
  void StartCapture(GameContext& g, const TAssignItem& it);
  void EndCapture(GameContext& g, std::string notice, TNoticeKind kind, const char* sound);
  bool CaptureTick(GameContext& g);
};

// The lists the option screens share; null in a context without them.
TOptionScreens* FindOptionLists(const GameContext& g);

// Working values of the settings list (tests and the dump read them).
bool OptionToggleValue(const TOptionItem& item);
std::string OptionPadChoice(const GameContext& g, int player);
std::string OptionPadChoice(const TOptionScreens& o, int player);
// The Language row's choices by TLanguage: "AUTO" (translated), "English", "日本語" (each in its
// own language).
std::string LanguageChoiceText(int choice);
// Who plays a side: "HUMAN", "CPU 1" ... "CPU 5" in English (for lists translated when drawn), and
// translated.
const char* CpuLevelLabel(int level);
std::string CpuLevelText(int level);
// The value text of a key-list or pad-list row, from the working copy.
std::string AssignValueText(const GameContext& g, const TAssignItem& item, bool padList);
// Whether action `control` (4..7) of the working copy has its key overridden by a later action
// that raises the same input state.
bool AssignOverridden(const TKeyAssign& k, int control);

// The rows of the three lists (the loader's step; entering a list builds them when missing).
void BuildOptionItems(GameContext& g);
// Step 16 of the loader: takes the list's and the captions' faces (null: the picture fonts
// stand in) and measures the character cell.
void MeasureOptionFont(GameContext& g, std::unique_ptr<ITextRenderer> list,
                       std::unique_ptr<ITextRenderer> title);
// Draws a list onto ListSurface: the settings (scOptions) or a key or pad list, with the
// selected row and whether it waits for a key or button.
void DrawOptionList(GameContext& g, TOptionScreens& o, int screen, int cursor, bool capturing);

}  // namespace kq
