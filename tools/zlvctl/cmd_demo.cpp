// zlvctl demo: a profile applied to the virtual mouse, told in words.
#include <ostream>

#include "device/protocol.h"
#include "tools/zlvctl/commands.h"

namespace zlv::zlvctl {

namespace {

std::string Hex2(unsigned v) {
  return HexBytes({static_cast<std::uint8_t>(v)}, 1);
}

}  // namespace

int Demo(const std::vector<std::string>& args, std::ostream& out, FileStore& files) {
  const Options options(args, 1, {"--config"});
  const std::string path = options.Require("--config");
  PushRun run(ReadConfig(files, path), std::nullopt);
  const VirtualMouseState s = run.mouse.State();

  out << "Applied profile " << run.settings.CurrentProfile << " of " << path
      << " to the virtual mouse (vendor 0x18f8, product 0x1286).\n\n";
  out << "Feature reports received:\n";
  for (const LoggedReport& report : run.mouse.Log()) out << "  " << HexBytes(report.bytes) << '\n';
  out << "\nThe mouse now holds:\n";
  for (int b = 0; b < kHardwareButtonCount; ++b) {
    out << "  button " << b + 1 << ": device function " << int{s.buttonFunction[static_cast<std::size_t>(b)]}
        << '\n';
  }
  for (std::size_t n = 0; n < s.dpiCode.size(); ++n) {
    out << "  DPI stage " << n << ": " << protocol::DpiOfCode(s.dpiCode[n]) << " DPI, "
        << (((s.enableMask >> n) & 1) != 0 ? "enabled" : "disabled")
        << (s.activeStage == n ? ", active" : "") << '\n';
  }
  out << "  LED code: " << int{s.ledCode} << "\n  wheel: " << int{s.wheel}
      << "\n  fire time: " << s.fireTimeUnits * 8 << " ms (" << s.fireTimeUnits << " x 8 ms)\n";
  out << "  mouse buttons byte: 0x" << Hex2(s.mouseButtons) << "\n";
  out << "\nWindows settings: pointer speed " << run.system.pointer_speed << ", wheel lines "
      << run.system.wheel_lines << "\n";
  const auto errors = run.mouse.ProtocolErrors();
  out << "Protocol errors: " << errors.size() << '\n';
  for (const auto& e : errors) out << "  " << e << '\n';
  return kExitOk;
}

}  // namespace zlv::zlvctl
