// The system-wide keyboard capture used while a macro is recorded.
//
// While the hook is installed it takes every keystroke away from all
// applications (this program's own windows included) and re-posts it to the
// main window as a key message whose first parameter is the virtual key and
// whose second parameter is 0. The main window's pre-translation then hands
// those messages to the MacroRecorder.
#pragma once

#include <cstdint>

namespace zlv {

// Window message identifiers of the keyboard.
inline constexpr std::uint32_t kWmKeyDown = 0x0100;
inline constexpr std::uint32_t kWmKeyUp = 0x0101;
inline constexpr std::uint32_t kWmSysKeyDown = 0x0104;
inline constexpr std::uint32_t kWmSysKeyUp = 0x0105;

constexpr bool IsKeyMessage(std::uint32_t message) {
  return message == kWmKeyDown || message == kWmKeyUp || message == kWmSysKeyDown ||
         message == kWmSysKeyUp;
}
constexpr bool IsKeyPressMessage(std::uint32_t message) {
  return message == kWmKeyDown || message == kWmSysKeyDown;
}

// Installs and removes the capture. The Windows hook is a low-level keyboard
// hook for every thread of the desktop (keyboard_hook_win32.h).
class KeyboardHook {
 public:
  virtual ~KeyboardHook() = default;
  // True when the hook is in place afterwards (also when it already was).
  virtual bool Install() = 0;
  // True when a hook was removed.
  virtual bool Uninstall() = 0;
  // Puts the hook in place again: a fresh hook replaces the current one (a
  // hook the system may have dropped without notice), or the hook is
  // installed when none is. True when a fresh hook is in place afterwards.
  virtual bool Renew() = 0;
};

// Where the captured keystrokes go: the main window.
class KeyMessageSink {
 public:
  virtual ~KeyMessageSink() = default;
  virtual void PostKeyMessage(std::uint32_t message, std::uint32_t virtual_key) = 0;
};

enum class HookVerdict {
  kPassOn,   // hand the event to the next hook (the system delivers it)
  kSwallow,  // nobody else sees the event
};

// The work of the hook procedure for one keyboard event: a negative code is
// passed on untouched; otherwise the key message is posted to the sink and the
// event is swallowed. Must stay quick: the system waits for it on every
// keystroke of every application.
HookVerdict ForwardHookedKey(int code, std::uint32_t message, std::uint32_t virtual_key,
                             KeyMessageSink& sink);

}  // namespace zlv
