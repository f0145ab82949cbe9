#include "wingui/editable_list_box_win32.h"

#include <string>

namespace zlv::win {

// ---------------------------------------------------------------------------
// The editor

CEditHelper::~CEditHelper() { DestroyWindow(); }

LRESULT CEditHelper::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // Ending the edit destroys this window from inside its own handler: after
  // the list box has answered, touch nothing unless the window is still there
  // (the list box, which embeds this object, may be gone with it).
  const HWND self = hwnd();
  bool ask = false;
  WPARAM keep = 0;
  if (message == WM_KEYUP && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
    // The release of a key that was already down when the editor opened (the
    // Enter that chose "Modify Delay" in the context menu) is not an answer.
    bool& stale = wParam == VK_RETURN ? enter_held_at_open_ : escape_held_at_open_;
    ask = !stale;
    stale = false;
    keep = wParam == VK_RETURN ? 1 : 0;
  } else if (message == WM_KILLFOCUS) {
    ask = true;
    keep = 1;
  }
  if (ask) {
    SendMessageW(GetParent(self), UM_END_EDIT, keep, 0);
    if (!IsWindow(self) || SubclassedControl::FromHandle(self) != this) return 0;
  }
  return DefaultProc(message, wParam, lParam);
}

void CEditHelper::NoteKeysHeldAtOpen() {
  // The key state of this thread's input as far as it has been read: a
  // release still waiting in the queue counts as held.
  enter_held_at_open_ = (GetKeyState(VK_RETURN) & 0x8000) != 0;
  escape_held_at_open_ = (GetKeyState(VK_ESCAPE) & 0x8000) != 0;
}

// ---------------------------------------------------------------------------
// The list box

CEditableListBox::~CEditableListBox() {
  if (deleted_flag_ != nullptr) *deleted_flag_ = true;
  // The editor's window must go while this object can still answer it.
  editing_index_ = -1;
  CloseEditor();
}

bool CEditableListBox::IsEditing() const { return editor_.hwnd() != nullptr && !closing_editor_; }

LRESULT CEditableListBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND self = hwnd();
  // After a notification the parent may have destroyed the list box.
  const auto gone = [&] { return !IsWindow(self) || SubclassedControl::FromHandle(self) != this; };
  switch (message) {
    case WM_CHAR:
      start_latch_ = static_cast<UINT>(wParam);
      BeginEditing();
      if (gone()) return 0;
      break;
    case UM_END_EDIT:
      EndEditing(wParam != 0);
      return 0;
    case WM_SIZE: {
      const LRESULT result = DefaultProc(message, wParam, lParam);
      EndEditing(true);
      return result;
    }
    case WM_VSCROLL:
    case WM_HSCROLL:
      EndEditing(true);
      if (gone()) return 0;
      break;
    case WM_DESTROY:
      // The list goes away: whatever is being edited goes with it.
      editing_index_ = -1;
      CloseEditor();
      if (gone()) return 0;
      break;
    default:
      break;
  }
  return DefaultProc(message, wParam, lParam);
}

void CEditableListBox::BeginEditing() {
  if (start_latch_ != kStartEditChar) return;
  start_latch_ = 0;
  if (editor_.hwnd() != nullptr) return;  // already editing

  const int line = GetCurSel();
  if (line < 0) return;
  RECT rect{};
  if (!GetItemRect(line, rect)) return;
  rect.top -= 2;
  rect.bottom += 2;

  if (!editor_.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, rect, hwnd(), kEditorId)) {
    return;
  }
  const HWND editor = editor_.hwnd();
  SetWindowLongPtrW(editor, GWL_EXSTYLE, GetWindowLongPtrW(editor, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
  SetWindowPos(editor, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(editor, WM_SETFONT, static_cast<WPARAM>(SendMessageW(hwnd(), WM_GETFONT, 0, 0)), TRUE);

  editor_.SetText(GetText(line));
  editor_.SetSel(0, -1);
  editor_.NoteKeysHeldAtOpen();
  // Set before the focus moves: the list's own loss of the focus already
  // notifies the parent, which may end the edit from there.
  editing_index_ = line;
  SetFocus(editor);
}

void CEditableListBox::EndEditing(bool keep) {
  if (editor_.hwnd() == nullptr) return;
  const HWND self = hwnd();

  if (keep && editing_index_ != -1) {
    const std::wstring old_text = GetText(editing_index_);
    const std::wstring new_text = editor_.GetText();
    if (new_text != old_text) {
      const LONG_PTR style = GetWindowLongPtrW(self, GWL_STYLE);
      DeleteString(editing_index_);
      editing_index_ = (style & LBS_SORT) != 0 ? AddString(new_text) : InsertString(editing_index_, new_text);
      SetCurSel(editing_index_);
      if ((style & LBS_NOTIFY) != 0 && editing_index_ >= 0) {
        SendMessageW(GetParent(self), UM_LINE_CHANGED, static_cast<WPARAM>(editing_index_),
                     reinterpret_cast<LPARAM>(old_text.c_str()));
        if (!IsWindow(self)) return;  // the parent took the list box away
      }
    }
  }

  editing_index_ = -1;
  CloseEditor();
  if (IsWindow(self)) SendMessageW(GetParent(self), UM_EDIT_DONE, 0, 0);
}

void CEditableListBox::CloseEditor() {
  const HWND editor = editor_.hwnd();
  if (closing_editor_ || editor == nullptr) return;
  // The destruction runs the parent's handlers (the focus loss ends the edit
  // again inside it), and the parent may delete this list box from there.
  bool deleted = false;
  deleted_flag_ = &deleted;
  closing_editor_ = true;
  ::DestroyWindow(editor);  // the editor's handle is cleared on WM_NCDESTROY
  if (deleted) return;
  closing_editor_ = false;
  deleted_flag_ = nullptr;
}

}  // namespace zlv::win
