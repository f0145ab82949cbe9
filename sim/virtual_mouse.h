// The virtual mouse: our model of the device side of the protocol. It accepts
// the same feature reports as the real mouse, keeps the state they set, logs
// every report with its time, flags anything it cannot decode, and sends input
// reports for button presses and its own DPI changes. Tests, benchmarks and
// the demo build use it in place of the mouse. docs/virtual-mouse.md describes
// its behaviour.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "base/clock.h"
#include "device/hid_transport.h"

namespace zlv {

inline constexpr int kHardwareButtonCount = 6;

struct VirtualMouseState {
  // Device function per hardware button 1..6 (element 0 is button 1).
  std::array<std::uint8_t, kHardwareButtonCount> buttonFunction{1, 2, 3, 4, 5, 6};
  std::array<std::uint8_t, 4> dpiCode{6, 7, 11, 15};
  std::uint8_t enableMask = 0x0F;
  std::uint8_t activeStage = 0;
  std::uint8_t ledCode = 0;
  std::uint8_t wheel = 0;
  std::uint16_t fireTimeUnits = 6;  // in 8 ms units
  std::uint8_t reportRate = 2;      // 0..3, changed only by its own button
  std::array<std::uint8_t, 6> heldKeys{};
  std::uint8_t mouseButtons = 0xFF;  // active low
  std::vector<std::uint16_t> consumerUsages;
  bool exitSeen = false;
};

struct LoggedReport {
  Nanos time;
  std::vector<std::uint8_t> bytes;
};

class VirtualMouse {
 public:
  struct Options {
    std::uint16_t inputReportLength = 8;
    std::uint16_t featureReportLength = 8;
  };

  explicit VirtualMouse(Clock& clock);
  VirtualMouse(Clock& clock, Options options);

  // The HID collections a real mouse exposes: the standard mouse, consumer
  // control, and the two vendor collections of the protocol.
  std::vector<HidCollectionCaps> Collections() const;
  HidCollectionCaps InputCollection() const;
  HidCollectionCaps FeatureCollection() const;

  // Device side: one feature report arrives.
  void ReceiveFeatureReport(const std::uint8_t* data, std::size_t length);

  // The user presses or releases hardware button 1..6. Buttons whose device
  // function is 0 are announced to the host; DPI buttons move the active stage
  // and announce it; the report-rate button steps the rate and announces it.
  void PressButton(int hardwareButton);
  void ReleaseButton(int hardwareButton);
  // Queues a raw input report (tests of the reader).
  void QueueInputReport(std::vector<std::uint8_t> report);

  // Host side of the input collection: blocks until a report is queued or the
  // read is cancelled. A cancel holds for every later read until ResumeReads.
  bool ReadInputReport(std::uint8_t* data, std::size_t length);
  void CancelRead();
  void ResumeReads();
  std::size_t PendingInputReports() const;

  VirtualMouseState State() const;
  std::vector<LoggedReport> Log() const;
  std::vector<std::string> ProtocolErrors() const;
  void ClearLog();

  // Called after each feature report has been taken in (benchmarks, zlvctl).
  void SetReportObserver(std::function<void(const LoggedReport&)> observer);

 private:
  void DecodeLocked(const std::vector<std::uint8_t>& r);
  void ErrorLocked(const std::vector<std::uint8_t>& r, const std::string& what);
  void AnnounceLocked(std::uint8_t button, std::uint8_t value);
  std::uint8_t NextEnabledStageLocked(int direction, bool wrap) const;

  Clock& clock_;
  Options options_;
  mutable std::mutex mutex_;
  std::condition_variable input_ready_;
  VirtualMouseState state_;
  std::vector<LoggedReport> log_;
  std::vector<std::string> errors_;
  std::deque<std::vector<std::uint8_t>> input_;
  bool cancelled_ = false;
  std::function<void(const LoggedReport&)> observer_;
};

// Connects the host's transport to a virtual mouse.
class VirtualMouseLink final : public HidTransport {
 public:
  explicit VirtualMouseLink(VirtualMouse& mouse) : mouse_(mouse) {}

  bool WriteHandleUsable() const override { return write_handle_usable; }
  std::size_t FeatureReportLength() const override;
  bool SendFeatureReport(const std::uint8_t* data, std::size_t length) override;
  std::size_t InputReportLength() const override;
  bool ReadInputReport(std::uint8_t* data, std::size_t length) override;
  void CancelRead() override { mouse_.CancelRead(); }
  void ResumeReads() override { mouse_.ResumeReads(); }

  // Tests set this to model a feature collection that failed to open.
  bool write_handle_usable = true;

 private:
  VirtualMouse& mouse_;
};

// "07 10 01 01 00 00 00 00": the first `count` bytes as lower-case hex.
std::string HexBytes(const std::vector<std::uint8_t>& bytes, std::size_t count = 8);

}  // namespace zlv
