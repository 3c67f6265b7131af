#pragma once
// The network's messages in the player's language. The network code speaks English (its texts
// also go over the wire and into logs); what reaches a screen passes through NetText here.
#include <string>

namespace kq {

// A known message, whole or as "message: detail" (the detail translated in turn), in the current
// language; anything else (a rival's own text, an address) comes back as it was.
std::string NetText(const std::string& english);

}  // namespace kq
