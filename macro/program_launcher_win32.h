// Starts programs from the Windows system folder.
#pragma once

#include "macro/program_launcher.h"

namespace zlv {

// The program runs with administrator rights, so a program is started only by
// its full path in the system folder (for example C:\Windows\System32\calc.exe),
// never looked up in the current folder or along PATH, where a planted
// "calc.exe" would run elevated.
class SystemFolderLauncher final : public ProgramLauncher {
 public:
  bool Launch(TextView program) override;
  bool OpenAddress(TextView address) override;
};

}  // namespace zlv
