#include "game/rules.h"

namespace kq {

void ShowBoard(TRulesContext& g, TPlayerInfo& p, std::string_view imageName, bool vanishing) {
  TRulesEvent& e = g.Events.Add(reBoard, p.PlayerNo);
  e.Name = imageName;
  e.Flag = vanishing;
}

void ShowCharAnimation(TRulesContext& g, TPlayerInfo& p, TCharAnimation kind) {
  g.Events.Add(reCharAnimation, p.PlayerNo).Value = kind;
  if (kind == caDamage) {
    static const char* const kVoices[3] = {"VOICE21", "VOICE22", "VOICE23"};
    g.Events.Sound(kVoices[g.VoiceRng.Random(3)]);
  }
}

}  // namespace kq
