#include "macro/program_launcher.h"

namespace zlv {

bool IsBareProgramName(TextView program) {
  if (program.empty() || program == u"." || program == u"..") return false;
  for (char16_t c : program) {
    if (c == u'\\' || c == u'/' || c == u':' || c == u'"' || c < 0x20) return false;
  }
  return true;
}

}  // namespace zlv
