// The built program as seen by the Windows tests: its path beside the test
// executable (both are built into bin/) and its resources, loaded as an image.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

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

}  // namespace zlv::testing
