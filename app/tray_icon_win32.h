// The program's icon in the taskbar notification area.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "app/tray_keeper.h"
#include "base/text.h"

namespace zlv {

// The notify-icon record, filled the same way for adding and deleting: the
// version-3 record size of this platform's headers (no balloon icon), icon id
// 153, message, icon and tip, callback WM_USER + 1.
NOTIFYICONDATAW TrayIconRecord(HWND owner, HICON icon, TextView tip);

// The notification area's calls for the main window's icon, and the window
// timer that retries a failed add.
class Win32TrayShell final : public TrayShell {
 public:
  static constexpr UINT_PTR kRetryTimer = 0x5A54;
  static constexpr UINT kRetryInterval = 2000;  // ms

  void Attach(HWND owner, HICON icon) {
    owner_ = owner;
    icon_ = icon;
  }
  bool Add(TextView tip) override;
  bool Modify(TextView tip) override;
  // The tip of a deletion is "ZLV_GMouse" (the shell ignores it).
  bool Remove() override;
  void StartRetryTimer() override;
  void StopRetryTimer() override;

  // Successful adds so far.
  int Adds() const { return adds_; }

 private:
  HWND owner_ = nullptr;
  HICON icon_ = nullptr;
  int adds_ = 0;
};

// The message the shell broadcasts when the notification area is (re)created,
// let through the filter that keeps messages of unelevated programs from an
// elevated window. 0 when it cannot be registered.
UINT RegisterTaskbarCreatedMessage(HWND window);

}  // namespace zlv
