// The main window: a modal dialog (template 102) that lives for the whole run.
//
// OnInitDialog brings the program up in a fixed order; each step that belongs
// to another piece of the program is a virtual hook below, called at its
// place in that order:
//
//   1  the dialog's own initialisation
//   2  ClearHandOverFlags           the reader/player flags
//   3  StartWorkerThreads           input reader, then macro player
//   4  the about item of the system menu            (done here)
//   5  the big icon                                 (done here)
//   6  LoadSettings                 ConfigPath, [Init] CurConfig, ...
//   7    ... the UI language from [Init] VER_SEL    (done here, UiLanguage())
//   8    ... LoadProfile(ConfigPath, CurrentProfile, false)
//   9  the window title in the UI language          (done here)
//  10  SkinsDir                                     (done here)
//  11  LoadSkinLayouts              main, colour, advanced; false = the
//                                   program was shut down, stop here
//  12  CreateAdvancedPageControls   the four child-control objects
//  13  LoadWarningLayout
//  14  ApplyWindowShape             window region, RepaintRegion, page size
//  15  LoadMacroFiles               user file of the language, constMacro.dat
//  16  ResetEditorState             function-menu flag, selected macro line
//  17  LoadMenus                    both owner-drawn menus in the UI language
//  18  ScanForMouse                 DevicePresent = ScanDevice()
//  19  without the mouse: ShowPlugInMessage, then the shutdown steps (the
//      window is destroyed and the modal loop ends)
//  20  with it: 5 ms, PushAllSettings, AddTrayIcon
//  21  true: default focus
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/gmouse_app_win32.h"
#include "app/win_framework_win32.h"
#include "base/text.h"

namespace zlv {

// The about box (template 100): no behaviour of its own, OK or Escape closes it.
class CAboutDlg : public win::Dialog {
 public:
  CAboutDlg();
};

// What the recorder's step of the pre-translation decided.
enum class RecorderVerdict {
  kNotRecording,  // go on with the context menu step and the key filter
  kSwallowed,     // the recorder took the message
  kPassOn,        // hand it straight to the dialog, past the key filter
};

class CZLV_GMouseDlg : public win::Dialog {
 public:
  CZLV_GMouseDlg(Text exeDir, AppComposition composition);
  ~CZLV_GMouseDlg() override;

  // The only orderly end of the program: tray icon removed, exit report
  // sent, Windows pointer speed back to 10, window destroyed (the modal loop
  // then ends and the process exits).
  void ShutDownDriver();

  // Recorder, context menu, then the key filter (Escape and Enter key-downs
  // and every message with first parameter 0x79 are swallowed).
  bool PreTranslateMessage(MSG& msg) override;

  HICON icon() const { return icon_; }
  const Text& ExeDir() const { return exe_dir_; }
  const Text& ConfigPath() const { return config_path_; }
  const Text& SkinsDir() const { return skins_dir_; }
  std::int32_t UiLanguage() const { return ui_language_; }
  const AppComposition& composition() const { return composition_; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(WORD id, WORD notifyCode, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  // --- Initialisation hooks, in their order (see the top of this file). ---
  virtual void ClearHandOverFlags() {}
  virtual void StartWorkerThreads() {}
  // Steps 6 to 8. The default reads only the UI language, which the title needs.
  virtual void LoadSettings();
  // False when a missing layout file has already shut the program down.
  virtual bool LoadSkinLayouts() { return true; }
  virtual void CreateAdvancedPageControls() {}
  virtual void LoadWarningLayout() {}
  virtual void ApplyWindowShape() {}
  virtual void LoadMacroFiles() {}
  virtual void ResetEditorState() {}
  virtual void LoadMenus() {}
  // DevicePresent. Until the HID layer is wired in, the mouse counts as found.
  virtual bool ScanForMouse() { return true; }
  virtual void ShowPlugInMessage() {}
  virtual void PushAllSettings() {}

  // --- Tray and shutdown hooks. ---
  virtual void AddTrayIcon() {}
  virtual void RemoveTrayIcon() {}
  // The exit report; only called when the feature collection is open.
  virtual bool FeatureCollectionOpen() { return false; }
  virtual void SendDriverExitCommand() {}
  // If the pointer speed can be read, set it to 10 (the Windows default).
  virtual void ResetWindowsPointerSpeed() {}

  // --- Pre-translation hooks. ---
  virtual RecorderVerdict PreTranslateRecorder(MSG&) { return RecorderVerdict::kNotRecording; }
  // A right-button release over the event list on the advanced page.
  virtual bool PreTranslateContextMenu(MSG&) { return false; }

  // Paints the client area. Until the skin painter is in, a plain background.
  virtual void Paint(HDC dc, const RECT& client);

  void SetUiLanguage(std::int32_t language) { ui_language_ = language; }

  // Window-side steps of the start-up, usable by whoever drives the order
  // (they match the window host the application core calls).
  // A separator and "&About ZLV_GMouse..." (id 0x10) at the end of the system menu.
  void AddAboutMenuItem();
  // WM_SETICON ICON_BIG with the application icon (the small icon is not set).
  void SetBigIcon();
  void SetTitle(TextView title);

 private:
  void ShowAndRestore();
  void HideToTray();

  Text exe_dir_;
  AppComposition composition_;
  Text config_path_;
  Text skins_dir_;
  std::int32_t ui_language_ = 0;
  HICON icon_ = nullptr;
};

}  // namespace zlv
