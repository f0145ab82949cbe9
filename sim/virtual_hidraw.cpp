#include "sim/virtual_hidraw.h"

#include <fstream>

namespace zlv {

namespace fs = std::filesystem;

namespace {

constexpr int kNoSuchDevice = 19;  // ENODEV
constexpr int kBadFile = 9;        // EBADF

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Hex(unsigned value, int digits) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s(static_cast<std::size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, value >>= 4) s[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
  return s;
}

}  // namespace

void WriteFakeHidrawNode(const fs::path& sysRoot, const std::string& name, std::uint16_t vendorId,
                         std::uint16_t productId, const std::vector<std::uint8_t>& descriptor,
                         const std::string& hidName) {
  const fs::path device = sysRoot / "class" / "hidraw" / name / "device";
  fs::create_directories(device);
  WriteFile(device / "uevent", "DRIVER=hid-generic\nHID_ID=0003:" + Hex(vendorId, 8) + ":" + Hex(productId, 8) +
                                   "\nHID_NAME=" + hidName + "\nHID_PHYS=usb-0000:00:14.0-1/input0\n");
  if (!descriptor.empty()) WriteFile(device / "report_descriptor", std::string(descriptor.begin(), descriptor.end()));
}

void RemoveFakeHidrawNode(const fs::path& sysRoot, const std::string& name) {
  std::error_code ec;
  fs::remove_all(sysRoot / "class" / "hidraw" / name, ec);
}

VirtualHidrawIo::VirtualHidrawIo(VirtualMouse& mouse, std::string featureNode, std::string inputNode)
    : mouse_(mouse), feature_node_(std::move(featureNode)), input_node_(std::move(inputNode)) {}

int VirtualHidrawIo::Open(const std::string& path, bool, int& error) {
  std::lock_guard<std::mutex> lock(mutex_);
  error = unplugged_ ? kNoSuchDevice : open_error_;
  if (error == 0 && path != feature_node_ && path != input_node_) error = 2;  // ENOENT
  if (error != 0) return -1;
  open_[next_fd_] = path;
  return next_fd_++;
}

int VirtualHidrawIo::SendFeature(int fd, const std::uint8_t* data, std::size_t length) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = open_.find(fd);
    if (it == open_.end()) return kBadFile;
    if (unplugged_) return kNoSuchDevice;
    if (unplug_pending_) {
      if (sends_left_ == 0) {
        unplugged_ = true;
        return kNoSuchDevice;
      }
      --sends_left_;
    }
    if (it->second != feature_node_) return 32;  // EPIPE: the device refuses it
  }
  mouse_.ReceiveFeatureReport(data, length);
  return 0;
}

long VirtualHidrawIo::Read(int fd, std::uint8_t* data, std::size_t capacity) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = open_.find(fd);
    if (it == open_.end() || it->second != input_node_ || unplugged_) return -1;
  }
  const std::size_t length = mouse_.InputCollection().inputReportByteLength;
  if (capacity < length) return -1;
  if (!mouse_.ReadInputReport(data, length)) return -1;
  return static_cast<long>(length);
}

void VirtualHidrawIo::CancelReads() { mouse_.CancelRead(); }

void VirtualHidrawIo::ResumeReads() { mouse_.ResumeReads(); }

void VirtualHidrawIo::Close(int fd) {
  std::lock_guard<std::mutex> lock(mutex_);
  open_.erase(fd);
}

void VirtualHidrawIo::Unplug(std::size_t afterSends) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (afterSends == 0) {
      unplugged_ = true;
    } else {
      unplug_pending_ = true;
      sends_left_ = afterSends;
    }
  }
  if (afterSends == 0) mouse_.CancelRead();
}

void VirtualHidrawIo::FailOpens(int error) {
  std::lock_guard<std::mutex> lock(mutex_);
  open_error_ = error;
}

std::size_t VirtualHidrawIo::OpenNodes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_.size();
}

}  // namespace zlv
