#include "settings/profile_settings.h"

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
  constexpr std::int32_t kCodes[kButtonCount] = {1, 2, 3, 5, 4, 6};
  constexpr std::uint8_t kStages[kDpiStageCount] = {0, 1, 2, 4};
  for (int i = 0; i < kButtonCount; ++i) s.ButtonCodes[i] = kCodes[i];
  s.WheelStatus = 0;
  s.DpiLevel = 0;
  for (int n = 0; n < kDpiStageCount; ++n) {
    s.DpiStages[n] = kStages[n];
    s.DpiStageEnabled[n] = 1;
  }
  s.LedMode = 0;
  s.PointerSpeed = 4;
  s.WheelLines = 2;
  s.ReportRate = 2;
  s.FireTime = 50;
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
      {u"DPI_LEVEL", s.DpiLevel},
      {u"WHEEL_STATUS", s.WheelStatus},
      {u"MACRO_MODE2", s.MacroMode},
      {u"DPI_SET0", s.DpiStages[0]},
      {u"DPI_SET_EN0", flag(s.DpiStageEnabled[0])},
      {u"DPI_SET1", s.DpiStages[1]},
      {u"DPI_SET_EN1", flag(s.DpiStageEnabled[1])},
      {u"DPI_SET2", s.DpiStages[2]},
      {u"DPI_SET_EN2", flag(s.DpiStageEnabled[2])},
      {u"DPI_SET3", s.DpiStages[3]},
      {u"DPI_SET_EN3", flag(s.DpiStageEnabled[3])},
      {u"LED_STATUS", s.LedMode},
      {u"DPI_SPEED", s.PointerSpeed},
      {u"WHEEL_SPEED", s.WheelLines},
      {u"USB_SPEED", s.ReportRate},
      {u"FIRE_TIME", s.FireTime},
  }};
}

void SettingsModel::LoadProfile(TextView path, std::int32_t n, bool fromReset) {
  const Text section = fromReset ? ResetSectionName(n, UiLanguage) : ProfileSectionName(n);
  const IniSnapshot file = ini_.Open(path);
  auto readInt = [&](const Text& key, std::size_t buffer) {
    return file.ReadInt(section, key, buffer);
  };
  auto low8 = [](std::int32_t v) { return static_cast<std::uint8_t>(v & 0xFF); };

  ProfileSettings& s = profile;
  for (int i = 0; i < kButtonCount; ++i) s.ButtonCodes[i] = readInt(Indexed(u"K", i), kShortValue);
  s.WheelStatus = readInt(u"WHEEL_STATUS", kShortValue);
  s.MacroMode = readInt(u"MACRO_MODE2", kShortValue);
  s.DpiLevel = readInt(u"DPI_LEVEL", kShortValue);
  for (int n2 = 0; n2 < kDpiStageCount; ++n2) {
    s.DpiStages[n2] = low8(readInt(Indexed(u"DPI_SET", n2), kStageValue));
    s.DpiStageEnabled[n2] = readInt(Indexed(u"DPI_SET_EN", n2), kStageValue) != 0 ? 1 : 0;
  }
  s.RecomputeDpiStageMarks();
  s.LedMode = low8(readInt(u"LED_STATUS", kShortValue));
  s.PointerSpeed = low8(readInt(u"DPI_SPEED", kShortValue));
  s.WheelLines = low8(readInt(u"WHEEL_SPEED", kShortValue));
  s.ReportRate = low8(readInt(u"USB_SPEED", kShortValue));
  s.FireTime = readInt(u"FIRE_TIME", kShortValue);
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
