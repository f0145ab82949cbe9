#include "tests/crash/save_steps.h"

#include "macro/macro_file.h"
#include "macro/macro_slot.h"
#include "settings/ini_file.h"
#include "settings/profile_settings.h"

namespace zlv::crash {

Text SavedFile(SaveKind kind, TextView folder) {
  return Text(folder) + (kind == SaveKind::kConfig ? u"\\config.ini" : u"\\Macro_EN.dat");
}

namespace {

bool SaveProfileOne(IniStore& ini, const Text& path, bool second) {
  SettingsModel settings(ini);
  settings.ConfigPath = path;
  settings.LoadProfile(path, 1, false);
  ProfileSettings& p = settings.profile;
  p.DpiLevel = second ? 3 : 0;
  p.FireTime = second ? 250 : 10;
  p.ButtonCodes[2] = second ? 41 : 3;
  return settings.SaveProfile(path, 1);
}

bool SaveMacros(IniStore& ini, const Text& path, bool second) {
  UserMacroTable table;
  const int macros = second ? 5 : 2;
  for (int m = 0; m < macros; ++m) {
    MacroSlot& slot = table.slots[static_cast<std::size_t>(m)];
    slot.SetName(second ? u"second set" : u"first");
    const int events = second ? 40 : 6;
    slot.SetCount(events);
    for (int k = 0; k < events; ++k) {
      slot.SetEvent(k, MacroEvent{static_cast<std::uint8_t>(0x04 + k % 20),
                                  static_cast<std::uint8_t>(k % 2 == 0 ? kEventPress : kEventRelease)});
      slot.SetDelay(k, static_cast<std::uint16_t>(second ? 500 + k : 20 + k));
    }
  }
  table.count = static_cast<std::int16_t>(macros);
  return SaveMacroFile(ini, path, table);
}

}  // namespace

bool RunSave(SaveKind kind, FileStore& files, TextView folder, std::uint32_t round) {
  IniStore ini(files);
  const Text path = SavedFile(kind, folder);
  const bool second = round % 2 == 1;
  return kind == SaveKind::kConfig ? SaveProfileOne(ini, path, second) : SaveMacros(ini, path, second);
}

}  // namespace zlv::crash
