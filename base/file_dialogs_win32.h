// The system's open and save file dialogs on Windows.
#pragma once

#include <windows.h>

#include <functional>

#include "base/file_dialogs.h"

namespace zlv {

class Win32FileDialogs final : public FileDialogs {
 public:
  // `owner` is asked for the owner window at each call (the main window may
  // not exist yet when this object is made).
  explicit Win32FileDialogs(std::function<HWND()> owner);
  std::optional<Text> Choose(const FileDialogRequest& request) override;

 private:
  std::function<HWND()> owner_;
};

}  // namespace zlv
