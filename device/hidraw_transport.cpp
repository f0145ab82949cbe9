#include "device/hidraw_transport.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace zlv {

namespace {

// Error numbers as Linux has them (the portable code has no errno.h).
constexpr int kPermissionDenied = 13;  // EACCES
constexpr int kOperationNotPermitted = 1;  // EPERM
constexpr int kNoSuchFile = 2;  // ENOENT
constexpr int kNoSuchDevice = 19;  // ENODEV

// The longest report a read takes in one piece (the kernel's limit).
constexpr std::size_t kMaxReadBytes = 16384 + 1;

}  // namespace

std::string OpenProblem(const std::string& devnode, int error) {
  if (error == kPermissionDenied || error == kOperationNotPermitted) {
    return "permission denied on " + devnode +
           ": install the udev rule 70-zlv-gmouse.rules (scripts/install-linux puts it in "
           "/etc/udev/rules.d), then unplug and plug in the mouse";
  }
  if (error == kNoSuchFile || error == kNoSuchDevice) return devnode + " is gone: the mouse was unplugged";
  return "cannot open " + devnode + " (error " + std::to_string(error) + ")";
}

HidrawCollection CollectionOf(const std::vector<HidrawNode>& nodes, const NodeCollection& which) {
  const HidrawNode& node = nodes.at(which.node);
  const TopLevelCollection& c = node.descriptor.collections.at(which.collection);
  HidrawCollection out;
  out.devnode = node.devnode;
  out.caps = c.caps;
  // Report ids are the device's, not the collection's: if any collection of
  // the node numbers its reports, every report on the wire carries an id.
  out.numbered = std::any_of(node.descriptor.collections.begin(), node.descriptor.collections.end(),
                             [](const TopLevelCollection& t) { return t.NumberedReports(); });
  for (const ReportLayout& r : c.reports) {
    if (r.kind == ReportKind::kInput) out.inputIds.push_back(r.id);
  }
  return out;
}

HidrawTransport::HidrawTransport(HidrawIo& io, HidrawCollection feature, HidrawCollection input)
    : io_(io), feature_(std::move(feature)), input_(std::move(input)) {}

HidrawTransport::~HidrawTransport() { Close(); }

bool HidrawTransport::Open(std::string& problem) {
  Close();
  int error = 0;
  feature_fd_ = io_.Open(feature_.devnode, true, error);
  if (feature_fd_ < 0) {
    problem = OpenProblem(feature_.devnode, error);
    return false;
  }
  input_fd_ = io_.Open(input_.devnode, false, error);
  if (input_fd_ < 0) {
    problem = OpenProblem(input_.devnode, error);
    Close();
    return false;
  }
  std::lock_guard<std::mutex> lock(counts_mutex_);
  sent_ = failed_ = 0;
  first_error_ = 0;
  return true;
}

void HidrawTransport::Close() {
  if (feature_fd_ >= 0) io_.Close(feature_fd_);
  if (input_fd_ >= 0) io_.Close(input_fd_);
  feature_fd_ = input_fd_ = -1;
}

bool HidrawTransport::WriteHandleUsable() const { return feature_fd_ >= 0; }

bool HidrawTransport::SendFeatureReport(const std::uint8_t* data, std::size_t length) {
  const int error = feature_fd_ < 0 ? kNoSuchDevice : io_.SendFeature(feature_fd_, data, length);
  std::lock_guard<std::mutex> lock(counts_mutex_);
  if (error == 0) {
    ++sent_;
    return true;
  }
  if (failed_++ == 0) first_error_ = error;
  return false;
}

bool HidrawTransport::ReadInputReport(std::uint8_t* data, std::size_t length) {
  if (input_fd_ < 0 || length == 0) return false;
  std::array<std::uint8_t, kMaxReadBytes> raw;
  for (;;) {
    const long got = io_.Read(input_fd_, raw.data(), raw.size());
    if (got <= 0) return false;
    const auto n = static_cast<std::size_t>(got);
    std::fill(data, data + length, std::uint8_t{0});
    if (input_.numbered) {
      // Another collection's report on the same node: not ours to read.
      if (std::find(input_.inputIds.begin(), input_.inputIds.end(), raw[0]) == input_.inputIds.end()) continue;
      std::memcpy(data, raw.data(), std::min(n, length));
    } else {
      std::memcpy(data + 1, raw.data(), std::min(n, length - 1));
    }
    return true;
  }
}

void HidrawTransport::CancelRead() { io_.CancelReads(); }

void HidrawTransport::ResumeReads() { io_.ResumeReads(); }

std::size_t HidrawTransport::ReportsSent() const {
  std::lock_guard<std::mutex> lock(counts_mutex_);
  return sent_;
}

std::size_t HidrawTransport::ReportsFailed() const {
  std::lock_guard<std::mutex> lock(counts_mutex_);
  return failed_;
}

int HidrawTransport::FirstSendError() const {
  std::lock_guard<std::mutex> lock(counts_mutex_);
  return first_error_;
}

}  // namespace zlv
