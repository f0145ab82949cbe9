#include "app/gmouse_dlg_win32.h"

#include <dbt.h>

#include <utility>

#include "app/key_filter.h"
#include "base/message_box_win32.h"
#include "app/shell_commands.h"
#include "app/window_title.h"
#include "base/clock.h"
#include "base/file_store.h"
#include "base/text_win32.h"
#include "device/hid_system_win32.h"
#include "device/hid_transport_win32.h"
#include "device/system_settings_win32.h"
#include "macro/program_launcher_win32.h"
#include "macro/timer_resolution_win32.h"
#include "resources/resource_ids.h"

namespace zlv {

namespace {
// The timer that puts the keyboard hook in place again while recording.
constexpr UINT_PTR kRehookTimer = 0x5A4C;
}  // namespace

// The services the core runs on: the program's own, or those the composition
// brings (the demo's virtual mouse, the tests' fakes).
struct CZLV_GMouseDlg::Platform {
  explicit Platform(CZLV_GMouseDlg& dialog)
      : ownMessages([&dialog] { return dialog.hwnd(); }),
        services{dialog.composition_.files != nullptr ? *dialog.composition_.files : Disk(),
                 dialog.composition_.messages != nullptr ? *dialog.composition_.messages : ownMessages,
                 dialog.composition_.system != nullptr ? *dialog.composition_.system : ownSystem,
                 dialog.composition_.hid != nullptr ? *dialog.composition_.hid : ownHid,
                 clock,
                 dialog.composition_.launcher != nullptr ? *dialog.composition_.launcher : ownLauncher,
                 timerResolution,
                 dialog.composition_.makeTransport
                     ? dialog.composition_.makeTransport
                     : [](const DeviceLink& link) -> std::unique_ptr<HidTransport> {
                         return std::make_unique<Win32HidTransport>(link);
                       }} {}

  Win32MessageBoxes ownMessages;
  Win32SystemSettings ownSystem;
  Win32HidSystem ownHid;
  SystemFolderLauncher ownLauncher;
  SteadyClock clock;
  WinmmTimerResolution timerResolution;
  PlatformServices services;
};

CAboutDlg::CAboutDlg() : win::Dialog(IDD_ABOUTBOX) {}

CZLV_GMouseDlg::CZLV_GMouseDlg(Text exeDir, AppComposition composition)
    : win::Dialog(IDD_ZLV_GMOUSE_DIALOG),
      exe_dir_(std::move(exeDir)),
      composition_(std::move(composition)),
      icon_(LoadIconW(win::ResourceModule(), MAKEINTRESOURCEW(IDI_APP))) {}

CZLV_GMouseDlg::~CZLV_GMouseDlg() {
  if (hook_) hook_->Uninstall();
  EndRun();
}

void CZLV_GMouseDlg::EndRun() {
  if (core_) core_->StopThreads();
}

std::int32_t CZLV_GMouseDlg::UiLanguage() const {
  return core_ ? static_cast<std::int32_t>(core_->settings.UiLanguage) : 0;
}

bool CZLV_GMouseDlg::OnInitDialog() {
  platform_ = std::make_unique<Platform>(*this);
  core_ = std::make_unique<AppCore>(platform_->services, exe_dir_);
  key_sink_ = std::make_unique<WindowKeyMessageSink>(hwnd());
  hook_ = std::make_unique<LowLevelKeyboardHook>(*key_sink_);
  recorder_ = std::make_unique<MacroRecorder>(core_->macros.user, core_->macroState, event_list_,
                                              *hook_, utc_clock_);
  if (core_->Initialise(*this) && composition_.onMainWindowReady) {
    composition_.onMainWindowReady(hwnd());
  }
  return true;
}

// --- MainWindowHost ---

void CZLV_GMouseDlg::AddAboutMenuItem() {
  HMENU systemMenu = GetSystemMenu(hwnd(), FALSE);
  if (systemMenu == nullptr) return;
  const std::wstring text = win::LoadResourceString(IDS_ABOUTBOX);
  if (text.empty()) return;
  AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, text.c_str());
}

void CZLV_GMouseDlg::SetBigIcon() {
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
}

void CZLV_GMouseDlg::SetTitle(TextView title) { SetWindowTextW(hwnd(), ToWide(title).c_str()); }

