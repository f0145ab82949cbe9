// The Windows HID layer on the HID devices the system lists (under Wine: its
// two virtual devices of vendor 0x845E, neither of them the mouse), the
// Windows transport's cancellable read, and the device-change broadcasts.
#include "device/hid_system_win32.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <dbt.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <future>
#include <optional>
#include <thread>
#include <vector>

#include "base/text_win32.h"
#include "device/device_link.h"
#include "device/hid_transport_win32.h"
#include "tests/support/windows_support.h"

namespace zlv {
namespace {

using testing::RunningUnderWine;

// Passes every call on to the Windows HID system and counts what it did.
class CountingHidSystem final : public HidSystem {
 public:
  explicit CountingHidSystem(HidSystem& inner) : inner_(inner) {}

  void OpenInterfaceSet() override {
    ++setsOpened;
    inner_.OpenInterfaceSet();
  }
  std::optional<Text> InterfacePath(int index) override {
    std::optional<Text> path = inner_.InterfacePath(index);
    if (path) paths.push_back(*path);
    return path;
  }
  void CloseInterfaceSet() override {
    ++setsClosed;
    inner_.CloseInterfaceSet();
  }
  HidHandle OpenProbe(const Text& path) override {
    const HidHandle h = inner_.OpenProbe(path);
    if (IsOpenHandle(h)) ++probesOpened;
    return h;
  }
  std::optional<HidAttributes> Attributes(HidHandle probe) override {
    std::optional<HidAttributes> a = inner_.Attributes(probe);
    if (a) attributes.push_back(*a);
    return a;
  }
  std::optional<HidCollectionCaps> Capabilities(HidHandle probe) override { return inner_.Capabilities(probe); }
  HidHandle Open(const Text& path, HidAccess access) override {
    ++collectionsOpened;
    return inner_.Open(path, access);
  }
  void Close(HidHandle handle) override {
    ++closed;
    inner_.Close(handle);
  }
  void RegisterNotifications(NotifyTarget window) override {
    ++registrations;
    inner_.RegisterNotifications(window);
  }

  std::vector<Text> paths;
  std::vector<HidAttributes> attributes;
  int setsOpened = 0;
  int setsClosed = 0;
  int probesOpened = 0;
  int collectionsOpened = 0;
  int closed = 0;
  int registrations = 0;

