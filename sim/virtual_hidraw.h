// Hidraw nodes for tests on a machine without the mouse: a sysfs tree in a
// folder of the test's own, and node calls answered by a virtual mouse.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "device/hidraw_transport.h"
#include "sim/virtual_mouse.h"

namespace zlv {

// Writes class/hidraw/NAME/device/{uevent,report_descriptor} below `sysRoot`.
// An empty `descriptor` leaves the descriptor file out.
void WriteFakeHidrawNode(const std::filesystem::path& sysRoot, const std::string& name, std::uint16_t vendorId,
                         std::uint16_t productId, const std::vector<std::uint8_t>& descriptor,
                         const std::string& hidName = "Zelvan USB Mouse");
void RemoveFakeHidrawNode(const std::filesystem::path& sysRoot, const std::string& name);

// The node calls of one or more nodes, answered by `mouse`: feature reports
// sent on `featureNode` reach the mouse, reads on `inputNode` give its input
// reports as the kernel does (the id first). Opening or sending fails as
// told (error numbers as Linux has them).
class VirtualHidrawIo final : public HidrawIo {
 public:
  VirtualHidrawIo(VirtualMouse& mouse, std::string featureNode, std::string inputNode);

  int Open(const std::string& path, bool forWriting, int& error) override;
  int SendFeature(int fd, const std::uint8_t* data, std::size_t length) override;
  long Read(int fd, std::uint8_t* data, std::size_t capacity) override;
  void CancelReads() override;
  void ResumeReads() override;
  void Close(int fd) override;

  // The mouse goes away: opens fail with ENODEV, sends too, reads end.
  // `afterSends` lets that many more feature reports through first.
  void Unplug(std::size_t afterSends = 0);
  // Opening any node fails with this error number from now on (0: succeeds).
  void FailOpens(int error);
  std::size_t OpenNodes() const;

 private:
  VirtualMouse& mouse_;
  std::string feature_node_;
  std::string input_node_;
  mutable std::mutex mutex_;
  std::map<int, std::string> open_;
  int next_fd_ = 3;
  int open_error_ = 0;
  bool unplug_pending_ = false;
  std::size_t sends_left_ = 0;
  bool unplugged_ = false;
};

}  // namespace zlv
