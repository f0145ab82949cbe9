// A transport that passes every call on to another one. Tests derive from it
// to watch a call (count reads, note the reading thread) without writing the
// other forwards again.
#pragma once

#include <cstddef>
#include <cstdint>

#include "device/hid_transport.h"

namespace zlv {

class ForwardingTransport : public HidTransport {
 public:
  explicit ForwardingTransport(HidTransport& inner) : inner_(inner) {}

  bool WriteHandleUsable() const override { return inner_.WriteHandleUsable(); }
  std::size_t FeatureReportLength() const override { return inner_.FeatureReportLength(); }
  bool SendFeatureReport(const std::uint8_t* data, std::size_t length) override {
    return inner_.SendFeatureReport(data, length);
  }
  std::size_t InputReportLength() const override { return inner_.InputReportLength(); }
  bool ReadInputReport(std::uint8_t* data, std::size_t length) override {
    return inner_.ReadInputReport(data, length);
  }
  void CancelRead() override { inner_.CancelRead(); }
  void ResumeReads() override { inner_.ResumeReads(); }

 private:
  HidTransport& inner_;
};

}  // namespace zlv