void CZLV_GMouseDlg::ApplyWindowShape(TextView maskPath) {
  const ui::SkinPicture mask = ui::LoadSkinPicture(maskPath);
  page_size_ = SIZE{mask.Width(), mask.Height()};
  // The repaint region: the whole page with three control rectangles taken
  // out by exclusive or, in this order. The layout files are read by now.
  repaint_region_ = ui::RectShape(page_size_.cx, page_size_.cy);
  if (core_ && repaint_region_) {
    for (const ui::SkinRect& r : {core_->skin.NameEditRect, core_->skin.EventListRect,
                                  core_->skin.MacroListRect}) {
      HRGN cut = CreateRectRgn(r.left, r.top, r.right, r.bottom);
      CombineRgn(repaint_region_.get(), repaint_region_.get(), cut, RGN_XOR);
      DeleteObject(cut);
    }
  }
  // Without a mask picture the window keeps its rectangle rather than
  // vanishing behind an empty shape.
  if (mask.Empty()) return;
  ui::ApplyShape(hwnd(), ui::MaskShape(mask));
}

void CZLV_GMouseDlg::LoadMenus(std::int32_t uiLanguage) {
  const bool english = uiLanguage == kUiEnglish;
  context_menu_.Load(win::ResourceModule(), ui::ContextMenuResource(english));
  tray_menu_.Load(win::ResourceModule(), ui::TrayMenuResource(english));
}

NotifyTarget CZLV_GMouseDlg::NotificationTarget() {
  return reinterpret_cast<NotifyTarget>(hwnd());
}

void CZLV_GMouseDlg::AddTrayIcon() { tray_.Add(hwnd(), icon_, TrayTip(UiLanguage())); }

void CZLV_GMouseDlg::RemoveTrayIcon() { tray_.Remove(hwnd(), icon_); }

void CZLV_GMouseDlg::DestroyWindow() {
  if (hook_) hook_->Uninstall();
  win::Dialog::DestroyWindow();
}

void CZLV_GMouseDlg::Invalidate() {
  HWND window = hwnd();
  if (window != nullptr) InvalidateRect(window, nullptr, FALSE);
}

// --- Shutdown ---

void CZLV_GMouseDlg::ShutDownDriver() {
  if (core_) core_->ShutDownDriver();
}

// --- Recording ---

bool CZLV_GMouseDlg::Recording() const { return recorder_ && recorder_->recording(); }

bool CZLV_GMouseDlg::ToggleRecording(std::span<const Text> macroNames, int selection) {
  if (!recorder_) return false;
  const bool changed = recorder_->Toggle(macroNames, selection);
  if (recorder_->recording()) {
    SetTimer(hwnd(), kRehookTimer, kRehookInterval, nullptr);
  } else {
    KillTimer(hwnd(), kRehookTimer);
  }
  return changed;
}

RecorderVerdict CZLV_GMouseDlg::PreTranslateRecorder(MSG& msg) {
  if (!Recording() || msg.hwnd != hwnd() || !IsKeyMessage(msg.message)) {
    return RecorderVerdict::kNotRecording;
  }
  const KeyStepResult step =
      recorder_->OnKeyMessage(msg.message, static_cast<std::uint32_t>(msg.wParam));
  return step == KeyStepResult::kDefaultPreTranslate ? RecorderVerdict::kPassOn
                                                     : RecorderVerdict::kFilter;
}

bool CZLV_GMouseDlg::PreTranslateMessage(MSG& msg) {
  switch (PreTranslateRecorder(msg)) {
    case RecorderVerdict::kSwallowed:
      return true;
    case RecorderVerdict::kPassOn:
      return win::Dialog::PreTranslateMessage(msg);
    case RecorderVerdict::kFilter:
      break;
    case RecorderVerdict::kNotRecording:
      if (PreTranslateContextMenu(msg)) return true;
      break;
  }
  if (SwallowedByKeyFilter(msg.message, msg.wParam)) return true;
  return win::Dialog::PreTranslateMessage(msg);
}

// --- Tray and window state ---

void CZLV_GMouseDlg::ShowAndRestore() {
  ShowWindow(hwnd(), SW_SHOW);
  ShowWindow(hwnd(), SW_RESTORE);
}

