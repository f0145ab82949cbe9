#include "device/hidraw_discovery.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

#include "device/protocol.h"

namespace zlv {

namespace fs = std::filesystem;

namespace {

// Kernel attributes are small; anything longer than this is not one.
constexpr std::size_t kMaxAttributeBytes = 64 * 1024;

std::optional<std::string> ReadAttribute(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes;
  char chunk[4096];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxAttributeBytes) return std::nullopt;
    if (!in) break;
  }
  if (in.bad()) return std::nullopt;
  return bytes;
}

bool ParseHex(const std::string& text, std::uint32_t& value) {
  if (text.empty() || text.size() > 8) return false;
  value = 0;
  for (char c : text) {
    int digit = 0;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return true;
}

// "hidraw12" -> 12, for the order of the list; other names after all numbers.
unsigned long NodeNumber(const std::string& name) {
  constexpr std::string_view kPrefix = "hidraw";
  if (name.rfind(kPrefix, 0) != 0 || name.size() == kPrefix.size() || name.size() > kPrefix.size() + 9)
    return ~0UL;
  unsigned long n = 0;
  for (std::size_t i = kPrefix.size(); i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return ~0UL;
    n = n * 10 + static_cast<unsigned long>(name[i] - '0');
  }
  return n;
}

std::string Hex4(std::uint32_t v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04x", static_cast<unsigned>(v & 0xFFFF));
  return buf;
}

bool IsMouse(const HidrawNode& node) {
  return node.vendorId == protocol::kVendorId && node.productId == protocol::kProductId;
}

}  // namespace

std::string UeventValue(const std::string& uevent, const std::string& key) {
  const std::string prefix = key + "=";
  std::size_t at = 0;
  while (at < uevent.size()) {
    std::size_t end = uevent.find('\n', at);
    if (end == std::string::npos) end = uevent.size();
    if (uevent.compare(at, prefix.size(), prefix) == 0 && end - at >= prefix.size()) {
      return uevent.substr(at + prefix.size(), end - at - prefix.size());
    }
    at = end + 1;
  }
  return {};
}

std::optional<HidId> ParseUeventHidId(const std::string& uevent) {
  const std::string id = UeventValue(uevent, "HID_ID");
  const std::size_t first = id.find(':');
  const std::size_t second = first == std::string::npos ? first : id.find(':', first + 1);
  if (second == std::string::npos) return std::nullopt;
  std::uint32_t bus = 0, vendor = 0, product = 0;
  if (!ParseHex(id.substr(0, first), bus) || !ParseHex(id.substr(first + 1, second - first - 1), vendor) ||
      !ParseHex(id.substr(second + 1), product)) {
    return std::nullopt;
  }
  if (bus > 0xFFFF || vendor > 0xFFFF || product > 0xFFFF) return std::nullopt;
  return HidId{static_cast<std::uint16_t>(bus), static_cast<std::uint16_t>(vendor),
               static_cast<std::uint16_t>(product)};
}

std::vector<HidrawNode> ListHidrawNodes(const fs::path& sysRoot, const fs::path& devRoot) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(sysRoot / "class" / "hidraw", ec), end; !ec && it != end; it.increment(ec)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const unsigned long na = NodeNumber(a), nb = NodeNumber(b);
    return na != nb ? na < nb : a < b;
  });

  std::vector<HidrawNode> nodes;
  for (const std::string& name : names) {
    HidrawNode node;
    node.name = name;
    node.devnode = (devRoot / name).generic_string();
    const fs::path device = sysRoot / "class" / "hidraw" / name / "device";
    const std::optional<std::string> uevent = ReadAttribute(device / "uevent");
    const std::optional<HidId> id = uevent ? ParseUeventHidId(*uevent) : std::nullopt;
    if (!id) {
      node.skipped = "no HID_ID in its device's uevent";
      nodes.push_back(std::move(node));
      continue;
    }
    node.bus = id->bus;
    node.vendorId = id->vendorId;
    node.productId = id->productId;
    node.hidName = UeventValue(*uevent, "HID_NAME");
    if (!IsMouse(node)) {
      node.skipped = "another device (vendor " + Hex4(node.vendorId) + ", product " + Hex4(node.productId) + ")";
      nodes.push_back(std::move(node));
      continue;
    }
    const std::optional<std::string> descriptor = ReadAttribute(device / "report_descriptor");
    if (!descriptor) {
      node.skipped = "its report descriptor cannot be read";
    } else {
      node.descriptor = ParseReportDescriptor(reinterpret_cast<const std::uint8_t*>(descriptor->data()),
                                              descriptor->size());
      if (!node.descriptor.ok) node.skipped = "its report descriptor was refused: " + node.descriptor.error;
    }
    nodes.push_back(std::move(node));
  }
  return nodes;
}

MouseCollections ChooseMouseCollections(std::vector<HidrawNode>& nodes) {
  MouseCollections chosen;
  bool anyMouse = false;
  bool vendorFeatureSeen = false;
  bool vendorInputSeen = false;
  for (std::size_t n = 0; n < nodes.size(); ++n) {
    HidrawNode& node = nodes[n];
    if (!IsMouse(node)) continue;
    anyMouse = true;
    if (!node.descriptor.ok) continue;
    bool used = false;
    std::string whyNot;
    for (std::size_t c = 0; c < node.descriptor.collections.size(); ++c) {
      const TopLevelCollection& col = node.descriptor.collections[c];
      if (col.usage != protocol::kVendorUsage) continue;
      if (col.usagePage == protocol::kFeatureUsagePage) {
        vendorFeatureSeen = true;
        if (!col.HasReport(ReportKind::kFeature, protocol::kReportId)) {
          whyNot = "its vendor feature collection has no feature report 7";
        } else if (!chosen.feature) {
          chosen.feature = NodeCollection{n, c};
          used = true;
        }
      } else if (col.usagePage == protocol::kInputUsagePage) {
        vendorInputSeen = true;
        if (col.caps.inputReportByteLength == 0) {
          whyNot = "its vendor input collection sends no input report";
        } else if (!chosen.input) {
          chosen.input = NodeCollection{n, c};
          used = true;
        }
      }
    }
    if (!used && node.skipped.empty()) {
      node.skipped = !whyNot.empty() ? whyNot : "none of the mouse's vendor collections";
    }
  }
  if (!anyMouse) {
    chosen.problem = kNoMouseMessage;
  } else if (!chosen.feature) {
    chosen.problem = vendorFeatureSeen
                         ? "the mouse's feature collection (usage page 0xff01) takes no feature report 7"
                         : "the mouse's feature collection (usage page 0xff01) was not found";
  } else if (!chosen.input) {
    chosen.problem = vendorInputSeen
                         ? "the mouse's input collection (usage page 0xff00) sends no input report"
                         : "the mouse's input collection (usage page 0xff00) was not found";
  }
  return chosen;
}

}  // namespace zlv
