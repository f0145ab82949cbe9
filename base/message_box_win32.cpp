#include "base/message_box_win32.h"

#include <utility>
#include <vector>

#include "base/text_win32.h"

namespace zlv {

std::wstring ApplicationName(const std::wstring& modulePath) {
  const std::size_t slash = modulePath.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? modulePath : modulePath.substr(slash + 1);
  const std::size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos && dot > 0) name.resize(dot);
  return name;
}

std::wstring ProcessApplicationName() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD got = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (got == 0) return std::wstring();
    if (got < buffer.size()) return ApplicationName(std::wstring(buffer.data(), got));
    if (buffer.size() >= 32768) return std::wstring();
    buffer.resize(buffer.size() * 2);
  }
}

Win32MessageBoxes::Win32MessageBoxes(std::function<HWND()> owner)
    : owner_(std::move(owner)), caption_(ProcessApplicationName()) {}

void Win32MessageBoxes::Show(TextView text) {
  HWND owner = owner_ ? owner_() : nullptr;
  if (owner != nullptr && !IsWindow(owner)) owner = nullptr;
  MessageBoxW(owner, ToWide(text).c_str(), caption_.c_str(), MB_OK);
}

}  // namespace zlv
