#include "device/system_settings_win32.h"

#include <windows.h>

#include <cstdint>

namespace zlv {

std::optional<int> Win32SystemSettings::PointerSpeed() {
  int speed = 0;
  if (!call_(SPI_GETMOUSESPEED, 0, &speed, 0)) return std::nullopt;
  return speed;
}

void Win32SystemSettings::SetPointerSpeed(int speed) {
  // The speed travels in the pointer argument itself, not behind it.
  call_(SPI_SETMOUSESPEED, 0,
                        reinterpret_cast<PVOID>(static_cast<std::intptr_t>(speed)),
                        SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
}

std::optional<int> Win32SystemSettings::WheelScrollLines() {
  UINT lines = 0;
  if (!call_(SPI_GETWHEELSCROLLLINES, 0, &lines, 0)) return std::nullopt;
  return static_cast<int>(lines);
}

void Win32SystemSettings::SetWheelScrollLines(int lines) {
  call_(SPI_SETWHEELSCROLLLINES, static_cast<UINT>(lines), nullptr,
                        SPIF_UPDATEINIFILE);
}

}  // namespace zlv
