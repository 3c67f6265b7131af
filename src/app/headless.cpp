#include "app/context.h"

namespace kq {

}  // namespace kq
