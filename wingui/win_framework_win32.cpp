#include "wingui/win_framework_win32.h"

#include <commctrl.h>

#include <cstring>
#include <vector>

namespace zlv::win {

namespace {

HINSTANCE g_resource_module = nullptr;
App* g_current_app = nullptr;

// The window property that ties a dialog window to its Dialog object.
constexpr const wchar_t* kDialogProperty = L"zlv.win.Dialog";
// And a subclassed control to its SubclassedControl object.
constexpr const wchar_t* kControlProperty = L"zlv.win.Control";
constexpr UINT_PTR kSubclassId = 0x5A4C56;  // any fixed id of ours

// Messages whose dialog-procedure result is returned directly instead of
// through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
      return true;
    default:
      return false;
  }
}

// Asks the dialogs of the message's own window tree whether they swallow it:
// each dialog of ours from the message's window up through its parents to
// its top-level window, and no further. An owned top-level window (the about
// box, a popup of the main window) is a tree of its own: the main window's
// pre-translation never sees its messages, so its keys reach its own dialog
// handling.
bool PreTranslateThroughDialogs(MSG& msg, HWND root) {
  for (HWND w = msg.hwnd; w != nullptr; w = w == root ? nullptr : GetParent(w)) {
    Dialog* dialog = Dialog::FromHandle(w);
    if (dialog != nullptr && dialog->PreTranslateMessage(msg)) return true;
  }
  return false;
}

}  // namespace

HINSTANCE ResourceModule() {
  return g_resource_module != nullptr ? g_resource_module : GetModuleHandleW(nullptr);
}

void SetResourceModule(HINSTANCE module) { g_resource_module = module; }

// ---------------------------------------------------------------------------
// App

App::App() { g_current_app = this; }

App::~App() {
  if (g_current_app == this) g_current_app = nullptr;
}

App* App::Current() { return g_current_app; }

int App::Run(HINSTANCE instance) {
  instance_ = instance;
  InitInstance();
  main_window_ = nullptr;
  return 0;
}

// ---------------------------------------------------------------------------
// Dialog

Dialog::Dialog(UINT templateId) : template_id_(templateId) {}

Dialog::~Dialog() {
  if (hwnd_ != nullptr) {
    HWND hwnd = hwnd_;
    ::DestroyWindow(hwnd);
    if (IsWindow(hwnd)) RemovePropW(hwnd, kDialogProperty);
  }
}

Dialog* Dialog::FromHandle(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  return static_cast<Dialog*>(GetPropW(hwnd, kDialogProperty));
}

bool Dialog::Create(HWND parent) {
  if (hwnd_ != nullptr) return false;
  mode_ = Mode::kModeless;
  end_requested_ = false;
  HWND created = CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(template_id_), parent,
                                    &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
  if (created == nullptr) mode_ = Mode::kNone;
  return created != nullptr && hwnd_ != nullptr;
}

INT_PTR Dialog::DoModal(HWND owner) {
  if (hwnd_ != nullptr) return -1;
  mode_ = Mode::kOwnLoop;
  end_requested_ = false;
  result_ = -1;

  bool ownerDisabled = false;
  if (owner != nullptr && IsWindowEnabled(owner)) {
    EnableWindow(owner, FALSE);
    ownerDisabled = true;
  }
  HWND created = start_hidden_ ? CreateHidden(owner)
                               : CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(template_id_), owner,
                                                    &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
  if (created != nullptr && hwnd_ != nullptr && !end_requested_) {
    // A modal dialog shows even when its template is not visible, unless it
    // was asked to start hidden.
    if (!start_hidden_ && !IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_SHOWNORMAL);
    RunModalLoop();
  }
  if (hwnd_ != nullptr) {
    // Hide first and give the activation back to the owner before the window
    // goes, so the owner and not some other program comes to the front.
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
  }
  if (ownerDisabled) {
    EnableWindow(owner, TRUE);
    if (hwnd_ != nullptr && GetActiveWindow() == hwnd_) SetActiveWindow(owner);
  }
  if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
  mode_ = Mode::kNone;
  return result_;
}

