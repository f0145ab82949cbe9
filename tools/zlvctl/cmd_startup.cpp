// zlvctl startup: the start with Windows, for the installer and by hand.
#include <ostream>

#include "app/startup_task.h"
#include "tools/zlvctl/commands.h"

namespace zlv::zlvctl {

int StartupCommand(const std::vector<std::string>& args, std::ostream& out, StartupTask* startup) {
  if (args.size() < 2) throw UsageError("startup needs status, enable, disable or xml");
  const std::string& verb = args[1];
  if (verb == "xml") {
    const Options options(args, 2, {"--program", "--user"});
    const StartupTaskDefinition task{FromUtf8(options.Require("--user")),
                               FromUtf8(options.Require("--program"))};
    out << ToUtf8(StartupTaskXml(task));
    return kExitOk;
  }
  if (verb != "status" && verb != "enable" && verb != "disable") {
    throw UsageError("unknown startup command '" + verb + "'");
  }
  if (args.size() > 2) throw UsageError("startup " + verb + " takes no options");
  if (startup == nullptr) throw RuntimeError("the start with Windows needs the Windows Task Scheduler");
  if (verb == "status") {
    const bool on = startup->Exists();
    out << (on ? "on" : "off") << '\n';
    return on ? kExitOk : kExitStartupOff;
  }
  if (verb == "enable") {
    if (!startup->Enable()) throw RuntimeError("cannot register the start-up task (administrator rights?)");
    return kExitOk;
  }
  if (!startup->Disable()) throw RuntimeError("cannot remove the start-up task (administrator rights?)");
  return kExitOk;
}

}  // namespace zlv::zlvctl
