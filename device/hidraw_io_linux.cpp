#include "device/hidraw_io_linux.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdint>

namespace zlv {

LinuxHidrawIo::LinuxHidrawIo() : cancel_fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

LinuxHidrawIo::~LinuxHidrawIo() {
  if (cancel_fd_ >= 0) close(cancel_fd_);
}

int LinuxHidrawIo::Open(const std::string& path, bool forWriting, int& error) {
  const int fd = open(path.c_str(), (forWriting ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  error = fd < 0 ? errno : 0;
  return fd;
}

int LinuxHidrawIo::SendFeature(int fd, const std::uint8_t* data, std::size_t length) {
  // The ioctl's size field has 14 bits.
  if (length == 0 || length > 0x3FFF) return EINVAL;
  int result;
  do {
    result = ioctl(fd, HIDIOCSFEATURE(length), data);
  } while (result < 0 && errno == EINTR);
  return result < 0 ? errno : 0;
}

long LinuxHidrawIo::Read(int fd, std::uint8_t* data, std::size_t capacity) {
  if (cancel_fd_ < 0) return -1;
  for (;;) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {cancel_fd_, POLLIN, 0}};
    const int ready = poll(fds, 2, -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (fds[1].revents != 0) return -1;
    if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 && (fds[0].revents & POLLIN) == 0) return -1;
    const ssize_t got = read(fd, data, capacity);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    return got < 0 ? -1 : static_cast<long>(got);
  }
}

void LinuxHidrawIo::CancelReads() {
  if (cancel_fd_ < 0) return;
  const std::uint64_t one = 1;
  // The counter stays non-zero: every later poll sees it too.
  [[maybe_unused]] const ssize_t written = write(cancel_fd_, &one, sizeof one);
}

void LinuxHidrawIo::ResumeReads() {
  if (cancel_fd_ < 0) return;
  std::uint64_t count = 0;
  [[maybe_unused]] const ssize_t taken = read(cancel_fd_, &count, sizeof count);
}

void LinuxHidrawIo::Close(int fd) {
  if (fd >= 0) close(fd);
}

}  // namespace zlv
