#include "app/window_title.h"

namespace zlv {

TextView MainWindowTitle(std::int32_t uiLanguage) {
  return uiLanguage == kUiEnglish ? TextView(u"Zelvan Gaming Mouse")
                                  : TextView(u"泽凡电竞游戏鼠标驱动");
}

}  // namespace zlv
