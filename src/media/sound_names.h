#pragma once
// The sounds the game loads by name, with the file they come from (without extension, written
// with backslashes below the program folder). Shared by the loader and the pack generator.
#include <string_view>

namespace kq {

struct TSoundName {
  std::string_view Name;
  std::string_view Base;
};

inline constexpr TSoundName kEffectSounds[] = {
    {"SE01", "SND\\B_SHO_01"}, {"SE02", "SND\\B_SHO_02"},     {"SE03", "SND\\B_SHO_03"},
    {"SE04", "SND\\B_SHO_04"}, {"SE05", "SND\\B_SHO_05"},     {"SE06", "SND\\B_SHO_06"},
    {"SE07", "SND\\B_SHO_07"}, {"SE08", "SND\\B_SHO_08"},     {"SE09", "SND\\B_SHO_09"},
    {"SE0A", "SND\\B_SHO_0A"}, {"B_CHANGE", "SND\\b_change"}, {"SHOT", "SND\\shot"},
    {"SELECT", "SND\\SELECT"}, {"LEVELUP", "SND\\Levelup"},   {"B_FLICK", "SND\\B_FLICK"},
    {"CURSOR", "SND\\CURSOR"}, {"BAD", "SND\\BAD"},
};

// Voices: "VOICE" + code from "VOICE\voice" + code. Player 2's erase voices are 52..5A.
inline constexpr std::string_view kVoiceCodes[] = {
    "02", "03", "04", "05", "06", "07", "08", "09", "0A",  // player 1 erase voices
    "52", "53", "54", "55", "56", "57", "58", "59", "5A",  // player 2 erase voices
    "1A", "1B", "1C", "1D", "1E", "21", "22", "23", "26", "27", "28", "98", "99",
};

}  // namespace kq
