// A small window layer over raw Win32: the application object, dialogs built
// from templates, subclassed controls and menus. It keeps to what the program
// needs and stays close to the shape of a classic dialog framework:
//
//  - App: the instance start-up hook and the main window.
//  - Dialog: a template dialog, modeless (Create) or modal (DoModal). The
//    modal run is our own loop, so every message passes through
//    PreTranslateMessage before IsDialogMessage, TranslateMessage and
//    DispatchMessage. Handlers are virtual functions; a message a handler
//    leaves alone gets the dialog manager's default processing.
//  - SubclassedControl, ListBox, Edit: controls created in code whose window
//    procedure runs through a virtual WindowProc.
//  - CZlvMenu (wingui/zlv_menu_win32.h): the owner-drawn popup menus.
#pragma once

#include <windows.h>

#include <string>

namespace zlv::win {

// The module whose resources the layer loads (templates, menus, icons,
// strings). The executable's own module unless set: tests point it at a
// copy of the program loaded as a resource image.
HINSTANCE ResourceModule();
void SetResourceModule(HINSTANCE module);

class Dialog;

// The application object: the program's one instance start-up. Run() calls
// InitInstance; the process ends when it returns.
class App {
 public:
  App();
  virtual ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  // The process's application object (the last one constructed), or null.
  static App* Current();

  // Runs InitInstance; the value is the process's exit code.
  int Run(HINSTANCE instance);

  HINSTANCE instance() const { return instance_; }
  Dialog* MainWindow() const { return main_window_; }
  void SetMainWindow(Dialog* dialog) { main_window_ = dialog; }

 protected:
  // Everything the program does happens here. Returning false ends the
  // process (a dialog-based program returns false once its dialog is over).
  virtual bool InitInstance() = 0;

 private:
  HINSTANCE instance_ = nullptr;
  Dialog* main_window_ = nullptr;
};

// A dialog from a template of ResourceModule().
class Dialog {
 public:
  explicit Dialog(UINT templateId);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  HWND hwnd() const { return hwnd_; }
  UINT templateId() const { return template_id_; }

  // Modeless: the window exists (and shows if its template says so) when this
  // returns true.
  bool Create(HWND parent);

  // Modal with our own message loop. The owner (if any) is disabled for the
  // run. The loop ends on EndDialog or when the window is destroyed by any
  // other path; the value is EndDialog's result, or -1 when the window could
  // not be created or went away without EndDialog.
  INT_PTR DoModal(HWND owner = nullptr);
  // Makes the next DoModal run start with the window hidden whatever its
  // template says: nothing shows until the program shows the window.
  void SetStartHidden(bool hidden) { start_hidden_ = hidden; }

  // Modal through the system's own loop (DialogBoxParamW): for dialogs that
  // need no pre-translation of their messages.
  INT_PTR DoModalSystemLoop(HWND owner = nullptr);

  // Ends a modal run with the result; a modeless dialog is destroyed.
  void EndDialog(INT_PTR result);
  void DestroyWindow();

  // Called by the modal loop for each message of this dialog's window or of
  // its child windows, before anything else sees it; messages of other
  // top-level windows (an owned popup included) never come here. Returning
  // true swallows the message: it is neither translated nor dispatched.
  virtual bool PreTranslateMessage(MSG& msg);

  // The framework object of a dialog window made by this layer, or null.
  static Dialog* FromHandle(HWND hwnd);

 protected:
  // WM_INITDIALOG. Return true to let the system set the default focus.
  virtual bool OnInitDialog() { return true; }
  // WM_COMMAND. Return true when handled. The default ends the dialog for
  // IDOK and IDCANCEL (the OK button, Enter, Escape, and the close request,
  // which the dialog manager turns into IDCANCEL).
  virtual bool OnCommand(WORD id, WORD notifyCode, HWND control);
  // Every message, before the handlers above. Return true when handled and
  // put the message's result into `result`; false gives the message to the
  // handlers above and then to the dialog manager's default processing.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // The window is being destroyed (WM_DESTROY); hwnd() is still valid.
  virtual void OnDestroy() {}

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void RunModalLoop();
  // The window from the template, made with WS_VISIBLE taken out of the
  // template's style, so the dialog manager does not show it.
  HWND CreateHidden(HWND owner);

  enum class Mode { kNone, kModeless, kOwnLoop, kSystemLoop };

  UINT template_id_;
  HWND hwnd_ = nullptr;
  Mode mode_ = Mode::kNone;
  bool end_requested_ = false;
  bool start_hidden_ = false;
  INT_PTR result_ = -1;
};

// Pumps one message the way the modal loop does: pre-translation through
// the dialogs of this layer from the message's window up to its top-level
// window, then the dialog manager of that top-level window, then dispatch. False
// when WM_QUIT was taken (it is posted again for the next loop out).
bool PumpMessage();

// A control created in code whose messages pass through WindowProc first.
class SubclassedControl {
 public:
  SubclassedControl() = default;
  virtual ~SubclassedControl();
  SubclassedControl(const SubclassedControl&) = delete;
  SubclassedControl& operator=(const SubclassedControl&) = delete;

  HWND hwnd() const { return hwnd_; }

  // Creates a child window of the class and subclasses it.
  bool CreateControl(const wchar_t* windowClass, DWORD style, DWORD exStyle, const RECT& rect,
                     HWND parent, UINT id);
  // Subclasses an existing window (for example a dialog's control).
  bool Attach(HWND hwnd);
  // Removes the subclass; the window stays.
  void Detach();
  // Destroys the window (the subclass goes with it).
  void DestroyWindow();

  static SubclassedControl* FromHandle(HWND hwnd);

 protected:
  // Each message of the control. The default passes it to the control's own
  // procedure; overrides call DefaultProc for what they do not handle.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR refData);
  HWND hwnd_ = nullptr;
};

class ListBox : public SubclassedControl {
 public:
  bool Create(DWORD style, const RECT& rect, HWND parent, UINT id);
  int AddString(const std::wstring& text);
  int InsertString(int index, const std::wstring& text);
  int DeleteString(int index);
  void ResetContent();
  int GetCount() const;
  int GetCurSel() const;
  int SetCurSel(int index);
  std::wstring GetText(int index) const;
  int GetItemHeight(int index) const;
  int SetItemHeight(int index, int height);
  int GetTopIndex() const;
  bool GetItemRect(int index, RECT& rect) const;
  // The item under a client point, or -1 when the point is below the items.
  int ItemFromPoint(POINT clientPoint) const;
};

class Edit : public SubclassedControl {
 public:
  bool Create(DWORD style, const RECT& rect, HWND parent, UINT id);
  void SetText(const std::wstring& text);
  std::wstring GetText() const;
  void SetLimitText(int chars);
  void SetSel(int start, int end);
};

// The text of a window (its title for a top-level window).
std::wstring WindowText(HWND hwnd);
// A string resource of ResourceModule(); empty when missing.
std::wstring LoadResourceString(UINT id);

}  // namespace zlv::win
