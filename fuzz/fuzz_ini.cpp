// libFuzzer target for the INI engine: any bytes parse, unchanged documents
// serialize back to their bytes, a snapshot reads what the document finds, and
// a key just set reads back after a serialize/parse cycle.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/text.h"
#include "fuzz/fuzz_support.h"
#include "settings/ini_file.h"

namespace {

using zlv::fuzz::Check;

// config.ini is under 3 KB, twice that in UTF-16; profile files are smaller.
constexpr std::size_t kMaxInputBytes = 8 * 1024;

constexpr const char16_t* kSections[] = {u"Init", u"INIT", u"Config1", u"fuzz", u"a", u"", u"\u00C4"};
constexpr const char16_t* kKeys[] = {u"CurConfig", u"curconfig", u"k", u"DPI1", u"a", u"x", u"\u00E4"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  zlv::fuzz::DefaultMaxLen(argc, argv, kMaxInputBytes);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zlv;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  IniDocument doc = IniDocument::Parse(bytes);

  // Nothing is lost when the bytes decode cleanly.
  const std::string same = doc.Serialize();
  switch (doc.encoding()) {
    case IniEncoding::kPlainUtf8:
    case IniEncoding::kPlainLatin1:
      Check(same == bytes);
      break;
    case IniEncoding::kUtf16Le:
    case IniEncoding::kUtf16Be:
      Check(same == bytes.substr(0, size - (size % 2)));
      break;
    case IniEncoding::kUtf8Bom:
      if (IsValidUtf8(bytes.substr(3))) Check(same == bytes);
      break;
  }

  // Reads of a few names, through every buffer size a caller uses.
  const std::uint8_t pick = size > 0 ? data[0] : 0;
  const TextView section = kSections[pick % std::size(kSections)];
  const TextView key = kKeys[(pick / 8) % std::size(kKeys)];
  const IniSnapshot snapshot(doc);
  const std::optional<Text> found = doc.Find(section, key);
  for (const std::size_t buffer : {std::size_t{0}, std::size_t{1}, std::size_t{5}, std::size_t{260}}) {
    const Text read = snapshot.Read(section, key, buffer, u"default");
    Check(buffer == 0 ? read.empty() : read.size() < buffer);
    Check(read == CutToBuffer(found ? TextView(*found) : TextView(u"default"), buffer));
    (void)snapshot.ReadInt(section, key, buffer);
  }

  // A value made of the input's last bytes, in characters every encoding holds.
  Text value;
  for (std::size_t i = size > 16 ? size - 16 : 0; i < size; ++i) {
    static constexpr char kChars[] = "0123456789 -_.abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    value.push_back(static_cast<char16_t>(kChars[data[i] % (sizeof kChars - 1)]));
  }
  doc.Set(section, key, value);
  const Text expected(TrimBlanks(value));
  Check(doc.Find(section, key) == expected);

  const IniDocument again = IniDocument::Parse(doc.Serialize());
  Check(again.Find(section, key) == expected);
  Check(IniSnapshot(again).Read(section, key, 260) == CutToBuffer(expected, 260));
  return 0;
}
