// zlvctl's entry point on Windows: arguments are taken as UTF-16 and passed on
// as UTF-8, and output goes out as UTF-8.
#include <windows.h>
#include <shellapi.h>

#include <iostream>

#include "app/startup_task_win32.h"
#include "base/text_win32.h"
#include "tools/zlvctl/zlvctl.h"

int main() {
  SetConsoleOutputCP(CP_UTF8);
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::string> args;
  for (int i = 1; argv != nullptr && i < argc; ++i) args.push_back(zlv::ToUtf8(zlv::FromWide(argv[i])));
  if (argv != nullptr) LocalFree(argv);
  // The start-up task starts the program installed beside this tool.
  zlv::TaskSchedulerStartupTask startup(zlv::FolderOfPath(zlv::ModulePath()) + u"\\ZLV_GMouse.exe");
  return zlv::RunZlvctl(args, std::cout, std::cerr, zlv::Disk(), nullptr, &startup);
}
