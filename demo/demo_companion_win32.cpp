#include "demo/demo_companion_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "base/text_win32.h"
#include "ui/picture_win32.h"

namespace zlv::demo {

namespace {

// Posted to the window when reports wait in the mailbox. The first parameter
// stays 0: the main window's key filter swallows some other values.
constexpr UINT kReportsWaiting = WM_APP + 0x51;

// The id of the children's subclass (see ChildProc).
constexpr UINT_PTR kKeySubclassId = 0x5A4C;

constexpr int kMargin = 10;
constexpr int kRowHeight = 28;
// Narrow enough to stand beside the 800-pixel main window on a 1280-pixel
// screen.
constexpr int kClientWidth = 450;
constexpr int kClientHeight = 620;

bool RegisterCompanionClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &DefWindowProcW;  // replaced per window below
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kCompanionClass;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

HWND Child(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style, int x, int y,
           int width, int height, int id, HFONT font) {
  HWND child = CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                               parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleW(nullptr), nullptr);
  if (child != nullptr && font != nullptr) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

}  // namespace

ReportLogFile::ReportLogFile(TextView path) {
  const std::wstring wide = ToWide(path);
  file_ = CreateFileW(wide.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
}

ReportLogFile::~ReportLogFile() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

void ReportLogFile::Append(const std::string& line) {
  if (file_ == INVALID_HANDLE_VALUE) return;
  const std::string bytes = line + "\r\n";
  std::lock_guard lock(mutex_);
  DWORD written = 0;
  WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

CompanionWindow::CompanionWindow(VirtualMouse& mouse, VirtualHidSystem& hid, Clock& clock, Nanos origin)
    : mouse_(mouse), hid_(hid), clock_(clock), origin_(origin) {}

CompanionWindow::~CompanionWindow() {
  if (observing_) mouse_.SetReportObserver(nullptr);
  Close();
  if (font_ != nullptr) DeleteObject(font_);
  if (fixed_font_ != nullptr) DeleteObject(fixed_font_);
}

bool CompanionWindow::LogReportsTo(TextView path) {
  if (observing_) return false;
  auto log = std::make_unique<ReportLogFile>(path);
  if (!log->Open()) return false;
  inbox_->log = std::move(log);
  return true;
}

void CompanionWindow::Observe() {
  if (observing_) return;
  observing_ = true;
  std::shared_ptr<Inbox> inbox = inbox_;
  const Nanos origin = origin_;
  mouse_.SetReportObserver([inbox, origin](const LoggedReport& report) {
    if (inbox->log) inbox->log->Append(ReportLogLine(report, origin));
    if (!inbox->mailbox.Push(report)) return;
    HWND window = inbox->window.load();
    if (window != nullptr) PostMessageW(window, kReportsWaiting, 0, 0);
  });
}

bool CompanionWindow::Open(HWND mainWindow) {
  if (hwnd_ != nullptr) return true;
  if (!RegisterCompanionClass()) return false;

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  int x = 40;
  int y = 40;
  RECT main{};
  if (mainWindow != nullptr && GetWindowRect(mainWindow, &main)) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (GetMonitorInfoW(MonitorFromWindow(mainWindow, MONITOR_DEFAULTTONEAREST), &monitor)) work = monitor.rcWork;
    const ui::PixelPoint at =
        CompanionPlacement(ui::PixelRect{main.left, main.top, main.right, main.bottom}, width, height,
                           ui::PixelRect{work.left, work.top, work.right, work.bottom});
    x = at.x;
    y = at.y;
  }
  // Not owned by the main window: it keeps its own taskbar entry and stays
  // when the main window hides to the tray.
  hwnd_ = CreateWindowExW(0, kCompanionClass, kCompanionTitle, style, x, y, width, height, nullptr, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
  if (hwnd_ == nullptr) return false;
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CompanionWindow::WindowProc));
  CreateControls();
  inbox_->window.store(hwnd_);
  Refresh();
  ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  UpdateWindow(hwnd_);
  return true;
}

void CompanionWindow::Close() {
  inbox_->window.store(nullptr);
  if (hwnd_ == nullptr) return;
  // Nothing stays held by a key once the window is gone.
  ReleaseKeyHolds();
  HWND window = hwnd_;
  hwnd_ = nullptr;
  report_list_ = nullptr;
  state_list_ = nullptr;
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
}

void CompanionWindow::CreateControls() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (font_ == nullptr && SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    font_ = CreateFontIndirectW(&metrics.lfMessageFont);
  }
  if (fixed_font_ == nullptr) {
    fixed_font_ = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, L"Courier New");
  }
  HFONT font = font_ != nullptr ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

  int y = kMargin;
  for (int b = 1; b <= kHardwareButtonCount; ++b) {
    const std::wstring label = L"Button " + std::to_wstring(b);
    Child(hwnd_, L"STATIC", label.c_str(), SS_LEFT, kMargin, y + 4, 70, 18, -1, font);
    Child(hwnd_, L"BUTTON", L"Click", BS_PUSHBUTTON | WS_TABSTOP, kMargin + 80, y, 90, 24, kClickButtonId + b - 1,
          font);
    Child(hwnd_, L"BUTTON", L"Hold", BS_AUTOCHECKBOX | BS_PUSHLIKE | WS_TABSTOP, kMargin + 180, y, 90, 24,
          kHoldButtonId + b - 1, font);
    y += kRowHeight;
  }
  Child(hwnd_, L"BUTTON", L"Next DPI stage", BS_PUSHBUTTON | WS_TABSTOP, kMargin + 290, kMargin, 140, 24,
        kNextDpiStageId, font);
  Child(hwnd_, L"BUTTON", L"Unplug mouse", BS_PUSHBUTTON | WS_TABSTOP, kMargin + 290, kMargin + kRowHeight, 140,
        24, kUnplugId, font);
  Child(hwnd_, L"BUTTON", L"Plug in mouse", BS_PUSHBUTTON | WS_TABSTOP, kMargin + 290, kMargin + 2 * kRowHeight,
        140, 24, kPlugInId, font);
  EnableForPlugState();

  y += 2;
  Child(hwnd_, L"STATIC", ToWide(Ascii(kCompanionKeysHelp)).c_str(), SS_LEFT | SS_NOPREFIX, kMargin, y,
        kClientWidth - 2 * kMargin, 18, kKeysHelpId, font);
  y += 24;
  Child(hwnd_, L"STATIC", L"The mouse holds:", SS_LEFT, kMargin, y, 300, 18, -1, font);
  y += 20;
  const int stateHeight = 92;
  state_list_ = Child(hwnd_, L"LISTBOX", L"", LBS_NOSEL | LBS_NOINTEGRALHEIGHT | WS_BORDER, kMargin, y,
                      kClientWidth - 2 * kMargin, stateHeight, kStateListId, font);
  y += stateHeight + 8;
  Child(hwnd_, L"STATIC", L"Feature reports received (ms since start, hex; newest last):", SS_LEFT,
        kMargin, y, kClientWidth - 2 * kMargin, 18, -1, font);
  y += 20;
  report_list_ = Child(hwnd_, L"LISTBOX", L"", LBS_NOSEL | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_VSCROLL,
                       kMargin, y, kClientWidth - 2 * kMargin, kClientHeight - y - kMargin, kReportListId,
                       fixed_font_ != nullptr ? fixed_font_ : font);

  // The focused control gets the keys, and the window is no dialog of the
  // program's window layer, so nothing on the way sees them: each child
  // looks at them first.
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    SetWindowSubclass(child, &CompanionWindow::ChildProc, kKeySubclassId, reinterpret_cast<DWORD_PTR>(this));
  }
}

