#include "base/file_dialogs_win32.h"

#include <commdlg.h>

#include <string>
#include <utility>
#include <vector>

#include "base/text_win32.h"

namespace zlv {
namespace {

// Room for a long path ("\\?\" form) and its terminator.
constexpr DWORD kPathBufferLength = 32768;

// The folder the dialog opens in. Wine's dialog crashes when the chosen
// file's path grows past MAX_PATH, so a folder that leaves no room within
// MAX_PATH for a separator and an 8.3 name is not passed: the dialog then
// opens in its own default folder.
std::wstring DialogStartFolder(std::wstring folder) {
  constexpr size_t kRoomForName = 1 + 12 + 1;  // "\", "name.ext", terminator
  if (folder.size() + kRoomForName > MAX_PATH) return {};
  return folder;
}

}  // namespace

Win32FileDialogs::Win32FileDialogs(std::function<HWND()> owner) : owner_(std::move(owner)) {}

std::optional<Text> Win32FileDialogs::Choose(const FileDialogRequest& request) {
  HWND owner = owner_ ? owner_() : nullptr;
  if (owner != nullptr && !IsWindow(owner)) owner = nullptr;

  // The wstring's own terminator follows the filter's final NUL: the list
  // ends in two NULs even if the text lacked its closing double bar.
  const std::wstring filter = ToWide(NulSeparatedFilter(request.filter));
  const std::wstring extension = ToWide(request.defaultExtension);
  const std::wstring folder = DialogStartFolder(ToWide(request.initialFolder));
  std::vector<wchar_t> path(kPathBufferLength, L'\0');  // no preset file name

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = kPathBufferLength;
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  ofn.Flags = static_cast<DWORD>(request.flags) | OFN_EXPLORER;

  const BOOL chosen = request.kind == FileDialogKind::kSave ? GetSaveFileNameW(&ofn)
                                                            : GetOpenFileNameW(&ofn);
  if (!chosen) return std::nullopt;  // cancelled, or the dialog failed
  path.back() = L'\0';
  return FromWide(std::wstring(path.data()));
}

}  // namespace zlv
