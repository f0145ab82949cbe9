// The demo's companion window in this process, over a virtual mouse and its
// HID interfaces: its buttons and keys reach the mouse, reports sent from
// other threads reach its list, and unplugging announces the removal.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>
#include <vector>

#include "demo/demo_companion_win32.h"
#include "device/protocol.h"
#include "tests/win32/program_image_win32.h"

namespace zlv::demo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Pumps this thread's messages until `done` or the time is up.
template <typename Done>
bool PumpUntil(Done done, DWORD milliseconds = 3000) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > milliseconds) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(1);
  }
  return true;
}

class DemoCompanionWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    companion.Observe();
    ASSERT_TRUE(companion.Open(nullptr));
  }
  void Send(Bytes bytes) { mouse.ReceiveFeatureReport(bytes.data(), bytes.size()); }
  // Hardware button `button` gets device function `function`.
  void Assign(std::uint8_t button, std::uint8_t function) { Send({7, 0x10, button, function, 0, 0, 0, 0}); }
  void Press(int id) { SendMessageW(GetDlgItem(companion.hwnd(), id), BM_CLICK, 0, 0); }
  Bytes ReadInput() {
    Bytes report(mouse.InputCollection().inputReportByteLength);
    EXPECT_TRUE(mouse.ReadInputReport(report.data(), report.size()));
    return report;
  }
  LRESULT Count(int listId) { return SendDlgItemMessageW(companion.hwnd(), listId, LB_GETCOUNT, 0, 0); }
  std::wstring Line(int listId, LRESULT index) {
    HWND list = GetDlgItem(companion.hwnd(), listId);
    std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, index, 0)), L'\0');
    SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    return text;
  }
  void PumpReports() {
    PumpUntil([] { return false; }, 50);
  }

  SteadyClock clock;
  VirtualMouse mouse{clock};
  VirtualHidSystem hid{mouse};
  CompanionWindow companion{mouse, hid, clock, clock.Now()};
};

TEST_F(DemoCompanionWindowTest, IsAPlainTopLevelWindowWithItsTitle) {
  HWND window = companion.hwnd();
  EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
  EXPECT_EQ(GetParent(window), nullptr);
  EXPECT_TRUE(IsWindowVisible(window));
  wchar_t title[64]{};
  GetWindowTextW(window, title, 64);
  EXPECT_STREQ(title, kCompanionTitle);
  EXPECT_EQ(FindWindowW(kCompanionClass, kCompanionTitle), window);
}

TEST_F(DemoCompanionWindowTest, ClickAndHoldOfAHostServedButtonAnnounceItsPressAndRelease) {
  Assign(4, 0);
  Press(kClickButtonId + 3);
  ASSERT_EQ(mouse.PendingInputReports(), 2u);
  EXPECT_EQ(ReadInput()[1], protocol::kButtonEventBase + 4);
  const Bytes release = ReadInput();
  EXPECT_EQ(release[1], protocol::kButtonEventBase + 4);
  EXPECT_EQ(release[2], protocol::kReleaseMark);

  // Hold: the first press of the toggle presses, the second releases.
  const HWND hold = GetDlgItem(companion.hwnd(), kHoldButtonId + 3);
  Press(kHoldButtonId + 3);
  EXPECT_EQ(SendMessageW(hold, BM_GETCHECK, 0, 0), BST_CHECKED);
  ASSERT_EQ(mouse.PendingInputReports(), 1u);
  EXPECT_NE(ReadInput()[2], protocol::kReleaseMark);
  Press(kHoldButtonId + 3);
  EXPECT_EQ(SendMessageW(hold, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  ASSERT_EQ(mouse.PendingInputReports(), 1u);
  EXPECT_EQ(ReadInput()[2], protocol::kReleaseMark);

  // A button the mouse serves itself (a click) announces nothing.
  Press(kClickButtonId);
  EXPECT_EQ(mouse.PendingInputReports(), 0u);
}

TEST_F(DemoCompanionWindowTest, NextDpiStageUsesTheDpiButtonAndIsOffWithoutOne) {
  // Factory state: button 6 cycles the DPI stage.
  Press(kNextDpiStageId);
  EXPECT_EQ(mouse.State().activeStage, 1);
  EXPECT_EQ(mouse.PendingInputReports(), 2u);

  Assign(6, 1);
  PumpReports();
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(companion.hwnd(), kNextDpiStageId)));
  companion.NextDpiStage();
  EXPECT_EQ(mouse.State().activeStage, 1);
}

