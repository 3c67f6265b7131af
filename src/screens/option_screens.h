#pragma once
// The option screens' functions over the lists' state in the context.
#include <memory>
#include <string>

#include "core/option_data.h"

namespace kq {

struct GameContext;

// Sizes of the TrueType faces of the lists and of their captions: 11 points of a fixed-pitch
// Japanese face fits the lists' columns.
constexpr int kListFontPoints = 11;
constexpr int kTitleFontPoints = 22;

// Working values of the settings list (tests and the dump read them).
bool OptionToggleValue(const TOptionItem& item);
std::string OptionPadChoice(const GameContext& g, int player);
// The Language row's choices by TLanguage: "AUTO", "English", "日本語" (each in its own language).
std::string LanguageChoiceText(int choice);
// "HUMAN", "CPU 1" ... "CPU 5".
std::string CpuLevelText(int level);
// The value text of a key-list or pad-list row, from the working copy.
std::string AssignValueText(const GameContext& g, const TAssignItem& item, bool padList);
// Whether action `control` (4..7) of the working copy has its key overridden by a later action
// that raises the same input state.
bool AssignOverridden(const TKeyAssign& k, int control);

// Step 16 of the loader: takes the list's and the captions' faces (null: the picture fonts
// stand in) and measures the character cell.
void MeasureOptionFont(GameContext& g, std::unique_ptr<ITextRenderer> list,
                       std::unique_ptr<ITextRenderer> title);
// Draws the list of the current option screen onto ListSurface.
void DrawOptionList(GameContext& g, int screen);

}  // namespace kq
