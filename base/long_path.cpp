#include "base/long_path.h"

#include <cstdio>

namespace zlv {

namespace {

constexpr TextView kExtendedPrefix = u"\\\\?\\";
constexpr TextView kDevicePrefix = u"\\\\.\\";
constexpr TextView kUncPrefix = u"\\\\";
constexpr TextView kTemporaryMark = u".zlvtmp";

bool StartsWith(TextView text, TextView prefix) { return text.substr(0, prefix.size()) == prefix; }

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

}  // namespace

Text ExtendedLengthPath(TextView fullPath) {
  if (StartsWith(fullPath, kExtendedPrefix) || StartsWith(fullPath, kDevicePrefix)) return Text(fullPath);
  if (fullPath.size() >= 3 && IsDriveLetter(fullPath[0]) && fullPath[1] == u':' && fullPath[2] == u'\\') {
    return Text(kExtendedPrefix) + Text(fullPath);
  }
  // "\\server\share\...": a server name must follow.
  if (StartsWith(fullPath, kUncPrefix) && fullPath.size() > 2 && fullPath[2] != u'\\') {
    return Text(kExtendedPrefix) + u"UNC\\" + Text(fullPath.substr(2));
  }
  return Text(fullPath);
}

Text FolderOfFile(TextView path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  if (slash == TextView::npos) return Text();
  // A drive's root keeps its backslash: "C:\" or "\\?\C:\".
  const TextView before = path.substr(0, slash);
  const TextView drive = StartsWith(before, kExtendedPrefix) ? before.substr(kExtendedPrefix.size()) : before;
  if (drive.size() == 2 && IsDriveLetter(drive[0]) && drive[1] == u':') return Text(path.substr(0, slash + 1));
  return Text(path.substr(0, slash == 0 ? 1 : slash));
}

TextView FileNameOfPath(TextView path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return slash == TextView::npos ? path : path.substr(slash + 1);
}

Text TemporaryPathFor(TextView target, std::uint32_t processId, std::uint32_t serial) {
  char tail[32];
  std::snprintf(tail, sizeof tail, "%x-%x", static_cast<unsigned>(processId), static_cast<unsigned>(serial));
  return Text(target) + Text(kTemporaryMark) + Ascii(tail);
}

Text TemporaryPattern(TextView targetName) { return Text(targetName) + Text(kTemporaryMark) + u"*"; }

bool IsTemporaryOf(TextView targetName, TextView name) {
  const std::size_t head = targetName.size() + kTemporaryMark.size();
  if (targetName.empty() || name.size() <= head) return false;
  if (!EqualsIgnoreCase(name.substr(0, targetName.size()), targetName)) return false;
  if (!EqualsIgnoreCase(name.substr(targetName.size(), kTemporaryMark.size()), kTemporaryMark)) return false;
  // "<pid>-<serial>" in hex.
  const TextView tail = name.substr(head);
  const std::size_t dash = tail.find(u'-');
  if (dash == 0 || dash == TextView::npos || dash + 1 == tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    if (i != dash && !IsHexDigit(tail[i])) return false;
  }
  return true;
}

}  // namespace zlv
