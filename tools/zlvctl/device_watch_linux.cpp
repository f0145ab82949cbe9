#include "tools/zlvctl/device_watch_linux.h"

#include <linux/netlink.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string_view>

namespace zlv {

namespace {

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}

// A uevent message: "ACTION@DEVPATH" then NUL-separated KEY=VALUE fields.
bool IsHidrawEvent(const char* data, std::size_t size) {
  std::string_view message(data, size);
  for (std::size_t at = 0; at < message.size();) {
    const std::size_t end = std::min(message.find('\0', at), message.size());
    if (message.substr(at, end - at) == "SUBSYSTEM=hidraw") return true;
    at = end + 1;
  }
  return false;
}

}  // namespace

void BlockStopSignals() {
  const sigset_t set = StopSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

LinuxDeviceWatch::LinuxDeviceWatch() {
  const sigset_t set = StopSignals();
  signals_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
  uevents_ = socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT);
  if (uevents_ >= 0) {
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = 1;  // the kernel's own events
    if (bind(uevents_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      close(uevents_);
      uevents_ = -1;
    }
  }
}

LinuxDeviceWatch::~LinuxDeviceWatch() {
  if (uevents_ >= 0) close(uevents_);
  if (signals_ >= 0) close(signals_);
}

DeviceWatch::Event LinuxDeviceWatch::Wait(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return Event::kTimeout;
    pollfd fds[2] = {{signals_, POLLIN, 0}, {uevents_, POLLIN, 0}};
    const int ready = poll(fds, 2, static_cast<int>(left.count()));
    if (ready < 0) continue;  // EINTR
    if (ready == 0) return Event::kTimeout;
    if (fds[0].revents & POLLIN) {
      signalfd_siginfo info;
      if (read(signals_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) return Event::kStop;
    }
    if (fds[1].revents & POLLIN) {
      char buffer[8192];
      bool hidraw = false;
      for (;;) {
        const ssize_t got = recv(uevents_, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        hidraw = hidraw || IsHidrawEvent(buffer, static_cast<std::size_t>(got));
      }
      if (hidraw) return Event::kDevicesChanged;
    }
  }
}

}  // namespace zlv
