#include "device/hid_system_win32.h"

#include <windows.h>
// clang-format off
#include <setupapi.h>
#include <dbt.h>
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}
// clang-format on

#include <algorithm>
#include <cstddef>
#include <cwchar>
#include <vector>

#include "base/text_win32.h"

namespace zlv {

namespace {

HANDLE AsHandle(HidHandle handle) { return reinterpret_cast<HANDLE>(handle); }
HidHandle FromHandle(HANDLE handle) { return reinterpret_cast<HidHandle>(handle); }

}  // namespace

struct Win32HidSystem::State {
  GUID hidGuid{};
  HDEVINFO set = INVALID_HANDLE_VALUE;
  std::vector<HDEVNOTIFY> registrations;
};

Win32HidSystem::Win32HidSystem() : state_(std::make_unique<State>()) {
  HidD_GetHidGuid(&state_->hidGuid);
}

Win32HidSystem::~Win32HidSystem() {
  CloseInterfaceSet();
  for (HDEVNOTIFY registration : state_->registrations) UnregisterDeviceNotification(registration);
}

void Win32HidSystem::OpenInterfaceSet() {
  CloseInterfaceSet();
  HidD_GetHidGuid(&state_->hidGuid);
  state_->set = SetupDiGetClassDevsW(&state_->hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
}

std::optional<Text> Win32HidSystem::InterfacePath(int index) {
  if (state_->set == INVALID_HANDLE_VALUE || index < 0) return std::nullopt;
  SP_DEVICE_INTERFACE_DATA interfaceData{};
  interfaceData.cbSize = sizeof interfaceData;
  if (!SetupDiEnumDeviceInterfaces(state_->set, nullptr, &state_->hidGuid, static_cast<DWORD>(index),
                                   &interfaceData)) {
    return std::nullopt;
  }

  DWORD required = 0;
  SetupDiGetDeviceInterfaceDetailW(state_->set, &interfaceData, nullptr, 0, &required, nullptr);
  constexpr DWORD kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
  if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return Text{};
  // DWORD elements keep the record aligned.
  std::vector<DWORD> buffer((required + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  if (!SetupDiGetDeviceInterfaceDetailW(state_->set, &interfaceData, detail, required, nullptr, nullptr)) {
    return Text{};
  }
  const std::size_t maxChars = (required - kPathOffset) / sizeof(WCHAR);
  const auto* path = reinterpret_cast<const wchar_t*>(reinterpret_cast<const char*>(detail) + kPathOffset);
  return FromWide(std::wstring_view(path, wcsnlen(path, maxChars)));
}

void Win32HidSystem::CloseInterfaceSet() {
  if (state_->set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(state_->set);
  state_->set = INVALID_HANDLE_VALUE;
}

HidHandle Win32HidSystem::OpenProbe(const Text& path) {
  const std::wstring wide = ToWide(path);
  return FromHandle(CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr));
}

std::optional<HidAttributes> Win32HidSystem::Attributes(HidHandle probe) {
  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof attributes;
  if (!HidD_GetAttributes(AsHandle(probe), &attributes)) return std::nullopt;
  return HidAttributes{attributes.VendorID, attributes.ProductID, attributes.VersionNumber};
}

std::optional<HidCollectionCaps> Win32HidSystem::Capabilities(HidHandle probe) {
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  if (!HidD_GetPreparsedData(AsHandle(probe), &preparsed)) return std::nullopt;
  HIDP_CAPS caps{};
  const NTSTATUS status = HidP_GetCaps(preparsed, &caps);
  HidD_FreePreparsedData(preparsed);
  if (status != HIDP_STATUS_SUCCESS) return std::nullopt;
  return HidCollectionCaps{caps.Usage, caps.UsagePage, caps.InputReportByteLength, caps.OutputReportByteLength,
                           caps.FeatureReportByteLength};
}

HidHandle Win32HidSystem::Open(const Text& path, HidAccess access) {
  const std::wstring wide = ToWide(path);
  const bool read = access == HidAccess::kRead;
  return FromHandle(CreateFileW(wide.c_str(), read ? GENERIC_READ : GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                read ? FILE_FLAG_OVERLAPPED : 0, nullptr));
}

void Win32HidSystem::Close(HidHandle handle) {
  if (IsOpenHandle(handle)) CloseHandle(AsHandle(handle));
}

void Win32HidSystem::RegisterNotifications(NotifyTarget window) {
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = state_->hidGuid;
  HDEVNOTIFY registration =
      RegisterDeviceNotificationW(reinterpret_cast<HWND>(window), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  if (registration != nullptr) state_->registrations.push_back(registration);
}

std::optional<DeviceBroadcast> ReadDeviceBroadcast(std::uintptr_t wParam, std::intptr_t lParam) {
  if ((wParam != DBT_DEVICEARRIVAL && wParam != DBT_DEVICEREMOVECOMPLETE) || lParam == 0) return std::nullopt;
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
  DeviceBroadcast broadcast;
  broadcast.deviceType = header->dbch_devicetype;
  constexpr std::size_t kNameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
  if (broadcast.deviceType == DBT_DEVTYP_DEVICEINTERFACE && header->dbch_size > kNameOffset) {
    const auto* name = reinterpret_cast<const wchar_t*>(lParam + static_cast<std::intptr_t>(kNameOffset));
    const std::size_t maxChars = (header->dbch_size - kNameOffset) / sizeof(wchar_t);
    broadcast.interfaceName = FromWide(std::wstring_view(name, wcsnlen(name, maxChars)));
  }
  return broadcast;
}

std::intptr_t SendDeviceChange(NotifyTarget window, std::uint32_t event, const DeviceBroadcast& header) {
  constexpr std::size_t kNameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
  const std::size_t bytes = std::max(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W),
                                     kNameOffset + (header.interfaceName.size() + 1) * sizeof(wchar_t));
  std::vector<DWORD> buffer((bytes + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
  auto* broadcast = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(buffer.data());
  broadcast->dbcc_devicetype = header.deviceType;
  if (header.deviceType == DBT_DEVTYP_DEVICEINTERFACE) {
    broadcast->dbcc_size = static_cast<DWORD>(bytes);
    const std::wstring name = ToWide(header.interfaceName);
    auto* target = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(buffer.data()) + kNameOffset);
    std::wmemcpy(target, name.c_str(), name.size() + 1);
  } else {
    broadcast->dbcc_size = sizeof(DEV_BROADCAST_HDR);
  }
  return SendMessageW(reinterpret_cast<HWND>(window), WM_DEVICECHANGE, event,
                      reinterpret_cast<LPARAM>(broadcast));
}

}  // namespace zlv
