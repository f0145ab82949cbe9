#include "app/exe_dir.h"

namespace zlv {

Text ExeDirFromModulePath(TextView modulePath) {
  const std::size_t cut = modulePath.rfind(u'\\');
  if (cut == TextView::npos) return Text();
  return Text(modulePath.substr(0, cut));
}

}  // namespace zlv