LRESULT CALLBACK CompanionWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CompanionWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT CALLBACK CompanionWindow::ChildProc(HWND child, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR self) {
  auto* companion = reinterpret_cast<CompanionWindow*>(self);
  switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
      if (companion->OnKey(message, wParam, lParam)) return 0;
      break;
    case WM_KILLFOCUS:
      companion->OnFocusLeaving(reinterpret_cast<HWND>(wParam));
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(child, &CompanionWindow::ChildProc, kKeySubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(child, message, wParam, lParam);
}

LRESULT CompanionWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kReportsWaiting:
      Refresh();
      return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
      if (OnKey(message, wParam, lParam)) return 0;
      return DefWindowProcW(hwnd_, message, wParam, lParam);
    case WM_KILLFOCUS:
      OnFocusLeaving(reinterpret_cast<HWND>(wParam));
      return 0;
    case WM_CLOSE:
      // The program goes on without its companion.
      Close();
      return 0;
    default:
      return DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}

bool CompanionWindow::OnKey(UINT message, WPARAM wParam, LPARAM lParam) {
  KeyTransition transition = KeyTransition::kDown;
  if (message == WM_KEYUP) {
    transition = KeyTransition::kUp;
  } else if ((lParam & (1L << 30)) != 0) {
    // The key was down already: the keyboard's auto-repeat.
    transition = KeyTransition::kRepeat;
  }
  const CompanionKeyAction action = CompanionKey(static_cast<std::uint32_t>(wParam), transition);
  const bool plugged = hid_.MousePlugged();
  const unsigned bit = action.button > 0 ? 1U << (action.button - 1) : 0U;
  switch (action.kind) {
    case CompanionKeyAction::Kind::kPassOn:
      return false;
    case CompanionKeyAction::Kind::kNothing:
      break;
    case CompanionKeyAction::Kind::kPress:
      if (plugged && (key_holds_ & bit) == 0) {
        key_holds_ |= bit;
        SetHeld(action.button, true);
      }
      break;
    case CompanionKeyAction::Kind::kRelease:
      if ((key_holds_ & bit) != 0) {
        key_holds_ &= ~bit;
        SetHeld(action.button, false);
      }
      break;
    case CompanionKeyAction::Kind::kNextDpiStage:
      if (plugged) NextDpiStage();
      break;
    case CompanionKeyAction::Kind::kUnplug:
      if (plugged) Unplug();
      break;
    case CompanionKeyAction::Kind::kPlugIn:
      if (!plugged) PlugIn();
      break;
  }
  return true;
}

