#include "app/tray_keeper.h"

namespace zlv {

void TrayIconKeeper::TryAdd() {
  // An add that fails may have found the icon there already (the shell kept
  // it): a modify then succeeds. Otherwise the notification area is not
  // there yet, and the timer tries again.
  shown_ = shell_.Add(tip_) || shell_.Modify(tip_);
  if (shown_ && retrying_) {
    shell_.StopRetryTimer();
    retrying_ = false;
  } else if (!shown_ && !retrying_) {
    shell_.StartRetryTimer();
    retrying_ = true;
  }
}

void TrayIconKeeper::Show(TextView tip) {
  wanted_ = true;
  if (shown_) return;
  tip_ = Text(tip);
  TryAdd();
}

void TrayIconKeeper::Hide() {
  wanted_ = false;
  if (retrying_) {
    shell_.StopRetryTimer();
    retrying_ = false;
  }
  shell_.Remove();
  shown_ = false;
}

void TrayIconKeeper::SetTip(TextView tip) {
  tip_ = Text(tip);
  if (!wanted_) return;
  if (shown_ && shell_.Modify(tip_)) return;
  TryAdd();
}

void TrayIconKeeper::OnTaskbarCreated() {
  shown_ = false;
  if (wanted_) TryAdd();
}

void TrayIconKeeper::OnRetryTimer() {
  if (wanted_ && !shown_) {
    TryAdd();
    return;
  }
  if (retrying_) {
    shell_.StopRetryTimer();
    retrying_ = false;
  }
}

}  // namespace zlv
