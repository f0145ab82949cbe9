// zlvctl's commands, one file per command group, and what they share.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/file_store.h"
#include "macro/macro_slot.h"
#include "sim/program_rig.h"
#include "tools/zlvctl/host_mouse.h"
#include "tools/zlvctl/zlvctl.h"

namespace zlv::zlvctl {

extern const char kUsage[];

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
struct RuntimeError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// Well-formed input that cannot be carried out as given: exit status 2 like a
// usage error, but the message alone, without the usage text.
struct RefusedInput : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Options of the form --name VALUE after the command words.
class Options {
 public:
  Options(const std::vector<std::string>& args, std::size_t first,
          std::initializer_list<const char*> allowed) {
    for (std::size_t i = first; i < args.size(); ++i) {
      const std::string& name = args[i];
      bool known = false;
      for (const char* a : allowed) known = known || name == a;
      if (!known) throw UsageError("unknown option '" + name + "'");
      if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value");
      values_[name] = args[++i];
    }
  }
  std::optional<std::string> Get(const std::string& name) const {
    const auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second;
  }
  std::string Require(const std::string& name) const {
    auto v = Get(name);
    if (!v) throw UsageError("missing option " + name);
    return *v;
  }

 private:
  std::map<std::string, std::string> values_;
};

// A profile number on the command line.
std::int32_t ParseProfileNumber(const std::string& text);

// An event value or key code on the command line: decimal or 0x-hex, 0..255.
std::uint8_t ParseByteValue(const std::string& text);

// The bytes of the config file at `path`.
std::string ReadConfig(FileStore& files, const std::string& path);

// Loads the macro file at `path` as the program loads the user macros.
void LoadMacros(FileStore& files, const std::string& path, UserMacroTable& table,
                MacroEditState& state);

// Puts `configBytes` into `files` as "config.ini" and loads profile `profile`
// of it into `settings` (by default the one [Init] CurConfig names), as the
// program's start-up loads it: the scratch copy a push may then write to.
void LoadScratchProfile(MemoryFileStore& files, IniStore& ini, SettingsModel& settings,
                        const std::string& configBytes, std::optional<std::int32_t> profile);

// A push of one profile of a config file to a fresh virtual mouse, on a
// scratch copy of the file (the rig's files).
struct PushRun : ProgramRig<ManualClock> {
  PushRun(const std::string& configBytes, std::optional<std::int32_t> profile);
};

// What `reports` prints of a push: each report the mouse received (first 8
// bytes in hex) and the Windows settings on `out`; each protocol error the
// mouse flagged on `err`, as "protocol error: " and the mouse's description.
// Exit status 1 when the mouse flagged anything.
int PrintReports(const VirtualMouse& mouse, const RecordingSystemSettings& system,
                 std::ostream& out, std::ostream& err);

// The command groups; `args` start with the command word.
int Reports(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            FileStore& files);
int Demo(const std::vector<std::string>& args, std::ostream& out, FileStore& files);
int ProfileCommand(const std::vector<std::string>& args, std::ostream& out, FileStore& files);
int KeyCodeCommand(const std::vector<std::string>& args, std::ostream& out);
int MacroCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 FileStore& files);
int StartupCommand(const std::vector<std::string>& args, std::ostream& out, StartupTask* startup);
// The exit status of `startup status` when the task is not registered.
inline constexpr int kExitStartupOff = 3;

// The commands for a real mouse (Linux).
int Devices(const std::vector<std::string>& args, std::ostream& out, const HostMouse& mouse);
int Apply(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, FileStore& files,
          const HostMouse& mouse);
int RunDaemon(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, FileStore& files,
              const HostMouse& mouse);

// The macro subcommands.
int MacroList(const std::vector<std::string>& args, std::ostream& out, FileStore& files);
int MacroLines(const std::vector<std::string>& args, std::ostream& out, FileStore& files);
int MacroMake(const std::vector<std::string>& args, FileStore& files);
int MacroPlay(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              FileStore& files);

}  // namespace zlv::zlvctl
