#include "app/tray_icon_win32.h"

#include <algorithm>

#include "app/shell_commands.h"
#include "base/text_win32.h"

namespace zlv {

NOTIFYICONDATAW TrayIconRecord(HWND owner, HICON icon, TextView tip) {
  NOTIFYICONDATAW record{};
  record.cbSize = NOTIFYICONDATAW_V3_SIZE;
  record.hWnd = owner;
  record.uID = kTrayIconId;
  record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record.uCallbackMessage = kTrayCallbackMessage;
  record.hIcon = icon;
  const std::wstring wide = ToWide(tip);
  const std::size_t chars = std::min(wide.size(), std::size(record.szTip) - 1);
  std::copy_n(wide.begin(), chars, record.szTip);
  record.szTip[chars] = L'\0';
  return record;
}

bool Win32TrayShell::Add(TextView tip) {
  NOTIFYICONDATAW record = TrayIconRecord(owner_, icon_, tip);
  const bool added = Shell_NotifyIconW(NIM_ADD, &record) != FALSE;
  if (added) ++adds_;
  return added;
}

bool Win32TrayShell::Modify(TextView tip) {
  NOTIFYICONDATAW record = TrayIconRecord(owner_, icon_, tip);
  return Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
}

bool Win32TrayShell::Remove() {
  NOTIFYICONDATAW record = TrayIconRecord(owner_, icon_, u"ZLV_GMouse");
  return Shell_NotifyIconW(NIM_DELETE, &record) != FALSE;
}

void Win32TrayShell::StartRetryTimer() {
  if (owner_ != nullptr) SetTimer(owner_, kRetryTimer, kRetryInterval, nullptr);
}

void Win32TrayShell::StopRetryTimer() {
  if (owner_ != nullptr) KillTimer(owner_, kRetryTimer);
}

UINT RegisterTaskbarCreatedMessage(HWND window) {
  const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  // Explorer runs unelevated; without this an elevated window never hears it.
  if (message != 0) ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr);
  return message;
}

}  // namespace zlv
