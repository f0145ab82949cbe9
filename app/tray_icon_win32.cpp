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

bool TrayIcon::Add(HWND owner, HICON icon, TextView tip) {
  NOTIFYICONDATAW record = TrayIconRecord(owner, icon, tip);
  const bool added = Shell_NotifyIconW(NIM_ADD, &record) != FALSE;
  if (added) shown_ = true;
  return added;
}

bool TrayIcon::Remove(HWND owner, HICON icon) {
  NOTIFYICONDATAW record = TrayIconRecord(owner, icon, u"ZLV_GMouse");
  const bool removed = Shell_NotifyIconW(NIM_DELETE, &record) != FALSE;
  shown_ = false;
  return removed;
}

}  // namespace zlv
