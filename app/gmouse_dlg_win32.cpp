#include "app/gmouse_dlg_win32.h"

#include <utility>

#include "app/key_filter.h"
#include "app/window_title.h"
#include "base/file_store.h"
#include "base/text_win32.h"
#include "resources/resource_ids.h"
#include "settings/ini_file.h"
#include "settings/profile_settings.h"

namespace zlv {

namespace {
constexpr WPARAM kSystemCommandMask = 0xFFF0;
}  // namespace

CAboutDlg::CAboutDlg() : win::Dialog(IDD_ABOUTBOX) {}

CZLV_GMouseDlg::CZLV_GMouseDlg(Text exeDir, AppComposition composition)
    : win::Dialog(IDD_ZLV_GMOUSE_DIALOG),
      exe_dir_(std::move(exeDir)),
      composition_(composition),
      icon_(LoadIconW(win::ResourceModule(), MAKEINTRESOURCEW(IDI_APP))) {}

CZLV_GMouseDlg::~CZLV_GMouseDlg() = default;

bool CZLV_GMouseDlg::OnInitDialog() {
  ClearHandOverFlags();
  StartWorkerThreads();
  AddAboutMenuItem();
  SetBigIcon();

  config_path_ = exe_dir_ + u"\\config.ini";
  LoadSettings();
  SetTitle(MainWindowTitle(ui_language_));
  skins_dir_ = exe_dir_ + u"\\skins";

  if (!LoadSkinLayouts()) return true;
  CreateAdvancedPageControls();
  LoadWarningLayout();
  ApplyWindowShape();
  LoadMacroFiles();
  ResetEditorState();
  LoadMenus();

  if (!ScanForMouse()) {
    ShowPlugInMessage();
    ShutDownDriver();
    return true;
  }
  Sleep(5);
  PushAllSettings();
  AddTrayIcon();
  return true;
}

void CZLV_GMouseDlg::LoadSettings() {
  IniStore ini(Disk());
  ui_language_ = ReadUiLanguage(ini, config_path_);
}

void CZLV_GMouseDlg::SetBigIcon() {
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
}

void CZLV_GMouseDlg::SetTitle(TextView title) { SetWindowTextW(hwnd(), ToWide(title).c_str()); }

void CZLV_GMouseDlg::AddAboutMenuItem() {
  HMENU systemMenu = GetSystemMenu(hwnd(), FALSE);
  if (systemMenu == nullptr) return;
  const std::wstring text = win::LoadResourceString(IDS_ABOUTBOX);
  if (text.empty()) return;
  AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, text.c_str());
}

void CZLV_GMouseDlg::ShutDownDriver() {
  RemoveTrayIcon();
  if (FeatureCollectionOpen()) SendDriverExitCommand();
  ResetWindowsPointerSpeed();
  DestroyWindow();
}

bool CZLV_GMouseDlg::PreTranslateMessage(MSG& msg) {
  switch (PreTranslateRecorder(msg)) {
    case RecorderVerdict::kSwallowed:
      return true;
    case RecorderVerdict::kPassOn:
      return win::Dialog::PreTranslateMessage(msg);
    case RecorderVerdict::kNotRecording:
      break;
  }
  if (PreTranslateContextMenu(msg)) return true;
  if (SwallowedByKeyFilter(msg.message, msg.wParam)) return true;
  return win::Dialog::PreTranslateMessage(msg);
}

void CZLV_GMouseDlg::ShowAndRestore() {
  ShowWindow(hwnd(), SW_SHOW);
  ShowWindow(hwnd(), SW_RESTORE);
}

void CZLV_GMouseDlg::HideToTray() {
  ShowWindow(hwnd(), SW_MINIMIZE);
  ShowWindow(hwnd(), SW_HIDE);
  AddTrayIcon();
}

bool CZLV_GMouseDlg::OnCommand(WORD id, WORD notifyCode, HWND control) {
  switch (id) {
    case ID_EN_EXIT_DRIVER:
    case ID_CN_EXIT_DRIVER:
      ShutDownDriver();
      return true;
    case ID_EN_SHOW_WINDOW:
    case ID_CN_SHOW_WINDOW:
      ShowAndRestore();
      return true;
    default:
      return win::Dialog::OnCommand(id, notifyCode, control);
  }
}

void CZLV_GMouseDlg::Paint(HDC dc, const RECT& client) {
  HBRUSH brush = CreateSolidBrush(RGB(24, 30, 38));
  FillRect(dc, &client, brush);
  DeleteObject(brush);
}

bool CZLV_GMouseDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
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
      if ((wParam & kSystemCommandMask) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal(hwnd());
        result = 0;
        return true;
      }
      if ((wParam & kSystemCommandMask) == SC_MINIMIZE) {
        ShowWindow(hwnd(), SW_MINIMIZE);
        result = 0;
        return true;
      }
      return false;  // default processing; SC_CLOSE becomes a close request
    case WM_POWERBROADCAST:
      // Resuming from sleep may have reset the mouse: program it again, then
      // let the default processing answer.
      PushAllSettings();
      return false;
    default:
      return false;
  }
}

}  // namespace zlv
