// zlvctl keyname, vk2usage, usage2vk: the key code tables.
#include <ostream>

#include "macro/key_codes.h"
#include "macro/key_names.h"
#include "tools/zlvctl/commands.h"

namespace zlv::zlvctl {

int KeyCodeCommand(const std::vector<std::string>& args, std::ostream& out) {
  if (args.size() != 2) throw UsageError(args[0] + " needs exactly one value");
  const std::uint8_t v = ParseByteValue(args[1]);
  if (args[0] == "keyname") {
    out << ToUtf8(KeyNameOf(v)) << '\n';
  } else if (args[0] == "vk2usage") {
    out << int{VkToUsage(v)} << '\n';
  } else {
    out << int{UsageToVk(v)} << '\n';
  }
  return kExitOk;
}

}  // namespace zlv::zlvctl
