#include "macro/keyboard_hook_win32.h"

namespace zlv {

namespace {

// The sink of the installed hook. Touched only by the thread that installs the
// hook, which is also the thread its procedure runs on.
KeyMessageSink* g_hook_sink = nullptr;

LRESULT CALLBACK RecordHookProc(int code, WPARAM wparam, LPARAM lparam) {
  if (code >= 0 && g_hook_sink != nullptr && lparam != 0) {
    const auto* info = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lparam);
    if (ForwardHookedKey(code, static_cast<std::uint32_t>(wparam),
                         static_cast<std::uint32_t>(info->vkCode),
                         *g_hook_sink) == HookVerdict::kSwallow) {
      return 1;
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

void WindowKeyMessageSink::PostKeyMessage(std::uint32_t message, std::uint32_t virtual_key) {
  PostMessageW(window_, static_cast<UINT>(message), static_cast<WPARAM>(virtual_key), 0);
}

LowLevelKeyboardHook::~LowLevelKeyboardHook() { Uninstall(); }

bool LowLevelKeyboardHook::Install() {
  if (hook_ != nullptr) return true;
  if (g_hook_sink != nullptr) return false;  // another instance holds the hook
  g_hook_sink = &sink_;
  hook_ = SetWindowsHookExW(WH_KEYBOARD_LL, RecordHookProc, GetModuleHandleW(nullptr), 0);
  if (hook_ == nullptr) {
    g_hook_sink = nullptr;
    return false;
  }
  return true;
}

bool LowLevelKeyboardHook::Renew() {
  if (hook_ == nullptr) return Install();
  // The newest hook is called first and swallows the key, so the old one
  // never sees it twice while both are in place.
  HHOOK fresh = SetWindowsHookExW(WH_KEYBOARD_LL, RecordHookProc, GetModuleHandleW(nullptr), 0);
  if (fresh == nullptr) return false;
  UnhookWindowsHookEx(hook_);
  hook_ = fresh;
  return true;
}

bool LowLevelKeyboardHook::Uninstall() {
  if (hook_ == nullptr) return false;
  UnhookWindowsHookEx(hook_);
  hook_ = nullptr;
  g_hook_sink = nullptr;
  return true;
}

}  // namespace zlv
