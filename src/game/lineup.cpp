#include "game/rules.h"
#include "app/context.h"

namespace kq {

}  // namespace kq
