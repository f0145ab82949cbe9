// The program's worker threads under Windows: the main window starts the
// input reader and the macro player at the highest thread priority. Each
// thread's priority is read on the thread itself, where the program calls
// out: the reader in its reads, the player when it starts a program.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "app/gmouse_dlg_win32.h"
#include "base/text_win32.h"
#include "device/system_settings.h"
#include "sim/forwarding_transport.h"
#include "sim/virtual_hid_system.h"
#include "sim/virtual_mouse.h"
#include "tests/support/fakes.h"
#include "tests/support/test_support.h"
#include "tests/win32/program_image_win32.h"
#include "wingui/win_framework_win32.h"

namespace zlv {
namespace {

namespace fs = std::filesystem;

constexpr UINT kRunScript = WM_APP + 11;
// Button slot 3 is the mouse's hardware button 5.
constexpr int kCalculatorSlot = 3;
constexpr int kCalculatorButton = 5;

// Priorities seen on the worker threads; THREAD_PRIORITY_ERROR_RETURN until seen.
struct SeenPriorities {
  std::atomic<int> reader{static_cast<int>(THREAD_PRIORITY_ERROR_RETURN)};
  std::atomic<int> player{static_cast<int>(THREAD_PRIORITY_ERROR_RETURN)};
  std::atomic<DWORD> reader_thread{0};
  std::atomic<DWORD> player_thread{0};
};

// The virtual mouse's transport, noting the priority of the thread that reads.
// The virtual transport comes first, so it exists before the forwarding base
// that refers to it.
struct OwnedVirtualTransport {
  VirtualHidTransport virtualTransport;
};
class PriorityNotingTransport final : private OwnedVirtualTransport, public ForwardingTransport {
 public:
  PriorityNotingTransport(const DeviceLink& link, VirtualHidSystem& hid, SeenPriorities& seen)
      : OwnedVirtualTransport{VirtualHidTransport(link, hid)},
        ForwardingTransport(virtualTransport),
        seen_(seen) {}

  bool ReadInputReport(std::uint8_t* data, std::size_t length) override {
    seen_.reader = GetThreadPriority(GetCurrentThread());
    seen_.reader_thread = GetCurrentThreadId();
    return ForwardingTransport::ReadInputReport(data, length);
  }

 private:
  SeenPriorities& seen_;
};

// Starts nothing; notes the priority of the thread that asked: the player's.
class PriorityNotingLauncher final : public ProgramLauncher {
 public:
  explicit PriorityNotingLauncher(SeenPriorities& seen) : seen_(seen) {}
  bool Launch(TextView) override {
    seen_.player_thread = GetCurrentThreadId();
    seen_.player = GetThreadPriority(GetCurrentThread());
    return true;
  }

 private:
  SeenPriorities& seen_;
};

// The main window running `script` once it is up.
class ScriptedWindow final : public CZLV_GMouseDlg {
 public:
  using CZLV_GMouseDlg::CZLV_GMouseDlg;
  std::function<void()> script;

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message == kRunScript) {
      if (script) script();
      return true;
    }
    return CZLV_GMouseDlg::OnMessage(message, wParam, lParam, result);
  }
};

using testing::WaitUntil;

class WorkerPriorityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(testing::ProgramImage(), nullptr);
    win::SetResourceModule(testing::ProgramImage());
    testing::StageProgramData(dir_.path());
  }
  void TearDown() override { win::SetResourceModule(nullptr); }

  SeenPriorities seen_;
  testing::TempDir dir_;
  SteadyClock clock_;
  VirtualMouse mouse_{clock_};
  VirtualHidSystem hid_{mouse_};
  testing::RecordingMessages messages_;
  RecordingSystemSettings system_;
  PriorityNotingLauncher launcher_{seen_};
};

TEST_F(WorkerPriorityTest, ReaderAndPlayerRunAtTheHighestPriority) {
  // The calculator on button slot 3 of the current profile: the player starts
  // it when the mouse announces the press.
  const std::wstring config = (dir_.path() / "config.ini").wstring();
  ASSERT_TRUE(WritePrivateProfileStringW(L"Init", L"CurConfig", L"1", config.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(L"Config1", (L"K" + std::to_wstring(kCalculatorSlot)).c_str(),
                                         L"39", config.c_str()));

  AppComposition composition;
  composition.hid = &hid_;
  composition.makeTransport = [this](const DeviceLink& link) {
    return std::make_unique<PriorityNotingTransport>(link, hid_, seen_);
  };
  composition.onMainWindowReady = [](HWND window) { PostMessageW(window, kRunScript, 0, 0); };
  composition.messages = &messages_;
  composition.system = &system_;
  composition.launcher = &launcher_;

  ScriptedWindow window(FromWide(dir_.path().wstring()), std::move(composition));
  bool reader_seen = false;
  bool player_seen = false;
  window.script = [&] {
    reader_seen = WaitUntil([&] { return seen_.reader_thread.load() != 0; });
    mouse_.PressButton(kCalculatorButton);
    player_seen = WaitUntil([&] { return seen_.player_thread.load() != 0; });
    mouse_.ReleaseButton(kCalculatorButton);
    window.ShutDownDriver();
  };
  window.DoModal();
  window.EndRun();

  ASSERT_TRUE(reader_seen);
  ASSERT_TRUE(player_seen);
  EXPECT_EQ(seen_.reader.load(), THREAD_PRIORITY_HIGHEST);
  EXPECT_EQ(seen_.player.load(), THREAD_PRIORITY_HIGHEST);
  // Two threads of their own; the window's thread keeps its priority.
  EXPECT_NE(seen_.reader_thread.load(), seen_.player_thread.load());
  EXPECT_NE(seen_.reader_thread.load(), GetCurrentThreadId());
  EXPECT_NE(seen_.player_thread.load(), GetCurrentThreadId());
  EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_NORMAL);
  EXPECT_TRUE(messages_.shown.empty());
}

}  // namespace
}  // namespace zlv
