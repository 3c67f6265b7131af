#pragma once
// Windows virtual-key codes (what the INI stores) against SDL scancodes (what the keyboard gives).
#include <string>

namespace kq {

// SDL scancode for a virtual-key code, 0 (unknown) when the code has no key.
int VkToScancode(int vk);
// Second key of a generic code (the right Shift for Shift, numeric-pad Enter for Return), else 0.
int SecondaryScancode(int vk);
// Virtual-key code of an SDL scancode, 0 when it has none.
int ScancodeToVk(int scancode);
// The system's name of the key, empty when it has none.
std::string VkSystemName(int vk);

}  // namespace kq
