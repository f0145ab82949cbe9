// libFuzzer target for the macro file loader: any bytes load into both tables
// without reading or writing outside them, the counts stay within the tables,
// the blank user record stays blank, and every loaded record's text (what a
// save writes) reads back as the same record.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/message_box.h"
#include "fuzz/fuzz_support.h"
#include "macro/macro_file.h"
#include "macro/macro_slot.h"
#include "settings/ini_file.h"
#include "sim/memory_file_store.h"

namespace {

using zlv::fuzz::Check;

// The largest real file holds 13 records of 3192 digits: about 42 KB.
constexpr std::size_t kMaxInputBytes = 44 * 1024;

class CountingMessages final : public zlv::MessageBoxes {
 public:
  void Show(zlv::TextView) override { ++shown; }
  int shown = 0;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  zlv::fuzz::DefaultMaxLen(argc, argv, kMaxInputBytes);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zlv;
  MemoryFileStore files;
  IniStore ini(files);
  CountingMessages messages;
  const Text path = u"fuzz.dat";
  files.Put(path, std::string(reinterpret_cast<const char*>(data), size));

  // One read serves both tables, as LoadMacroFile and LoadConstMacroFile each
  // read and store the same records.
  const MacroFileContent content = ReadMacroFile(ini, messages, path, kMaxConstMacros);
  Check(content.found);
  Check(messages.shown == 0);
  UserMacroTable user;
  MacroEditState state;
  StoreUserMacros(content, user, state);
  Check(user.count >= 0 && user.count <= kMaxUserMacros);
  Check(state.current_macro >= 0 && state.current_macro < kMaxUserMacros);
  Check(state.selected_line >= 0 && state.selected_line <= 2 * kMacroEventCapacity - 2);
  const MacroSlot blank{};
  Check(user.slots[kBlankMacroSlot].ToBytes() == blank.ToBytes());

  ConstMacroTable constants;
  StoreConstMacros(content, constants);
  Check(constants.count >= 0 && constants.count <= kMacroTableSize);
  Check(constants.count >= user.count);
  // Whatever was loaded survives a save and a load unchanged. The records are
  // checked one by one rather than through a whole file, which would parse
  // and write up to 42 KB more per run; macro_file_test saves and loads files.
  for (int i = 0; i < constants.count; ++i) {
    const auto bytes = constants.slots[i].ToBytes();
    if (i < user.count) Check(user.slots[i].ToBytes() == bytes);
    Check(MacroRecordBytes(MacroRecordText(constants.slots[i])) == bytes);
  }
  return 0;
}
