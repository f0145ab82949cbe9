// zlv_save_loop.exe KIND FOLDER EVENT: saves the file of KIND ("config" or
// "macros") in FOLDER again and again through the program's own save code,
// after setting the named event EVENT, until it is killed. The kill harness
// (kill_harness_win32.cpp) ends it at random moments.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "base/file_store.h"
#include "base/text_win32.h"
#include "tests/crash/save_steps.h"

int main() {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr || count != 4) return 2;
  const std::wstring kind = argv[1];
  const zlv::Text folder = zlv::FromWide(argv[2]);
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]);
  LocalFree(argv);
  if (kind != L"config" && kind != L"macros") return 2;
  const zlv::crash::SaveKind save = kind == L"config" ? zlv::crash::SaveKind::kConfig : zlv::crash::SaveKind::kMacros;
  if (ready != nullptr) SetEvent(ready);
  for (std::uint32_t round = 0;; ++round) zlv::crash::RunSave(save, zlv::Disk(), folder, round);
}