TEST_F(DemoCompanionWindowTest, ReportsFromOtherThreadsAreListedNewestLastWithTheState) {
  std::thread sender([&] {
    Send({7, 0x13, 0x3F, 0x13, 0, 0, 0, 0});  // LED code 3
    Send({7, 0x99, 0, 0, 0, 0, 0, 0});        // not a command: a protocol error
  });
  sender.join();
  ASSERT_TRUE(PumpUntil([&] { return Count(kReportListId) == 2; }));
  EXPECT_NE(Line(kReportListId, 0).find(L"07 13 3f 13 00 00 00 00"), std::wstring::npos);
  EXPECT_NE(Line(kReportListId, 1).find(L"07 99 00"), std::wstring::npos);
  std::wstring state;
  for (LRESULT i = 0; i < Count(kStateListId); ++i) state += Line(kStateListId, i) + L"\n";
  EXPECT_NE(state.find(L"LED code 3"), std::wstring::npos) << state;
  EXPECT_NE(state.find(L"Protocol errors: 1"), std::wstring::npos) << state;
}

TEST_F(DemoCompanionWindowTest, TheListKeepsOnlyTheNewestReports) {
  for (int n = 0; n < static_cast<int>(kReportLinesKept) + 20; ++n) {
    Send({7, 0x12, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n), 0, 0, 0, 0});
  }
  PumpReports();
  ASSERT_EQ(Count(kReportListId), static_cast<LRESULT>(kReportLinesKept));
  EXPECT_NE(Line(kReportListId, 0).find(L"07 12 00 14"), std::wstring::npos);  // report 20
  EXPECT_NE(Line(kReportListId, Count(kReportListId) - 1).find(L"07 12 02 07"), std::wstring::npos);  // 519
}

TEST_F(DemoCompanionWindowTest, UnplugAnnouncesTheRemovalAndDisablesTheButtons) {
  struct Notice {
    NotifyTarget window;
    std::uint32_t event;
  };
  std::vector<Notice> notices;
  hid.SetNotifier([&](NotifyTarget window, std::uint32_t event, const DeviceBroadcast&) {
    notices.push_back({window, event});
  });
  hid.RegisterNotifications(0x1234);
  Press(kUnplugId);
  EXPECT_FALSE(hid.MousePlugged());
  ASSERT_FALSE(notices.empty());
  for (const Notice& n : notices) {
    EXPECT_EQ(n.window, 0x1234u);
    EXPECT_EQ(n.event, kDeviceRemoveComplete);
  }
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(companion.hwnd(), kUnplugId)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(companion.hwnd(), kClickButtonId)));
}

TEST_F(DemoCompanionWindowTest, ClosingTheWindowLeavesTheMouseObservedSafely) {
  SendMessageW(companion.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(companion.hwnd(), nullptr);
  Send({7, 0x20, 0, 0, 0, 0, 0, 0});  // no window to post to: nothing happens
  PumpReports();
  EXPECT_TRUE(mouse.State().exitSeen);
}

// --- Keys ---

// Presses or releases `key` through the system's input, as the keyboard does.
void SendKey(WORD key, bool down) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &input, sizeof(INPUT));
}

class DemoCompanionKeysTest : public DemoCompanionWindowTest {
 protected:
  void TearDown() override {
    // No key stays down for the tests after this one.
    for (WORD key : {WORD{'4'}, WORD{'5'}, WORD{'D'}, WORD{'U'}}) SendKey(key, false);
    zlv::testing::PumpFor(50);
    if (other_ != nullptr) DestroyWindow(other_);
  }
  // Gives `window` (the companion or one of its controls) the keyboard focus.
  void Focus(HWND window) {
    SetForegroundWindow(GetAncestor(window, GA_ROOT));
    SetFocus(window);
    zlv::testing::PumpFor(30);
    ASSERT_EQ(GetFocus(), window);
  }
  // Sends a key, pumps as the program's loop does until no key message
  // waits, and says whether the mouse then holds `reports` input reports.
  bool Key(WORD key, bool down, std::size_t reports) {
    SendKey(key, down);
    zlv::testing::PumpFor(10);
    zlv::testing::PumpUntil([] { return HIWORD(GetQueueStatus(QS_KEY)) == 0; }, 3000);
    return mouse.PendingInputReports() == reports;
  }
  LRESULT HoldCheck(int button) {
    return SendDlgItemMessageW(companion.hwnd(), kHoldButtonId + button - 1, BM_GETCHECK, 0, 0);
  }
  // A top-level window of this thread to move the focus to.
  HWND OtherWindow() {
    other_ = CreateWindowExW(0, L"STATIC", L"elsewhere", WS_POPUP | WS_VISIBLE, 0, 700, 200, 100, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    return other_;
  }

 private:
  HWND other_ = nullptr;
};

TEST_F(DemoCompanionKeysTest, DigitsHoldTheirButtonAndDStepsTheStageWhereverTheFocusIsInTheWindow) {
  Assign(4, 0);  // button 4 announces its press and release to the host
  const HWND window = companion.hwnd();
  const struct {
    const char* what;
    HWND focus;
  } cases[] = {
      {"the window itself", window},
      {"a click button", GetDlgItem(window, kClickButtonId)},
      {"button 4's own hold toggle", GetDlgItem(window, kHoldButtonId + 3)},
      {"the report list", GetDlgItem(window, kReportListId)},
  };
  int stage = mouse.State().activeStage;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Focus(c.focus);
    ASSERT_TRUE(Key('4', true, 1));
    Bytes report = ReadInput();
    EXPECT_EQ(report[1], protocol::kButtonEventBase + 4);
    EXPECT_NE(report[2], protocol::kReleaseMark);
    EXPECT_EQ(HoldCheck(4), BST_CHECKED);
    // The keyboard's auto-repeat while the key stays down presses nothing.
    EXPECT_TRUE(Key('4', true, 0));
    EXPECT_TRUE(Key('4', true, 0));
    ASSERT_TRUE(Key('4', false, 1));
    report = ReadInput();
    EXPECT_EQ(report[1], protocol::kButtonEventBase + 4);
    EXPECT_EQ(report[2], protocol::kReleaseMark);
    EXPECT_EQ(HoldCheck(4), BST_UNCHECKED);

    // D: one step per press, through the DPI button (6 at the factory), which
    // announces its press and release.
    ASSERT_TRUE(Key('D', true, 2));
    EXPECT_TRUE(Key('D', true, 2));
    EXPECT_TRUE(Key('D', false, 2));
    stage = (stage + 1) % 4;
    EXPECT_EQ(mouse.State().activeStage, stage);
    ReadInput();
    ReadInput();
    EXPECT_EQ(GetFocus(), c.focus);
  }
  EXPECT_TRUE(hid.MousePlugged());
}

