#include "settings/profile_settings.h"

#include "settings/function_codes.h"

namespace zlv {

namespace {

constexpr char16_t kInitSection[] = u"Init";
constexpr char16_t kCurConfigKey[] = u"CurConfig";
constexpr char16_t kLanguageKey[] = u"VER_SEL";
// Read buffers, in characters: values are cut to one less than these.
constexpr std::size_t kShortValue = 5;
constexpr std::size_t kStageValue = 10;

constexpr std::int32_t kEnglish = 1;

Text Indexed(const char16_t* stem, int n) { return Text(stem) + DecimalText(n); }

}  // namespace

void ProfileSettings::RecomputeDpiStageMarks() {
  for (int n = 0; n < kDpiStageCount; ++n) DpiStageMarks[n] = DpiStages[n] + 60 + 5 * n;
}

bool operator==(const ProfileSettings& a, const ProfileSettings& b) {
  const auto ka = ProfileKeyValues(a);
  const auto kb = ProfileKeyValues(b);
  for (std::size_t i = 0; i < ka.size(); ++i) {
    if (ka[i].value != kb[i].value) return false;
  }
  for (int n = 0; n < kDpiStageCount; ++n) {
    // Enable flags compare as stored, not as written (1 or 0).
    if (a.DpiStageEnabled[n] != b.DpiStageEnabled[n]) return false;
    if (a.DpiStageMarks[n] != b.DpiStageMarks[n]) return false;
  }
  return true;
}

void ApplyBuiltInDefaults(ProfileSettings& s) {
  for (int i = 0; i < kButtonCount; ++i) {
    s.ButtonCodes[i] = setting::kBuiltInButtonCodes[static_cast<std::size_t>(i)];
  }
  s.WheelStatus = setting::kWheelStatus.builtIn;
  s.DpiLevel = setting::kDpiLevel.builtIn;
  for (int n = 0; n < kDpiStageCount; ++n) {
    s.DpiStages[n] = setting::kBuiltInDpiStages[static_cast<std::size_t>(n)];
    s.DpiStageEnabled[n] = static_cast<std::uint8_t>(setting::kDpiStageEnabled.builtIn);
  }
  s.LedMode = static_cast<std::uint8_t>(setting::kLedMode.builtIn);
  s.PointerSpeed = static_cast<std::uint8_t>(setting::kPointerSpeed.builtIn);
  s.WheelLines = static_cast<std::uint8_t>(setting::kWheelLines.builtIn);
  s.ReportRate = setting::kBuiltInReportRate;
  s.FireTime = setting::kFireTime.builtIn;
  s.RecomputeDpiStageMarks();
}

void MakeSendable(ProfileSettings& s) {
  auto bound8 = [](Relaxed<std::uint8_t>& field, const SettingRange& range) {
    const std::int32_t v = field;
    const std::int32_t b = range.Bound(v);
    if (b != v) field = static_cast<std::uint8_t>(b);
  };
  auto bound32 = [](Relaxed<std::int32_t>& field, const SettingRange& range) {
    const std::int32_t v = field;
    const std::int32_t b = range.Bound(v);
    if (b != v) field = b;
  };
  bound32(s.WheelStatus, setting::kWheelStatus);
  bound32(s.DpiLevel, setting::kDpiLevel);
  for (int n = 0; n < kDpiStageCount; ++n) {
    bound8(s.DpiStages[n], setting::kDpiStage);
    bound8(s.DpiStageEnabled[n], setting::kDpiStageEnabled);
  }
  bound8(s.LedMode, setting::kLedMode);
  bound8(s.PointerSpeed, setting::kPointerSpeed);
  bound8(s.WheelLines, setting::kWheelLines);
  bound32(s.FireTime, setting::kFireTime);

  bool primaryClick = false;
  for (int i = 0; i < kButtonCount; ++i) {
    primaryClick = primaryClick || s.ButtonCodes[i] == codes::kPrimaryClick;
  }
  if (!primaryClick) s.ButtonCodes[0] = codes::kPrimaryClick;

  // Bounded again: the macro player may store a stage the mouse reported.
  const int active = setting::kDpiLevel.Bound(s.DpiLevel);
  if (s.DpiStageEnabled[active] == 0) {
    int next = active;
    for (int step = 1; step < kDpiStageCount; ++step) {
      const int candidate = (active + step) % kDpiStageCount;
      if (s.DpiStageEnabled[candidate] != 0) {
        next = candidate;
        break;
      }
    }
    if (next == active) {
      s.DpiStageEnabled[active] = 1;  // no stage was enabled
    } else {
      s.DpiLevel = next;
    }
  }
  s.RecomputeDpiStageMarks();
}

Text ProfileSectionName(std::int32_t n) { return Indexed(u"Config", n); }

Text ResetSectionName(std::int32_t n, std::int32_t uiLanguage) {
  if (n == 5 && uiLanguage == kEnglish) return u"CfgReset_EN5";
  return Indexed(u"CfgReset", n);
}

std::array<ProfileKeyValue, 22> ProfileKeyValues(const ProfileSettings& s) {
  auto flag = [](std::uint8_t v) { return v != 0 ? 1 : 0; };
  return {{
      {u"K0", s.ButtonCodes[0]},
      {u"K1", s.ButtonCodes[1]},
      {u"K2", s.ButtonCodes[2]},
      {u"K3", s.ButtonCodes[3]},
      {u"K4", s.ButtonCodes[4]},
      {u"K5", s.ButtonCodes[5]},
      {setting::kDpiLevel.key, s.DpiLevel},
      {setting::kWheelStatus.key, s.WheelStatus},
      {u"MACRO_MODE2", s.MacroMode},
      {u"DPI_SET0", s.DpiStages[0]},
      {u"DPI_SET_EN0", flag(s.DpiStageEnabled[0])},
      {u"DPI_SET1", s.DpiStages[1]},
      {u"DPI_SET_EN1", flag(s.DpiStageEnabled[1])},
      {u"DPI_SET2", s.DpiStages[2]},
      {u"DPI_SET_EN2", flag(s.DpiStageEnabled[2])},
      {u"DPI_SET3", s.DpiStages[3]},
      {u"DPI_SET_EN3", flag(s.DpiStageEnabled[3])},
      {setting::kLedMode.key, s.LedMode},
      {setting::kPointerSpeed.key, s.PointerSpeed},
      {setting::kWheelLines.key, s.WheelLines},
      {u"USB_SPEED", s.ReportRate},
      {setting::kFireTime.key, s.FireTime},
  }};
}

void SettingsModel::LoadProfile(TextView path, std::int32_t n, bool fromReset) {
  const Text section = fromReset ? ResetSectionName(n, UiLanguage) : ProfileSectionName(n);
  const IniSnapshot file = ini_.Open(path);
  if (!file.HasSection(section)) {
    // A missing section (or file) would read as zeros: no primary click and
    // no DPI stage. A section that is there is read as it is, missing keys
    // included; the push makes it sendable.
    ApplyBuiltInDefaults(profile);
    profile.MacroMode = 0;
    return;
  }
  auto readInt = [&](const Text& key, std::size_t buffer) {
    return file.ReadInt(section, key, buffer);
  };
  auto low8 = [](std::int32_t v) { return static_cast<std::uint8_t>(v & 0xFF); };

  ProfileSettings& s = profile;
  for (int i = 0; i < kButtonCount; ++i) s.ButtonCodes[i] = readInt(Indexed(u"K", i), kShortValue);
  s.WheelStatus = readInt(setting::kWheelStatus.key, kShortValue);
  s.MacroMode = readInt(u"MACRO_MODE2", kShortValue);
  s.DpiLevel = readInt(setting::kDpiLevel.key, kShortValue);
  for (int n2 = 0; n2 < kDpiStageCount; ++n2) {
    s.DpiStages[n2] = low8(readInt(Indexed(setting::kDpiStage.key, n2), kStageValue));
    s.DpiStageEnabled[n2] = readInt(Indexed(setting::kDpiStageEnabled.key, n2), kStageValue) != 0 ? 1 : 0;
  }
  s.LedMode = low8(readInt(setting::kLedMode.key, kShortValue));
  s.PointerSpeed = low8(readInt(setting::kPointerSpeed.key, kShortValue));
  s.WheelLines = low8(readInt(setting::kWheelLines.key, kShortValue));
  s.ReportRate = low8(readInt(u"USB_SPEED", kShortValue));
  s.FireTime = readInt(setting::kFireTime.key, kShortValue);
  // Read as the file has it, then bounded; the window shows and the next save
  // writes the bounded values. This also recomputes the stage marks.
  MakeSendable(s);
}

bool SettingsModel::SaveProfile(TextView path, std::int32_t n) {
  const Text section = ProfileSectionName(n);
  std::vector<IniWrite> writes;
  for (const auto& kv : ProfileKeyValues(profile)) {
    writes.push_back({section, kv.key, DecimalText(kv.value)});
  }
  return ini_.Write(path, writes);
}

bool SettingsModel::SaveDpiLevel(TextView path, std::int32_t n) {
  return ini_.Write(path, ProfileSectionName(n), u"DPI_LEVEL", DecimalText(profile.DpiLevel));
}

bool SettingsModel::SaveUsbSpeed(TextView path, std::int32_t n) {
  return ini_.Write(path, ProfileSectionName(n), u"USB_SPEED", DecimalText(profile.ReportRate));
}

void SettingsModel::ChooseStartupProfile() {
  CurrentProfile = ParseDecimal(ini_.Read(ConfigPath, kInitSection, kCurConfigKey, kShortValue));
  LoadProfile(ConfigPath, CurrentProfile, false);
}

bool SettingsModel::SaveCurrentProfileNumber() {
  return ini_.Write(ConfigPath, kInitSection, kCurConfigKey, DecimalText(CurrentProfile));
}

bool SettingsModel::RestoreDefaultSettings() {
  ApplyBuiltInDefaults(profile);
  bool written = SaveProfile(ConfigPath, 1);
  for (std::int32_t n = 5; n >= 2; --n) {
    LoadProfile(ConfigPath, n, true);
    written = SaveProfile(ConfigPath, n) && written;
  }
  LoadProfile(ConfigPath, CurrentProfile, false);
  return written;
}

std::int32_t ReadUiLanguage(IniStore& ini, TextView configPath) {
  const std::int32_t value = ParseDecimal(ini.Read(configPath, kInitSection, kLanguageKey, kShortValue));
  return value & 0xFF;
}

bool WriteUiLanguage(IniStore& ini, TextView configPath, std::int32_t uiLanguage) {
  return ini.Write(configPath, kInitSection, kLanguageKey, uiLanguage == 1 ? u"1" : u"0");
}

void EnableDpiStage(ProfileSettings& s, int stage) {
  if (stage < 0 || stage >= kDpiStageCount) return;
  s.DpiStageEnabled[stage] = 1;
}

void DisableDpiStage(ProfileSettings& s, int stage) {
  if (stage < 0 || stage >= kDpiStageCount) return;
  if (s.DpiLevel != stage) {
    s.DpiStageEnabled[stage] = 0;
    return;
  }
  for (int step = 1; step < kDpiStageCount; ++step) {
    const int next = (stage + step) % kDpiStageCount;
    if (s.DpiStageEnabled[next] != 0) {
      s.DpiStageEnabled[stage] = 0;
      s.DpiLevel = next;
      return;
    }
  }
  // The only enabled stage stays enabled and active.
}

bool ChooseActiveDpiStage(ProfileSettings& s, int stage) {
  if (stage < 0 || stage >= kDpiStageCount || s.DpiStageEnabled[stage] == 0) return false;
  s.DpiLevel = stage;
  return true;
}

void ChooseDpiStageValue(ProfileSettings& s, int stage, int value) {
  if (stage < 0 || stage >= kDpiStageCount || value < 0 || value >= kDpiValueCount) return;
  s.DpiStages[stage] = static_cast<std::uint8_t>(value);
  s.DpiStageMarks[stage] = 60 + 5 * stage + value;
}

}  // namespace zlv
