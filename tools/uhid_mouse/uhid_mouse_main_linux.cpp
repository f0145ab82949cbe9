// zlv_uhid_mouse: the mouse, emulated through the kernel's uhid driver, for
// the tests that run the program against a real HID stack (scripts/hid-vm).
//
//   zlv_uhid_mouse --control FIFO [--log FILE] [--errors FILE]
//                  [--input-length N] [--feature-length N] [--no-feature]
//                  [--product ID]
//
// Creates one uhid device per top-level collection, as a USB mouse's
// interfaces appear (vendor 0x18F8, product 0x1286, the same serial, phys
// ending /input0 and /input1): the vendor input collection and the vendor
// feature collection. Every feature report is taken in by the virtual mouse,
// which checks it; each one is appended to --log as a line of the demo's
// report log, each protocol error to --errors. Commands come as lines on the
// FIFO (see ParseControlLine). Ends on "quit", SIGTERM or SIGINT. --product
// gives another product id (hexadecimal): a device of the same maker that is
// not this mouse.
#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "device/protocol.h"
#include "tools/uhid_mouse/uhid_mouse.h"

namespace zlv::uhidmouse {
namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

void Say(const std::string& what) { std::fprintf(stderr, "zlv_uhid_mouse: %s\n", what.c_str()); }

bool WriteEvent(int fd, const uhid_event& event) {
  return write(fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
}

class UhidCollection {
 public:
  UhidCollection(CollectionKind kind, std::size_t reportLength, std::uint32_t product)
      : kind_(kind), length_(reportLength), product_(product) {}
  ~UhidCollection() { Destroy(); }

  bool Create() {
    if (fd_ >= 0) return true;
    fd_ = open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (fd_ < 0) {
      Say(std::string("cannot open /dev/uhid: ") + std::strerror(errno));
      return false;
    }
    uhid_event event{};
    event.type = UHID_CREATE2;
    auto& c = event.u.create2;
    const int interface = kind_ == CollectionKind::kInput ? 0 : 1;
    std::snprintf(reinterpret_cast<char*>(c.name), sizeof c.name, "ZLV GMouse (emulated)");
    std::snprintf(reinterpret_cast<char*>(c.phys), sizeof c.phys, "usb-zlv-hidvm-1/input%d", interface);
    std::snprintf(reinterpret_cast<char*>(c.uniq), sizeof c.uniq, "ZLV0001");
    const std::vector<std::uint8_t> descriptor = VendorCollectionDescriptor(kind_, length_);
    std::memcpy(c.rd_data, descriptor.data(), descriptor.size());
    c.rd_size = static_cast<std::uint16_t>(descriptor.size());
    c.bus = 0x03;  // BUS_USB
    c.vendor = protocol::kVendorId;
    c.product = product_;
    c.version = 0x0100;
    if (!WriteEvent(fd_, event)) {
      Say(std::string("UHID_CREATE2 failed: ") + std::strerror(errno));
      Destroy();
      return false;
    }
    Say(std::string(interface == 0 ? "input" : "feature") + " collection created");
    return true;
  }

  void Destroy() {
    if (fd_ < 0) return;
    uhid_event event{};
    event.type = UHID_DESTROY;
    WriteEvent(fd_, event);
    close(fd_);
    fd_ = -1;
    Say(std::string(kind_ == CollectionKind::kInput ? "input" : "feature") + " collection removed");
  }

  bool SendInput(const std::vector<std::uint8_t>& report) {
    if (fd_ < 0) return false;
    uhid_event event{};
    event.type = UHID_INPUT2;
    event.u.input2.size = static_cast<std::uint16_t>(std::min<std::size_t>(report.size(), UHID_DATA_MAX));
    std::memcpy(event.u.input2.data, report.data(), event.u.input2.size);
    return WriteEvent(fd_, event);
  }

  int fd() const { return fd_; }
  CollectionKind kind() const { return kind_; }

 private:
  CollectionKind kind_;
  std::size_t length_;
  std::uint32_t product_;
  int fd_ = -1;
};

struct Files {
  std::FILE* log = nullptr;
  std::FILE* errors = nullptr;
};

void AppendLine(std::FILE* file, const std::string& line) {
  if (file == nullptr) return;
  std::fprintf(file, "%s\n", line.c_str());
  std::fflush(file);
}

void NoteErrors(EmulatedMouse& mouse, const Files& files) {
  for (const std::string& e : mouse.TakeNewErrors()) {
    Say("protocol error: " + e);
    AppendLine(files.errors, "protocol error: " + e);
  }
}

// One event from the kernel on a collection's uhid file.
void Serve(UhidCollection& collection, EmulatedMouse& mouse, const Files& files) {
  uhid_event event{};
  const ssize_t got = read(collection.fd(), &event, sizeof event);
  if (got <= 0) return;
  const bool feature = collection.kind() == CollectionKind::kFeature;
  switch (event.type) {
    case UHID_SET_REPORT: {
      uhid_event reply{};
      reply.type = UHID_SET_REPORT_REPLY;
      reply.u.set_report_reply.id = event.u.set_report.id;
      if (feature && event.u.set_report.rtype == UHID_FEATURE_REPORT) {
        const auto& r = event.u.set_report;
        const std::vector<std::uint8_t> bytes(r.data, r.data + std::min<std::size_t>(r.size, UHID_DATA_MAX));
        AppendLine(files.log, mouse.SetFeatureReport(bytes));
        NoteErrors(mouse, files);
      } else {
        reply.u.set_report_reply.err = EIO;
        Say("SET_REPORT of another type or collection refused");
      }
      WriteEvent(collection.fd(), reply);
      return;
    }
    case UHID_GET_REPORT: {
      uhid_event reply{};
      reply.type = UHID_GET_REPORT_REPLY;
      reply.u.get_report_reply.id = event.u.get_report.id;
      if (feature && event.u.get_report.rtype == UHID_FEATURE_REPORT) {
        const std::vector<std::uint8_t> bytes = mouse.GetFeatureReport();
        reply.u.get_report_reply.size = static_cast<std::uint16_t>(bytes.size());
        std::memcpy(reply.u.get_report_reply.data, bytes.data(), bytes.size());
      } else {
        reply.u.get_report_reply.err = EIO;
      }
      WriteEvent(collection.fd(), reply);
      return;
    }
    case UHID_START: Say("started by the kernel"); return;
    case UHID_OPEN: Say("opened"); return;
    case UHID_CLOSE: Say("closed"); return;
    default: return;
  }
}

int Run(int argc, char** argv) {
  std::string control, logPath, errorsPath;
  VirtualMouse::Options options;
  bool withFeature = true;
  std::uint32_t product = protocol::kProductId;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
    if (arg == "--control") control = value();
    else if (arg == "--log") logPath = value();
    else if (arg == "--errors") errorsPath = value();
    else if (arg == "--input-length") options.inputReportLength = static_cast<std::uint16_t>(std::stoi(value()));
    else if (arg == "--feature-length") options.featureReportLength = static_cast<std::uint16_t>(std::stoi(value()));
    else if (arg == "--no-feature") withFeature = false;
    else if (arg == "--product") product = static_cast<std::uint32_t>(std::stoul(value(), nullptr, 16));
    else {
      Say("unknown argument " + arg);
      return 2;
    }
  }
  if (control.empty()) {
    Say("usage: zlv_uhid_mouse --control FIFO [--log FILE] [--errors FILE] [--input-length N] "
        "[--feature-length N] [--no-feature] [--product ID]");
    return 2;
  }
  if (mkfifo(control.c_str(), 0600) != 0 && errno != EEXIST) {
    Say("cannot make the control FIFO " + control);
    return 1;
  }
  // Read and write, so the FIFO never reads as ended between two writers.
  const int controlFd = open(control.c_str(), O_RDWR | O_CLOEXEC);
  if (controlFd < 0) {
    Say("cannot open the control FIFO " + control);
    return 1;
  }
  Files files;
  if (!logPath.empty()) files.log = std::fopen(logPath.c_str(), "a");
  if (!errorsPath.empty()) files.errors = std::fopen(errorsPath.c_str(), "a");
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGINT, OnSignal);