void CompanionWindow::OnFocusLeaving(HWND next) {
  if (hwnd_ != nullptr && next != nullptr && (next == hwnd_ || IsChild(hwnd_, next))) return;
  ReleaseKeyHolds();
}

void CompanionWindow::ReleaseKeyHolds() {
  for (int b = 1; b <= kHardwareButtonCount; ++b) {
    const unsigned bit = 1U << (b - 1);
    if ((key_holds_ & bit) == 0) continue;
    key_holds_ &= ~bit;
    SetHeld(b, false);
  }
}

void CompanionWindow::OnCommand(int id, int) {
  if (id >= kClickButtonId && id < kClickButtonId + kHardwareButtonCount) {
    Click(id - kClickButtonId + 1);
  } else if (id >= kHoldButtonId && id < kHoldButtonId + kHardwareButtonCount) {
    // The toggle takes over a hold its key made.
    key_holds_ &= ~(1U << (id - kHoldButtonId));
    HWND hold = GetDlgItem(hwnd_, id);
    SetHeld(id - kHoldButtonId + 1, SendMessageW(hold, BM_GETCHECK, 0, 0) == BST_CHECKED);
  } else if (id == kNextDpiStageId) {
    NextDpiStage();
  } else if (id == kUnplugId) {
    Unplug();
  } else if (id == kPlugInId) {
    PlugIn();
  }
}

void CompanionWindow::Click(int hardwareButton) {
  mouse_.PressButton(hardwareButton);
  mouse_.ReleaseButton(hardwareButton);
  // A click ends a hold of the same button, its key's too.
  if (hardwareButton >= 1 && hardwareButton <= kHardwareButtonCount) {
    key_holds_ &= ~(1U << (hardwareButton - 1));
  }
  if (hwnd_ != nullptr) {
    SendDlgItemMessageW(hwnd_, kHoldButtonId + hardwareButton - 1, BM_SETCHECK, BST_UNCHECKED, 0);
  }
  ShowState();
}

