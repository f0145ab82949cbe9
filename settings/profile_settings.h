// The settings of one profile: what the window shows, the user edits and the
// mouse receives, and the config.ini sections that hold them.
#pragma once

#include <array>
#include <cstdint>

#include "base/relaxed.h"
#include "base/text.h"
#include "settings/ini_file.h"

namespace zlv {

inline constexpr int kButtonCount = 6;
inline constexpr int kDpiStageCount = 4;
inline constexpr int kDpiValueCount = 5;  // 1200, 1600, 2400, 3200, 800 DPI
inline constexpr int kFirstUserProfile = 1;
inline constexpr int kLastUserProfile = 5;
inline constexpr int kAppliedSnapshot = 6;  // [Config6]: what the mouse was last sent
inline constexpr int kTransferSection = 7;  // [Config7]: profile exchange files

// The window thread edits these fields while the macro player reads the button
// codes and writes DpiLevel and ReportRate, so every field is a Relaxed value.
struct ProfileSettings {
  std::array<Relaxed<std::int32_t>, kButtonCount> ButtonCodes;
  Relaxed<std::int32_t> WheelStatus;
  Relaxed<std::int32_t> MacroMode;  // 0: a second press stops a macro; else the release does
  Relaxed<std::int32_t> DpiLevel;   // the active stage
  std::array<Relaxed<std::uint8_t>, kDpiStageCount> DpiStages;  // value index per stage
  std::array<Relaxed<std::uint8_t>, kDpiStageCount> DpiStageEnabled;
  Relaxed<std::uint8_t> LedMode;
  Relaxed<std::uint8_t> PointerSpeed;
  Relaxed<std::uint8_t> WheelLines;
  Relaxed<std::uint8_t> ReportRate;
  Relaxed<std::int32_t> FireTime;  // milliseconds

  // Kept beside the model: the main-page entry of the value shown selected for
  // each stage, DpiStages[n] + 60 + 5n.
  std::array<Relaxed<std::int32_t>, kDpiStageCount> DpiStageMarks;

  void RecomputeDpiStageMarks();
};

bool operator==(const ProfileSettings& a, const ProfileSettings& b);

// What the window can set for a field, one row per INI key: the range and
// the built-in default. A value outside the range (only a hand-edited file or
// a tool gives one) is brought to the nearer end of it.
struct SettingRange {
  const char16_t* key;  // for the DPI stage rows, the stem of DPI_SET<n> / DPI_SET_EN<n>
  std::int32_t lowest;
  std::int32_t highest;
  std::int32_t builtIn;

  constexpr std::int32_t Bound(std::int32_t v) const {
    return v < lowest ? lowest : (v > highest ? highest : v);
  }
};

namespace setting {
inline constexpr SettingRange kWheelStatus{u"WHEEL_STATUS", 0, 1, 0};
inline constexpr SettingRange kDpiLevel{u"DPI_LEVEL", 0, kDpiStageCount - 1, 0};
inline constexpr SettingRange kDpiStage{u"DPI_SET", 0, kDpiValueCount - 1, 0};  // defaults below
inline constexpr SettingRange kDpiStageEnabled{u"DPI_SET_EN", 0, 1, 1};
inline constexpr SettingRange kLedMode{u"LED_STATUS", 0, 3, 0};
inline constexpr SettingRange kPointerSpeed{u"DPI_SPEED", 0, 9, 4};
inline constexpr SettingRange kWheelLines{u"WHEEL_SPEED", 0, 9, 2};
inline constexpr SettingRange kFireTime{u"FIRE_TIME", 0, 300, 50};  // milliseconds
// Not bounded: codes outside the table send device function 0, and the
// report rate is never sent (the mouse steps it itself).
inline constexpr std::array<std::int32_t, kButtonCount> kBuiltInButtonCodes = {1, 2, 3, 5, 4, 6};
inline constexpr std::array<std::uint8_t, kDpiStageCount> kBuiltInDpiStages = {0, 1, 2, 4};
inline constexpr std::uint8_t kBuiltInReportRate = 2;
}  // namespace setting

// The factory settings of profile 1 (MacroMode is not part of them: callers keep theirs).
void ApplyBuiltInDefaults(ProfileSettings& settings);

// Makes a profile fit to send: every bounded field within its range, at least
// one button on the primary click (button 0 gets it when none has it), and an
// enabled active DPI stage (the active stage is enabled when no stage is;
// when only the active one is disabled, the next enabled stage after it
// becomes active). A profile that already fits is left exactly as it is.
void MakeSendable(ProfileSettings& settings);

// "Config<n>" and the reset section a profile is restored from.
Text ProfileSectionName(std::int32_t n);
Text ResetSectionName(std::int32_t n, std::int32_t uiLanguage);

// The keys of a section, in the order they are written.
struct ProfileKeyValue {
  Text key;
  std::int32_t value;
};
std::array<ProfileKeyValue, 22> ProfileKeyValues(const ProfileSettings& settings);

// The settings model: the one ProfileSettings, the current profile, the
// interface language and the config.ini they come from.
class SettingsModel {
 public:
  explicit SettingsModel(IniStore& ini) : ini_(ini) {}

  ProfileSettings profile;
  // What the mouse was last sent (set by every push); the stage and the
  // report rate the mouse steps itself are followed here too. The window
  // compares it with `profile` to show unapplied changes.
  ProfileSettings applied;
  Relaxed<std::int32_t> CurrentProfile;
  Relaxed<std::int32_t> UiLanguage;  // 1 English, 0 Chinese
  Text ConfigPath;

  // Fills `profile` from [Config<n>], or from the reset section of profile n,
  // and makes it sendable. A section that holds none of the profile's keys
  // (or a file that is missing or unreadable) gives the built-in defaults
  // with MacroMode 0.
  void LoadProfile(TextView path, std::int32_t n, bool fromReset);
  // Writes every field into [Config<n>] in one commit. False when the file
  // could not be written (callers in the program ignore it).
  bool SaveProfile(TextView path, std::int32_t n);
  bool SaveDpiLevel(TextView path, std::int32_t n);
  bool SaveUsbSpeed(TextView path, std::int32_t n);

  // Start-up: CurrentProfile from [Init] CurConfig of ConfigPath, then load it.
  void ChooseStartupProfile();
  // Writes [Init] CurConfig.
  bool SaveCurrentProfileNumber();
  // The settings half of restoring the factory profiles: profile 1 from the
  // built-in table, 2..5 from the reset sections, then the current profile is
  // loaded again. The caller restores the macros and pushes everything after it.
  // Returns whether every write succeeded (the program itself ignores it).
  bool RestoreDefaultSettings();

  IniStore& ini() { return ini_; }

 private:
  IniStore& ini_;
};

// [Init] VER_SEL of config.ini: 1 English, 0 Chinese; anything unreadable gives 0.
std::int32_t ReadUiLanguage(IniStore& ini, TextView configPath);
// Writes VER_SEL: "1" for English (1), "0" for any other value.
bool WriteUiLanguage(IniStore& ini, TextView configPath, std::int32_t uiLanguage);

// Rules that keep DpiLevel on an enabled stage while the user edits stages.
// Stage numbers outside 0..3 are ignored.
void EnableDpiStage(ProfileSettings& s, int stage);
void DisableDpiStage(ProfileSettings& s, int stage);
// Accepted only when the stage is enabled; returns whether it was.
bool ChooseActiveDpiStage(ProfileSettings& s, int stage);
void ChooseDpiStageValue(ProfileSettings& s, int stage, int value);

}  // namespace zlv
