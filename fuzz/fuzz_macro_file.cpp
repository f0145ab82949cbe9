// libFuzzer target for the macro file loader: any bytes load into both tables
// without reading or writing outside them, the counts stay within the tables,
// the blank user record stays blank, and the user macros read back unchanged
// after a save.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/message_box.h"
#include "sim/memory_file_store.h"
#include "macro/macro_file.h"
#include "macro/macro_slot.h"
#include "settings/ini_file.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

class CountingMessages final : public zlv::MessageBoxes {
 public:
  void Show(zlv::TextView) override { ++shown; }
  int shown = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zlv;
  MemoryFileStore files;
  IniStore ini(files);
  CountingMessages messages;
  const Text path = u"fuzz.dat";
  files.Put(path, std::string(reinterpret_cast<const char*>(data), size));

  UserMacroTable user;
  MacroEditState state;
  Check(LoadMacroFile(ini, messages, path, user, state));
  Check(user.count >= 0 && user.count <= kMaxUserMacros);
  Check(state.current_macro >= 0 && state.current_macro < kMaxUserMacros);
  Check(state.selected_line >= 0 && state.selected_line <= 2 * kMacroEventCapacity - 2);
  const MacroSlot blank{};
  Check(user.slots[kBlankMacroSlot].ToBytes() == blank.ToBytes());

  ConstMacroTable constants;
  Check(LoadConstMacroFile(ini, messages, path, constants));
  Check(constants.count >= 0 && constants.count <= kMacroTableSize);
  Check(constants.count >= user.count);
  for (int i = 0; i < user.count; ++i) {
    Check(constants.slots[i].ToBytes() == user.slots[i].ToBytes());
  }
  Check(messages.shown == 0);

  // Whatever was loaded survives a save and a load unchanged.
  const Text saved = u"saved.dat";
  Check(SaveMacroFile(ini, saved, user));
  UserMacroTable again;
  MacroEditState againState;
  Check(LoadMacroFile(ini, messages, saved, again, againState));
  Check(again.count == user.count);
  for (int i = 0; i < user.count; ++i) {
    Check(again.slots[i].ToBytes() == user.slots[i].ToBytes());
  }
  return 0;
}
