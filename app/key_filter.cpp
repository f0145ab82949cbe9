#include "app/key_filter.h"

#include "macro/keyboard_hook.h"

namespace zlv {

bool SwallowedByKeyFilter(std::uint32_t message, std::uintptr_t wParam) {
  // F10 as a key only: the character 'y' and a pointer move with some buttons
  // held carry the same number.
  if (wParam == kVirtualKeyF10) return IsKeyMessage(message);
  return message == kWmKeyDown && (wParam == kVirtualKeyEscape || wParam == kVirtualKeyReturn);
}

}  // namespace zlv
