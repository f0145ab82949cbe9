// zlvctl: the command-line face of the program's logic, run against the
// virtual mouse. Exit status 0 on success, 2 on a usage error, 1 on a runtime
// error (with a message on the error stream).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "base/file_store.h"

namespace zlv {

class StartupTask;

inline constexpr int kExitOk = 0;
inline constexpr int kExitRuntimeError = 1;
inline constexpr int kExitUsage = 2;

struct HostMouse;

// `args` are the arguments after the program name, in UTF-8. `mouse` gives
// the commands for a real mouse what they need of the system; without it
// they refuse to run (the Windows build has the program for that). `startup`
// is the start-up task the startup commands act on (none: they fail).
int RunZlvctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              FileStore& files, const HostMouse* mouse = nullptr, StartupTask* startup = nullptr);

}  // namespace zlv
