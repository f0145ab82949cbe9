// The transport of the Windows build: feature reports go out with
// HidD_SetFeature on the write handle found by the scan, input reports come in
// with ReadFile on the read handle.
#pragma once

#include <cstddef>
#include <cstdint>

#include "device/device_link.h"
#include "device/hid_transport.h"

namespace zlv {

class Win32HidTransport final : public HidTransport {
 public:
  // Uses the handles and report lengths `link` holds at each call, so it may
  // be created (and its reader started) before the scan.
  explicit Win32HidTransport(const DeviceLink& link);
  ~Win32HidTransport() override;
  Win32HidTransport(const Win32HidTransport&) = delete;
  Win32HidTransport& operator=(const Win32HidTransport&) = delete;

  // False only when opening the feature collection failed; before a scan the
  // handle is 0 and sends fail.
  bool WriteHandleUsable() const override;
  std::size_t FeatureReportLength() const override;
  bool SendFeatureReport(const std::uint8_t* data, std::size_t length) override;

  std::size_t InputReportLength() const override;
  // One overlapped read, waited for together with the cancel event. Fails at
  // once while the read handle is 0 or invalid, and after CancelRead.
  bool ReadInputReport(std::uint8_t* data, std::size_t length) override;
  // Ends a blocked read and every later one until ResumeReads (any thread).
  void CancelRead() override;
  void ResumeReads() override;

 private:
  const DeviceLink& link_;
  void* read_done_;  // manual-reset event of the pending read
  void* cancel_;     // manual-reset event, set by CancelRead until ResumeReads
};

}  // namespace zlv
