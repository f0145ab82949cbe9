// ZLV_GMouse.exe: the program with the real HID layer.
#include <windows.h>

#include "app/gmouse_app_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  zlv::CZLV_GMouseApp app(zlv::AppComposition{});
  return app.Run(instance);
}