void CZLV_GMouseDlg::HideToTray() {
  ShowWindow(hwnd(), SW_MINIMIZE);
  ShowWindow(hwnd(), SW_HIDE);
  AddTrayIcon();
}

void CZLV_GMouseDlg::OpenTrayMenu() {
  HMENU popup = tray_menu_.Popup();
  if (popup == nullptr) return;
  POINT at{};
  GetCursorPos(&at);
  SetForegroundWindow(hwnd());
  TrackPopupMenu(popup, 0, at.x, at.y, 0, hwnd(), nullptr);
}

bool CZLV_GMouseDlg::OnCommand(WORD id, WORD notifyCode, HWND control) {
  switch (TrayMenuCommand(id)) {
    case MenuCommand::kExitDriver:
      ShutDownDriver();
      return true;
    case MenuCommand::kShowWindow:
      ShowAndRestore();
      return true;
    case MenuCommand::kNone:
      break;
  }
  // IDOK and IDCANCEL must not end the program's window: only ShutDownDriver does.
  if (id == IDOK || id == IDCANCEL) return true;
  return win::Dialog::OnCommand(id, notifyCode, control);
}

void CZLV_GMouseDlg::Paint(HDC dc, const RECT& client) {
  const ui::SkinPicture face =
      core_ ? ui::LoadSkinPicture(core_->SkinsDir + u"\\main_normal.jpg") : ui::SkinPicture();
  if (face.Empty()) {
    HBRUSH brush = CreateSolidBrush(RGB(24, 30, 38));
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    return;
  }
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ previous = SelectObject(memory, face.Bitmap());
  ui::CopyBand(dc, memory, 0, 0, face.Width(), face.Height());
  SelectObject(memory, previous);
  DeleteDC(memory);
}

bool CZLV_GMouseDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_CLOSE:
      HideToTray();
      result = 0;
      return true;
    case WM_ERASEBKGND:
      // Everything is drawn by the paint handler.
      result = 1;
      return true;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd(), &ps);
      RECT client;
      GetClientRect(hwnd(), &client);
      Paint(dc, client);
      EndPaint(hwnd(), &ps);
      result = 0;
      return true;
    }
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<LRESULT>(icon_);
      return true;
    case WM_SYSCOMMAND:
      switch (OnSysCommand(wParam)) {
        case SysCommandAction::kAboutBox: {
          CAboutDlg about;
          about.DoModal(hwnd());
          result = 0;
          return true;
        }
        case SysCommandAction::kMinimize:
          ShowWindow(hwnd(), SW_MINIMIZE);
          result = 0;
          return true;
        case SysCommandAction::kDefault:
          return false;  // SC_CLOSE becomes a close request
      }
      return false;
    case kTrayCallbackMessage: {
      const TrayDecision decision =
          OnTrayNotification(wParam, static_cast<std::uint32_t>(lParam));
      if (decision.action == TrayAction::kShowWindow) ShowAndRestore();
      if (decision.action == TrayAction::kOpenMenu) OpenTrayMenu();
      result = decision.result;
      return true;
    }
    case WM_DRAWITEM:
      if (wParam == 0 && lParam != 0) {
        tray_menu_.DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
      }
      return false;
    case WM_MEASUREITEM:
      if (wParam == 0 && lParam != 0) {
        tray_menu_.MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
      }
      return false;
    case WM_DEVICECHANGE: {
      if (core_) {
        const std::optional<DeviceBroadcast> header =
            ReadDeviceBroadcast(static_cast<std::uintptr_t>(wParam), static_cast<std::intptr_t>(lParam));
        core_->OnDeviceChange(static_cast<std::uint32_t>(wParam), header ? &*header : nullptr);
      }
      result = TRUE;
      return true;
    }
    case WM_POWERBROADCAST:
      // Resuming from sleep may have reset the mouse: program it again, then
      // let the default processing answer.
      if (core_) core_->OnPowerBroadcast();
      return false;
    case WM_TIMER:
      if (wParam == kRehookTimer) {
        // A hook that Windows dropped is gone without notice: renew it.
        if (Recording() && hook_) {
          hook_->Renew();
        } else {
          KillTimer(hwnd(), kRehookTimer);
        }
        result = 0;
        return true;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace zlv
