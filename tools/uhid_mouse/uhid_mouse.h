// The mouse emulator's portable half: the report descriptors of the mouse's
// two vendor collections, the commands of its control channel, and the
// device side built on the virtual mouse, so a kernel HID device answers
// exactly as the model the other tests use. uhid_mouse_main_linux.cpp puts it
// on /dev/uhid.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "sim/virtual_mouse.h"

namespace zlv::uhidmouse {

enum class CollectionKind { kInput, kFeature };

// The descriptor of one vendor collection (usage page 0xFF00 for input,
// 0xFF01 for feature, usage 1) with report id 7 and reports of
// `reportLength` bytes, the id included. Lengths from 2 to 256.
std::vector<std::uint8_t> VendorCollectionDescriptor(CollectionKind kind, std::size_t reportLength);

// One line of the control channel.
struct ControlCommand {
  enum class Kind {
    kPress,    // press N: the finger goes down on hardware button N (1..6)
    kRelease,  // release N
    kInput,    // input HEX...: a raw input report, padded to the input length
    kUnplug,   // unplug [GAP_MS]: both collections go, GAP_MS apart (default 2000)
    kPlug,     // plug: both collections come back
    kQuit,     // quit: unplug at once and end
  };
  Kind kind;
  int number = 0;                   // button, or the gap of an unplug
  std::vector<std::uint8_t> bytes;  // kInput
};

// The command of a line, or nothing for a line it cannot read (which the
// emulator reports and ignores). Blank lines and lines starting '#' are
// nothing too.
std::optional<ControlCommand> ParseControlLine(const std::string& line);

// The mouse behind both collections: feature reports go into the virtual
// mouse, which logs and checks them; button presses come out as the input
// reports it queues.
class EmulatedMouse {
 public:
  EmulatedMouse(Clock& clock, VirtualMouse::Options options);

  // A SET_REPORT on the feature collection; returns its log line (the report
  // log format of the demo: milliseconds since start, the first 8 bytes).
  std::string SetFeatureReport(const std::vector<std::uint8_t>& bytes);
  // What a GET_REPORT on the feature collection returns: the last report
  // taken in, or report id 7 and zeros before the first.
  std::vector<std::uint8_t> GetFeatureReport() const;
  // The input reports a command makes the mouse send, in order.
  std::vector<std::vector<std::uint8_t>> Press(int button);
  std::vector<std::vector<std::uint8_t>> Release(int button);
  std::vector<std::vector<std::uint8_t>> RawInput(std::vector<std::uint8_t> bytes);

  // Protocol errors not yet taken.
  std::vector<std::string> TakeNewErrors();
  const VirtualMouse& mouse() const { return mouse_; }

 private:
  std::vector<std::vector<std::uint8_t>> Drain();

  VirtualMouse mouse_;
  VirtualMouse::Options options_;
  Nanos origin_;
  std::vector<std::uint8_t> last_feature_;
  std::size_t errors_taken_ = 0;
};

}  // namespace zlv::uhidmouse