  SteadyClock clock;
  EmulatedMouse mouse(clock, options);
  UhidCollection input(CollectionKind::kInput, options.inputReportLength, product);
  UhidCollection feature(CollectionKind::kFeature, options.featureReportLength, product);
  auto plug = [&] { return input.Create() && (!withFeature || feature.Create()); };
  if (!plug()) return 1;

  std::string pending;
  bool quit = false;
  while (!quit && g_stop == 0) {
    pollfd fds[3] = {{controlFd, POLLIN, 0}, {input.fd(), POLLIN, 0}, {feature.fd(), POLLIN, 0}};
    if (poll(fds, 3, 200) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents & POLLIN) Serve(input, mouse, files);
    if (fds[2].revents & POLLIN) Serve(feature, mouse, files);
    if (!(fds[0].revents & POLLIN)) continue;
    char chunk[512];
    const ssize_t got = read(controlFd, chunk, sizeof chunk);
    if (got <= 0) continue;
    pending.append(chunk, static_cast<std::size_t>(got));
    for (std::size_t end; !quit && (end = pending.find('\n')) != std::string::npos;) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      const std::optional<ControlCommand> command = ParseControlLine(line);
      if (!command) {
        if (line.find_first_not_of(" \t\r") != std::string::npos && line[0] != '#') {
          Say("command not understood: " + line);
        }
        continue;
      }
      Say("command: " + line);
      std::vector<std::vector<std::uint8_t>> reports;
      switch (command->kind) {
        case ControlCommand::Kind::kPress: reports = mouse.Press(command->number); break;
        case ControlCommand::Kind::kRelease: reports = mouse.Release(command->number); break;
        case ControlCommand::Kind::kInput: reports = mouse.RawInput(command->bytes); break;
        case ControlCommand::Kind::kUnplug:
          input.Destroy();
          std::this_thread::sleep_for(std::chrono::milliseconds(command->number));
          feature.Destroy();
          break;
        case ControlCommand::Kind::kPlug: plug(); break;
        case ControlCommand::Kind::kQuit: quit = true; break;
      }
      for (const auto& report : reports) {
        if (!input.SendInput(report)) Say("input report not sent: " + HexBytes(report, report.size()));
      }
    }
  }
  input.Destroy();
  feature.Destroy();
  NoteErrors(mouse, files);
  if (files.log != nullptr) std::fclose(files.log);
  if (files.errors != nullptr) std::fclose(files.errors);
  return 0;
}

}  // namespace
}  // namespace zlv::uhidmouse

int main(int argc, char** argv) { return zlv::uhidmouse::Run(argc, argv); }
