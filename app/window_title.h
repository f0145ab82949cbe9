// The main window's title. Other parts find the running window through the
// system by this title (a second start, the keyboard capture), so every user
// of it goes through this one function.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace zlv {

inline constexpr std::int32_t kUiEnglish = 1;

// "Zelvan Gaming Mouse" for English (1), "泽凡电竞游戏鼠标驱动" for any other
// language value (0 is Chinese).
TextView MainWindowTitle(std::int32_t uiLanguage);

}  // namespace zlv
