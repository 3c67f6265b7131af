#include "engine/platform.h"

namespace kq {

}  // namespace kq
