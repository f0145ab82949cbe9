// The demo build's companion window: a plain top-level window beside the main
// window that plays the user's hand on the virtual mouse (click or hold each
// of the six buttons, step the DPI stage, unplug the mouse; with its buttons
// or, while it has the keyboard focus, with keys) and shows the feature
// reports the mouse receives and what it now holds.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "demo/demo_companion.h"
#include "base/clock.h"
#include "base/text.h"
#include "sim/virtual_hid_system.h"
#include "sim/virtual_mouse.h"

namespace zlv::demo {

inline constexpr const wchar_t* kCompanionTitle = L"ZLV_GMouse demo: virtual mouse";
inline constexpr const wchar_t* kCompanionClass = L"ZlvDemoCompanion";

// Control ids (for tests and scripts that drive the window).
inline constexpr int kClickButtonId = 1001;  // + hardware button - 1
inline constexpr int kHoldButtonId = 1011;   // + hardware button - 1
inline constexpr int kNextDpiStageId = 1020;
inline constexpr int kUnplugId = 1021;
inline constexpr int kPlugInId = 1022;
inline constexpr int kStateListId = 1030;
inline constexpr int kReportListId = 1031;
inline constexpr int kKeysHelpId = 1040;

// A file the lines of the report log are appended to, each written through
// to the file as it comes (no buffering of our own). Safe for several threads.
class ReportLogFile {
 public:
  // Opens `path` for appending, making it when missing. Open() says whether
  // that worked.
  explicit ReportLogFile(TextView path);
  ~ReportLogFile();
  ReportLogFile(const ReportLogFile&) = delete;
  ReportLogFile& operator=(const ReportLogFile&) = delete;

  bool Open() const { return file_ != INVALID_HANDLE_VALUE; }
  // Writes `line` and a CR LF.
  void Append(const std::string& line);

 private:
  std::mutex mutex_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

class CompanionWindow {
 public:
  // `origin` is the time the report lines count from.
  CompanionWindow(VirtualMouse& mouse, VirtualHidSystem& hid, Clock& clock, Nanos origin);
  ~CompanionWindow();
  CompanionWindow(const CompanionWindow&) = delete;
  CompanionWindow& operator=(const CompanionWindow&) = delete;

  // Also appends every report to this log file (see ReportLogLine), from the
  // next Observe on. False when the file cannot be opened.
  bool LogReportsTo(TextView path);

  // Starts taking the mouse's reports; they wait until the window shows them.
  void Observe();

  // Opens the window beside `mainWindow` (or at the top left without one).
  bool Open(HWND mainWindow);
  HWND hwnd() const { return hwnd_; }
  void Close();

  // The window's actions (its buttons call these).
  void Click(int hardwareButton);
  void SetHeld(int hardwareButton, bool held);
  void NextDpiStage();
  void Unplug();
  void PlugIn();

  // Shows whatever reports wait, and the mouse's state.
  void Refresh();

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // The children's subclass: their keys and focus go through OnKey and
  // OnFocusLeaving first.
  static LRESULT CALLBACK ChildProc(HWND child, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR self);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  // True when a WM_KEYDOWN or WM_KEYUP was one of the window's keys (see
  // CompanionKey) and is done with.
  bool OnKey(UINT message, WPARAM wParam, LPARAM lParam);
  // The focus moves from the window or a child to `next`: buttons held by
  // keys are released unless it stays inside the window.
  void OnFocusLeaving(HWND next);
  void ReleaseKeyHolds();
  void CreateControls();
  void OnCommand(int id, int notifyCode);
  void ShowState();
  // The controls that act on the mouse are enabled while it is plugged in,
  // the plug-in button while it is not.
  void EnableForPlugState();

  VirtualMouse& mouse_;
  VirtualHidSystem& hid_;
  Clock& clock_;
  Nanos origin_;
  // Shared with the mouse's observer, which runs on the threads that send
  // reports and may outlive this object by a call in progress.
  struct Inbox {
    ReportMailbox mailbox;
    std::atomic<HWND> window{nullptr};  // where to post the wake-up
    std::unique_ptr<ReportLogFile> log;  // set before Observe, or never
  };
  std::shared_ptr<Inbox> inbox_ = std::make_shared<Inbox>();
  ReportLines lines_;
  bool observing_ = false;
  // Hardware buttons held by a key (bit b - 1 for button b): only these are
  // released by a key's release or the focus leaving.
  unsigned key_holds_ = 0;
  HWND hwnd_ = nullptr;
  HWND report_list_ = nullptr;
  HWND state_list_ = nullptr;
  HFONT font_ = nullptr;
  HFONT fixed_font_ = nullptr;
};

// Writes what `window` shows (the whole screen for a null window) to a PNG
// file. False when nothing could be captured or written.
bool SaveWindowPicture(HWND window, TextView path);

}  // namespace zlv::demo
