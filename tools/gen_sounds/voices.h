#pragma once
// The spoken voices: our own short lines, spoken by espeak-ng at build time.
#include <string>
#include <string_view>

namespace kq::gen {

struct TVoiceLine {
  std::string_view Code;  // "VOICE" + Code, file "VOICE\voice" + Code
  std::string_view Text;
  std::string_view Voice;  // espeak-ng voice and variant
  int Pitch;               // espeak-ng pitch 0..99
  int Speed;               // words per minute
};

// espeak must be the path of espeak-ng; writes outFolder/VOICE/voice??.wav. False when any
// line failed (the rest are still written).
bool WriteVoices(const std::string& espeak, const std::string& outFolder);

}  // namespace kq::gen
