// Keeps the tray icon there while the program wants it: the notification area
// may not exist yet when the program starts at logon, and it loses every icon
// when Explorer restarts. The Windows layer carries the calls out.
#pragma once

#include "base/text.h"

namespace zlv {

// The notification area's calls, and the retry timer.
class TrayShell {
 public:
  virtual ~TrayShell() = default;
  virtual bool Add(TextView tip) = 0;     // NIM_ADD
  virtual bool Modify(TextView tip) = 0;  // NIM_MODIFY; fails when the icon is not there
  virtual bool Remove() = 0;              // NIM_DELETE
  virtual void StartRetryTimer() = 0;
  virtual void StopRetryTimer() = 0;
};

class TrayIconKeeper {
 public:
  explicit TrayIconKeeper(TrayShell& shell) : shell_(shell) {}

  // The program wants the icon, with this tip. When the icon is there already
  // nothing changes (the tip included: SetTip changes it).
  void Show(TextView tip);
  // The program no longer wants the icon.
  void Hide();
  // A new tip for the icon, shown at once when the icon is there.
  void SetTip(TextView tip);
  // The notification area was (re)created: every icon is gone, so a wanted
  // one is added again.
  void OnTaskbarCreated();
  // The retry timer: a wanted icon that could not be added is tried again;
  // the timer stops once it is there or no longer wanted.
  void OnRetryTimer();

  bool Wanted() const { return wanted_; }
  // The last add succeeded (or found the icon there), and no removal and no
  // restart of the notification area came since.
  bool Shown() const { return shown_; }
  const Text& Tip() const { return tip_; }

 private:
  void TryAdd();

  TrayShell& shell_;
  Text tip_;
  bool wanted_ = false;
  bool shown_ = false;
  bool retrying_ = false;
};

}  // namespace zlv
