#include "app/gmouse_app_win32.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "app/exe_dir.h"
#include "app/gmouse_dlg_win32.h"
#include "app/window_title.h"
#include "base/file_store.h"
#include "base/text_win32.h"
#include "settings/ini_file.h"
#include "settings/profile_settings.h"
#include "ui/picture_win32.h"

namespace zlv {

InstanceMutex CreateInstanceMutex(const wchar_t* name) {
  InstanceMutex result;
  result.handle = CreateMutexW(nullptr, FALSE, name);
  // Only ERROR_ALREADY_EXISTS means another instance; a mutex that cannot be
  // made at all lets this instance start.
  result.already_existed = result.handle != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
  return result;
}

bool RestoreRunningWindow(TextView title) {
  const std::wstring wide = ToWide(title);
  HWND window = FindWindowW(nullptr, wide.c_str());
  if (window == nullptr) return false;
  // A window hidden in the tray is minimised and hidden: show it first, as
  // the tray's own "Show Window" does, then restore it.
  ShowWindow(window, SW_SHOW);
  ShowWindow(window, SW_RESTORE);
  return true;
}

Text ModuleExeDir() {
  // Paths longer than MAX_PATH are possible: grow the buffer until the whole
  // path fits, so the folder is never cut from a truncated path.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD got = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (got == 0) return Text();
    if (got < buffer.size()) {
      return ExeDirFromModulePath(FromWide(std::wstring_view(buffer.data(), got)));
    }
    if (buffer.size() >= 32768) return Text();
    buffer.resize(buffer.size() * 2);
  }
}

std::vector<Text> CommandLineArguments() {
  std::vector<Text> arguments;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(FromWide(argv[i]));
  LocalFree(argv);
  return arguments;
}

CZLV_GMouseApp::CZLV_GMouseApp(AppComposition composition)
    : exe_dir_(ModuleExeDir()), composition_(composition) {}

CZLV_GMouseApp::~CZLV_GMouseApp() {
  if (instance_mutex_ != nullptr) CloseHandle(instance_mutex_);
}

bool CZLV_GMouseApp::InitInstance() {
  const StartOptions start = ParseStartArguments(CommandLineArguments());
  const InstanceMutex mutex = CreateInstanceMutex();
  if (mutex.already_existed) {
    // Another instance runs: bring its window back (not for a start at
    // logon) and end without touching anything else. Its title depends on
    // the language in config.ini.
    if (OnSecondStart(start) == SecondStartAction::kRestoreRunningWindow) {
      IniStore ini(Disk());
      const std::int32_t language = ReadUiLanguage(ini, exe_dir_ + u"\\config.ini");
      RestoreRunningWindow(MainWindowTitle(language));
    }
    CloseHandle(mutex.handle);
    return false;
  }
  instance_mutex_ = mutex.handle;

  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_WIN95_CLASSES;
  InitCommonControlsEx(&controls);

  // Nothing is kept in the registry: all settings live in config.ini.
  // Pictures are decoded with GDI+ while the program runs.
  ui::GdiplusSession gdiplus;
  CZLV_GMouseDlg dialog(exe_dir_, composition_, start);
  SetMainWindow(&dialog);
  dialog.DoModal();
  // The modal loop is over: the window is gone. The worker threads stop here,
  // before the process ends, rather than being cut off by its end.
  dialog.EndRun();
  SetMainWindow(nullptr);
  if (composition_.onExit) composition_.onExit();
  return false;
}

}  // namespace zlv
