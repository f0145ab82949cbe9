#include "sim/virtual_hid_system.h"

#include <cstdio>

#include "device/protocol.h"

namespace zlv {

namespace {

// The other maker's devices: a keyboard and a mouse, each with one collection.
constexpr std::uint16_t kOtherVendor = 0x845E;

Text UpperAscii(Text text) {
  for (char16_t& c : text) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return text;
}

}  // namespace

VirtualHidSystem::VirtualHidSystem(VirtualMouse& mouse) : VirtualHidSystem(mouse, Options{}) {}

VirtualHidSystem::VirtualHidSystem(VirtualMouse& mouse, Options options) : mouse_(mouse) {
  if (options.otherDevices) {
    devices_.push_back(
        {{kOtherVendor, 0x0001, 0x0100}, {{0x0006, 0x0001, 9, 2, 0}}, Ascii("hid#vid_845e&pid_0001"), true});
    devices_.push_back(
        {{kOtherVendor, 0x0002, 0x0100}, {{0x0002, 0x0001, 5, 0, 0}}, Ascii("hid#vid_845e&pid_0002"), true});
  }
  mouse_device_ = devices_.size();
  devices_.push_back({{protocol::kVendorId, protocol::kProductId, 0x0100},
                      mouse.Collections(),
                      Ascii("hid#vid_18f8&pid_1286&mi_00"),
                      options.mousePlugged});
}

Text VirtualHidSystem::PathLocked(const Interface& where) const {
  // Shaped like the paths Windows lists: device, collection, instance, class.
  char tail[96];
  std::snprintf(tail, sizeof tail, "&col%02zu#7&%08zx&0&%04zu#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                where.collection + 1, 0x2f4a1c3bu + where.device * 0x1111u, where.collection);
  return Ascii("\\\\?\\") + devices_[where.device].pathStem + Ascii(tail);
}

std::optional<VirtualHidSystem::Interface> VirtualHidSystem::FindLocked(const Text& path) const {
  for (std::size_t d = 0; d < devices_.size(); ++d) {
    for (std::size_t c = 0; c < devices_[d].collections.size(); ++c) {
      if (EqualsIgnoreCase(PathLocked({d, c}), path)) return Interface{d, c};
    }
  }
  return std::nullopt;
}

const VirtualHidSystem::OpenHandle* VirtualHidSystem::LiveHandleLocked(HidHandle handle) const {
  const auto it = handles_.find(handle);
  if (it == handles_.end() || it->second.dead || !devices_[it->second.target.device].plugged) return nullptr;
  return &it->second;
}

HidHandle VirtualHidSystem::AddHandleLocked(const Interface& target, HandleKind kind) {
  const HidHandle handle = next_handle_;
  next_handle_ += 4;
  handles_.emplace(handle, OpenHandle{target, kind, false});
  return handle;
}

void VirtualHidSystem::OpenInterfaceSet() {
  std::lock_guard lock(mutex_);
  snapshot_.clear();
  for (std::size_t d = 0; d < devices_.size(); ++d) {
    if (!devices_[d].plugged) continue;
    for (std::size_t c = 0; c < devices_[d].collections.size(); ++c) snapshot_.push_back({d, c});
  }
}

std::optional<Text> VirtualHidSystem::InterfacePath(int index) {
  std::lock_guard lock(mutex_);
  if (index < 0 || static_cast<std::size_t>(index) >= snapshot_.size()) return std::nullopt;
  return PathLocked(snapshot_[static_cast<std::size_t>(index)]);
}

void VirtualHidSystem::CloseInterfaceSet() {
  std::lock_guard lock(mutex_);
  snapshot_.clear();
}

HidHandle VirtualHidSystem::OpenProbe(const Text& path) {
  std::lock_guard lock(mutex_);
  const std::optional<Interface> where = FindLocked(path);
  if (!where || !devices_[where->device].plugged) return kInvalidHandle;
  return AddHandleLocked(*where, HandleKind::kProbe);
}

std::optional<HidAttributes> VirtualHidSystem::Attributes(HidHandle probe) {
  std::lock_guard lock(mutex_);
  const OpenHandle* open = LiveHandleLocked(probe);
  if (open == nullptr) return std::nullopt;
  return devices_[open->target.device].attributes;
}

std::optional<HidCollectionCaps> VirtualHidSystem::Capabilities(HidHandle probe) {
  std::lock_guard lock(mutex_);
  const OpenHandle* open = LiveHandleLocked(probe);
  if (open == nullptr) return std::nullopt;
  return devices_[open->target.device].collections[open->target.collection];
}

HidHandle VirtualHidSystem::Open(const Text& path, HidAccess access) {
  std::lock_guard lock(mutex_);
  const std::optional<Interface> where = FindLocked(path);
  if (!where || !devices_[where->device].plugged) return kInvalidHandle;
  return AddHandleLocked(*where, access == HidAccess::kRead ? HandleKind::kRead : HandleKind::kWrite);
}

void VirtualHidSystem::Close(HidHandle handle) {
  std::lock_guard lock(mutex_);
  handles_.erase(handle);
}

void VirtualHidSystem::RegisterNotifications(NotifyTarget window) {
  std::lock_guard lock(mutex_);
  registrations_.push_back(window);
}

void VirtualHidSystem::SetNotifier(Notifier notifier) {
  std::lock_guard lock(mutex_);
  notifier_ = std::move(notifier);
}

void VirtualHidSystem::SetMousePlugged(bool plugged, std::uint32_t event) {
  std::vector<Text> names;
  std::vector<NotifyTarget> windows;
  Notifier notifier;
  {
    std::lock_guard lock(mutex_);
    VirtualHidDevice& device = devices_[mouse_device_];
    if (device.plugged == plugged) return;
    device.plugged = plugged;
    for (auto& [handle, open] : handles_) {
      if (open.target.device == mouse_device_) open.dead = true;
    }
    for (std::size_t c = 0; c < device.collections.size(); ++c) {
      names.push_back(UpperAscii(PathLocked({mouse_device_, c})));
    }
    windows = registrations_;
    notifier = notifier_;
  }
  // Outside the lock: the receiver may scan again.
  if (!notifier) return;
  for (const Text& name : names) {
    for (NotifyTarget window : windows) notifier(window, event, DeviceBroadcast{kDeviceTypeInterface, name});
  }
}

void VirtualHidSystem::UnplugMouse() { SetMousePlugged(false, kDeviceRemoveComplete); }

void VirtualHidSystem::PlugInMouse() { SetMousePlugged(true, kDeviceArrival); }

bool VirtualHidSystem::MousePlugged() const {
  std::lock_guard lock(mutex_);
  return devices_[mouse_device_].plugged;
}

std::vector<Text> VirtualHidSystem::MousePaths() const {
  std::lock_guard lock(mutex_);
  std::vector<Text> paths;
  for (std::size_t c = 0; c < devices_[mouse_device_].collections.size(); ++c) {
    paths.push_back(PathLocked({mouse_device_, c}));
  }
  return paths;
}

std::size_t VirtualHidSystem::OpenHandleCount() const {
  std::lock_guard lock(mutex_);
  return handles_.size();
}

std::size_t VirtualHidSystem::RegistrationCount() const {
  std::lock_guard lock(mutex_);
  return registrations_.size();
}

bool VirtualHidSystem::SendFeatureReport(HidHandle handle, const std::uint8_t* data, std::size_t length) {
  {
    std::lock_guard lock(mutex_);
    const OpenHandle* open = LiveHandleLocked(handle);
    if (open == nullptr || open->kind != HandleKind::kWrite || open->target.device != mouse_device_) return false;
    const HidCollectionCaps& caps = devices_[mouse_device_].collections[open->target.collection];
    if (caps.usagePage != protocol::kFeatureUsagePage) return false;
  }
  mouse_.ReceiveFeatureReport(data, length);
  return true;
}

bool VirtualHidSystem::ReadInputReport(HidHandle handle, std::uint8_t* data, std::size_t length) {
  {
    std::lock_guard lock(mutex_);
    const OpenHandle* open = LiveHandleLocked(handle);
    if (open == nullptr || open->kind != HandleKind::kRead || open->target.device != mouse_device_) return false;
    const HidCollectionCaps& caps = devices_[mouse_device_].collections[open->target.collection];
    if (caps.usagePage != protocol::kInputUsagePage || length == 0) return false;
  }
  // Blocks outside the lock so the window thread can unplug meanwhile.
  return mouse_.ReadInputReport(data, length);
}

void VirtualHidSystem::CancelRead() { mouse_.CancelRead(); }

void VirtualHidSystem::ResumeReads() { mouse_.ResumeReads(); }

}  // namespace zlv
