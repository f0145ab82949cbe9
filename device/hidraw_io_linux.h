// The hidraw calls of a running Linux system: open(2), the HIDIOCSFEATURE
// ioctl, and read(2) waited for with poll(2) together with an eventfd that
// cancels it.
#pragma once

#include "device/hidraw_transport.h"

namespace zlv {

class LinuxHidrawIo final : public HidrawIo {
 public:
  LinuxHidrawIo();
  ~LinuxHidrawIo() override;
  LinuxHidrawIo(const LinuxHidrawIo&) = delete;
  LinuxHidrawIo& operator=(const LinuxHidrawIo&) = delete;

  int Open(const std::string& path, bool forWriting, int& error) override;
  int SendFeature(int fd, const std::uint8_t* data, std::size_t length) override;
  long Read(int fd, std::uint8_t* data, std::size_t capacity) override;
  void CancelReads() override;
  void ResumeReads() override;
  void Close(int fd) override;

 private:
  int cancel_fd_ = -1;
};

}  // namespace zlv
