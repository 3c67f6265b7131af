#include "sprites/effect_sprites.h"
#include "sprites/hud_sprites.h"
#include "app/context.h"

namespace kq {

}  // namespace kq
