// The program's message boxes on Windows: an OK button, owned by the main
// window, captioned with the executable's file name without its extension.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "base/message_box.h"

namespace zlv {

// "ZLV_GMouse" for C:\...\ZLV_GMouse.exe: the module path's last component
// without its extension.
std::wstring ApplicationName(const std::wstring& modulePath);
// The application name of this process's executable.
std::wstring ProcessApplicationName();

class Win32MessageBoxes final : public MessageBoxes {
 public:
  // `owner` is asked for the owner window at each call (the main window may
  // not exist yet when this object is made).
  explicit Win32MessageBoxes(std::function<HWND()> owner);
  void Show(TextView text) override;

 private:
  std::function<HWND()> owner_;
  std::wstring caption_;
};

}  // namespace zlv