HWND Dialog::CreateHidden(HWND owner) {
  HMODULE module = ResourceModule();
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(template_id_), RT_DIALOG);
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  const DWORD size = found != nullptr ? SizeofResource(module, found) : 0;
  // A template is a few hundred bytes; the bound keeps the copy's size from
  // wrapping around on a 32-bit build.
  if (bytes == nullptr || size < sizeof(DLGTEMPLATE) || size > 0x100000) return nullptr;
  // A copy in DWORDs keeps the alignment the template needs.
  std::vector<DWORD> copy(size / sizeof(DWORD) + 1, 0);
  memcpy(copy.data(), bytes, size);
  // An extended template (version 1, signature 0xFFFF) keeps its style after
  // the help id and the extended style; the classic one starts with it.
  const WORD* words = reinterpret_cast<const WORD*>(copy.data());
  const bool extended = words[0] == 1 && words[1] == 0xFFFF;
  DWORD& style = copy[extended ? 3 : 0];
  style &= ~static_cast<DWORD>(WS_VISIBLE);
  return CreateDialogIndirectParamW(module, reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()), owner,
                                    &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::DoModalSystemLoop(HWND owner) {
  if (hwnd_ != nullptr) return -1;
  mode_ = Mode::kSystemLoop;
  end_requested_ = false;
  result_ = -1;
  const INT_PTR result = DialogBoxParamW(ResourceModule(), MAKEINTRESOURCEW(template_id_), owner,
                                         &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
  mode_ = Mode::kNone;
  return result;
}

void Dialog::RunModalLoop() {
  while (!end_requested_ && hwnd_ != nullptr) {
    if (!PumpMessage()) break;
  }
}

void Dialog::EndDialog(INT_PTR result) {
  switch (mode_) {
    case Mode::kOwnLoop:
      result_ = result;
      end_requested_ = true;
      // Wake the loop in case the request came from outside a dispatched message.
      if (hwnd_ != nullptr) PostMessageW(hwnd_, WM_NULL, 0, 0);
      break;
    case Mode::kSystemLoop:
      result_ = result;
      end_requested_ = true;
      if (hwnd_ != nullptr) ::EndDialog(hwnd_, result);
      break;
    case Mode::kModeless:
      result_ = result;
      DestroyWindow();
      break;
    case Mode::kNone:
      break;
  }
}

void Dialog::DestroyWindow() {
  if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
}

bool Dialog::PreTranslateMessage(MSG&) { return false; }

bool Dialog::OnCommand(WORD id, WORD, HWND) {
  if (id == IDOK || id == IDCANCEL) {
    EndDialog(id);
    return true;
  }
  return false;
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    self->hwnd_ = hwnd;
    SetPropW(hwnd, kDialogProperty, self);
  } else {
    self = FromHandle(hwnd);
  }
  if (self == nullptr) return FALSE;
  return self->Dispatch(message, wParam, lParam);
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnInitDialog() ? TRUE : FALSE;
  if (message == WM_NCDESTROY) {
    RemovePropW(hwnd_, kDialogProperty);
    hwnd_ = nullptr;
    // Our modal loop sees that its window is gone only when GetMessageW
    // returns. A window destroyed while a message sent from another thread
    // is handled (the device notifications come that way) leaves nothing in
    // the queue, and the loop would sleep on with no window: wake it.
    if (mode_ == Mode::kOwnLoop) PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
    return FALSE;
  }
  if (message == WM_DESTROY) OnDestroy();

  LRESULT result = 0;
  bool handled = OnMessage(message, wParam, lParam, result);
  if (!handled && message == WM_COMMAND) {
    handled = OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    result = 0;
  }
  if (!handled) return FALSE;
  if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(result);
  if (hwnd_ != nullptr) SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
  return TRUE;
}

bool PumpMessage() {
  MSG msg;
  const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
  if (got == 0) {
    PostQuitMessage(static_cast<int>(msg.wParam));
    return false;
  }
  if (got == -1) return false;
  HWND root = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (PreTranslateThroughDialogs(msg, root)) return true;
  if (Dialog::FromHandle(root) != nullptr && IsDialogMessageW(root, &msg)) return true;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return true;
}

// ---------------------------------------------------------------------------
// Subclassed controls

SubclassedControl::~SubclassedControl() { DestroyWindow(); }

bool SubclassedControl::CreateControl(const wchar_t* windowClass, DWORD style, DWORD exStyle,
                                      const RECT& rect, HWND parent, UINT id) {
  if (hwnd_ != nullptr) return false;
  HWND hwnd = CreateWindowExW(exStyle, windowClass, L"", style, rect.left, rect.top,
                              rect.right - rect.left, rect.bottom - rect.top, parent,
                              reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr);
  if (hwnd == nullptr) return false;
  if (!Attach(hwnd)) {
    ::DestroyWindow(hwnd);
    return false;
  }
  return true;
}

bool SubclassedControl::Attach(HWND hwnd) {
  if (hwnd_ != nullptr || hwnd == nullptr) return false;
  if (!SetWindowSubclass(hwnd, &SubclassedControl::SubclassProc, kSubclassId,
                         reinterpret_cast<DWORD_PTR>(this))) {
    return false;
  }
  SetPropW(hwnd, kControlProperty, this);
  hwnd_ = hwnd;
  return true;
}

void SubclassedControl::Detach() {
  if (hwnd_ == nullptr) return;
  RemoveWindowSubclass(hwnd_, &SubclassedControl::SubclassProc, kSubclassId);
  RemovePropW(hwnd_, kControlProperty);
  hwnd_ = nullptr;
}

