// zlvctl's entry point on Linux: arguments arrive as UTF-8; the commands for
// the mouse itself reach it through hidraw.
#include <iostream>
#include <memory>

#include "device/hidraw_io_linux.h"
#include "tools/zlvctl/device_watch_linux.h"
#include "tools/zlvctl/host_mouse.h"
#include "tools/zlvctl/zlvctl.h"

int main(int argc, char** argv) {
  // Before any thread starts, so SIGTERM and SIGINT reach only the daemon's
  // watch (and only when it runs: a blocked signal has no effect otherwise,
  // so the other commands keep the default action).
  std::vector<std::string> args(argv + 1, argv + argc);
  const bool daemon = !args.empty() && args[0] == "run";
  if (daemon) zlv::BlockStopSignals();

  zlv::SteadyClock clock;
  std::unique_ptr<zlv::LinuxDeviceWatch> watch;
  if (daemon) watch = std::make_unique<zlv::LinuxDeviceWatch>();
  zlv::HostMouse mouse;
  mouse.openIo = [] { return std::make_unique<zlv::LinuxHidrawIo>(); };
  mouse.clock = &clock;
  mouse.watch = watch.get();
  return zlv::RunZlvctl(args, std::cout, std::cerr, zlv::Disk(), &mouse);
}
