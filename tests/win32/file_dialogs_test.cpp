// The system's open and save dialogs as real windows: Win32FileDialogs opens
// them, and a second thread answers them as a user would, with keys typed
// through SendInput into the file name box, then Enter or Escape.
#include "base/file_dialogs_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/file_dialogs.h"
#include "base/text_win32.h"
#include "tests/support/windows_support.h"

namespace zlv {
namespace {

// Control ids of the file name box: a combo box on Windows, an edit on Wine.
constexpr int kFileNameCombo = 0x47c;  // cmb13
constexpr int kFileNameEdit = 0x480;   // edt1
constexpr int kFileTypeCombo = 0x470;  // cmb1

// Every wait of the answering thread ends by then, so a dialog that does not
// come up, takes no keys or does not close fails the test instead of hanging it.
constexpr ULONGLONG kAppearMs = 8000;
constexpr ULONGLONG kStepMs = 2000;

std::wstring ClassOf(HWND window) {
  wchar_t name[64]{};
  GetClassNameW(window, name, 64);
  return name;
}

// The text of a window owned by the thread running the dialog, without
// blocking on it should that thread be stuck.
std::wstring TextOf(HWND window) {
  std::vector<wchar_t> buffer(1024, L'\0');
  DWORD_PTR ignored = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                           SMTO_ABORTIFHUNG, 1000, &ignored)) {
    return L"<no answer>";
  }
  buffer.back() = L'\0';
  return buffer.data();
}

struct DialogSearch {
  HWND except;
  HWND found;
};