void SubclassedControl::DestroyWindow() {
  // The window's WM_NCDESTROY clears hwnd_. Nothing of this object is touched
  // after the call: a handler the destruction runs may have deleted it.
  if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
}

SubclassedControl* SubclassedControl::FromHandle(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  return static_cast<SubclassedControl*>(GetPropW(hwnd, kControlProperty));
}

LRESULT SubclassedControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefaultProc(message, wParam, lParam);
}

LRESULT SubclassedControl::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefSubclassProc(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK SubclassedControl::SubclassProc(HWND hwnd, UINT message, WPARAM wParam,
                                                 LPARAM lParam, UINT_PTR, DWORD_PTR refData) {
  auto* self = reinterpret_cast<SubclassedControl*>(refData);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, &SubclassedControl::SubclassProc, kSubclassId);
    RemovePropW(hwnd, kControlProperty);
    if (self->hwnd_ == hwnd) self->hwnd_ = nullptr;
    return DefSubclassProc(hwnd, message, wParam, lParam);
  }
  return self->WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------
// List box and edit

bool ListBox::Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
  return CreateControl(L"LISTBOX", style | WS_CHILD, 0, rect, parent, id);
}

int ListBox::AddString(const std::wstring& text) {
  return static_cast<int>(SendMessageW(hwnd(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int ListBox::InsertString(int index, const std::wstring& text) {
  return static_cast<int>(SendMessageW(hwnd(), LB_INSERTSTRING, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(text.c_str())));
}

int ListBox::DeleteString(int index) {
  return static_cast<int>(SendMessageW(hwnd(), LB_DELETESTRING, static_cast<WPARAM>(index), 0));
}

void ListBox::ResetContent() { SendMessageW(hwnd(), LB_RESETCONTENT, 0, 0); }

int ListBox::GetCount() const { return static_cast<int>(SendMessageW(hwnd(), LB_GETCOUNT, 0, 0)); }

int ListBox::GetCurSel() const { return static_cast<int>(SendMessageW(hwnd(), LB_GETCURSEL, 0, 0)); }

int ListBox::SetCurSel(int index) {
  return static_cast<int>(SendMessageW(hwnd(), LB_SETCURSEL, static_cast<WPARAM>(index), 0));
}

std::wstring ListBox::GetText(int index) const {
  const LRESULT length = SendMessageW(hwnd(), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0) return std::wstring();
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(hwnd(), LB_GETTEXT, static_cast<WPARAM>(index),
                                   reinterpret_cast<LPARAM>(buffer.data()));
  if (got <= 0) return std::wstring();
  return std::wstring(buffer.data(), static_cast<std::size_t>(got));
}

int ListBox::GetItemHeight(int index) const {
  return static_cast<int>(SendMessageW(hwnd(), LB_GETITEMHEIGHT, static_cast<WPARAM>(index), 0));
}

int ListBox::SetItemHeight(int index, int height) {
  return static_cast<int>(SendMessageW(hwnd(), LB_SETITEMHEIGHT, static_cast<WPARAM>(index),
                                       MAKELPARAM(height, 0)));
}

int ListBox::GetTopIndex() const {
  return static_cast<int>(SendMessageW(hwnd(), LB_GETTOPINDEX, 0, 0));
}

bool ListBox::GetItemRect(int index, RECT& rect) const {
  return SendMessageW(hwnd(), LB_GETITEMRECT, static_cast<WPARAM>(index),
                      reinterpret_cast<LPARAM>(&rect)) != LB_ERR;
}

int ListBox::ItemFromPoint(POINT clientPoint) const {
  const LRESULT hit = SendMessageW(hwnd(), LB_ITEMFROMPOINT, 0,
                                   MAKELPARAM(clientPoint.x, clientPoint.y));
  if (HIWORD(hit) != 0) return -1;  // outside the client area or below the last item
  return static_cast<int>(LOWORD(hit));
}

bool Edit::Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
  return CreateControl(L"EDIT", style | WS_CHILD, 0, rect, parent, id);
}

void Edit::SetText(const std::wstring& text) { SetWindowTextW(hwnd(), text.c_str()); }

std::wstring Edit::GetText() const { return WindowText(hwnd()); }

void Edit::SetLimitText(int chars) {
  SendMessageW(hwnd(), EM_SETLIMITTEXT, static_cast<WPARAM>(chars), 0);
}

void Edit::SetSel(int start, int end) {
  SendMessageW(hwnd(), EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}

std::wstring WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return std::wstring();
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, buffer.data(), length + 1);
  return std::wstring(buffer.data(), static_cast<std::size_t>(got > 0 ? got : 0));
}

std::wstring LoadResourceString(UINT id) {
  const wchar_t* text = nullptr;
  // With a zero buffer size LoadStringW points into the resource itself.
  const int length = LoadStringW(ResourceModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) return std::wstring();
  return std::wstring(text, static_cast<std::size_t>(length));
}

}  // namespace zlv::win
