#pragma once
// Lines of text drawn straight onto a screen's canvas in the lists' TrueType face (the picture
// fonts stand in without it), with a dark shadow so they read over any picture.
#include <cstdint>
#include <string>
#include <string_view>

namespace kq {

struct GameContext;
class Canvas;

constexpr uint32_t kTextGold = 0xFFC640;
constexpr uint32_t kTextWhite = 0xF4F6FF;
constexpr uint32_t kTextValue = 0xA8E4FF;
constexpr uint32_t kTextDim = 0x8290C0;
constexpr uint32_t kTextGrey = 0x6A6E7E;
constexpr uint32_t kTextWarn = 0xFFA452;

int ScreenLineHeight(const GameContext& g);
int ScreenTextWidth(const GameContext& g, std::string_view s);
// Cuts the text to maxW pixels, ending it with "..".
std::string FitScreenText(const GameContext& g, std::string s, int maxW);
// Top-left corner at (x, y).
void DrawScreenText(GameContext& g, Canvas& c, int x, int y, std::string_view s, uint32_t rgb);

}  // namespace kq
