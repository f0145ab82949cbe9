// The host's side of the link to the mouse: a feature report goes out, an
// input report comes in. The Windows build sends through the HID class driver;
// tests and the demo connect it to the virtual mouse.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zlv {

// The part of a HID collection's capabilities the program uses.
struct HidCollectionCaps {
  std::uint16_t usage = 0;
  std::uint16_t usagePage = 0;
  std::uint16_t inputReportByteLength = 0;
  std::uint16_t outputReportByteLength = 0;
  std::uint16_t featureReportByteLength = 0;
};

class HidTransport {
 public:
  virtual ~HidTransport() = default;

  // False when opening the feature collection failed; reports that test the
  // write handle are then skipped.
  virtual bool WriteHandleUsable() const = 0;
  // The feature collection's report length: every feature report has it.
  virtual std::size_t FeatureReportLength() const = 0;
  // Sends one feature report; the result is only informative.
  virtual bool SendFeatureReport(const std::uint8_t* data, std::size_t length) = 0;

  // The input collection's report length: the size of every read.
  virtual std::size_t InputReportLength() const = 0;
  // Blocks until an input report arrives; false when the read failed or was cancelled.
  virtual bool ReadInputReport(std::uint8_t* data, std::size_t length) = 0;
  // Makes a blocked ReadInputReport return false, and every later one until
  // ResumeReads (used when the reader stops).
  virtual void CancelRead() = 0;
  // Undoes CancelRead, so that a reader started afterwards can read.
  virtual void ResumeReads() = 0;
};

}  // namespace zlv
