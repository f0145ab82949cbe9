#include "app/key_filter.h"

#include "macro/keyboard_hook.h"

namespace zlv {

bool SwallowedByKeyFilter(std::uint32_t message, std::uintptr_t wParam) {
  if (wParam == kVirtualKeyF10) return true;
  return message == kWmKeyDown && (wParam == kVirtualKeyEscape || wParam == kVirtualKeyReturn);
}

}  // namespace zlv
