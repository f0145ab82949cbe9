// The Windows keyboard capture of the macro recorder: a low-level keyboard
// hook and the window its keystrokes are posted to.
#pragma once

#include <windows.h>

#include "macro/keyboard_hook.h"

namespace zlv {

// Posts captured keystrokes to one window, the main window, named by its
// handle. Keystrokes captured from every application must reach this program
// only, never another program's window that happens to carry the same title.
class WindowKeyMessageSink final : public KeyMessageSink {
 public:
  explicit WindowKeyMessageSink(HWND window) : window_(window) {}
  void PostKeyMessage(std::uint32_t message, std::uint32_t virtual_key) override;

 private:
  HWND window_;
};

// A WH_KEYBOARD_LL hook for every thread of the desktop. Its procedure runs on
// the thread that installed it, from that thread's message loop, and only
// forwards each keystroke to the sink (ForwardHookedKey). One instance at a
// time can be installed in the process. The destructor removes the hook.
class LowLevelKeyboardHook final : public KeyboardHook {
 public:
  explicit LowLevelKeyboardHook(KeyMessageSink& sink) : sink_(sink) {}
  ~LowLevelKeyboardHook() override;
  LowLevelKeyboardHook(const LowLevelKeyboardHook&) = delete;
  LowLevelKeyboardHook& operator=(const LowLevelKeyboardHook&) = delete;

  bool Install() override;
  bool Uninstall() override;
  // Puts a fresh hook in place before removing the current one, so that a
  // hook Windows dropped silently is replaced without a moment in which
  // keystrokes pass uncaptured. Keeps the current hook when that fails.
  bool Renew() override;

 private:
  KeyMessageSink& sink_;
  HHOOK hook_ = nullptr;
};

}  // namespace zlv
