// The function-selection menus of the main page's button fields, and the
// warning shown before the last primary-click button is remapped. The
// decisions (rows, groups, placement, paint plans, choices) are portable in
// ui/function_menu.h; these windows only carry them out.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "base/text.h"
#include "settings/function_codes.h"
#include "settings/profile_settings.h"
#include "ui/skin_layout.h"

namespace zlv {

// What the menus read and change; owned by the main window.
struct FunctionMenuContext {
  Text exeDir;                     // pictures below exeDir\skins
  ProfileSettings* settings = nullptr;
  const FunctionLabels* labels = nullptr;
  std::function<std::vector<Text>()> userMacroNames;  // names of the records in use
  std::function<bool()> english;
  const ui::WarningLayout* warning = nullptr;
  // After a choice in a submenu: the main window repaints (and closes the menu then).
  std::function<void()> choiceMade;
};

// Result of the warning dialog.
enum class WarningResult { kGoOn = 1, kCancel = 2, kClosed = 0 };

// Runs the warning dialog's pictures with `layout` (its places and captions)
// as a question centred over `owner`: true when its first button answers it;
// Escape, Enter and a close request answer no.
bool AskInWarningStyle(const FunctionMenuContext& context, const ui::WarningLayout& layout, HWND owner);

// Runs the warning dialog (template 105) modally at `corner` (screen
// coordinates), kept inside the work area of its monitor; a release over one
// of its two buttons ends it, and Escape or a close request answer as the
// second button. `owner` (the main window) is disabled until then.
WarningResult RunWarningDialog(const FunctionMenuContext& context, POINT corner,
                               HWND owner = nullptr);

// The first-level menu (template 103, CMenuDlg) with its submenu
// (template 104, CSubMenuDlg). One is open at a time.
class FunctionMenus {
 public:
  explicit FunctionMenus(FunctionMenuContext context);
  ~FunctionMenus();
  FunctionMenus(const FunctionMenus&) = delete;
  FunctionMenus& operator=(const FunctionMenus&) = delete;

  // Opens the menu for `button` (0..5) with its top-left corner at `corner`
  // (screen coordinates), owned by `owner`. When no other button has the
  // primary click, the warning is shown first and its second button opens
  // nothing. Returns whether the menu opened.
  bool Open(HWND owner, int button, POINT corner);
  // Destroys the menu and its submenu, if open.
  void Close();
  bool IsOpen() const;
  // Set once a submenu choice was made; the main window's next paint clears
  // it and closes the menu.
  bool TakeChoiceDone();

  // For tests: the windows, or nullptr.
  HWND FirstLevelWindow() const;
  HWND SubmenuWindow() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zlv
