// hidvm_probe: what the guest tests do to the running program from outside,
// as the user and the system would (tests/hidvm/guest-tests).
//
//   hidvm_probe box MS          waits for the program's message box, prints
//                               its text (UTF-8) and presses its OK button
//   hidvm_probe main MS         waits until the main window is shown
//   hidvm_probe click SKIN N    clicks the centre of main-page entry N of the
//                               English skin file SKIN with the pointer
//   hidvm_probe power EVENT     broadcasts a power event: suspend or resume
//   hidvm_probe exit            chooses Exit Driver (the tray menu's command)
//
// Exit status 0 when it did what it was asked, 1 when the window was not there.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "resources/resource_ids.h"

namespace {

constexpr const wchar_t* kMainTitles[] = {L"Zelvan Gaming Mouse", L"泽凡电竞游戏鼠标驱动"};

HWND FindMain() {
  for (const wchar_t* title : kMainTitles) {
    if (HWND w = FindWindowW(nullptr, title)) return w;
  }
  return nullptr;
}

template <typename Find>
HWND WaitFor(Find find, int ms) {
  for (int waited = 0;; waited += 50) {
    if (HWND w = find()) return w;
    if (waited >= ms) return nullptr;
    Sleep(50);
  }
}

std::string Utf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring MessageBoxText(HWND box) {
  std::wstring text;
  EnumChildWindows(
      box,
      [](HWND child, LPARAM param) -> BOOL {
        wchar_t cls[32] = {};
        GetClassNameW(child, cls, 32);
        wchar_t got[512] = {};
        GetWindowTextW(child, got, 512);
        if (lstrcmpiW(cls, L"Static") != 0 || got[0] == 0) return TRUE;
        *reinterpret_cast<std::wstring*>(param) = got;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&text));
  return text;
}

int Box(int ms) {
  HWND box = WaitFor([] { return FindWindowW(L"#32770", L"ZLV_GMouse"); }, ms);
  if (box == nullptr) return 1;
  std::printf("%s\n", Utf8(MessageBoxText(box)).c_str());
  std::fflush(stdout);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  return 0;
}

int Main(int ms) {
  HWND main = WaitFor([] {
    HWND w = FindMain();
    return w != nullptr && IsWindowVisible(w) ? w : nullptr;
  }, ms);
  return main != nullptr ? 0 : 1;
}

void SendMouse(DWORD flags, LONG x = 0, LONG y = 0) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = x;
  in.mi.dy = y;
  in.mi.dwFlags = flags;
  SendInput(1, &in, sizeof(INPUT));
}

int Click(const char* skinFile, int entry) {
  HWND main = FindMain();
  if (main == nullptr) return 1;
  wchar_t path[MAX_PATH] = {};
  MultiByteToWideChar(CP_UTF8, 0, skinFile, -1, path, MAX_PATH);
  wchar_t value[256] = {};
  GetPrivateProfileStringW(L"BUTTONPOS", std::to_wstring(entry).c_str(), L"", value, 256, path);
  int x = 0, y = 0, w = 0, h = 0;
  if (swscanf(value, L"%d,%d,%d,%d", &x, &y, &w, &h) != 4 || w <= 0 || h <= 0) {
    std::fprintf(stderr, "no entry %d in %s\n", entry, skinFile);
    return 1;
  }
  SetForegroundWindow(main);
  POINT at{x + w / 2, y + h / 2};
  ClientToScreen(main, &at);
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  const auto ax = static_cast<LONG>(at.x * 65535 / (sw - 1));
  const auto ay = static_cast<LONG>(at.y * 65535 / (sh - 1));
  // Over the entry first, as a hand would come, then down and up.
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, ax - 200, ay);
  Sleep(200);
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, ax, ay);
  Sleep(300);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  Sleep(100);
  SendMouse(MOUSEEVENTF_LEFTUP);
  Sleep(300);
  return 0;
}

int Power(const std::string& name) {
  HWND main = FindMain();
  if (main == nullptr) return 1;
  WPARAM event = 0;
  if (name == "suspend") event = PBT_APMSUSPEND;
  else if (name == "resume") event = PBT_APMRESUMESUSPEND;
  else return 2;
  DWORD recipients = BSM_APPLICATIONS;
  if (BroadcastSystemMessageW(BSF_FORCEIFHUNG | BSF_IGNORECURRENTTASK, &recipients, WM_POWERBROADCAST, event, 0) <= 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(main, WM_POWERBROADCAST, event, 0, SMTO_NORMAL, 10000, &result);
  }
  return 0;
}

int ExitDriver() {
  HWND main = FindMain();
  if (main == nullptr) return 1;
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(ID_EN_EXIT_DRIVER, 0), 0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "box" && argc == 3) return Box(std::atoi(argv[2]));
  if (command == "main" && argc == 3) return Main(std::atoi(argv[2]));
  if (command == "click" && argc == 4) return Click(argv[2], std::atoi(argv[3]));
  if (command == "power" && argc == 3) return Power(argv[2]);
  if (command == "exit" && argc == 2) return ExitDriver();
  std::fprintf(stderr, "usage: hidvm_probe box MS | main MS | click SKIN ENTRY | power suspend|resume | exit\n");
  return 2;
}
