// The transport of the Linux build: feature reports go out to the mouse's
// hidraw node of the vendor feature collection, input reports come in from
// the node of the vendor input collection. The calls on the nodes go through
// HidrawIo, so tests put a device of their own behind it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "device/hid_transport.h"
#include "device/hidraw_discovery.h"

namespace zlv {

// The system calls on hidraw nodes (open, the feature ioctl, read, close).
class HidrawIo {
 public:
  virtual ~HidrawIo() = default;
  // A descriptor of the open node, or -1 with `error` set to the system's
  // error number.
  virtual int Open(const std::string& path, bool forWriting, int& error) = 0;
  // Sends one feature report (its first byte is the report id). 0 on
  // success, else the error number.
  virtual int SendFeature(int fd, const std::uint8_t* data, std::size_t length) = 0;
  // Blocks until a report arrives (its bytes as the node gives them, with
  // the report id first where the device numbers its reports), the node
  // fails, or CancelReads is called. The count of bytes, or -1 for a failure
  // or a cancel.
  virtual long Read(int fd, std::uint8_t* data, std::size_t capacity) = 0;
  // Makes every blocked and later Read return -1 (any thread), until
  // ResumeReads.
  virtual void CancelReads() = 0;
  virtual void ResumeReads() = 0;
  virtual void Close(int fd) = 0;
};

// One collection of the mouse, as the transport uses it.
struct HidrawCollection {
  std::string devnode;
  HidCollectionCaps caps;
  bool numbered = false;                // reports carry their id on the wire
  std::vector<std::uint8_t> inputIds;   // the collection's input report ids
};
HidrawCollection CollectionOf(const std::vector<HidrawNode>& nodes, const NodeCollection& which);

class HidrawTransport final : public HidTransport {
 public:
  HidrawTransport(HidrawIo& io, HidrawCollection feature, HidrawCollection input);
  ~HidrawTransport() override;
  HidrawTransport(const HidrawTransport&) = delete;
  HidrawTransport& operator=(const HidrawTransport&) = delete;

  // Opens both nodes. False with a message for the user when either fails;
  // "permission denied" names the udev rule that gives the seat's user access.
  bool Open(std::string& problem);
  // Closes both nodes (any blocked read must have returned first).
  void Close();

  bool WriteHandleUsable() const override;
  std::size_t FeatureReportLength() const override { return feature_.caps.featureReportByteLength; }
  bool SendFeatureReport(const std::uint8_t* data, std::size_t length) override;

  std::size_t InputReportLength() const override { return input_.caps.inputReportByteLength; }
  // Reads until a report of the input collection arrives (a node may carry
  // other collections' reports too), laid out as on Windows: the report id
  // first (0 when the collection has none), zero-padded to `length`.
  bool ReadInputReport(std::uint8_t* data, std::size_t length) override;
  void CancelRead() override;
  void ResumeReads() override;

  // Feature reports sent and failed since the transport was opened; a failed
  // one is the first of the run that did not reach the mouse.
  std::size_t ReportsSent() const;
  std::size_t ReportsFailed() const;
  // The error number of the first failed send (0 when none failed).
  int FirstSendError() const;

 private:
  HidrawIo& io_;
  HidrawCollection feature_;
  HidrawCollection input_;
  // Set while the reader and player threads are not running (open, close);
  // read by them.
  std::atomic<int> feature_fd_{-1};
  std::atomic<int> input_fd_{-1};
  mutable std::mutex counts_mutex_;
  std::size_t sent_ = 0;
  std::size_t failed_ = 0;
  int first_error_ = 0;
};

// What a user is told when opening a node failed with `error`.
std::string OpenProblem(const std::string& devnode, int error);

}  // namespace zlv