BOOL CALLBACK TakeOurDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (window == search->except || pid != GetCurrentProcessId() || !IsWindowVisible(window) ||
      ClassOf(window) != L"#32770") {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

// A visible top-level dialog of this process other than `except`, or null.
HWND FindOurDialog(HWND except = nullptr) {
  DialogSearch search{except, nullptr};
  EnumWindows(TakeOurDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FileNameBox(HWND dialog) {
  if (HWND combo = GetDlgItem(dialog, kFileNameCombo); combo != nullptr && IsWindowVisible(combo)) return combo;
  return GetDlgItem(dialog, kFileNameEdit);
}

// The window with the keyboard focus on the dialog's thread.
HWND FocusOf(HWND dialog) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}


// Types `text` as characters (any script), as an input method would.
void TypeText(const std::wstring& text) {
  std::vector<INPUT> inputs;
  for (wchar_t c : text) {
    INPUT down{};
    down.type = INPUT_KEYBOARD;
    down.ki.wScan = c;
    down.ki.dwFlags = KEYEVENTF_UNICODE;
    INPUT up = down;
    up.ki.dwFlags |= KEYEVENTF_KEYUP;
    inputs.push_back(down);
    inputs.push_back(up);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool WaitFor(ULONGLONG ms, const std::atomic<bool>& stop, auto&& done) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    if (done()) return true;
    if (stop || GetTickCount64() >= end) return false;
    Sleep(10);
  }
}

// Makes `window` the foreground window and waits until it is.
bool BringForward(HWND window, const std::atomic<bool>& stop) {
  SetForegroundWindow(window);
  return WaitFor(kStepMs, stop, [&] { return GetForegroundWindow() == window; });
}

// What the user does in the dialog: type `typed` (nothing for none), then
// press `key`; with `confirmReplace`, a question whether to replace an
// existing file must follow, answered with Enter (Yes).
struct Answer {
  std::wstring typed;
  WORD key = VK_RETURN;
  bool confirmReplace = false;
};

// Answers the next dialog of this process from its own thread; joined in the
// destructor, so every path out of a test waits for it.
class DialogAnswerer {
 public:
  explicit DialogAnswerer(Answer answer) : answer_(std::move(answer)), thread_([this] { Run(); }) {}
  ~DialogAnswerer() { Finish(); }

  // Tells the thread that Choose has returned and waits for it.
  void Finish() {
    chooseReturned_ = true;
    if (thread_.joinable()) thread_.join();
  }

  // Empty when the dialog was answered as planned; otherwise what went wrong.
  const std::string& problem() const { return problem_; }
  HWND owner() const { return owner_; }
  // The file type the dialog showed, as the file type box reads.
  const std::wstring& fileType() const { return fileType_; }

 private:
  void Run() {
    HWND dialog = nullptr;
    if (!WaitFor(kAppearMs, chooseReturned_, [&] { return (dialog = FindOurDialog()) != nullptr; })) {
      problem_ = chooseReturned_ ? "Choose returned without showing a dialog" : "no dialog appeared";
      return;
    }
    owner_ = GetWindow(dialog, GW_OWNER);
    if (HWND types = GetDlgItem(dialog, kFileTypeCombo); types != nullptr) fileType_ = TextOf(types);
    HWND box = nullptr;
    if (!WaitFor(kStepMs, chooseReturned_, [&] { return (box = FileNameBox(dialog)) != nullptr; })) {
      Fail(dialog, "the dialog has no file name box");
      return;
    }
    const bool ready = BringForward(dialog, chooseReturned_) && WaitFor(kStepMs, chooseReturned_, [&] {
      const HWND focus = FocusOf(dialog);
      return focus != nullptr && (focus == box || IsChild(box, focus));
    });
    if (!ready) {
      const HWND focus = FocusOf(dialog);
      Fail(dialog, "the file name box never had the keyboard focus (focus: class " +
                       Narrow(focus ? ClassOf(focus) : L"none") + ", id " +
                       std::to_string(focus ? GetDlgCtrlID(focus) : 0) + ")");
      return;
    }
    if (!answer_.typed.empty()) {
      TypeText(answer_.typed);
      if (!WaitFor(kStepMs, chooseReturned_, [&] { return TextOf(box) == answer_.typed; })) {
        Fail(dialog, "the file name box shows \"" + Narrow(TextOf(box)) + "\" after typing");
        return;
      }
    }
    testing::TapKey(answer_.key);
    if (answer_.confirmReplace) {
      HWND question = nullptr;
      if (!WaitFor(kStepMs, chooseReturned_, [&] { return (question = FindOurDialog(dialog)) != nullptr; })) {
        Fail(dialog, chooseReturned_ ? "the dialog closed without asking to replace the file"
                                     : "no question about replacing the file");
        return;
      }
      if (!BringForward(question, chooseReturned_)) {
        Fail(dialog, "the question about replacing the file never came to the foreground");
        return;
      }
      testing::TapKey(VK_RETURN);
    }
    if (!WaitFor(kStepMs, chooseReturned_, [&] { return !IsWindow(dialog); })) {
      Fail(dialog, "the dialog stayed open after the key");
    }
  }

  // Records the problem and closes the dialog so Choose returns.
  void Fail(HWND dialog, std::string problem) {
    problem_ = std::move(problem);
    for (int attempt = 0; attempt < 3 && IsWindow(dialog) && !chooseReturned_; ++attempt) {
      // A message box on top of the dialog first: No to a question, else Cancel.
      if (HWND box = FindOurDialog(dialog); box != nullptr) {
        PostMessageW(box, WM_COMMAND, GetDlgItem(box, IDNO) != nullptr ? IDNO : IDCANCEL, 0);
      }
      PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      WaitFor(1000, chooseReturned_, [&] { return !IsWindow(dialog); });
    }
  }

  static std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
  }

  Answer answer_;
  std::atomic<bool> chooseReturned_{false};
  std::string problem_;
  HWND owner_ = nullptr;
  std::wstring fileType_;
  std::thread thread_;
};

class FileDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The dialogs move the current directory to the chosen folder.
    wchar_t cwd[MAX_PATH + 1]{};
    GetCurrentDirectoryW(MAX_PATH + 1, cwd);
    cwd_ = cwd;
    wchar_t temp[MAX_PATH + 1]{};
    ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
    folder_ = std::wstring(temp) + L"zlv-dialogs-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(GetTickCount64());
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    WriteFile(L"stored.ini");
    WriteFile(L"stored.dat");

    owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 100, 100, 300, 200, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner_, nullptr);
  }

  void TearDown() override {
    if (owner_ != nullptr) DestroyWindow(owner_);
    SetCurrentDirectoryW(cwd_.c_str());  // a current folder cannot be removed
    for (auto it = deeper_.rbegin(); it != deeper_.rend(); ++it) {
      DeleteFileW((*it + L"\\recorded.dat").c_str());
      RemoveDirectoryW(it->c_str());
    }
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileW((folder_ + L"\\" + found.cFileName).c_str());
      } while (FindNextFileW(find, &found));
      FindClose(find);
    }
    RemoveDirectoryW(folder_.c_str());
  }

  void WriteFile(const std::wstring& name) {
    HANDLE file = CreateFileW((folder_ + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
  }

  // Shows the dialog in `folder`, answers it with `answer` and returns
  // what Choose gave back.
  std::optional<std::wstring> ChooseAnswering(const FileDialogSpec& dialog, Answer answer,
                                              const std::wstring& folder) {
    Win32FileDialogs dialogs([this] { return owner_; });
    const FileDialogRequest request = MakeFileDialogRequest(dialog, FromWide(folder));
    DialogAnswerer answerer(std::move(answer));
    const std::optional<Text> chosen = dialogs.Choose(request);
    answerer.Finish();
    EXPECT_EQ(answerer.problem(), "");
    EXPECT_EQ(answerer.owner(), owner_) << "the dialog is not owned by the main window";
    // The filter's display name, up to its first bar.
    const std::wstring filter = ToWide(request.filter);
    EXPECT_EQ(answerer.fileType(), filter.substr(0, filter.find(L'|')));
    if (!chosen) return std::nullopt;
    return ToWide(*chosen);
  }

  std::wstring cwd_;
  std::wstring folder_;
  std::vector<std::wstring> deeper_;  // folders made inside folder_, outermost first
  HWND owner_ = nullptr;
};

TEST_F(FileDialogsTest, InitialFolderLongerThanMaxPath) {
  std::wstring folder = folder_;
  while (folder.size() <= MAX_PATH) {
    folder += L"\\" + std::wstring(40, L'm');
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << "error " << GetLastError();
    deeper_.push_back(folder);
  }
  // Saving there takes down Wine's dialog (and the program with it), so the
  // dialog opens in its default folder instead, where the save goes through.
  const std::optional<std::wstring> chosen = ChooseAnswering(kMacroExportDialog, {L"recorded", VK_RETURN}, folder);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_TRUE(chosen->ends_with(L"\\recorded.dat"));
  EXPECT_LT(chosen->size(), static_cast<size_t>(MAX_PATH));
}

struct DialogCase {
  const char* name;
  const FileDialogSpec* dialog;
  Answer answer;
  // The expected choice as a name in the initial folder; null for none.
  const wchar_t* chosen;
};

const DialogCase kDialogCases[] = {
    // A save takes the default extension when the typed name has none...
    {"MacroExportAddsExtension", &kMacroExportDialog, {L"recorded", VK_RETURN}, L"recorded.dat"},
    {"ProfileExportAddsExtension", &kProfileExportDialog, {L"mine", VK_RETURN}, L"mine.ini"},
    // ...and keeps the one typed.
    {"ProfileExportKeepsTypedExtension", &kProfileExportDialog, {L"mine.ini", VK_RETURN}, L"mine.ini"},
    // Names pass through in UTF-16, not the ANSI code page.
    {"MacroExportChineseName", &kMacroExportDialog, {L"\u5b8f\u5f55\u5236", VK_RETURN}, L"\u5b8f\u5f55\u5236.dat"},
    // An open returns the existing file picked in the initial folder.
    {"ProfileImportExistingFile", &kProfileImportDialog, {L"stored.ini", VK_RETURN}, L"stored.ini"},
    {"MacroImportExistingFile", &kMacroImportDialog, {L"stored.dat", VK_RETURN}, L"stored.dat"},
    // A save over an existing file asks first; Yes replaces it.
    {"MacroExportOverExistingFileAsks", &kMacroExportDialog, {L"stored", VK_RETURN, true}, L"stored.dat"},
    // Escape cancels, typed name or not.
    {"ProfileImportCancelled", &kProfileImportDialog, {L"", VK_ESCAPE}, nullptr},
    {"MacroExportCancelledAfterTyping", &kMacroExportDialog, {L"recorded", VK_ESCAPE}, nullptr},
};

void PrintTo(const DialogCase& c, std::ostream* os) { *os << c.name; }

class FileDialogsCaseTest : public FileDialogsTest, public ::testing::WithParamInterface<DialogCase> {};

TEST_P(FileDialogsCaseTest, ReturnsWhatTheUserChose) {
  const DialogCase& c = GetParam();
  const std::optional<std::wstring> chosen = ChooseAnswering(*c.dialog, c.answer, folder_);
  if (c.chosen == nullptr) {
    EXPECT_FALSE(chosen.has_value()) << "chose " << (chosen ? chosen->size() : 0) << " characters";
  } else {
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, folder_ + L"\\" + c.chosen);
  }
}

INSTANTIATE_TEST_SUITE_P(RealDialogs, FileDialogsCaseTest, ::testing::ValuesIn(kDialogCases),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace zlv
