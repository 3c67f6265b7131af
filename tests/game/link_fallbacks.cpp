// Weak stand-ins for engine functions the rule tests never call, so the tests link while those
// pieces are still being written; the real definitions win as soon as they exist.
#include <string>

#include "engine/keys.h"

namespace kq {

__attribute__((weak)) std::string VkSystemName(int) {
  return {};
}

}  // namespace kq
