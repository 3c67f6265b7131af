#include "core/context.h"
#include "game/rules.h"
#include "sprites/effect_sprites.h"

namespace kq {

void ShowBoard(GameContext& g, TPlayerInfo& p, std::string_view imageName, bool vanishing) {
  // A board that stays (win, lose) is drawn above everything else.
  auto* b =
      NewPictureSprite<TDisplayBoardSprite>(g, imageName, p.FieldCenterX, p.FieldBottom, vanishing ? 4 : 15);
  b->MoveMode = 1;
  b->Speed = 0.6;
  b->TargetX = p.FieldCenterX;
  b->TargetY = p.FieldTop + 180;
  b->AutoRemove = vanishing;
}

void ShowCharAnimation(GameContext& g, TPlayerInfo& p, TCharAnimation kind) {
  std::string name = kind == caAttack ? "ATTACK" : "DAMAGE";
  name += p.PlayerNo == 0 ? "1P" : "2P";
  const double x = p.PlayerNo == 0 ? p.FieldRight + 64 : p.FieldLeft - 64;
  const double y = p.PlayerNo == 0 ? p.FieldTop + 180 : p.FieldTop + 410;
  NewPictureSprite<TCharAnimationSprite>(g, name, x, y, 10, 10, false, 0.01, 0);
  if (kind == caDamage) {
    static const char* const kVoices[3] = {"VOICE21", "VOICE22", "VOICE23"};
    g.PlaySound(kVoices[g.VoiceRng.Random(3)]);
  }
}

}  // namespace kq
