// ZLV_GMouse_demo.exe: the same program over the virtual mouse, so it runs
// without the hardware.
#include <windows.h>

#include "app/gmouse_app_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  zlv::AppComposition composition;
  composition.demo = true;
  zlv::CZLV_GMouseApp app(composition);
  return app.Run(instance);
}
