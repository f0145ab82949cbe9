// The main window's key filter: keys that must never reach the dialog.
#pragma once

#include <cstdint>

namespace zlv {

inline constexpr std::uintptr_t kVirtualKeyReturn = 0x0D;
inline constexpr std::uintptr_t kVirtualKeyEscape = 0x1B;
inline constexpr std::uintptr_t kVirtualKeyF10 = 0x79;

// True when the message is swallowed before translation and dispatch: the
// key-downs of Escape and Enter (which would end the dialog or press its
// default button) and every key message of F10 (0x79), which arrives with
// WM_SYSKEYDOWN and would open the system menu.
bool SwallowedByKeyFilter(std::uint32_t message, std::uintptr_t wParam);

}  // namespace zlv
