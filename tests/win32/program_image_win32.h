// The built program as seen by the Windows tests: its path beside the test
// executable (both are built into bin/) and its resources, loaded as an image.
#pragma once

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "wingui/win_framework_win32.h"

namespace zlv::testing {

// bin/ of the build: the folder of the running test executable.
inline std::wstring BinDir() {
  std::vector<wchar_t> buffer(32768);
  const DWORD got = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  std::wstring path(buffer.data(), got);
  const std::size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

inline std::wstring ProgramPath(const wchar_t* exeName = L"ZLV_GMouse.exe") {
  return BinDir() + L"\\" + exeName;
}

// ZLV_GMouse.exe loaded for its resources only (its code does not run). The
// handle stays loaded for the whole test run.
inline HMODULE ProgramImage() {
  static HMODULE module = LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                         LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  return module;
}

// The data the program finds beside it (macro files, skins and, unless
// `withConfig` is false, config.ini), copied from bin/ into `dir`.
inline void StageProgramData(const std::filesystem::path& dir, bool withConfig = true) {
  namespace fs = std::filesystem;
  const fs::path bin = BinDir();
  for (const char* file : {"config.ini", "constMacro.dat", "Macro_EN.dat", "Macro_CN.dat"}) {
    if (withConfig || std::string(file) != "config.ini") fs::copy_file(bin / file, dir / file);
  }
  fs::copy(bin / "skins", dir / "skins", fs::copy_options::recursive);
}

// Pumps this thread's messages the way the program's own loop does (with its
// pre-translation) until `done` holds, for at most `timeoutMs`. False on the
// timeout.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (!done()) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MSG waiting;
    if (PeekMessageW(&waiting, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!win::PumpMessage()) return false;
      continue;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 20)),
                              QS_ALLINPUT);
  }
  return true;
}
inline void PumpFor(DWORD ms) { PumpUntil([] { return false; }, ms); }

}  // namespace zlv::testing
