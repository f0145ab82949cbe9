#include "macro/program_launcher.h"

namespace zlv {

bool IsBareProgramName(TextView program) {
  if (program.empty() || program == u"." || program == u"..") return false;
  for (char16_t c : program) {
    if (c == u'\\' || c == u'/' || c == u':' || c == u'"' || c < 0x20) return false;
  }
  return true;
}

bool IsWebAddress(TextView address) {
  auto startsWith = [&](TextView prefix) {
    if (address.size() <= prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
      char16_t c = address[i];
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
      if (c != prefix[i]) return false;
    }
    return true;
  };
  if (!startsWith(u"http://") && !startsWith(u"https://")) return false;
  for (char16_t c : address) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

}  // namespace zlv
