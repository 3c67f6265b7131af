#include "core/context.h"
#include "game/rules.h"
#include "sprites/effect_sprites.h"

namespace kq {

TImageSprite* NewPictureSprite(GameContext& g, std::string_view pictureName, double x, double y, int z,
                               int patternCount, bool loop, double patternSpeed, double patternPos) {
  auto* s = new TImageSprite(&g.DXSpriteEngine1);
  InitPictureSprite(*s, g.DXImageList1, pictureName, x, y, z, patternCount, loop, patternSpeed, patternPos);
  return s;
}

void ShowBoard(GameContext& g, TPlayerInfo& p, std::string_view imageName, bool vanishing) {
  auto* b = new TDisplayBoardSprite(g, &g.DXSpriteEngine1);
  // A board that stays (win, lose) is drawn above everything else.
  InitPictureSprite(*b, g.DXImageList1, imageName, p.FieldCenterX, p.FieldBottom, vanishing ? 4 : 15, -1,
                    false, 0, 0);
  b->MoveMode = 1;
  b->Speed = 0.6;
  b->TargetX = p.FieldCenterX;
  b->TargetY = p.FieldTop + 180;
  b->AutoRemove = vanishing;
}

void ShowCharAnimation(GameContext& g, TPlayerInfo& p, TCharAnimation kind) {
  std::string name = kind == caAttack ? "ATTACK" : "DAMAGE";
  name += p.PlayerNo == 0 ? "1P" : "2P";
  auto* a = new TCharAnimationSprite(&g.DXSpriteEngine1);
  const double x = p.PlayerNo == 0 ? p.FieldRight + 64 : p.FieldLeft - 64;
  const double y = p.PlayerNo == 0 ? p.FieldTop + 180 : p.FieldTop + 410;
  InitPictureSprite(*a, g.DXImageList1, name, x, y, 10, 10, false, 0.01, 0);
  if (kind == caDamage) {
    static const char* const kVoices[3] = {"VOICE21", "VOICE22", "VOICE23"};
    g.PlaySound(kVoices[g.VoiceRng.Random(3)]);
  }
}

}  // namespace kq
