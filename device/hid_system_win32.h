// The HID interfaces of Windows: SetupDi lists them, CreateFileW opens them,
// the HID class library reads their attributes and capabilities, and
// RegisterDeviceNotificationW subscribes the main window to their arrival and
// removal.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "device/device_link.h"
#include "device/hid_system.h"

namespace zlv {

class Win32HidSystem final : public HidSystem {
 public:
  Win32HidSystem();
  ~Win32HidSystem() override;
  Win32HidSystem(const Win32HidSystem&) = delete;
  Win32HidSystem& operator=(const Win32HidSystem&) = delete;

  void OpenInterfaceSet() override;
  std::optional<Text> InterfacePath(int index) override;
  void CloseInterfaceSet() override;

  HidHandle OpenProbe(const Text& path) override;
  std::optional<HidAttributes> Attributes(HidHandle probe) override;
  std::optional<HidCollectionCaps> Capabilities(HidHandle probe) override;
  // Read handles are opened for overlapped I/O so that a blocked read can be
  // cancelled when the program ends (see Win32HidTransport); write handles
  // are synchronous.
  HidHandle Open(const Text& path, HidAccess access) override;
  void Close(HidHandle handle) override;

  // The registrations are released when this object goes.
  void RegisterNotifications(NotifyTarget window) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The broadcast header of a WM_DEVICECHANGE message, for the arrival and
// removal events (the only ones whose second parameter the handler reads).
// Nothing for other events or a null header. The interface name is read no
// further than the header's own size says.
std::optional<DeviceBroadcast> ReadDeviceBroadcast(std::uintptr_t wParam, std::intptr_t lParam);

// Sends `window` a WM_DEVICECHANGE message with a broadcast header built from
// `header` (an interface broadcast when its type is the interface type, a bare
// header otherwise). The demo build announces its virtual mouse this way.
std::intptr_t SendDeviceChange(NotifyTarget window, std::uint32_t event, const DeviceBroadcast& header);

}  // namespace zlv
