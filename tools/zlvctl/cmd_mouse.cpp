// zlvctl devices, apply and run: the mouse itself, through Linux's hidraw
// nodes. The reports, their order and the serving of the buttons are the
// program's own; only the transport differs.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/settings_push.h"
#include "base/message_box.h"
#include "device/hidraw_discovery.h"
#include "device/hidraw_transport.h"
#include "device/input_reader.h"
#include "device/mouse_protocol.h"
#include "device/system_settings.h"
#include "macro/macro_file.h"
#include "macro/macro_player.h"
#include "macro/macro_tables.h"
#include "macro/program_launcher.h"
#include "macro/timer_resolution.h"
#include "settings/ini_file.h"
#include "settings/profile_settings.h"
#include "app/window_title.h"
#include "sim/memory_file_store.h"
#include "sim/virtual_mouse.h"
#include "tools/zlvctl/commands.h"

namespace zlv::zlvctl {

namespace {

std::string Hex4(unsigned value) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04x", value & 0xFFFFu);
  return buf;
}

std::string FirstBytes(const std::uint8_t* data, std::size_t length) {
  return HexBytes(std::vector<std::uint8_t>(data, data + std::min<std::size_t>(length, 8)));
}

// The profile of a config file as a push needs it, on a scratch copy of the
// file: what the push writes ([Init], [Config6], the profile) stays there.
struct ProfileRun {
  MemoryFileStore files;
  IniStore ini{files};
  SettingsModel settings{ini};
  RecordingSystemSettings system;

  ProfileRun(const std::string& configBytes, std::optional<std::int32_t> profile) {
    LoadScratchProfile(files, ini, settings, configBytes, profile);
  }
};

// Each feature report a push tried, and whether it reached the mouse.
class RecordingTransport final : public HidTransport {
 public:
  struct Attempt {
    std::string bytes;
    bool sent;
  };
  explicit RecordingTransport(HidTransport& inner) : inner_(inner) {}

  bool WriteHandleUsable() const override { return inner_.WriteHandleUsable(); }
  std::size_t FeatureReportLength() const override { return inner_.FeatureReportLength(); }
  bool SendFeatureReport(const std::uint8_t* data, std::size_t length) override {
    const bool sent = inner_.SendFeatureReport(data, length);
    attempts.push_back({FirstBytes(data, length), sent});
    return sent;
  }
  std::size_t InputReportLength() const override { return inner_.InputReportLength(); }
  bool ReadInputReport(std::uint8_t* data, std::size_t length) override {
    return inner_.ReadInputReport(data, length);
  }
  void CancelRead() override { inner_.CancelRead(); }
  void ResumeReads() override { inner_.ResumeReads(); }

  std::vector<Attempt> attempts;

 private:
  HidTransport& inner_;
};

// The mouse's two collections, opened.
struct Connection {
  std::unique_ptr<HidrawIo> io;
  std::unique_ptr<HidrawTransport> transport;
  std::string featureNode;
  std::string inputNode;
};

// Finds and opens the mouse; nothing, with what to tell the user, when it
// cannot.
std::optional<Connection> Connect(const HostMouse& mouse, std::string& problem) {
  std::vector<HidrawNode> nodes = ListHidrawNodes(mouse.sysRoot, mouse.devRoot);
  const MouseCollections chosen = ChooseMouseCollections(nodes);
  if (!chosen.Found()) {
    problem = chosen.problem;
    return std::nullopt;
  }
  Connection c;
  c.io = mouse.openIo();
  const HidrawCollection feature = CollectionOf(nodes, *chosen.feature);
  const HidrawCollection input = CollectionOf(nodes, *chosen.input);
  c.featureNode = feature.devnode;
  c.inputNode = input.devnode;
  c.transport = std::make_unique<HidrawTransport>(*c.io, feature, input);
  if (!c.transport->Open(problem)) return std::nullopt;
  return c;
}

std::string SkippedWindowsSettings(const RecordingSystemSettings& system) {
  return "pointer speed " + std::to_string(system.pointer_speed) + " and wheel lines " +
         std::to_string(system.wheel_lines) +
         " are Windows settings with no Linux equivalent: skipped";
}

// The daemon's lines, written from its main thread and from the player thread.
class Log {
 public:
  Log(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}
  void Out(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    out_ << line << std::endl;
  }
  void Err(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    err_ << "zlvctl: " << line << std::endl;
  }

