// What zlvctl's commands for a real mouse (devices, apply, run) need of the
// system: where the hidraw nodes are listed, a fresh set of node calls for
// each connection, the clock, and, for the daemon, a watch that wakes it when
// devices come or go or it is asked to stop. The Linux entry point passes the
// system's own; tests pass a sysfs tree of their own and virtual nodes.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

#include "base/clock.h"
#include "device/hidraw_transport.h"

namespace zlv {

class DeviceWatch {
 public:
  enum class Event : std::uint8_t { kDevicesChanged, kStop, kTimeout };
  virtual ~DeviceWatch() = default;
  // Blocks until a hidraw node comes or goes, a stop is requested, or
  // `timeout` passes.
  virtual Event Wait(std::chrono::milliseconds timeout) = 0;
};

struct HostMouse {
  std::filesystem::path sysRoot = "/sys";
  std::filesystem::path devRoot = "/dev";
  std::function<std::unique_ptr<HidrawIo>()> openIo;
  Clock* clock = nullptr;
  // Only `run` uses it; it must be there when `run` is given.
  DeviceWatch* watch = nullptr;
};

}  // namespace zlv
