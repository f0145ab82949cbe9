// The editable list box as a real window: a host window in front holding the
// list (with LBS_NOTIFY) and a second control to click, driven by real input
// (SendInput) where the behaviour is about input, and checked through the
// list's lines and what the host hears.
#include "wingui/editable_list_box_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace zlv {
namespace {

using win::CEditableListBox;

constexpr POINT kHostPlace{220, 160};
constexpr int kEditedLine = 1;
const wchar_t* const kLines[] = {L"[\x2193]A", L"    30ms", L"[\x2191]A", L"    15ms",
                                 L"[\x2193]B", L"    8ms",  L"[\x2191]B", L"    40ms",
                                 L"[\x2193]C", L"    12ms", L"[\x2191]C", L"    5ms",
                                 L"[\x2193]D", L"    30ms", L"[\x2191]D", L"    20ms"};
constexpr int kLineCount = static_cast<int>(std::size(kLines));

// --- Real input ------------------------------------------------------------

void SendKeys(std::initializer_list<std::pair<WORD, bool>> keys) {  // (key, down)
  std::vector<INPUT> inputs;
  for (const auto& [key, down] : keys) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    inputs.push_back(in);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}
void TypeKey(WORD key) { SendKeys({{key, true}, {key, false}}); }

void SendMouse(DWORD flags, POINT at = {}) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  if ((flags & MOUSEEVENTF_ABSOLUTE) != 0) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    in.mi.dx = static_cast<LONG>((static_cast<std::int64_t>(at.x) * 65536 + w / 2) / w);
    in.mi.dy = static_cast<LONG>((static_cast<std::int64_t>(at.y) * 65536 + h / 2) / h);
  }
  SendInput(1, &in, sizeof(INPUT));
}

// --- The host ----------------------------------------------------------------

// A top-level window holding the list; it records what the list tells it.
struct Host {
  HWND hwnd = nullptr;
  HWND other = nullptr;  // a second control to take the focus
  std::unique_ptr<CEditableListBox> list;

  int done = 0;
  // The selected line's text when the first UM_EDIT_DONE arrived: what the
  // main window reads back.
  std::wstring read_back;
  std::vector<std::pair<WPARAM, std::wstring>> changes;  // (new index, old text)
  std::function<void(Host&)> on_line_changed, on_edit_done;

  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* host = reinterpret_cast<Host*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (host != nullptr && message == win::UM_LINE_CHANGED) {
      host->changes.emplace_back(wParam, reinterpret_cast<const wchar_t*>(lParam));
      if (host->on_line_changed) host->on_line_changed(*host);
      return 0;
    }
    if (host != nullptr && message == win::UM_EDIT_DONE) {
      if (host->done++ == 0 && host->list != nullptr && host->list->hwnd() != nullptr) {
        host->read_back = host->list->GetText(host->list->GetCurSel());
      }
      if (host->on_edit_done) host->on_edit_done(*host);
      return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
};

class EditableListBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static const ATOM atom = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = &Host::Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
      wc.lpszClassName = L"ZlvEditableListHost";
      return RegisterClassW(&wc);
    }();
    ASSERT_NE(atom, 0);
    host_.hwnd = CreateWindowExW(WS_EX_TOPMOST, L"ZlvEditableListHost", L"list host",
                                 WS_POPUP | WS_BORDER | WS_VISIBLE, kHostPlace.x, kHostPlace.y, 400, 220,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(host_.hwnd, nullptr);
    SetWindowLongPtrW(host_.hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&host_));
    host_.other = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 250, 10, 120, 24,
                                  host_.hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    host_.list = std::make_unique<CEditableListBox>();
    ASSERT_TRUE(host_.list->Create(WS_VISIBLE | WS_VSCROLL | WS_BORDER | ListStyle(), RECT{10, 10, 210, 130},
                                   host_.hwnd, 10002));
    SendMessageW(list().hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    for (const wchar_t* line : kLines) list().AddString(line);
    list().SetCurSel(kEditedLine);

    SetForegroundWindow(host_.hwnd);
    SetFocus(list().hwnd());
    Pump(100);
    ASSERT_EQ(GetForegroundWindow(), host_.hwnd) << "keys would not reach the list";
  }
  void TearDown() override {
    host_.list.reset();
    if (host_.hwnd != nullptr) DestroyWindow(host_.hwnd);
    Pump(20);
  }
  virtual DWORD ListStyle() const { return LBS_NOTIFY; }

  CEditableListBox& list() { return *host_.list; }

  // Handles this thread's messages until `done` holds or the time is up. With
  // `swallow_`, the key-down of Enter and Escape is dropped before anything
  // sees it, as the main window's pre-translation does.
  bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 2000) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (swallow_ && msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
          continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      if (done && done()) return true;
      const ULONGLONG now = GetTickCount64();
      if (now >= end) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 10)),
                                QS_ALLINPUT);
    }
  }
  void Pump(DWORD ms) { PumpUntil(nullptr, ms); }

  // Asks the list to edit, as the main window's "Modify Delay" command does.
  bool OpenByRequest() {
    SendMessageW(list().hwnd(), WM_CHAR, CEditableListBox::kStartEditChar, 0);
    return list().IsEditing();
  }
  // Ctrl+A typed with the list focused.
  bool OpenByCtrlA() {
    SendKeys({{VK_CONTROL, true}, {'A', true}, {'A', false}, {VK_CONTROL, false}});
    return PumpUntil([&] { return list().IsEditing(); });
  }
  std::wstring EditorText() { return win::WindowText(list().EditorWindow()); }
  bool Type(const std::wstring& digits) {
    for (wchar_t c : digits) TypeKey(static_cast<WORD>(c));
    return PumpUntil([&] { return EditorText() == digits; });
  }

  void ClickOther() {
    RECT r{};
    GetWindowRect(host_.other, &r);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
  }

  Host host_;
  bool swallow_ = false;
};

