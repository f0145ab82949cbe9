// The program's icon in the taskbar notification area.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "base/text.h"

namespace zlv {

// The notify-icon record, filled the same way for adding and deleting: the
// version-3 record size of this platform's headers (no balloon icon), icon id
// 153, message, icon and tip, callback WM_USER + 1.
NOTIFYICONDATAW TrayIconRecord(HWND owner, HICON icon, TextView tip);

class TrayIcon {
 public:
  // NIM_ADD with the window title as tip. Adding when the icon is there
  // already fails and changes nothing.
  bool Add(HWND owner, HICON icon, TextView tip);
  // NIM_DELETE; the tip of a deletion is "ZLV_GMouse" (the shell ignores it).
  bool Remove(HWND owner, HICON icon);
  // Whether the last add succeeded and no remove followed.
  bool Shown() const { return shown_; }

 private:
  bool shown_ = false;
};

}  // namespace zlv
