#pragma once
// A line of text entered three ways: typed on the keyboard, pasted (Ctrl+V or the PASTE button),
// or picked with a pad on a grid of characters. Ready answers (the recent rivals) may sit in rows
// above the grid; a press on one takes it. The NETWORK screen's JOIN and MATCH SERVER and the
// options' match-server row share it.
#include <array>
#include <string>
#include <vector>

namespace kq {

struct GameContext;
class Canvas;

// The characters of the grid, row by row; the buttons follow under it.
extern const char* const kEntryGrid[];
constexpr int kEntryGridRows = 3, kEntryGridCols = 13, kEntryButtons = 4;
constexpr size_t kMaxEntryText = 64;

class TTextEntry {
 public:
  enum class TAction { None, Submit, Cancel, Choose };

  // A fresh entry holding text, the cursor on the first row; keys held now type nothing.
  void Start(std::string text);
  // One tick. choices: the ready rows above the grid. Submit: OK or Return with something typed;
  // Cancel: Esc or BACK; Choose: a ready row was taken (Chosen says which).
  TAction Update(GameContext& g, int choices);
  // From y down: the box with the text, the ready rows, the grid, the buttons.
  void Paint(GameContext& g, Canvas& c, int y, const std::vector<std::string>& choices) const;

  std::string Typed;
  int Cursor = 0;  // the ready rows one a row, then the grid's cells, then the buttons
  int Chosen = -1;

 private:
  bool TypeFromKeyboard(GameContext& g);
  std::array<bool, 256> wasDown_{};
};

// The characters a key types, by Windows virtual-key code; 0 for none.
char EntryCharOfKey(int vk);

}  // namespace kq
