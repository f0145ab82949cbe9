// The main window: a modal dialog (template 102) that lives for the whole run.
//
// The order in which the program comes up, and its one orderly end, live in
// the portable AppCore (app/app_core.h); this window is the core's
// MainWindowHost and carries out the window-side steps: the about item, the
// icon and title, the window shape, the owner-drawn menus, the device
// notifications and the tray icon. Its handlers stay thin: each message
// becomes a call into the core or into the portable decisions of
// app/shell_commands.h.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "app/app_core.h"
#include "app/function_menus_win32.h"
#include "app/gmouse_app_win32.h"
#include "app/tray_icon_win32.h"
#include "wingui/win_framework_win32.h"
#include "wingui/zlv_menu_win32.h"
#include "base/text.h"
#include "macro/keyboard_hook_win32.h"
#include "macro/macro_commands.h"
#include "macro/macro_recorder.h"
#include "macro/utc_clock_win32.h"
#include "ui/led_preview.h"
#include "ui/main_paint.h"
#include "ui/main_pointer.h"
#include "ui/picture_win32.h"
#include "ui/status_line.h"
#include "wingui/editable_list_box_win32.h"
#include "wingui/skin_painter_win32.h"

namespace zlv {

// The about box (template 100): no behaviour of its own, OK or Escape closes it.
class CAboutDlg : public win::Dialog {
 public:
  CAboutDlg();
};

// The advanced page's child controls.
inline constexpr UINT kNameEditId = 10000;
inline constexpr UINT kMacroListId = 10001;
inline constexpr UINT kEventListId = 10002;
inline constexpr UINT kRepeatEditId = 10004;

// What the recorder's step of the pre-translation decided.
enum class RecorderVerdict {
  kNotRecording,  // go on with the context menu step and the key filter
  kSwallowed,     // the recorder took the message
  kPassOn,        // hand it straight to the dialog, past the key filter
  kFilter,        // recorded: go on with the key filter
};

class CZLV_GMouseDlg : public win::Dialog, public MainWindowHost {
 public:
  // A tray start (`start.tray`) runs the window hidden until the tray shows it.
  CZLV_GMouseDlg(Text exeDir, AppComposition composition, StartOptions start = {});
  ~CZLV_GMouseDlg() override;

  // The only orderly end of the program (AppCore::ShutDownDriver): tray icon
  // removed, exit report sent, Windows pointer speed back to 10, window
  // destroyed (the modal loop then ends and the process exits).
  void ShutDownDriver();

  // Stops and joins the worker threads; called once the modal loop is over.
  void EndRun();

  // Recorder, context menu, then the key filter (Escape and Enter key-downs
  // and every message with first parameter 0x79 are swallowed). Only the
  // messages of this window and its child controls come here: the about box
  // and other popups keep their own Escape and Enter.
  bool PreTranslateMessage(MSG& msg) override;

  // The record control's action: starts or stops recording into the macro
  // selected in `macroNames` (see MacroRecorder::Toggle). While recording, the
  // keyboard hook is put in place again every kRehookInterval: Windows removes
  // a low-level hook without notice when its procedure once took too long.
  bool ToggleRecording(std::span<const Text> macroNames, int selection);
  static constexpr UINT kRehookInterval = 1000;  // ms
  bool Recording() const;

  HICON icon() const { return icon_; }
  const Text& ExeDir() const { return exe_dir_; }
  std::int32_t UiLanguage() const;
  const AppComposition& composition() const { return composition_; }
  // Null before the initialisation.
  AppCore* core() { return core_.get(); }
  const TrayIconKeeper& trayIcon() const { return tray_; }
  const Win32TrayShell& trayShell() const { return tray_shell_; }
  win::CZlvMenu& trayMenu() { return tray_menu_; }
  win::CZlvMenu& contextMenu() { return context_menu_; }
  // The size of the mask picture: every page is drawn at this size.
  SIZE PageSize() const { return page_size_; }
  // The page without the name edit, event list and macro list: the advanced
  // page repaints through it so the three controls are left alone.
  HRGN RepaintRegion() const { return repaint_region_.get(); }
  const EventListModel& eventList() const { return event_list_; }
  const MacroListModel& macroList() const { return macro_list_model_; }
  // Null before the initialisation.
  const MacroEditor* macroEditor() const { return editor_.get(); }

  // --- The skinned pages and the pointer ---
  // The address main entry 19 opens.
  static constexpr char16_t kWebAddress[] = u"https://www.zelvan.example/";
  ui::Page page() const { return page_.load(); }
  const ui::Hovers& hovers() const { return hovers_; }
  bool buttonHeld() const { return button_held_; }
  // Null before the initialisation.
  const ui::LedPreview* ledPreview() const { return led_preview_.get(); }
  FunctionMenus* functionMenus() { return function_menus_.get(); }
  // The advanced page's child controls (windows only while that page shows).
  HWND AdvancedControl(UINT id) const;
  // What the next paint draws, copied on the window thread.
  ui::PaintState SnapshotPaintState() const;
  // The profile shown is not what the mouse was last sent.
  bool Unapplied() const;

  // --- MainWindowHost ---
  // A separator and "&About ZLV_GMouse..." (id 0x10) at the end of the system menu.
  void AddAboutMenuItem() override;
  // WM_SETICON ICON_BIG with the application icon (the small icon is not set).
  void SetBigIcon() override;
  void SetTitle(TextView title) override;
  void AllocateAdvancedControls() override {}
  void ApplyWindowShape(TextView maskPath) override;
  void LoadMenus(std::int32_t uiLanguage) override;
  NotifyTarget NotificationTarget() override;
  void AddTrayIcon() override;
  void RemoveTrayIcon() override;
  void DestroyWindow() override;
  void Invalidate() override;
  void UserMacrosReplaced() override;
  void UpdateTrayTip() override;

