#include "device/device_link.h"

#include "device/protocol.h"

namespace zlv {

HidCollectionCaps DeviceLink::InputCaps() const {
  std::lock_guard lock(caps_mutex_);
  return input_caps_;
}

HidCollectionCaps DeviceLink::FeatureCaps() const {
  std::lock_guard lock(caps_mutex_);
  return feature_caps_;
}

void DeviceLink::SetInputCaps(const HidCollectionCaps& caps) {
  std::lock_guard lock(caps_mutex_);
  input_caps_ = caps;
}

void DeviceLink::SetFeatureCaps(const HidCollectionCaps& caps) {
  std::lock_guard lock(caps_mutex_);
  feature_caps_ = caps;
}

namespace {

// The ids are kept as 32-bit values and compared with the 16-bit fields of
// the attributes.
constexpr std::uint32_t kMouseVendorId = protocol::kVendorId;
constexpr std::uint32_t kMouseProductId = protocol::kProductId;

bool IsMouse(const std::optional<HidAttributes>& attributes) {
  return attributes && attributes->vendorId == kMouseVendorId && attributes->productId == kMouseProductId;
}

bool IsVendorCollection(const HidCollectionCaps& caps, std::uint16_t usagePage) {
  return caps.usagePage == usagePage && caps.usage == protocol::kVendorUsage;
}

}  // namespace

bool ScanDevice(DeviceLink& link, HidSystem& hid, NotifyTarget window) {
  hid.OpenInterfaceSet();
  for (int index = 0; index < kScannedInterfaces; ++index) {
    const std::optional<Text> path = hid.InterfacePath(index);
    if (!path) continue;

    const HidHandle probe = hid.OpenProbe(*path);
    const std::optional<HidAttributes> attributes =
        IsOpenHandle(probe) ? hid.Attributes(probe) : std::nullopt;
    link.DevicePresent = false;
    if (!IsMouse(attributes)) {
      if (IsOpenHandle(probe)) hid.Close(probe);
      continue;
    }

    link.DevicePresent = true;
    link.DevicePath = *path;
    link.MouseProbeHandles.push_back(probe);
    hid.RegisterNotifications(window);
    if (const std::optional<HidCollectionCaps> caps = hid.Capabilities(probe)) {
      if (IsVendorCollection(*caps, protocol::kInputUsagePage)) {
        link.SetInputCaps(*caps);
        link.HidReadHandle = hid.Open(*path, HidAccess::kRead);
      }
      if (IsVendorCollection(*caps, protocol::kFeatureUsagePage)) {
        link.SetFeatureCaps(*caps);
        link.HidWriteHandle = hid.Open(*path, HidAccess::kWrite);
      }
    }
    if (link.HidReadHandle != kNoHandle && link.HidWriteHandle != kNoHandle) break;
  }
  hid.CloseInterfaceSet();
  return link.DevicePresent;
}

void ReleaseMouseHandles(DeviceLink& link, HidSystem& hid) {
  for (std::atomic<HidHandle>* collection : {&link.HidReadHandle, &link.HidWriteHandle}) {
    const HidHandle handle = collection->exchange(kNoHandle);
    if (IsOpenHandle(handle)) hid.Close(handle);
  }
  for (const HidHandle probe : link.MouseProbeHandles) {
    if (IsOpenHandle(probe)) hid.Close(probe);
  }
  link.MouseProbeHandles.clear();
}

bool MatchesRecordedInterface(const DeviceLink& link, const DeviceBroadcast& header) {
  return header.deviceType == kDeviceTypeInterface && EqualsIgnoreCase(header.interfaceName, link.DevicePath);
}

DeviceChange HandleDeviceChange(DeviceLink& link, HidSystem& hid, NotifyTarget window,
                                std::uint32_t event, const DeviceBroadcast* header,
                                const std::function<void()>& shutDownDriver) {
  if (header == nullptr || !MatchesRecordedInterface(link, *header)) return DeviceChange::kIgnored;
  switch (event) {
    case kDeviceArrival:
      if (link.DevicePresent) return DeviceChange::kIgnored;
      link.DevicePresent = ScanDevice(link, hid, window);
      return DeviceChange::kRescanned;
    case kDeviceRemoveComplete:
      link.DevicePresent = false;
      if (shutDownDriver) shutDownDriver();
      return DeviceChange::kShutDown;
    default:
      return DeviceChange::kIgnored;
  }
}

}  // namespace zlv
