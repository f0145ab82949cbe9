// The calls through which the program finds the mouse among the HID devices:
// the list of present HID interfaces, opening them, their attributes and
// capabilities, and the registration for device notifications. The Windows
// build answers them with SetupDi, the HID class library and CreateFileW; the
// demo build and the tests answer them with devices of their own.
#pragma once

#include <cstdint>
#include <optional>

#include "base/text.h"
#include "device/hid_transport.h"

namespace zlv {

// A file handle as the portable code sees it. Three kinds of value matter:
// 0 (never opened), the invalid value (opening failed; all bits set, like the
// system's invalid-handle value) and anything else (open).
using HidHandle = std::uintptr_t;
inline constexpr HidHandle kNoHandle = 0;
inline constexpr HidHandle kInvalidHandle = ~HidHandle{0};

constexpr bool IsOpenHandle(HidHandle handle) {
  return handle != kNoHandle && handle != kInvalidHandle;
}

// The window that receives device notifications (a window handle on Windows).
using NotifyTarget = std::uintptr_t;

struct HidAttributes {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t versionNumber = 0;
};

enum class HidAccess : std::uint8_t { kRead, kWrite };

class HidSystem {
 public:
  virtual ~HidSystem() = default;

  // Takes a snapshot of the present HID interfaces (the device-information
  // set). A failure leaves an empty snapshot.
  virtual void OpenInterfaceSet() = 0;
  // The path of interface `index` of the snapshot; nothing when the snapshot
  // has no such interface. An interface whose detail cannot be read gives an
  // empty path (which then fails to open).
  virtual std::optional<Text> InterfacePath(int index) = 0;
  // Destroys the snapshot.
  virtual void CloseInterfaceSet() = 0;

  // Opens an interface without access rights, enough to ask for its
  // attributes and capabilities. kInvalidHandle on failure.
  virtual HidHandle OpenProbe(const Text& path) = 0;
  virtual std::optional<HidAttributes> Attributes(HidHandle probe) = 0;
  virtual std::optional<HidCollectionCaps> Capabilities(HidHandle probe) = 0;
  // Opens a collection for reading input reports or for sending feature
  // reports. kInvalidHandle on failure.
  virtual HidHandle Open(const Text& path, HidAccess access) = 0;
  virtual void Close(HidHandle handle) = 0;

  // Registers `window` for arrival and removal notifications of HID
  // interfaces. The registration lasts as long as this object.
  virtual void RegisterNotifications(NotifyTarget window) = 0;
};

}  // namespace zlv
