// Finding the mouse and following its removal: the scan over the HID
// interfaces, the record of what it found, and the device-change handling of
// the main window.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "base/text.h"
#include "device/hid_system.h"
#include "device/hid_transport.h"

namespace zlv {

// The interface indices one scan looks at.
inline constexpr int kScannedInterfaces = 100;

// What the last scan found. The window thread runs the scans and reads
// DevicePresent and DevicePath; the reader and player threads use the two
// handles and the collections' report lengths through their transport.
class DeviceLink {
 public:
  // Result of the last scan; cleared when the mouse is removed.
  bool DevicePresent = false;
  // Path of the last interface of the mouse met by a scan; removal
  // notifications are matched against it.
  Text DevicePath;
  // The vendor input collection, opened for reading, and the vendor feature
  // collection, opened for writing: 0 until a scan meets the collection,
  // kInvalidHandle when opening it failed.
  std::atomic<HidHandle> HidReadHandle{kNoHandle};
  std::atomic<HidHandle> HidWriteHandle{kNoHandle};
  // The no-access handles of the mouse's interfaces, kept open for the run.
  std::vector<HidHandle> MouseProbeHandles;

  // Capabilities of the input collection (its input report length sizes every
  // read) and of the feature collection (its feature report length is the
  // length of every report sent).
  HidCollectionCaps InputCaps() const;
  HidCollectionCaps FeatureCaps() const;
  void SetInputCaps(const HidCollectionCaps& caps);
  void SetFeatureCaps(const HidCollectionCaps& caps);

 private:
  mutable std::mutex caps_mutex_;
  HidCollectionCaps input_caps_;
  HidCollectionCaps feature_caps_;
};

// Looks at HID interfaces 0..99 for the mouse's. Other devices' probe handles
// are closed again. For each interface of the mouse it registers `window` for
// device notifications and records the path; the two vendor collections are
// opened into the read and write handles. The scan stops as soon as both
// handles are non-zero (a collection that failed to open counts). Returns and
// stores DevicePresent: true when it stopped early; after all 100 indices,
// whether the last interface that existed belonged to the mouse.
bool ScanDevice(DeviceLink& link, HidSystem& hid, NotifyTarget window);

// Closes what the scans opened for the mouse (the two collections and the
// probe handles) and sets both collection handles back to 0, so that the next
// scan opens them afresh. No other thread may use the handles meanwhile: the
// caller has stopped the reader and holds off the sends.
void ReleaseMouseHandles(DeviceLink& link, HidSystem& hid);

// Device-change events (WM_DEVICECHANGE) and the broadcast header's device type.
inline constexpr std::uint32_t kDeviceArrival = 0x8000;
inline constexpr std::uint32_t kDeviceRemoveComplete = 0x8004;
inline constexpr std::uint32_t kDeviceTypeInterface = 5;

// The part of a device broadcast header the handler looks at.
struct DeviceBroadcast {
  std::uint32_t deviceType = 0;
  // The interface path, for interface broadcasts.
  Text interfaceName;
};

// True when the broadcast names the recorded interface (compared ignoring
// letter case; other device types never match).
bool MatchesRecordedInterface(const DeviceLink& link, const DeviceBroadcast& header);

enum class DeviceChange : std::uint8_t {
  kIgnored,
  kRescanned,  // the recorded interface arrived while the mouse was absent
  kShutDown,   // the recorded interface was removed
};

// The main window's device-change handling. `header` may be null (events
// without a broadcast header). A matching arrival while DevicePresent is false
// scans again; a matching removal clears DevicePresent and calls
// `shutDownDriver`. Everything else is ignored.
DeviceChange HandleDeviceChange(DeviceLink& link, HidSystem& hid, NotifyTarget window,
                                std::uint32_t event, const DeviceBroadcast* header,
                                const std::function<void()>& shutDownDriver);

}  // namespace zlv