// --- Opening -----------------------------------------------------------------

TEST_F(EditableListBoxTest, OpensOverTheSelectedLineWithItsTextSelectedAndFocused) {
  ASSERT_TRUE(OpenByRequest());
  const HWND editor = list().EditorWindow();
  EXPECT_EQ(GetParent(editor), list().hwnd());
  EXPECT_EQ(GetDlgCtrlID(editor), 1);
  EXPECT_EQ(list().EditingIndex(), kEditedLine);
  EXPECT_EQ(GetFocus(), editor);

  // An edit control takes WS_BORDER out of its style and draws the border
  // itself, so the sunken edge is what shows.
  const LONG_PTR style = GetWindowLongPtrW(editor, GWL_STYLE);
  for (const LONG_PTR bit : {LONG_PTR{WS_CHILD}, LONG_PTR{WS_VISIBLE}, LONG_PTR{ES_AUTOHSCROLL}}) {
    EXPECT_EQ(style & bit, bit) << std::hex << bit;
  }
  EXPECT_NE(GetWindowLongPtrW(editor, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);

  // The line's rectangle grown by 2 pixels up and down, in the list's client
  // coordinates.
  RECT line{}, placed{};
  ASSERT_TRUE(list().GetItemRect(kEditedLine, line));
  GetWindowRect(editor, &placed);
  MapWindowPoints(nullptr, list().hwnd(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, line.left);
  EXPECT_EQ(placed.right, line.right);
  EXPECT_EQ(placed.top, line.top - 2);
  EXPECT_EQ(placed.bottom, line.bottom + 2);

  EXPECT_EQ(SendMessageW(editor, WM_GETFONT, 0, 0), SendMessageW(list().hwnd(), WM_GETFONT, 0, 0));
  EXPECT_EQ(EditorText(), kLines[kEditedLine]);
  DWORD start = 0, end = 0;
  SendMessageW(editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, std::wstring(kLines[kEditedLine]).size());
  EXPECT_EQ(host_.done, 0);
}

TEST_F(EditableListBoxTest, OpensNothingWithoutALineOrForAnotherCharacter) {
  struct Case {
    const char* name;
    int selected;
    WPARAM code;
  };
  for (const Case& c : {Case{"no line selected", -1, 1}, Case{"another character", kEditedLine, 'x'},
                        Case{"Ctrl+B", kEditedLine, 2}}) {
    SCOPED_TRACE(c.name);
    list().SetCurSel(c.selected);
    SendMessageW(list().hwnd(), WM_CHAR, c.code, 0);
    Pump(30);
    EXPECT_FALSE(list().IsEditing());
    EXPECT_EQ(list().EditorWindow(), nullptr);
    EXPECT_EQ(list().EditingIndex(), -1);
    EXPECT_EQ(host_.done, 0);
  }
}

// --- Ending ------------------------------------------------------------------

enum class Open { kRequest, kCtrlA };
enum class Ending { kEnter, kEscape, kClickElsewhere, kScroll, kResize };

struct EndCase {
  const char* name;
  Open open;
  const wchar_t* typed;  // empty: the text is left as it is
  Ending ending;
  bool swallow;  // the key-down of Enter and Escape never reaches the editor
  bool kept;     // the line ends up with the typed text
};

const EndCase kEndCases[] = {
    {"EnterKeeps", Open::kRequest, L"250", Ending::kEnter, false, true},
    {"EnterReleaseAloneKeeps", Open::kRequest, L"250", Ending::kEnter, true, true},
    {"CtrlAOpensAndEnterKeeps", Open::kCtrlA, L"250", Ending::kEnter, true, true},
    {"EnterUnchangedChangesNothing", Open::kRequest, L"", Ending::kEnter, true, false},
    {"EscapeDiscards", Open::kRequest, L"250", Ending::kEscape, false, false},
    {"EscapeReleaseAloneDiscards", Open::kRequest, L"250", Ending::kEscape, true, false},
    {"FocusLossKeeps", Open::kRequest, L"250", Ending::kClickElsewhere, false, true},
    {"ScrollKeeps", Open::kRequest, L"250", Ending::kScroll, false, true},
    {"ResizeKeeps", Open::kRequest, L"250", Ending::kResize, false, true},
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class EditableListBoxEndTest : public EditableListBoxTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(EditableListBoxEndTest, EndsEditing) {
  const EndCase& c = GetParam();
  swallow_ = c.swallow;
  ASSERT_TRUE(c.open == Open::kRequest ? OpenByRequest() : OpenByCtrlA());
  ASSERT_EQ(EditorText(), kLines[kEditedLine]);
  const std::wstring typed = c.typed;
  if (!typed.empty()) {
    ASSERT_TRUE(Type(typed));
  }
  const HWND editor = list().EditorWindow();

  switch (c.ending) {
    case Ending::kEnter: TypeKey(VK_RETURN); break;
    case Ending::kEscape: TypeKey(VK_ESCAPE); break;
    case Ending::kClickElsewhere: ClickOther(); break;
    case Ending::kScroll: SendMessageW(list().hwnd(), WM_VSCROLL, SB_LINEDOWN, 0); break;
    case Ending::kResize:
      SetWindowPos(list().hwnd(), nullptr, 0, 0, 200, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      break;
  }
  ASSERT_TRUE(PumpUntil([&] { return host_.done > 0; })) << "no UM_EDIT_DONE";
  Pump(50);

  EXPECT_FALSE(list().IsEditing());
  EXPECT_EQ(list().EditingIndex(), -1);
  EXPECT_FALSE(IsWindow(editor));

  const std::wstring expected = c.kept && !typed.empty() ? typed : kLines[kEditedLine];
  EXPECT_EQ(list().GetCount(), kLineCount);
  EXPECT_EQ(list().GetText(kEditedLine), expected);
  EXPECT_EQ(list().GetText(kEditedLine - 1), kLines[kEditedLine - 1]);
  EXPECT_EQ(list().GetText(kEditedLine + 1), kLines[kEditedLine + 1]);
  EXPECT_EQ(list().GetCurSel(), kEditedLine);
  // The line is in place when the host hears that editing is over.
  EXPECT_EQ(host_.read_back, expected);
  // Destroying the focused editor ends the edit a second time: harmless.
  EXPECT_LE(host_.done, 2);

  if (expected != kLines[kEditedLine]) {
    ASSERT_EQ(host_.changes.size(), 1u);
    EXPECT_EQ(host_.changes[0].first, static_cast<WPARAM>(kEditedLine));
    EXPECT_EQ(host_.changes[0].second, kLines[kEditedLine]);
  } else {
    EXPECT_TRUE(host_.changes.empty());
  }

  if (c.ending == Ending::kScroll) {
    EXPECT_EQ(list().GetTopIndex(), 1) << "the list did not scroll";
  }
  if (c.ending == Ending::kClickElsewhere) {
    EXPECT_EQ(GetFocus(), host_.other);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, EditableListBoxEndTest, ::testing::ValuesIn(kEndCases),
                         [](const ::testing::TestParamInfo<EndCase>& p) { return p.param.name; });

// A sorted list puts the new text where it sorts; a list without LBS_NOTIFY
// changes the line without telling.
struct StyleCase {
  const char* name;
  DWORD style;
  const wchar_t* typed;
  int new_index;
  bool told;
};

void PrintTo(const StyleCase& c, std::ostream* os) { *os << c.name; }

class EditableListBoxStyleTest : public EditableListBoxTest, public ::testing::WithParamInterface<StyleCase> {
 protected:
  DWORD ListStyle() const override { return GetParam().style; }
};

TEST_P(EditableListBoxStyleTest, PutsTheLineBack) {
  const StyleCase& c = GetParam();
  const std::wstring old_text = list().GetText(list().GetCurSel());
  ASSERT_TRUE(OpenByRequest());
  SetWindowTextW(list().EditorWindow(), c.typed);
  SendMessageW(list().hwnd(), win::UM_END_EDIT, 1, 0);

  EXPECT_FALSE(list().IsEditing());
  EXPECT_EQ(list().GetCount(), kLineCount);
  EXPECT_EQ(list().GetText(c.new_index), c.typed);
  EXPECT_EQ(list().GetCurSel(), c.new_index);
  if (c.told) {
    ASSERT_EQ(host_.changes.size(), 1u);
    EXPECT_EQ(host_.changes[0].first, static_cast<WPARAM>(c.new_index));
    EXPECT_EQ(host_.changes[0].second, old_text);
  } else {
    EXPECT_TRUE(host_.changes.empty());
  }
  EXPECT_GE(host_.done, 1);
}

// Letters sort after the lines' brackets, spaces and digits.
const StyleCase kStyleCases[] = {
    {"SortedMovesTheLine", LBS_NOTIFY | LBS_SORT, L"zz", kLineCount - 1, true},
    {"WithoutNotifyTellsNothing", 0, L"250", kEditedLine, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, EditableListBoxStyleTest, ::testing::ValuesIn(kStyleCases),
                         [](const ::testing::TestParamInfo<StyleCase>& p) { return p.param.name; });

// --- Teardown while editing ---------------------------------------------------

enum class Teardown {
  kDestroyListWindow,            // the list's window goes, the object stays
  kDeleteList,                   // the list object is deleted
  kParentDestroysOnLineChanged,  // from the host's UM_LINE_CHANGED, inside the editor's Enter release
  kParentDeletesOnLineChanged,
  kParentDeletesOnEditDone,  // from the first UM_EDIT_DONE, inside the editor's destruction
};

struct TeardownCase {
  const char* name;
  Teardown how;
};
void PrintTo(const TeardownCase& c, std::ostream* os) { *os << c.name; }

const TeardownCase kTeardownCases[] = {
    {"DestroyListWindow", Teardown::kDestroyListWindow},
    {"DeleteList", Teardown::kDeleteList},
    {"ParentDestroysOnLineChanged", Teardown::kParentDestroysOnLineChanged},
    {"ParentDeletesOnLineChanged", Teardown::kParentDeletesOnLineChanged},
    {"ParentDeletesOnEditDone", Teardown::kParentDeletesOnEditDone},
};

class EditableListBoxTeardownTest : public EditableListBoxTest,
                                    public ::testing::WithParamInterface<TeardownCase> {};

TEST_P(EditableListBoxTeardownTest, LeavesNoEditorBehind) {
  ASSERT_TRUE(OpenByRequest());
  ASSERT_TRUE(Type(L"250"));
  const HWND editor = list().EditorWindow();
  const HWND listWindow = list().hwnd();
  auto deleteList = [](Host& h) { h.list.reset(); };
  auto destroyList = [](Host& h) { h.list->DestroyWindow(); };

  switch (GetParam().how) {
    case Teardown::kDestroyListWindow: list().DestroyWindow(); break;
    case Teardown::kDeleteList: host_.list.reset(); break;
    case Teardown::kParentDestroysOnLineChanged: host_.on_line_changed = destroyList; break;
    case Teardown::kParentDeletesOnLineChanged: host_.on_line_changed = deleteList; break;
    case Teardown::kParentDeletesOnEditDone: host_.on_edit_done = deleteList; break;
  }
  if (IsWindow(listWindow)) TypeKey(VK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(listWindow); })) << "the list was not torn down";
  Pump(50);

  EXPECT_FALSE(IsWindow(editor));
  if (host_.list != nullptr) {
    EXPECT_EQ(host_.list->hwnd(), nullptr);
    EXPECT_FALSE(host_.list->IsEditing());
    EXPECT_EQ(host_.list->EditorWindow(), nullptr);
  }
  EXPECT_TRUE(IsWindow(host_.hwnd));
  EXPECT_LE(host_.changes.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Cases, EditableListBoxTeardownTest, ::testing::ValuesIn(kTeardownCases),
                         [](const ::testing::TestParamInfo<TeardownCase>& p) { return p.param.name; });

}  // namespace
}  // namespace zlv
