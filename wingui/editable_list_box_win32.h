// A list box whose lines can be edited in place: on request it opens a small
// edit box exactly over the selected line, and puts the edited text back into
// the line when editing ends.
//
// Editing starts when the list box receives WM_CHAR with character code 1:
// the owner sends it (the "Modify Delay" command), and Ctrl+A typed while the
// list has the keyboard focus produces it too. With no line selected nothing
// opens.
//
// Editing ends, keeping the text, when Enter is released in the editor, when
// the editor loses the focus, and when the list box is resized or scrolled;
// releasing Escape ends it and discards the text. The editor acts on key
// release because the main window swallows the key-down of Enter and Escape
// before any control sees it; without that swallowing it works the same.
//
// What the parent hears:
//  - UM_LINE_CHANGED when a kept text differs from the line (only with
//    LBS_NOTIFY): wParam is the line's new index, lParam the line's old text
//    (a const wchar_t*, valid during the call only);
//  - UM_EDIT_DONE after every end of editing. Destroying the focused editor
//    makes it lose the focus, which ends editing again inside the first end:
//    that inner pass keeps nothing, but it sends a second UM_EDIT_DONE, so
//    the parent must take UM_EDIT_DONE twice for one edit.
//
// The parent may destroy the list box, or delete it, from its handlers of
// these notifications.
#pragma once

#include <windows.h>

#include "wingui/win_framework_win32.h"

namespace zlv::win {

// Editor to list box: wParam 1 keeps the text, 0 discards it; lParam 0.
inline constexpr UINT UM_END_EDIT = WM_APP + 0x841;  // 0x8841
// List box to its parent: see above.
inline constexpr UINT UM_LINE_CHANGED = WM_APP + 0x840;  // 0x8840
inline constexpr UINT UM_EDIT_DONE = WM_USER + 10;       // 0x040A
static_assert(UM_END_EDIT == 0x8841 && UM_LINE_CHANGED == 0x8840 && UM_EDIT_DONE == 0x040A);

// The edit box over the line being edited. A child of the list box, control
// id 1; it exists only while a line is edited.
class CEditHelper : public Edit {
 public:
  CEditHelper() = default;
  ~CEditHelper() override;

  // Called once the editor is open: an Enter or Escape held down at that
  // moment is let go of without ending the edit.
  void NoteKeysHeldAtOpen();

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  bool enter_held_at_open_ = false;
  bool escape_held_at_open_ = false;
};

class CEditableListBox : public ListBox {
 public:
  // The character code that asks the list box to start editing (Ctrl+A).
  static constexpr WPARAM kStartEditChar = 1;
  // The editor's control id.
  static constexpr UINT kEditorId = 1;

  CEditableListBox() = default;
  ~CEditableListBox() override;

  // True while the editor is open (from the start of editing until the
  // editor's window is being destroyed).
  bool IsEditing() const;
  // The line being edited, or -1.
  int EditingIndex() const { return editing_index_; }
  // The editor's window while editing, else null.
  HWND EditorWindow() const { return editor_.hwnd(); }

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void BeginEditing();
  void EndEditing(bool keep);
  // Destroys the editor's window unless an outer call is already doing it.
  void CloseEditor();

  CEditHelper editor_;
  int editing_index_ = -1;
  // The character code of the last WM_CHAR; editing starts only on 1.
  UINT start_latch_ = 0;
  // Set while the editor's window is being destroyed: the focus loss that
  // destruction causes must not destroy it a second time.
  bool closing_editor_ = false;
  // While the editor is being destroyed: set when this object is deleted
  // meanwhile (by the parent, from a notification).
  bool* deleted_flag_ = nullptr;
};

}  // namespace zlv::win