 private:
  HidSystem& inner_;
};

// A hidden top-level window whose WM_DEVICECHANGE messages go to `onChange`.
class DeviceWindow {
 public:
  DeviceWindow() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &DeviceWindow::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZlvHidTestWindow";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                            this);
  }
  ~DeviceWindow() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  }
  DeviceWindow(const DeviceWindow&) = delete;
  DeviceWindow& operator=(const DeviceWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  NotifyTarget target() const { return reinterpret_cast<NotifyTarget>(hwnd_); }

  std::function<void(WPARAM, LPARAM)> onChange;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<DeviceWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_DEVICECHANGE && self != nullptr && self->onChange) {
      self->onChange(wParam, lParam);
      return TRUE;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  HWND hwnd_ = nullptr;
};

// The process's handle count, where the system keeps one (Wine 8 does not).
std::optional<DWORD> ProcessHandles() {
  DWORD count = 0;
  if (!GetProcessHandleCount(GetCurrentProcess(), &count) || count == 0) return std::nullopt;
  return count;
}

TEST(Win32HidSystem, ScanPassesOverOtherDevicesWithoutLeavingHandles) {
  Win32HidSystem windows;
  CountingHidSystem hid(windows);
  DeviceWindow window;
  ASSERT_NE(window.hwnd(), nullptr);
  {
    DeviceLink warmUp;  // the first scan loads the class libraries
    ScanDevice(warmUp, windows, window.target());
  }
  const std::optional<DWORD> handlesBefore = ProcessHandles();
  DeviceLink link;

  EXPECT_FALSE(ScanDevice(link, hid, window.target()));

  EXPECT_FALSE(link.DevicePresent);
  EXPECT_TRUE(link.DevicePath.empty());
  EXPECT_EQ(link.HidReadHandle, kNoHandle);
  EXPECT_EQ(link.HidWriteHandle, kNoHandle);
  EXPECT_EQ(hid.registrations, 0);
  EXPECT_EQ(hid.collectionsOpened, 0);
  EXPECT_EQ(hid.probesOpened, hid.closed);
  EXPECT_EQ(hid.setsOpened, 1);
  EXPECT_EQ(hid.setsClosed, 1);
  if (handlesBefore) {
    EXPECT_EQ(ProcessHandles(), handlesBefore);
  }
  for (const HidAttributes& a : hid.attributes) EXPECT_FALSE(a.vendorId == 0x18F8 && a.productId == 0x1286);
  if (RunningUnderWine()) {
    EXPECT_GE(hid.paths.size(), 2u);
    EXPECT_EQ(hid.probesOpened, static_cast<int>(hid.paths.size()));
    ASSERT_EQ(hid.attributes.size(), hid.paths.size());
    for (const HidAttributes& a : hid.attributes) EXPECT_EQ(a.vendorId, 0x845E);
  }
}

TEST(Win32HidSystem, ListedInterfacesOpenAndAnswer) {
  Win32HidSystem hid;
  hid.OpenInterfaceSet();
  int listed = 0;
  for (int index = 0; index < kScannedInterfaces; ++index) {
    const std::optional<Text> path = hid.InterfacePath(index);
    if (!path) continue;
    ++listed;
    SCOPED_TRACE(ToUtf8(*path));
    EXPECT_EQ(path->substr(0, 4), u"\\\\?\\");
    const HidHandle probe = hid.OpenProbe(*path);
    ASSERT_TRUE(IsOpenHandle(probe));
    EXPECT_TRUE(hid.Attributes(probe).has_value());
    const std::optional<HidCollectionCaps> caps = hid.Capabilities(probe);
    ASSERT_TRUE(caps.has_value());
    EXPECT_NE(caps->usagePage, 0);
    hid.Close(probe);
  }
  hid.CloseInterfaceSet();
  EXPECT_FALSE(hid.InterfacePath(0).has_value()) << "no set, no interfaces";
  EXPECT_EQ(hid.OpenProbe(Ascii("\\\\?\\hid#no_such_device")), kInvalidHandle);
  if (RunningUnderWine()) {
    EXPECT_GE(listed, 2);
  }
}

TEST(Win32HidTransport, HandlesThatAreNotOpenFailAtOnce) {
  DeviceLink link;
  Win32HidTransport transport(link);
  std::uint8_t report[8] = {7, 0x11, 0, 0, 0, 0, 0, 0};

  // 0 before a scan: usable, but nothing goes through.
  EXPECT_TRUE(transport.WriteHandleUsable());
  EXPECT_EQ(transport.FeatureReportLength(), 0u);
  EXPECT_FALSE(transport.SendFeatureReport(report, sizeof report));
  EXPECT_FALSE(transport.ReadInputReport(report, sizeof report));

  link.HidWriteHandle = kInvalidHandle;
  link.HidReadHandle = kInvalidHandle;
  EXPECT_FALSE(transport.WriteHandleUsable());
  EXPECT_FALSE(transport.SendFeatureReport(report, sizeof report));
  EXPECT_FALSE(transport.ReadInputReport(report, sizeof report));
}

// A collection with input reports among the listed ones (Wine's mouse), or nothing.
std::optional<std::pair<Text, HidCollectionCaps>> InputCollection(HidSystem& hid) {
  hid.OpenInterfaceSet();
  std::optional<std::pair<Text, HidCollectionCaps>> found;
  for (int index = 0; index < kScannedInterfaces && !found; ++index) {
    const std::optional<Text> path = hid.InterfacePath(index);
    if (!path) continue;
    const HidHandle probe = hid.OpenProbe(*path);
    if (!IsOpenHandle(probe)) continue;
    const std::optional<HidCollectionCaps> caps = hid.Capabilities(probe);
    if (caps && caps->inputReportByteLength > 0) found = {{*path, *caps}};
    hid.Close(probe);
  }
  hid.CloseInterfaceSet();
  return found;
}

TEST(Win32HidTransport, BlockedReadEndsWhenCancelled) {
  Win32HidSystem hid;
  const auto collection = InputCollection(hid);
  if (!collection) GTEST_SKIP() << "no HID collection with input reports";
  const HidHandle read = hid.Open(collection->first, HidAccess::kRead);
  if (!IsOpenHandle(read)) GTEST_SKIP() << "the collection does not open for reading";
  DeviceLink link;
  link.SetInputCaps(collection->second);
  link.HidReadHandle = read;
  Win32HidTransport transport(link);
  ASSERT_EQ(transport.InputReportLength(), collection->second.inputReportByteLength);

  // Reads until a read fails; reports that happen to come are fine.
  std::atomic<int> reads{0};
  auto reader = std::async(std::launch::async, [&] {
    std::vector<std::uint8_t> buffer(transport.InputReportLength());
    while (transport.ReadInputReport(buffer.data(), buffer.size())) ++reads;
  });
  EXPECT_EQ(reader.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout) << "the read blocks";

  transport.CancelRead();
  ASSERT_EQ(reader.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  reader.get();
  std::vector<std::uint8_t> buffer(transport.InputReportLength());
  EXPECT_FALSE(transport.ReadInputReport(buffer.data(), buffer.size())) << "cancelled for good";
  hid.Close(read);
}

TEST(DeviceBroadcast, TravelsThroughWmDeviceChange) {
  DeviceWindow window;
  ASSERT_NE(window.hwnd(), nullptr);
  std::vector<std::optional<DeviceBroadcast>> seen;
  window.onChange = [&](WPARAM wParam, LPARAM lParam) { seen.push_back(ReadDeviceBroadcast(wParam, lParam)); };
  const Text name =
      Ascii("\\\\?\\HID#VID_18F8&PID_1286&COL04#7&2F4A1C3B&0&0003#{4D1E55B2-F16F-11CF-88CB-001111000030}");

  EXPECT_EQ(SendDeviceChange(window.target(), kDeviceRemoveComplete, {kDeviceTypeInterface, name}), TRUE);
  SendDeviceChange(window.target(), kDeviceArrival, {DBT_DEVTYP_VOLUME, {}});
  SendMessageW(window.hwnd(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  SendDeviceChange(window.target(), DBT_DEVICEQUERYREMOVE, {kDeviceTypeInterface, name});

  ASSERT_EQ(seen.size(), 4u);
  ASSERT_TRUE(seen[0].has_value());
  EXPECT_EQ(seen[0]->deviceType, kDeviceTypeInterface);
  EXPECT_EQ(seen[0]->interfaceName, name);
  ASSERT_TRUE(seen[1].has_value());
  EXPECT_EQ(seen[1]->deviceType, static_cast<std::uint32_t>(DBT_DEVTYP_VOLUME));
  EXPECT_TRUE(seen[1]->interfaceName.empty());
  EXPECT_FALSE(seen[2].has_value());
  EXPECT_FALSE(seen[3].has_value()) << "only arrival and removal headers are read";
}

TEST(DeviceBroadcast, NameIsReadNoFurtherThanTheHeaderSize) {
  constexpr std::size_t kNameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
  std::vector<DWORD> buffer(32, 0);
  auto* header = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(buffer.data());
  header->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  auto* name = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(buffer.data()) + kNameOffset);
  for (int i = 0; i < 20; ++i) name[i] = L'a';  // no terminating zero within the size
  header->dbcc_size = static_cast<DWORD>(kNameOffset + 3 * sizeof(wchar_t));

  const auto broadcast = ReadDeviceBroadcast(DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(header));

  ASSERT_TRUE(broadcast.has_value());
  EXPECT_EQ(broadcast->interfaceName, u"aaa");
}

TEST(DeviceBroadcast, RemovalOfTheRecordedPathReachesTheShutdownThroughTheWindow) {
  DeviceWindow window;
  Win32HidSystem hid;
  DeviceLink link;
  link.DevicePresent = true;
  link.DevicePath =
      Ascii("\\\\?\\hid#vid_18f8&pid_1286&col04#7&2f4a1c3b&0&0003#{4d1e55b2-f16f-11cf-88cb-001111000030}");
  int shutdowns = 0;
  window.onChange = [&](WPARAM wParam, LPARAM lParam) {
    const std::optional<DeviceBroadcast> header = ReadDeviceBroadcast(wParam, lParam);
    HandleDeviceChange(link, hid, window.target(), static_cast<std::uint32_t>(wParam),
                       header ? &*header : nullptr, [&] { ++shutdowns; });
  };
  Text upper = link.DevicePath;
  for (char16_t& c : upper) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  }

  const Text keyboard = Ascii("\\\\?\\HID#VID_845E&PID_0001#1&2&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030}");
  SendDeviceChange(window.target(), kDeviceRemoveComplete, {kDeviceTypeInterface, keyboard});
  EXPECT_EQ(shutdowns, 0);
  SendDeviceChange(window.target(), kDeviceRemoveComplete, {kDeviceTypeInterface, upper});
  EXPECT_EQ(shutdowns, 1);
  EXPECT_FALSE(link.DevicePresent);
}

}  // namespace
}  // namespace zlv
