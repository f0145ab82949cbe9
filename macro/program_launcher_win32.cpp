#include "macro/program_launcher_win32.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace zlv {

namespace {

std::wstring Wide(TextView text) { return std::wstring(text.begin(), text.end()); }

std::wstring SystemFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const UINT n = GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::wstring(buffer.data(), n);
    buffer.resize(n + 1);
  }
}

}  // namespace

bool SystemFolderLauncher::Launch(TextView program) {
  if (!IsBareProgramName(program)) return false;
  const std::wstring folder = SystemFolder();
  if (folder.empty()) return false;
  std::wstring path = folder;
  if (path.back() != L'\\') path += L'\\';
  path += Wide(program);

  // CreateProcessW may write into the command line.
  std::wstring commandLine = L"\"" + path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool SystemFolderLauncher::OpenAddress(TextView address) {
  if (!IsWebAddress(address)) return false;
  const std::wstring wide = Wide(address);
  // ShellExecuteW answers a value above 32 on success.
  const HINSTANCE result = ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace zlv