 private:
  std::mutex mutex_;
  std::ostream& out_;
  std::ostream& err_;
};

// Programs are a Windows matter (calc.exe, cmd.exe): the daemon says so.
class NotOnLinux final : public ProgramLauncher {
 public:
  explicit NotOnLinux(Log& log) : log_(log) {}
  bool Launch(TextView program) override {
    log_.Err("the mouse asked to start " + ToUtf8(program) + ": programs are not started on Linux");
    return false;
  }

 private:
  Log& log_;
};

// One connection of the daemon to the mouse: the push, then the program's
// input reader and macro player threads until the mouse goes or the daemon
// stops. Members in this order so the threads are joined before the
// protocol and the nodes they use are gone.
struct Session {
  Session(Connection c, SettingsModel& settings, RecordingSystemSettings& system, MacroTables& tables,
          Clock& clock, ProgramLauncher& launcher, TimerResolution& timer)
      : connection(std::move(c)),
        protocol(*connection.transport, clock),
        reader(*connection.transport, settings.profile, handOver, clock),
        player({settings, protocol, tables, handOver, clock, launcher, timer}) {
    PushAllSettings(settings, protocol, system, nullptr);
    reader.Start();
    player.Start();
  }
  ~Session() {
    player.Stop();
    reader.Stop();
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Connection connection;
  ButtonHandOver handOver;
  MouseProtocol protocol;
  InputReader reader;
  MacroPlayer player;
};

bool StillPresent(const HostMouse& mouse, const Connection& c) {
  std::vector<HidrawNode> nodes = ListHidrawNodes(mouse.sysRoot, mouse.devRoot);
  const MouseCollections chosen = ChooseMouseCollections(nodes);
  return chosen.Found() && CollectionOf(nodes, *chosen.feature).devnode == c.featureNode &&
         CollectionOf(nodes, *chosen.input).devnode == c.inputNode;
}

std::string Folder(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

// Loads the user macros of the config's language and the constant macros from
// beside the config file; a file that is not there leaves its table empty.
void LoadDaemonMacros(FileStore& files, const std::string& configPath, std::int32_t language,
                      MacroTables& tables, Log& log) {
  class Quiet final : public MessageBoxes {
   public:
    void Show(TextView) override { shown = true; }
    bool shown = false;
  };
  const std::string folder = Folder(configPath);
  const std::string user = folder + (language == kUiEnglish ? "/Macro_EN.dat" : "/Macro_CN.dat");
  const std::string constant = folder + "/constMacro.dat";
  IniStore ini(files);
  MacroEditState state;
  Quiet userMessages;
  LoadMacroFile(ini, userMessages, FromUtf8(user), tables, state);
  if (userMessages.shown) log.Err("no macro file " + user + ": buttons with user macros play nothing");
  Quiet constMessages;
  LoadConstMacroFile(ini, constMessages, FromUtf8(constant), tables);
  if (constMessages.shown) log.Err("no macro file " + constant + ": buttons with preset macros play nothing");
}

}  // namespace

int Devices(const std::vector<std::string>& args, std::ostream& out, const HostMouse& mouse) {
  if (args.size() > 1) throw UsageError("devices takes no options");
  std::vector<HidrawNode> nodes = ListHidrawNodes(mouse.sysRoot, mouse.devRoot);
  const MouseCollections chosen = ChooseMouseCollections(nodes);
  for (std::size_t n = 0; n < nodes.size(); ++n) {
    const HidrawNode& node = nodes[n];
    out << node.devnode;
    if (node.vendorId != 0 || node.productId != 0) {
      out << "  vendor " << Hex4(node.vendorId) << " product " << Hex4(node.productId);
    }
    if (!node.hidName.empty()) out << "  " << node.hidName;
    out << '\n';
    for (std::size_t c = 0; c < node.descriptor.collections.size(); ++c) {
      const HidCollectionCaps& caps = node.descriptor.collections[c].caps;
      out << "  collection " << c + 1 << ": usage page " << Hex4(caps.usagePage) << " usage " << Hex4(caps.usage)
          << ", report bytes input " << caps.inputReportByteLength << " output " << caps.outputReportByteLength
          << " feature " << caps.featureReportByteLength;
      const NodeCollection here{n, c};
      auto same = [&](const std::optional<NodeCollection>& x) {
        return x && x->node == here.node && x->collection == here.collection;
      };
      if (same(chosen.feature)) out << "  <- feature reports";
      if (same(chosen.input)) out << "  <- input reports";
      out << '\n';
    }
    if (!node.skipped.empty()) out << "  skipped: " << node.skipped << '\n';
  }
  if (!chosen.Found()) {
    out << chosen.problem << '\n';
    return kExitRuntimeError;
  }
  return kExitOk;
}

int Apply(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, FileStore& files,
          const HostMouse& mouse) {
  const Options options(args, 1, {"--config", "--profile"});
  const std::string config = ReadConfig(files, options.Require("--config"));
  std::optional<std::int32_t> profile;
  if (auto p = options.Get("--profile")) profile = ParseProfileNumber(*p);

  std::string problem;
  std::optional<Connection> connection = Connect(mouse, problem);
  if (!connection) throw RuntimeError(problem);

  ProfileRun run(config, profile);
  RecordingTransport recording(*connection->transport);
  MouseProtocol protocol(recording, *mouse.clock);
  PushAllSettings(run.settings, protocol, run.system, nullptr);

  std::size_t sent = 0;
  for (const RecordingTransport::Attempt& a : recording.attempts) sent += a.sent ? 1 : 0;
  if (sent < recording.attempts.size()) {
    err << "zlvctl: the mouse was unplugged during apply: " << sent << " of " << recording.attempts.size()
        << " reports sent (" << OpenProblem(connection->featureNode, connection->transport->FirstSendError())
        << ")\n";
    for (const RecordingTransport::Attempt& a : recording.attempts) {
      err << (a.sent ? "sent     " : "not sent ") << a.bytes << '\n';
    }
    return kExitRuntimeError;
  }
  for (const RecordingTransport::Attempt& a : recording.attempts) out << a.bytes << '\n';
  out << "applied profile " << static_cast<std::int32_t>(run.settings.CurrentProfile) << " to "
      << connection->featureNode << '\n';
  out << SkippedWindowsSettings(run.system) << '\n';
  return kExitOk;
}

int RunDaemon(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, FileStore& files,
              const HostMouse& mouse) {
  const Options options(args, 1, {"--config"});
  const std::string configPath = options.Require("--config");
  const std::string config = ReadConfig(files, configPath);
  if (mouse.watch == nullptr) throw RuntimeError("no device watch");

  Log log(out, err);
  ProfileRun run(config, std::nullopt);
  MacroTables tables;
  LoadDaemonMacros(files, configPath, run.settings.UiLanguage, tables, log);
  NotOnLinux launcher(log);
  NoTimerResolution timer;

  constexpr std::chrono::milliseconds kRecheck{1000};
  std::unique_ptr<Session> session;
  std::string lastProblem;
  bool toldSkipped = false;
  for (;;) {
    if (!session) {
      std::string problem;
      std::optional<Connection> c = Connect(mouse, problem);
      if (c) {
        const std::string feature = c->featureNode, input = c->inputNode;
        session = std::make_unique<Session>(std::move(*c), run.settings, run.system, tables, *mouse.clock,
                                            launcher, timer);
        lastProblem.clear();
        log.Out("applied profile " + std::to_string(static_cast<std::int32_t>(run.settings.CurrentProfile)) +
                " to the mouse (feature reports " + feature + ", input reports " + input +
                "); serving its buttons");
        if (!toldSkipped) log.Out(SkippedWindowsSettings(run.system));
        toldSkipped = true;
      } else if (problem != lastProblem) {
        log.Err("waiting for the mouse: " + problem);
        lastProblem = problem;
      }
    }
    const DeviceWatch::Event event = mouse.watch->Wait(kRecheck);
    if (event == DeviceWatch::Event::kStop) break;
    if (session && !StillPresent(mouse, session->connection)) {
      session.reset();
      log.Out("the mouse was unplugged: waiting for it");
    }
  }
  session.reset();
  log.Out("stopped");
  return kExitOk;
}

}  // namespace zlv::zlvctl