void CompanionWindow::SetHeld(int hardwareButton, bool held) {
  if (held) {
    mouse_.PressButton(hardwareButton);
  } else {
    mouse_.ReleaseButton(hardwareButton);
  }
  if (hwnd_ != nullptr) {
    SendDlgItemMessageW(hwnd_, kHoldButtonId + hardwareButton - 1, BM_SETCHECK,
                        held ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  ShowState();
}

void CompanionWindow::NextDpiStage() {
  if (const std::optional<int> button = DpiStageButton(mouse_.State())) Click(*button);
}

void CompanionWindow::Unplug() {
  // Nothing stays held through an unplug.
  ReleaseKeyHolds();
  for (int b = 1; b <= kHardwareButtonCount; ++b) {
    if (hwnd_ != nullptr && SendDlgItemMessageW(hwnd_, kHoldButtonId + b - 1, BM_GETCHECK, 0, 0) == BST_CHECKED) {
      SetHeld(b, false);
    }
  }
  // The removal notifications reach the main window, which ends the program
  // (or, started with --tray, waits for the mouse again).
  hid_.UnplugMouse();
  EnableForPlugState();
}

void CompanionWindow::PlugIn() {
  // The arrival notifications reach the main window of a program that waits
  // for the mouse.
  hid_.PlugInMouse();
  EnableForPlugState();
  ShowState();
}

void CompanionWindow::EnableForPlugState() {
  if (hwnd_ == nullptr) return;
  const BOOL plugged = hid_.MousePlugged() ? TRUE : FALSE;
  for (int id : {kNextDpiStageId, kUnplugId}) EnableWindow(GetDlgItem(hwnd_, id), plugged);
  for (int b = 0; b < kHardwareButtonCount; ++b) {
    EnableWindow(GetDlgItem(hwnd_, kClickButtonId + b), plugged);
    EnableWindow(GetDlgItem(hwnd_, kHoldButtonId + b), plugged);
  }
  EnableWindow(GetDlgItem(hwnd_, kPlugInId), plugged ? FALSE : TRUE);
}

void CompanionWindow::Refresh() {
  const ReportMailbox::Batch batch = inbox_->mailbox.Take();
  if (report_list_ != nullptr && (!batch.reports.empty() || batch.dropped > 0)) {
    SendMessageW(report_list_, WM_SETREDRAW, FALSE, 0);
    auto add = [&](Text line) {
      const std::wstring wide = ToWide(line);
      std::size_t drop = lines_.Add(std::move(line));
      SendMessageW(report_list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
      for (; drop > 0; --drop) SendMessageW(report_list_, LB_DELETESTRING, 0, 0);
    };
    if (batch.dropped > 0) {
      add(Ascii("(" + std::to_string(batch.dropped) + " reports not shown)"));
    }
    for (const LoggedReport& report : batch.reports) add(ReportLine(report, origin_));
    const LRESULT count = SendMessageW(report_list_, LB_GETCOUNT, 0, 0);
    if (count > 0) SendMessageW(report_list_, LB_SETTOPINDEX, static_cast<WPARAM>(count - 1), 0);
    SendMessageW(report_list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(report_list_, nullptr, TRUE);
  }
  ShowState();
}

void CompanionWindow::ShowState() {
  if (hwnd_ == nullptr) return;
  const VirtualMouseState state = mouse_.State();
  if (state_list_ != nullptr) {
    SendMessageW(state_list_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(state_list_, LB_RESETCONTENT, 0, 0);
    for (const Text& line : StateSummary(state, mouse_.ProtocolErrors().size())) {
      const std::wstring wide = ToWide(line);
      SendMessageW(state_list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    }
    SendMessageW(state_list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(state_list_, nullptr, TRUE);
  }
  if (hid_.MousePlugged()) {
    EnableWindow(GetDlgItem(hwnd_, kNextDpiStageId), DpiStageButton(state).has_value());
  }
}

bool SaveWindowPicture(HWND window, TextView path) {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  if (window != nullptr) {
    RECT rect{};
    if (!GetWindowRect(window, &rect)) return false;
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    // A shaped window: only the box around its shape.
    RECT shape{};
    const int kind = GetWindowRgnBox(window, &shape);
    if ((kind == SIMPLEREGION || kind == COMPLEXREGION) && shape.right > shape.left && shape.bottom > shape.top) {
      left = std::max(0, static_cast<int>(shape.left));
      top = std::max(0, static_cast<int>(shape.top));
      width = std::min(width, static_cast<int>(shape.right)) - left;
      height = std::min(height, static_cast<int>(shape.bottom)) - top;
    }
  } else {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
  }
  ui::SkinPicture picture = ui::SkinPicture::Blank(width, height);
  if (picture.Empty()) return false;
  HDC source = window != nullptr ? GetWindowDC(window) : GetDC(nullptr);
  if (source == nullptr) return false;
  HDC memory = CreateCompatibleDC(source);
  HGDIOBJ old = SelectObject(memory, picture.Bitmap());
  const BOOL copied = BitBlt(memory, 0, 0, width, height, source, left, top, SRCCOPY | CAPTUREBLT);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(window, source);
  GdiFlush();
  if (!copied) return false;
  ui::GdiplusSession gdiplus;
  return gdiplus.Started() && ui::SavePicture(picture.Pixels(), path, ui::PictureFormat::Png);
}

}  // namespace zlv::demo
