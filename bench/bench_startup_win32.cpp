// Start-up of the program under Wine, measured from its entry point (Wine's
// own process start, several hundred milliseconds, is left out): the time to
// the first feature report and to the window being visible (its first paint
// done), with the time of each start-up step, beside a minimal program that
// starts GDI+ and shows an 800 x 600 window, in the same run. The program
// runs as the demo build does, over the virtual mouse.
//
// bench_startup.exe [RUNS]  copies itself and the program's data into a
// folder of its own, starts itself there RUNS times (default 7) in each mode,
// alternating, and prints the medians. Each child writes one line of figures.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_core.h"
#include "app/gmouse_app_win32.h"
#include "base/clock.h"
#include "sim/virtual_hid_system.h"
#include "sim/virtual_mouse.h"

namespace {

namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

Steady::time_point g_entry;
double SinceEntry() { return std::chrono::duration<double, std::milli>(Steady::now() - g_entry).count(); }

constexpr int kSteps = zlv::kStartupStepCount;
const char* const kStepNames[kSteps] = {
    "process and window made",  "window objects", "reader and player threads", "settings",
    "skin layouts",             "mask and shape", "macro files",               "menus",
    "scan",                     "settle and push", "tray icon",
};

// --- the program, timed ---

std::array<double, kSteps> g_marks;
std::atomic<double> g_first_report{-1};
double g_visible = -1;
HWND g_main = nullptr;
bool g_paint_taken = false;

// The first paint of the main window is done when the message posted as it
// was taken comes out of the queue (posted messages go before paints).
LRESULT CALLBACK OnGetMessage(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE && g_main != nullptr) {
    const MSG& msg = *reinterpret_cast<const MSG*>(lParam);
    if (msg.hwnd == g_main && msg.message == WM_PAINT && !g_paint_taken) {
      g_paint_taken = true;
      PostMessageW(g_main, WM_NULL, 0, 0);
    } else if (msg.hwnd == g_main && msg.message == WM_NULL && g_paint_taken && g_visible < 0) {
      g_visible = SinceEntry();
      PostMessageW(g_main, WM_COMMAND, MAKEWPARAM(32800, 0), 0);  // Exit Driver
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

int RunProgram(HINSTANCE instance, const std::wstring& out) {
  g_marks.fill(-1);
  zlv::SteadyClock clock;
  zlv::VirtualMouse mouse(clock);
  zlv::VirtualHidSystem hid(mouse);
  mouse.SetReportObserver([](const zlv::LoggedReport&) {
    double none = -1;
    g_first_report.compare_exchange_strong(none, SinceEntry());
  });
  zlv::AppComposition composition;
  composition.hid = &hid;
  composition.makeTransport = [&hid](const zlv::DeviceLink& link) -> std::unique_ptr<zlv::HidTransport> {
    return std::make_unique<zlv::VirtualHidTransport>(link, hid);
  };
  composition.onMainWindowReady = [](HWND window) { g_main = window; };
  composition.startupStep = [](zlv::StartupStep step) { g_marks[static_cast<std::size_t>(step)] = SinceEntry(); };
  HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, &OnGetMessage, nullptr, GetCurrentThreadId());
  {
    zlv::CZLV_GMouseApp app(composition);
    app.Run(instance);
  }
  if (hook != nullptr) UnhookWindowsHookEx(hook);
  std::ofstream file(fs::path(out), std::ios::trunc);
  file << "program " << g_visible << ' ' << g_first_report.load();
  for (double mark : g_marks) file << ' ' << mark;
  file << '\n';
  return g_visible >= 0 ? 0 : 1;
}

// --- the minimal GDI+ program ---

double g_minimal_gdiplus = -1, g_minimal_created = -1, g_minimal_visible = -1;

LRESULT CALLBACK MinimalProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    {
      Gdiplus::Graphics graphics(dc);
      graphics.Clear(Gdiplus::Color(255, 24, 30, 38));
      Gdiplus::SolidBrush brush(Gdiplus::Color(255, 200, 40, 40));
      graphics.FillRectangle(&brush, 40, 40, 200, 100);
    }
    EndPaint(hwnd, &ps);
    if (g_minimal_visible < 0) {
      g_minimal_visible = SinceEntry();
      PostMessageW(hwnd, WM_CLOSE, 0, 0);
    }
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

int RunMinimal(HINSTANCE instance, const std::wstring& out) {
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  g_minimal_gdiplus = SinceEntry();
  WNDCLASSW wc{};
  wc.lpfnWndProc = &MinimalProc;
  wc.hInstance = instance;
  wc.lpszClassName = L"ZlvBenchMinimal";
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  RegisterClassW(&wc);
  RECT frame{0, 0, 800, 600};
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
  CreateWindowExW(0, wc.lpszClassName, L"minimal", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 150,
                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  g_minimal_created = SinceEntry();
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  Gdiplus::GdiplusShutdown(token);
  std::ofstream file(fs::path(out), std::ios::trunc);
  file << "minimal " << g_minimal_visible << ' ' << g_minimal_gdiplus << ' ' << g_minimal_created << '\n';
  return g_minimal_visible >= 0 ? 0 : 1;
}

// --- the parent ---

std::wstring ModulePath() {
  wchar_t path[MAX_PATH] = {};
  const DWORD got = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, got);
}

// Runs `exe mode out` and reads back its line; empty when it failed.
std::vector<double> RunChild(const fs::path& exe, const wchar_t* mode, const fs::path& out) {
  std::error_code ec;
  fs::remove(out, ec);
  std::wstring commandLine = L"\"" + exe.wstring() + L"\" " + mode + L" \"" + out.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(exe.wstring().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      exe.parent_path().wstring().c_str(), &startup, &process)) {
    return {};
  }
  if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::ifstream file(out);
  std::string kind;
  file >> kind;
  std::vector<double> values;
  for (double v; file >> v;) values.push_back(v);
  return values;
}

double Median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

int RunParent(int runs) {
  // The program sets the pointer speed and wheel lines of the prefix it runs
  // in; they are put back afterwards (Wine takes the speed from uiParam).
  int speed = 10;
  UINT lines = 3;
  SystemParametersInfoW(SPI_GETMOUSESPEED, 0, &speed, 0);
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  struct Restore {
    int speed;
    UINT lines;
    ~Restore() {
      SystemParametersInfoW(SPI_SETMOUSESPEED, static_cast<UINT>(speed),
                            reinterpret_cast<void*>(static_cast<INT_PTR>(speed)), SPIF_UPDATEINIFILE);
      SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, lines, nullptr, SPIF_UPDATEINIFILE);
    }
  } restore{speed, lines};
  const fs::path self = ModulePath();
  const fs::path bin = self.parent_path();
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const fs::path work = fs::path(temp) / (L"zlv-bench-startup-" + std::to_wstring(GetCurrentProcessId()));
  std::error_code ec;
  fs::create_directories(work, ec);
  const fs::path exe = work / L"ZLV_GMouse_bench.exe";
  fs::copy_file(self, exe, fs::copy_options::overwrite_existing, ec);
  for (const char* file : {"config.ini", "constMacro.dat", "Macro_EN.dat", "Macro_CN.dat"}) {
    fs::copy_file(bin / file, work / file, fs::copy_options::overwrite_existing, ec);
  }
  fs::copy(bin / "skins", work / "skins", fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
  const fs::path out = work / L"figures.txt";

  // One run of each first, not counted: the prefix warms its caches.
  RunChild(exe, L"--program", out);
  RunChild(exe, L"--minimal", out);
  std::vector<std::vector<double>> program, minimal;
  for (int i = 0; i < runs; ++i) {
    std::vector<double> p = RunChild(exe, L"--program", out);
    if (p.size() == 2 + kSteps) program.push_back(p);
    std::vector<double> m = RunChild(exe, L"--minimal", out);
    if (m.size() == 3) minimal.push_back(m);
  }
  fs::remove_all(work, ec);
  if (program.empty() || minimal.empty()) {
    std::printf("bench_startup: %zu program runs and %zu minimal runs gave figures: FAIL\n", program.size(),
                minimal.size());
    return 1;
  }
  auto column = [](const std::vector<std::vector<double>>& rows, std::size_t i) {
    std::vector<double> v;
    for (const auto& row : rows) v.push_back(row[i]);
    return Median(v);
  };
  std::printf("start-up from the entry point, under Wine: median of %zu runs each, ms\n", program.size());
  std::printf("  %-34s %8s %9s\n", "step (program)", "done at", "step took");
  double previous = 0, costliest = -1;
  int costliestStep = 0;
  for (int s = 0; s < kSteps; ++s) {
    // Each step's own time is the median of its differences.
    std::vector<double> took;
    for (const auto& row : program) took.push_back(row[2 + s] - (s == 0 ? 0.0 : row[1 + s]));
    const double at = column(program, 2 + static_cast<std::size_t>(s));
    const double own = Median(took);
    std::printf("  %-34s %8.1f %9.1f\n", kStepNames[s], at, own);
    if (own > costliest) costliest = own, costliestStep = s;
    previous = at;
  }
  std::vector<double> paint;
  for (const auto& row : program) paint.push_back(row[0] - row[1 + kSteps]);
  const double paintMs = Median(paint);
  std::printf("  %-34s %8.1f %9.1f\n", "show and first paint (pictures)", column(program, 0), paintMs);
  if (paintMs > costliest) costliest = paintMs, costliestStep = kSteps;
  (void)previous;
  const double programVisible = column(program, 0);
  const double firstReport = column(program, 1);
  const double minimalVisible = column(minimal, 0);
  std::printf("  minimal GDI+ program: GDI+ started %.1f, window made %.1f, visible %.1f\n", column(minimal, 1),
              column(minimal, 2), minimalVisible);
  std::printf("program: first feature report %.1f ms (goal <= 50), window visible %.1f ms (goal <= 100), "
              "%.2fx the minimal program's %.1f ms\n",
              firstReport, programVisible, minimalVisible > 0 ? programVisible / minimalVisible : 0.0,
              minimalVisible);
  std::printf("costliest step: %s, %.1f ms\n", costliestStep < kSteps ? kStepNames[costliestStep]
                                                                       : "show and first paint (pictures)",
              costliest);
  const bool met = firstReport <= 50 && programVisible <= 100;
  std::printf("bench_startup: goals %s\n", met ? "met" : "missed");
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  g_entry = Steady::now();
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> args;
  for (int i = 0; argv != nullptr && i < count; ++i) args.emplace_back(argv[i]);
  if (argv != nullptr) LocalFree(argv);
  if (args.size() == 3 && args[1] == L"--program") return RunProgram(instance, args[2]);
  if (args.size() == 3 && args[1] == L"--minimal") return RunMinimal(instance, args[2]);
  const int runs = args.size() == 2 ? std::max(1, _wtoi(args[1].c_str())) : 7;
  return RunParent(runs);
}
