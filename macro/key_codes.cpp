#include "macro/key_codes.h"

#include <array>
#include <cstddef>

namespace zlv {

namespace {

struct KeyPair {
  std::uint8_t vk;
  std::uint8_t usage;
};

// A run of consecutive virtual keys that maps onto consecutive usages.
struct KeyRun {
  std::uint8_t first_vk;
  std::uint8_t first_usage;
  std::uint8_t length;
};

constexpr std::array kRuns = {
    KeyRun{0x41, 0x04, 26},  // A..Z
    KeyRun{0x31, 0x1E, 9},   // 1..9
    KeyRun{0x70, 0x3A, 12},  // F1..F12
    KeyRun{0x7C, 0x68, 12},  // F13..F24
    KeyRun{0x61, 0x59, 9},   // numeric pad 1..9
};

constexpr std::array kSingles = {
    KeyPair{0x08, 0x2A},  // VK_BACK
    KeyPair{0x09, 0x2B},  // VK_TAB
    KeyPair{0x0C, 0x9C},  // VK_CLEAR
    KeyPair{0x0D, 0x28},  // VK_RETURN
    KeyPair{0x13, 0x48},  // VK_PAUSE
    KeyPair{0x14, 0x39},  // VK_CAPITAL
    KeyPair{0x1B, 0x29},  // VK_ESCAPE
    KeyPair{0x20, 0x2C},  // VK_SPACE
    KeyPair{0x21, 0x4B},  // VK_PRIOR
    KeyPair{0x22, 0x4E},  // VK_NEXT
    KeyPair{0x23, 0x4D},  // VK_END
    KeyPair{0x24, 0x4A},  // VK_HOME
    KeyPair{0x25, 0x50},  // VK_LEFT
    KeyPair{0x26, 0x52},  // VK_UP
    KeyPair{0x27, 0x4F},  // VK_RIGHT
    KeyPair{0x28, 0x51},  // VK_DOWN
    KeyPair{0x29, 0x77},  // VK_SELECT
    KeyPair{0x2B, 0x74},  // VK_EXECUTE
    KeyPair{0x2C, 0x46},  // VK_SNAPSHOT
    KeyPair{0x2D, 0x49},  // VK_INSERT
    KeyPair{0x2E, 0x4C},  // VK_DELETE
    KeyPair{0x2F, 0x75},  // VK_HELP
    KeyPair{0x30, 0x27},  // key 0
    KeyPair{0x5B, 0xE3},  // VK_LWIN
    KeyPair{0x5C, 0xE7},  // VK_RWIN
    KeyPair{0x5D, 0x65},  // VK_APPS
    KeyPair{0x60, 0x62},  // VK_NUMPAD0
    KeyPair{0x6A, 0x55},  // VK_MULTIPLY
    KeyPair{0x6B, 0x57},  // VK_ADD
    KeyPair{0x6C, 0x9F},  // VK_SEPARATOR
    KeyPair{0x6D, 0x56},  // VK_SUBTRACT
    KeyPair{0x6E, 0x63},  // VK_DECIMAL
    KeyPair{0x6F, 0x54},  // VK_DIVIDE
    KeyPair{0x90, 0x53},  // VK_NUMLOCK
    KeyPair{0x91, 0x47},  // VK_SCROLL
    KeyPair{0xA0, 0xE1},  // VK_LSHIFT
    KeyPair{0xA1, 0xE5},  // VK_RSHIFT
    KeyPair{0xA2, 0xE0},  // VK_LCONTROL
    KeyPair{0xA3, 0xE4},  // VK_RCONTROL
    KeyPair{0xA4, 0xE2},  // VK_LMENU
    KeyPair{0xA5, 0xE6},  // VK_RMENU
    KeyPair{0xBA, 0x33},  // VK_OEM_1: ;:
    KeyPair{0xBB, 0x2E},  // VK_OEM_PLUS: =+
    KeyPair{0xBC, 0x36},  // VK_OEM_COMMA
    KeyPair{0xBD, 0x2D},  // VK_OEM_MINUS
    KeyPair{0xBE, 0x37},  // VK_OEM_PERIOD
    KeyPair{0xBF, 0x38},  // VK_OEM_2: /?
    KeyPair{0xC0, 0x32},  // VK_OEM_3: `~ (stored as 0x32, which the key names expect)
    KeyPair{0xDB, 0x2F},  // VK_OEM_4: [{
    KeyPair{0xDC, 0x31},  // VK_OEM_5: \|
    KeyPair{0xDD, 0x30},  // VK_OEM_6: ]}
    KeyPair{0xDE, 0x34},  // VK_OEM_7: '"
};

constexpr std::size_t RunPairCount() {
  std::size_t n = 0;
  for (const KeyRun& run : kRuns) n += run.length;
  return n;
}

constexpr std::size_t kPairCount = RunPairCount() + kSingles.size();

// The one table of mapped keys; both directions are derived from it.
constexpr std::array<KeyPair, kPairCount> BuildPairs() {
  std::array<KeyPair, kPairCount> pairs{};
  std::size_t n = 0;
  for (const KeyRun& run : kRuns) {
    for (std::uint8_t i = 0; i < run.length; ++i) {
      pairs[n++] = KeyPair{static_cast<std::uint8_t>(run.first_vk + i),
                           static_cast<std::uint8_t>(run.first_usage + i)};
    }
  }
  for (const KeyPair& single : kSingles) pairs[n++] = single;
  return pairs;
}

constexpr std::array<KeyPair, kPairCount> kPairs = BuildPairs();
static_assert(kPairs.size() == 120);

// The translation must be one-to-one, or UsageToVk could not undo VkToUsage.
constexpr bool IsOneToOne() {
  for (std::size_t i = 0; i < kPairs.size(); ++i) {
    for (std::size_t j = i + 1; j < kPairs.size(); ++j) {
      if (kPairs[i].vk == kPairs[j].vk || kPairs[i].usage == kPairs[j].usage) return false;
    }
  }
  return true;
}
static_assert(IsOneToOne());

using CodeMap = std::array<std::uint8_t, 256>;

constexpr CodeMap BuildMap(bool vk_to_usage) {
  CodeMap map{};
  for (std::size_t i = 0; i < map.size(); ++i) map[i] = static_cast<std::uint8_t>(i);
  for (const KeyPair& pair : kPairs) {
    if (vk_to_usage) {
      map[pair.vk] = pair.usage;
    } else {
      map[pair.usage] = pair.vk;
    }
  }
  return map;
}

constexpr CodeMap kVkToUsage = BuildMap(true);
constexpr CodeMap kUsageToVk = BuildMap(false);

}  // namespace

std::uint8_t VkToUsage(std::uint8_t virtual_key) { return kVkToUsage[virtual_key]; }

std::uint8_t UsageToVk(std::uint8_t usage) { return kUsageToVk[usage]; }

}  // namespace zlv
