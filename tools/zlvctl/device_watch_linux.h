// The daemon's watch on a running Linux system: the kernel's device events
// (a netlink socket, so no udev daemon is needed) and SIGTERM and SIGINT
// (a signalfd). The signals must be blocked in every thread before the
// watch is made: call BlockStopSignals first thing in main.
#pragma once

#include "tools/zlvctl/host_mouse.h"

namespace zlv {

void BlockStopSignals();

class LinuxDeviceWatch final : public DeviceWatch {
 public:
  LinuxDeviceWatch();
  ~LinuxDeviceWatch() override;
  LinuxDeviceWatch(const LinuxDeviceWatch&) = delete;
  LinuxDeviceWatch& operator=(const LinuxDeviceWatch&) = delete;

  Event Wait(std::chrono::milliseconds timeout) override;

 private:
  int uevents_ = -1;  // without it (no netlink), the daemon re-checks on the timeout
  int signals_ = -1;
};

}  // namespace zlv
