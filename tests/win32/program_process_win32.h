// Runs the built program as a process of its own for the Windows tests: a
// copy of an executable with the staged data in a folder of the test, and the
// top-level windows the process shows.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/win32/program_image_win32.h"

namespace zlv::testing {

// The executable with the data staged beside it in bin/ (macro files,
// skins; config.ini only when `withConfig`), copied into `to`.
inline void CopyProgram(const std::filesystem::path& to, const wchar_t* exeName,
                        bool withConfig = false) {
  namespace fs = std::filesystem;
  const fs::path bin = BinDir();
  fs::copy_file(bin / exeName, to / exeName);
  for (const char* file : {"constMacro.dat", "Macro_EN.dat", "Macro_CN.dat"}) {
    if (fs::exists(bin / file)) fs::copy_file(bin / file, to / file);
  }
  if (withConfig) fs::copy_file(bin / "config.ini", to / "config.ini");
  if (fs::exists(bin / "skins")) fs::copy(bin / "skins", to / "skins", fs::copy_options::recursive);
}

struct Process {
  PROCESS_INFORMATION info{};
  bool started = false;

  Process() = default;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process() {
    if (!started) return;
    if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 99);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
  // `arguments` follow the quoted program path on the command line.
  bool Start(const std::filesystem::path& exe, const std::wstring& arguments = L"") {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    started = CreateProcessW(exe.wstring().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                             nullptr, exe.parent_path().wstring().c_str(), &startup, &info) != FALSE;
    return started;
  }
  // The exit code, or STILL_ACTIVE when it has not ended within the time.
  DWORD WaitForExit(DWORD milliseconds) {
    if (WaitForSingleObject(info.hProcess, milliseconds) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info.hProcess, &code);
    return code;
  }
};

// The top-level windows of a process with a title (any title when empty).
inline std::vector<HWND> WindowsOf(DWORD processId, const std::wstring& title,
                                   const wchar_t* windowClass = nullptr) {
  struct Search {
    DWORD pid;
    const std::wstring* title;
    const wchar_t* windowClass;
    std::vector<HWND> found;
  } search{processId, &title, windowClass, {}};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid != s->pid) return TRUE;
        wchar_t text[256] = {};
        GetWindowTextW(hwnd, text, 256);
        wchar_t cls[64] = {};
        GetClassNameW(hwnd, cls, 64);
        if (!s->title->empty() && *s->title != text) return TRUE;
        if (s->windowClass != nullptr && std::wstring(s->windowClass) != cls) return TRUE;
        s->found.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline HWND WaitForWindow(DWORD processId, const std::wstring& title,
                          const wchar_t* windowClass = nullptr, int pollMs = 50) {
  for (int waited = 0; waited < 10000; waited += pollMs) {
    std::vector<HWND> found = WindowsOf(processId, title, windowClass);
    if (!found.empty()) return found.front();
    Sleep(static_cast<DWORD>(pollMs));
  }
  return nullptr;
}

}  // namespace zlv::testing