 protected:
  bool OnInitDialog() override;
  bool OnCommand(WORD id, WORD notifyCode, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void OnDestroy() override;

  // The recorder's step of the pre-translation.
  virtual RecorderVerdict PreTranslateRecorder(MSG& msg);
  // A right-button release on the advanced page: the line under the pointer
  // is selected and, over a line of the event list, the context menu opens.
  // The release itself goes on to normal dispatch.
  virtual bool PreTranslateContextMenu(MSG& msg);

  // Paints the client area: the current page composed from its pictures,
  // states and texts, or the icon while minimised.
  virtual void Paint(HDC dc, const RECT& client);

 private:
  struct Platform;

  void ShowAndRestore();
  void HideToTray();
  void OpenTrayMenu();
  // The tray menu's "Start with Windows": registers or removes the task; a
  // failure is shown in a message box.
  void ToggleStartWithWindows();

  // Pointer handlers; points are client coordinates.
  void OnMouseMove(ui::PixelPoint point);
  void OnLeftButtonDown(ui::PixelPoint point, LPARAM packedPoint);
  void OnLeftButtonUp(LPARAM packedPoint);
  void CarryOutPress(const ui::PointerAction& action, LPARAM packedPoint);
  void CarryOutPressAction(const ui::PointerAction& action, LPARAM packedPoint);
  void CarryOutRelease(const ui::PointerAction& action, LPARAM packedPoint);
  void GoToPage(ui::Page page);
  void CreateAdvancedControls();
  void DestroyAdvancedControls();
  // The advanced page's actions that the macro editor and the exchange carry out.
  void CarryOutMacroAction(const ui::PointerAction& action);
  void SwitchLanguage(std::int32_t language);
  // Before a command that moves or replaces the user macros: an open delay
  // edit ends without storing what was typed, and a recording stops.
  void EndWorkOnTheMacros();
  // Refills the macro list and shows the current macro.
  void RebuildMacroList();
  // Mirrors the macro editor's models into the page's controls: the two
  // lists and the repeat edit's state always, the texts of the repeat and
  // name edits when a command set them.
  void ShowMacroModels();
  void OnEventListCommand(UINT id);
  void OnEditDone();
  // The font of the child controls, in the language's face.
  void SetControlFont();
  std::vector<Text> UserMacroNames() const;
  void OpenFunctionMenu(int button);
  // The question before Defaults, in the warning's style; true for yes.
  bool AskToRestoreDefaults();
  // Whole window, or the repaint region on the advanced page.
  void InvalidatePage();
  const win::FaceSet& FacesOf(ui::Page page);
  // White on black, or grey on black for a disabled control.
  LRESULT ColourChildControl(HDC dc, bool enabled);
  void StopLedPreview();
  // The shown profile differs from what its section held when it was loaded,
  // saved or applied (the stage and rate the mouse steps itself aside).
  bool EditedSinceLoad() const;
  // Puts the message of `event` on the status line for a few seconds.
  void Report(ui::StatusEvent event, TextView name = {}, int number = 0);

  Text exe_dir_;
  AppComposition composition_;
  StartOptions start_;
  HICON icon_ = nullptr;
  ui::GdiplusSession gdiplus_;
  std::unique_ptr<Platform> platform_;
  std::unique_ptr<AppCore> core_;
  win::CZlvMenu context_menu_;
  win::CZlvMenu tray_menu_;
  ui::UniqueFont menu_font_;
  Win32TrayShell tray_shell_;
  TrayIconKeeper tray_{tray_shell_};
  UINT taskbar_created_ = 0;  // the shell's "TaskbarCreated" message
  SIZE page_size_{0, 0};
  ui::UniqueRegion repaint_region_;

  // The skinned pages: the pictures of each page decoded once, the fonts of
  // the language, the page shown and the pointer state.
  std::array<std::optional<win::FaceSet>, 3> faces_;
  std::unique_ptr<win::SkinFonts> fonts_;
  bool fonts_english_ = true;
  std::atomic<ui::Page> page_{ui::Page::kMain};  // read by the LED preview
  ui::StatusLine status_;
  // The profile as it was last loaded, saved or applied.
  ProfileSettings baseline_;
  ui::Hovers hovers_;
  bool button_held_ = false;
  std::unique_ptr<ui::LedPreview> led_preview_;
  std::unique_ptr<FunctionMenus> function_menus_;
  win::Edit repeat_edit_;
  win::Edit name_edit_;
  win::ListBox macro_list_;
  win::CEditableListBox event_list_box_;
  ui::UniqueFont control_font_;
  bool control_font_english_ = true;
  HBRUSH black_brush_ = nullptr;

  // Macro recording: the hook posts every keystroke to this window's handle.
  EventListModel event_list_;
  SystemUtcClock utc_clock_;
  std::unique_ptr<WindowKeyMessageSink> key_sink_;
  std::unique_ptr<LowLevelKeyboardHook> hook_;
  std::unique_ptr<MacroRecorder> recorder_;

  // Macro editing and the exchange dialogs.
  MacroListModel macro_list_model_;
  std::unique_ptr<MacroEditor> editor_;
  std::unique_ptr<FileDialogs> own_file_dialogs_;
  FileDialogs* file_dialogs_ = nullptr;
  // The lines the two lists were last given, so a mirror changes only what
  // changed.
  std::vector<Text> shown_event_lines_;
  std::vector<Text> shown_macro_lines_;
};

}  // namespace zlv
