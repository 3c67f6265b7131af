#pragma once
// The headless runner's scripts: scripted input and starting fields.
#include <cstdint>
#include <string>
#include <vector>

namespace kq {

struct TScriptEvent {
  enum Kind { KeyDown, KeyUp, PadAttach, PadDetach, PadButton, PadAxis, PadHat, Clipboard, Close };
  uint32_t Tick = 0;  // applied before the poll of this tick (ticks count from 1)
  Kind What = KeyDown;
  int Pad = 0;
  int A = 0;         // key code, button, axis or hat direction (0 centre, 1 up, 2 down, 3 left, 4 right)
  int B = 0;         // button down (1/0), axis value, or for an attach 1 when it is a mapped controller
  std::string Name;  // a pad's product name, or the clipboard's text
};

// One event a line, '#' starts a comment. False with "line N: ..." in error on the first bad line.
bool ParseInputScript(const std::string& text, std::vector<TScriptEvent>& out, std::string& error);
// Up to 13 lines of '.', '0'-'5', 'a'-'f', 'h'; the last line is row 0.
bool ParseFieldFile(const std::string& text, std::vector<std::string>& rows, std::string& error);

// Largest input script or field file the runner reads.
constexpr size_t kMaxScriptFileBytes = 4u << 20;
// Reads a script or field file whole. Refuses (false, the reason in error) what is not a regular
// file (a folder, a device, a pipe) and anything larger than kMaxScriptFileBytes.
bool ReadScriptFile(const std::string& path, std::string& out, std::string& error);

}  // namespace kq
