// Finding the mouse among the kernel's hidraw nodes: each node under
// /sys/class/hidraw names its device's bus, vendor and product in the
// device's uevent and gives the device's report descriptor; the descriptor
// tells which of the mouse's nodes carries the vendor feature collection and
// which the vendor input collection, with their report lengths (the Windows
// build reads the same from the collections' capabilities).
//
// Only files are read here, below a root that tests point at a tree of their
// own; opening the nodes is the transport's business.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "device/report_descriptor.h"

namespace zlv {

struct HidrawNode {
  std::string name;      // "hidraw3"
  std::string devnode;   // "/dev/hidraw3"
  std::uint16_t bus = 0;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::string hidName;   // HID_NAME of the uevent, as the device calls itself
  ParsedReportDescriptor descriptor;
  // Why this node is none of the mouse's (empty for the mouse's own nodes).
  std::string skipped;
};

// The bus, vendor and product of a uevent's HID_ID line
// ("HID_ID=0003:000018F8:00001286"); nothing when the text has none.
struct HidId {
  std::uint16_t bus = 0;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
};
std::optional<HidId> ParseUeventHidId(const std::string& uevent);
// The value of KEY= in a uevent, or empty.
std::string UeventValue(const std::string& uevent, const std::string& key);

// Every node below `sysRoot`/class/hidraw in the order of their numbers, its
// device node below `devRoot`. Nodes of other devices are listed too, with
// the reason they were skipped.
std::vector<HidrawNode> ListHidrawNodes(const std::filesystem::path& sysRoot = "/sys",
                                        const std::filesystem::path& devRoot = "/dev");

// A collection of a node.
struct NodeCollection {
  std::size_t node = 0;        // index into the node list
  std::size_t collection = 0;  // index into that node's top-level collections
};

// The two vendor collections of the mouse, as chosen from a node list.
struct MouseCollections {
  std::optional<NodeCollection> feature;  // usage page 0xFF01, feature report id 7
  std::optional<NodeCollection> input;    // usage page 0xFF00, an input report
  // When either is missing: what a user should be told.
  std::string problem;
  bool Found() const { return feature && input; }
};

// Chooses the mouse's collections among `nodes`, the first of each kind in
// node order. The vendor feature collection must take feature report id 7
// and the input collection must send input reports: a node of the mouse
// without them is marked as skipped with the reason.
MouseCollections ChooseMouseCollections(std::vector<HidrawNode>& nodes);

inline constexpr char kNoMouseMessage[] = "no Zelvan mouse found: is it plugged in?";

}  // namespace zlv
