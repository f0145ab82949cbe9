// HID interfaces without hardware: the virtual mouse's collections, each as an
// interface of its own as the real mouse has them, beside two other devices
// (a keyboard and a mouse of another maker). The demo build and the tests scan
// these with the same ScanDevice as the Windows build, send and read through
// the handles the scan opened, and can unplug the virtual mouse, which sends
// the removal notifications a real unplug sends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "base/text.h"
#include "device/device_link.h"
#include "device/hid_system.h"
#include "device/hid_transport.h"
#include "sim/virtual_mouse.h"

namespace zlv {

struct VirtualHidDevice {
  HidAttributes attributes;
  // One interface per collection, listed in this order.
  std::vector<HidCollectionCaps> collections;
  // The device part of the interface paths, e.g. "hid#vid_18f8&pid_1286".
  Text pathStem;
  bool plugged = true;
};

class VirtualHidSystem final : public HidSystem {
 public:
  struct Options {
    // The other maker's keyboard and mouse (vendor 0x845E), listed before the
    // virtual mouse.
    bool otherDevices = true;
    // False starts with the virtual mouse unplugged.
    bool mousePlugged = true;
  };

  // Called once per registration for each interface of a device that comes
  // or goes, as Windows does. The interface name is in upper case, unlike the
  // listed paths.
  using Notifier = std::function<void(NotifyTarget window, std::uint32_t event, const DeviceBroadcast& header)>;

  explicit VirtualHidSystem(VirtualMouse& mouse);
  VirtualHidSystem(VirtualMouse& mouse, Options options);

  void OpenInterfaceSet() override;
  std::optional<Text> InterfacePath(int index) override;
  void CloseInterfaceSet() override;
  HidHandle OpenProbe(const Text& path) override;
  std::optional<HidAttributes> Attributes(HidHandle probe) override;
  std::optional<HidCollectionCaps> Capabilities(HidHandle probe) override;
  HidHandle Open(const Text& path, HidAccess access) override;
  void Close(HidHandle handle) override;
  void RegisterNotifications(NotifyTarget window) override;

  void SetNotifier(Notifier notifier);
  // Unplugging sends a removal for each of the mouse's interfaces; its open
  // handles stay open but every call on them fails from then on, even after
  // the mouse is plugged in again (which sends the arrivals). Both do nothing
  // when the mouse is already in that state.
  void UnplugMouse();
  void PlugInMouse();
  bool MousePlugged() const;

  // Paths of the mouse's interfaces, in listing order.
  std::vector<Text> MousePaths() const;
  std::size_t OpenHandleCount() const;
  std::size_t RegistrationCount() const;

  // The transport's side: a feature report sent on a write handle of the
  // mouse's feature collection reaches the mouse; a read on a read handle of
  // its input collection blocks in the mouse until a report comes or the
  // read is cancelled. Any other handle fails.
  bool SendFeatureReport(HidHandle handle, const std::uint8_t* data, std::size_t length);
  bool ReadInputReport(HidHandle handle, std::uint8_t* data, std::size_t length);
  void CancelRead();
  void ResumeReads();

 private:
  struct Interface {
    std::size_t device;
    std::size_t collection;
  };
  enum class HandleKind : std::uint8_t { kProbe, kRead, kWrite };
  struct OpenHandle {
    Interface target;
    HandleKind kind;
    bool dead = false;  // its device was unplugged since it was opened
  };

  Text PathLocked(const Interface& where) const;
  std::optional<Interface> FindLocked(const Text& path) const;
  const OpenHandle* LiveHandleLocked(HidHandle handle) const;
  HidHandle AddHandleLocked(const Interface& target, HandleKind kind);
  void SetMousePlugged(bool plugged, std::uint32_t event);

  VirtualMouse& mouse_;
  mutable std::mutex mutex_;
  std::vector<VirtualHidDevice> devices_;
  std::size_t mouse_device_ = 0;
  std::vector<Interface> snapshot_;
  std::map<HidHandle, OpenHandle> handles_;
  HidHandle next_handle_ = 0x104;
  std::vector<NotifyTarget> registrations_;
  Notifier notifier_;
};

// The transport of the demo build: sends and reads go through the handles the
// scan stored in `link`, so they behave like the Windows transport's (nothing
// before the scan, nothing after an unplug).
class VirtualHidTransport final : public HidTransport {
 public:
  VirtualHidTransport(const DeviceLink& link, VirtualHidSystem& hid) : link_(link), hid_(hid) {}

  bool WriteHandleUsable() const override { return link_.HidWriteHandle != kInvalidHandle; }
  std::size_t FeatureReportLength() const override { return link_.FeatureCaps().featureReportByteLength; }
  bool SendFeatureReport(const std::uint8_t* data, std::size_t length) override {
    return hid_.SendFeatureReport(link_.HidWriteHandle, data, length);
  }
  std::size_t InputReportLength() const override { return link_.InputCaps().inputReportByteLength; }
  bool ReadInputReport(std::uint8_t* data, std::size_t length) override {
    return hid_.ReadInputReport(link_.HidReadHandle, data, length);
  }
  void CancelRead() override { hid_.CancelRead(); }
  void ResumeReads() override { hid_.ResumeReads(); }

 private:
  const DeviceLink& link_;
  VirtualHidSystem& hid_;
};

}  // namespace zlv