TEST_F(DemoCompanionKeysTest, TheKeysLineFitsItsPlaceAndStandsClearOfTheOtherControls) {
  const HWND window = companion.hwnd();
  const HWND line = GetDlgItem(window, kKeysHelpId);
  ASSERT_NE(line, nullptr);
  RECT place{};
  GetWindowRect(line, &place);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_GE(place.left, client.left);
  EXPECT_LE(place.right, client.right);

  // The whole text in the control's font, one line high.
  wchar_t text[128]{};
  const int length = GetWindowTextW(line, text, 128);
  HDC dc = GetDC(line);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(line, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text, length, &size);
  SelectObject(dc, old);
  ReleaseDC(line, dc);
  EXPECT_LE(size.cx, place.right - place.left) << size.cx;
  EXPECT_LE(size.cy, place.bottom - place.top) << size.cy;

  for (HWND other = GetWindow(window, GW_CHILD); other != nullptr; other = GetWindow(other, GW_HWNDNEXT)) {
    if (other == line) continue;
    RECT rect{};
    GetWindowRect(other, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    RECT overlap{};
    EXPECT_FALSE(IntersectRect(&overlap, &place, &rect)) << "control " << GetDlgCtrlID(other);
  }
}

TEST_F(DemoCompanionKeysTest, UUnplugsTheMouse) {
  Focus(GetDlgItem(companion.hwnd(), kClickButtonId + 2));
  SendKey('U', true);
  ASSERT_TRUE(zlv::testing::PumpUntil([&] { return !hid.MousePlugged(); }, 3000));
  SendKey('U', false);
  zlv::testing::PumpFor(30);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(companion.hwnd(), kUnplugId)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(companion.hwnd(), kNextDpiStageId)));
}

TEST_F(DemoCompanionKeysTest, AKeyHeldButtonIsReleasedWhenTheFocusLeavesOrTheWindowCloses) {
  Assign(5, 0);
  const HWND clickButton = GetDlgItem(companion.hwnd(), kClickButtonId);
  Focus(clickButton);
  ASSERT_TRUE(Key('5', true, 1));
  ReadInput();
  // Within the window the hold stays.
  Focus(GetDlgItem(companion.hwnd(), kHoldButtonId));
  EXPECT_EQ(mouse.PendingInputReports(), 0u);
  EXPECT_EQ(HoldCheck(5), BST_CHECKED);

  Focus(OtherWindow());
  ASSERT_EQ(mouse.PendingInputReports(), 1u);
  EXPECT_EQ(ReadInput()[2], protocol::kReleaseMark);
  EXPECT_EQ(HoldCheck(5), BST_UNCHECKED);
  // The key's release, now elsewhere, releases nothing more.
  EXPECT_TRUE(Key('5', false, 0));

  Focus(clickButton);
  ASSERT_TRUE(Key('5', true, 1));
  ReadInput();
  SendMessageW(companion.hwnd(), WM_CLOSE, 0, 0);
  ASSERT_EQ(mouse.PendingInputReports(), 1u);
  EXPECT_EQ(ReadInput()[2], protocol::kReleaseMark);
  EXPECT_TRUE(Key('5', false, 0));
}

}  // namespace
}  // namespace zlv::demo
