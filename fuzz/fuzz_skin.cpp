// libFuzzer target for the skin layout reader: any bytes load as any of the
// four layout files without reading outside a table, captions and labels stay
// within the read buffer, only the malformed-value message is shown, and the
// fields of a value always join back into the value.
//
// An input is one selector byte, then the file: the selector's low two bits
// pick the layout file the rest becomes (main, colour, advanced, warning) and
// bit 2 the language of the paths; the other three files are there but empty.
// Each run so parses the input once, not once per file.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>

#include "base/message_box.h"
#include "fuzz/fuzz_support.h"
#include "settings/ini_file.h"
#include "sim/memory_file_store.h"
#include "ui/skin_layout.h"

namespace {

using zlv::fuzz::Check;

// The shipped layout files are 6 KB at most (plus the selector byte).
constexpr std::size_t kMaxInputBytes = 8 * 1024;

class CheckingMessages final : public zlv::MessageBoxes {
 public:
  void Show(zlv::TextView text) override {
    Check(text == zlv::ui::kSkinValueErrorMessage);
    ++shown;
  }
  int shown = 0;
};

void CheckEntry(const zlv::ui::SkinEntry& e) {
  Check(e.caption.size() < zlv::ui::kSkinValueBufferChars);
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  for (std::int64_t p : {kMin, std::int64_t{-1}, std::int64_t{0}, kMax, std::int64_t{e.x}}) {
    (void)e.Contains(p, p);
  }
  const zlv::ui::SkinRect r = zlv::ui::SkinRect::FromEntry(e);
  Check(r.left == e.x && r.top == e.y);
  Check(e.width >= 0 ? r.right >= r.left : r.right <= r.left);
  Check(e.height >= 0 ? r.bottom >= r.top : r.bottom <= r.top);
}

// The fields joined with commas give back the value.
void CheckSplit(zlv::TextView value) {
  const zlv::ui::SkinValue split = zlv::ui::SplitSkinValue(value);
  const std::size_t used = split.commas < 6 ? split.commas + 1 : 7;
  zlv::Text joined;
  for (std::size_t k = 0; k < used; ++k) {
    if (k > 0) joined += u',';
    joined += split.fields[k];
  }
  // Compared as bytes: a character-by-character compare of the whole input
  // would cost more than the split itself.
  Check(joined.size() == value.size() &&
        std::memcmp(joined.data(), value.data(), value.size() * sizeof(char16_t)) == 0);
  for (std::size_t k = used; k < split.fields.size(); ++k) Check(split.fields[k].empty());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  zlv::fuzz::DefaultMaxLen(argc, argv, kMaxInputBytes);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zlv;
  const std::uint8_t selector = size > 0 ? data[0] : 0;
  const std::string_view file =
      size > 0 ? std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1) : "";
  MemoryFileStore files;
  IniStore ini(files);
  CheckingMessages messages;
  int shutdowns = 0;
  ui::SkinReader reader(ini, messages, [&] { ++shutdowns; });
  const ui::SkinLayoutPaths paths = ui::LayoutPaths(u"skins", (selector & 4) != 0 ? 1 : 0);
  const Text* const order[] = {&paths.main, &paths.color, &paths.advance, &paths.warning};
  for (std::size_t k = 0; k < std::size(order); ++k) {
    files.Put(*order[k], k == (selector & 3u) ? std::string(file) : std::string());
  }

  ui::SkinLayout layout;
  FunctionLabels labels;
  ui::WarningLayout warning;
  Check(reader.LoadAllLayouts(paths, layout, labels, warning));
  Check(shutdowns == 0);
  // At most one message per key read: 99 + 54 + 13 + 51 + 4 + 3.
  Check(messages.shown <= 224);
  for (const auto& e : layout.MainEntries) CheckEntry(e);
  for (const auto& e : layout.AdvancedEntries) CheckEntry(e);
  for (const auto& e : layout.ColorEntries) CheckEntry(e);
  for (const auto& e : warning) CheckEntry(e);
  Check(labels[0].empty());
  for (const Text& label : labels) Check(label.size() < ui::kSkinValueBufferChars);

  CheckSplit(FromUtf8(file));
  return 0;
}
