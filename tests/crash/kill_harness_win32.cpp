// zlv_kill_harness.exe [ROUNDS] [MAX_DELAY_MS]: kills zlv_save_loop.exe with
// TerminateProcess at random moments while it saves config.ini, then while
// it saves the user macro file, ROUNDS times each (default 200). After every
// kill the file must be whole and hold what it held before a save or what a
// save put there, byte for byte, and at most the one temporary of the write
// that was cut off may lie beside it (each write removes what earlier ones
// left); after one more write, none. Prints the counts; exits 0 when every
// check held.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <map>
#include <string>
#include <vector>

#include "base/file_store.h"
#include "base/long_path.h"
#include "base/text_win32.h"
#include "sim/memory_file_store.h"
#include "tests/crash/save_steps.h"

namespace {

using zlv::crash::SaveKind;

std::wstring ExeFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD got = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, got);
  return folder.substr(0, folder.find_last_of(L'\\'));
}

std::wstring MakeWorkFolder() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder =
      std::wstring(temp) + L"zlv-kill-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount());
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

// Files in `folder` other than `keep`, and how many of them are temporaries
// of writes of `target`.
struct Beside {
  int temporaries = 0;
  int others = 0;
};
Beside FilesBeside(const std::wstring& folder, const std::wstring& target) {
  Beside beside;
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return beside;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    const std::wstring name = found.cFileName;
    if (name == target) continue;
    if (zlv::IsTemporaryOf(zlv::FromWide(target), zlv::FromWide(name))) {
      ++beside.temporaries;
    } else {
      ++beside.others;
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return beside;
}

void RemoveFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

struct Outcome {
  int kills = 0;
  int whole = 0;
  int heldBefore = 0;    // what the file held before any save
  int heldFirst = 0;     // what a save of the first state put there
  int heldSecond = 0;    // what a save of the second state put there
  int cutMidWrite = 0;   // kills that left a temporary
  int maxTemporaries = 0;
  int strangers = 0;     // kills after which some other file lay beside it
  int startFailures = 0;
  int afterNextWrite = -1;
  int stuck = 0;         // of those, the ones that could not be removed even then
  bool Passed(int rounds) const {
    return kills == rounds && whole == rounds && maxTemporaries <= 1 && strangers == 0 && startFailures == 0 &&
           stuck == 0;
  }
};

Outcome Run(SaveKind kind, const std::wstring& exeFolder, int rounds, int maxDelayMs, std::mt19937& random) {
  Outcome outcome;
  const std::wstring folder = MakeWorkFolder();
  const zlv::Text folderText = zlv::FromWide(folder);
  const zlv::Text target = zlv::crash::SavedFile(kind, folderText);
  const std::wstring targetName = zlv::ToWide(zlv::FileNameOfPath(target));
  // The file the program ships is where the saves start from.
  const std::wstring shipped = exeFolder + L"\\" + targetName;
  CopyFileW(shipped.c_str(), zlv::ToWide(target).c_str(), FALSE);
  const std::string before = zlv::Disk().Read(target).value_or("");

  // What the saves can leave: the same saves in memory, from the same start,
  // until they give nothing new (a save of the macros leaves the keys of
  // macros beyond its count, so the first save of a state can differ from
  // its later ones). 0 marks what the file held before, 1 and 2 the states.
  zlv::MemoryFileStore memory;
  memory.Put(target, before);
  std::map<std::string, int> possible{{before, 0}};
  for (std::uint32_t round = 0; round < 8; ++round) {
    zlv::crash::RunSave(kind, memory, folderText, round);
    possible.emplace(memory.Read(target).value_or(""), 1 + static_cast<int>(round % 2));
  }
  const std::size_t settled = possible.size();
  for (std::uint32_t round = 8; round < 10; ++round) {
    zlv::crash::RunSave(kind, memory, folderText, round);
    possible.emplace(memory.Read(target).value_or(""), 1 + static_cast<int>(round % 2));
  }
  if (possible.size() != settled || possible.size() < 3) {
    std::printf("%ls: the saves do not settle on a few contents\n", targetName.c_str());
    ++outcome.startFailures;
  }

  const std::wstring loop = exeFolder + L"\\zlv_save_loop.exe";
  std::uniform_int_distribution<int> delayUs(0, maxDelayMs * 1000);
  for (int round = 0; round < rounds; ++round) {
    const std::wstring eventName =
        L"Local\\zlv-save-loop-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(round);
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
    std::wstring commandLine = L"\"" + loop + L"\" " + (kind == SaveKind::kConfig ? L"config" : L"macros") +
                               L" \"" + folder + L"\" " + eventName;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(loop.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
      ++outcome.startFailures;
      CloseHandle(ready);
      continue;
    }
    HANDLE waits[2] = {ready, process.hProcess};
    const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, 10000);
    if (woke != WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(process.hProcess, &code);
      std::printf("round %d: the save loop did not start (wait %lu, exit code %lu)\n", round,
                  static_cast<unsigned long>(woke), static_cast<unsigned long>(code));
      ++outcome.startFailures;
    }
    // A random moment of the loop, to the microsecond.
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(delayUs(random));
    const auto sleepUntil = until - std::chrono::milliseconds(1);
    while (std::chrono::steady_clock::now() < sleepUntil) Sleep(1);
    while (std::chrono::steady_clock::now() < until) {
    }
    const BOOL terminated = TerminateProcess(process.hProcess, 9);
    const DWORD ended = WaitForSingleObject(process.hProcess, 10000);
    if (!terminated || ended != WAIT_OBJECT_0) {
      std::printf("round %d: the kill did not end the save loop (terminate %d, wait %lu)\n", round, terminated,
                  static_cast<unsigned long>(ended));
      ++outcome.startFailures;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(ready);
    ++outcome.kills;

    const zlv::FileRead read = zlv::Disk().Load(target);
    const auto held = read.status == zlv::FileReadStatus::kOk ? possible.find(read.bytes) : possible.end();
    if (held != possible.end()) {
      ++outcome.whole;
      ++(held->second == 0 ? outcome.heldBefore : held->second == 1 ? outcome.heldFirst : outcome.heldSecond);
    } else {
      std::printf("round %d: %ls is neither what it held nor what a save put there (%zu bytes)\n", round,
                  targetName.c_str(), read.bytes.size());
    }
    const Beside beside = FilesBeside(folder, targetName);
    if (beside.temporaries > 0) ++outcome.cutMidWrite;
    if (beside.temporaries > outcome.maxTemporaries) outcome.maxTemporaries = beside.temporaries;
    if (beside.others > 0) ++outcome.strangers;
  }
  // One more write, as the next save of the program: nothing is left beside.
  // Wine may signal a killed process before it lets go of its files, so
  // a temporary the kill left may still be open for a moment: the write is
  // tried again a little later, a few times at most.
  for (int attempt = 0; attempt < 5; ++attempt) {
    Sleep(200);
    zlv::crash::RunSave(kind, zlv::Disk(), folderText, 0);
    outcome.afterNextWrite = FilesBeside(folder, targetName).temporaries;
    if (outcome.afterNextWrite == 0) break;
  }
  if (outcome.afterNextWrite != 0) {
    // Say which temporary stayed and why it could not be removed.
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\" + targetName + L".zlvtmp*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const BOOL deleted = DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        if (!deleted) ++outcome.stuck;
        std::printf("left: %ls (removing it now: %s, error %lu)\n", found.cFileName, deleted ? "done" : "failed",
                    static_cast<unsigned long>(deleted ? 0 : GetLastError()));
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
  }
  RemoveFolder(folder);
  return outcome;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
  const int maxDelayMs = argc > 2 ? std::atoi(argv[2]) : 20;
  const unsigned seed = static_cast<unsigned>(std::random_device{}());
  std::mt19937 random(seed);
  const std::wstring exeFolder = ExeFolder();
  std::printf("kill harness: %d kills per file, each 0-%d ms after the save loop starts (seed %u)\n", rounds,
              maxDelayMs, seed);
  bool passed = true;
  int total = 0, whole = 0;
  for (SaveKind kind : {SaveKind::kConfig, SaveKind::kMacros}) {
    const auto started = std::chrono::steady_clock::now();
    const Outcome o = Run(kind, exeFolder, rounds, maxDelayMs, random);
    const long long seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started).count();
    std::printf(
        "%s: %d kills, %d files whole (as before %d, first state %d, second state %d), %d cut off mid-write, "
        "at most %d temporary beside it, %d after the next write (%d not removable), %d other files, "
        "%d failed starts (%lld s)\n",
        kind == SaveKind::kConfig ? "config.ini" : "Macro_EN.dat", o.kills, o.whole, o.heldBefore, o.heldFirst,
        o.heldSecond, o.cutMidWrite, o.maxTemporaries, o.afterNextWrite, o.stuck, o.strangers, o.startFailures, seconds);
    passed = passed && o.Passed(rounds);
    total += o.kills;
    whole += o.whole;
  }
  std::printf("kill harness: %d/%d whole: %s\n", whole, total, passed ? "PASS" : "FAIL");
  return passed ? 0 : 1;
}
