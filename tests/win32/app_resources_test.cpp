// The resources built into ZLV_GMouse.exe: dialog templates, menus, icons,
// the about string, the version record and the manifest, read from the
// executable itself.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/win32/program_image_win32.h"
#include "zlv_version.h"

namespace zlv {
namespace {

using testing::ProgramImage;
using testing::ProgramPath;

// --- A reader of extended dialog templates (DLGTEMPLATEEX) ---

struct DialogItem {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  DWORD id = 0;
  std::wstring windowClass;  // "#<n>" for a predefined class atom
  std::wstring title;        // "#<n>" for a resource ordinal
};

struct DialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::wstring menu, windowClass, title;
  WORD pointSize = 0;
  std::wstring typeface;
  std::vector<DialogItem> items;
};

class TemplateReader {
 public:
  TemplateReader(const BYTE* data, std::size_t size) : data_(data), size_(size) {}

  template <typename T>
  T Take() {
    T value{};
    if (pos_ + sizeof(T) <= size_) std::memcpy(&value, data_ + pos_, sizeof(T));
    pos_ += sizeof(T);
    return value;
  }
  std::wstring TakeString() {
    std::wstring text;
    for (wchar_t c = Take<wchar_t>(); c != 0 && pos_ <= size_; c = Take<wchar_t>()) text += c;
    return text;
  }
  // A string, or 0xFFFF followed by an ordinal ("#<n>"); 0 is empty.
  std::wstring TakeStringOrOrdinal() {
    WORD first = 0;
    std::memcpy(&first, data_ + pos_, sizeof(first));
    if (first == 0xFFFF) {
      pos_ += 2;
      return L"#" + std::to_wstring(Take<WORD>());
    }
    return TakeString();
  }
  void AlignTo(std::size_t n) { pos_ = (pos_ + n - 1) / n * n; }
  void Skip(std::size_t n) { pos_ += n; }
  bool Overrun() const { return pos_ > size_; }

 private:
  const BYTE* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// "button", "static", ... whether the template names the class or uses its atom.
std::wstring ClassName(const std::wstring& windowClass) {
  if (windowClass == L"#128") return L"button";
  if (windowClass == L"#130") return L"static";
  std::wstring lower = windowClass;
  for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
  return lower;
}

bool LoadDialogTemplate(UINT id, DialogTemplate& out) {
  HRSRC found = FindResourceW(ProgramImage(), MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
  if (found == nullptr) return false;
  const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(ProgramImage(), found)));
  TemplateReader r(data, SizeofResource(ProgramImage(), found));
  if (r.Take<WORD>() != 1 || r.Take<WORD>() != 0xFFFF) return false;  // DLGTEMPLATEEX only
  r.Take<DWORD>();  // help id
  out.exStyle = r.Take<DWORD>();
  out.style = r.Take<DWORD>();
  const WORD count = r.Take<WORD>();
  out.x = r.Take<short>();
  out.y = r.Take<short>();
  out.cx = r.Take<short>();
  out.cy = r.Take<short>();
  out.menu = r.TakeStringOrOrdinal();
  out.windowClass = r.TakeStringOrOrdinal();
  out.title = r.TakeString();
  if (out.style & (DS_SETFONT | DS_SHELLFONT)) {
    out.pointSize = r.Take<WORD>();
    r.Take<WORD>();  // weight
    r.Take<BYTE>();  // italic
    r.Take<BYTE>();  // charset
    out.typeface = r.TakeString();
  }
  for (WORD i = 0; i < count; ++i) {
    r.AlignTo(4);
    DialogItem item;
    r.Take<DWORD>();  // help id
    item.exStyle = r.Take<DWORD>();
    item.style = r.Take<DWORD>();
    item.x = r.Take<short>();
    item.y = r.Take<short>();
    item.cx = r.Take<short>();
    item.cy = r.Take<short>();
    item.id = r.Take<DWORD>();
    item.windowClass = r.TakeStringOrOrdinal();
    item.title = r.TakeStringOrOrdinal();
    r.Skip(r.Take<WORD>());  // creation data
    out.items.push_back(item);
  }
  return !r.Overrun();
}

TEST(ProgramResourcesTest, ExecutableLoadsAsResourceImage) {
  ASSERT_NE(ProgramImage(), nullptr) << "cannot load " << std::string(ProgramPath().begin(), ProgramPath().end());
}

TEST(ProgramResourcesTest, AboutBoxTemplate) {
  DialogTemplate t;
  ASSERT_TRUE(LoadDialogTemplate(IDD_ABOUTBOX, t));
  EXPECT_EQ(t.title, L"About ZLV_GMouse");
  EXPECT_EQ(t.cx, 235);
  EXPECT_EQ(t.cy, 55);
  EXPECT_EQ(t.typeface, L"MS Shell Dlg");
  EXPECT_EQ(t.pointSize, 8);
  const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  EXPECT_EQ(t.style & frame, frame);
  EXPECT_EQ(t.style & (WS_CHILD | WS_VISIBLE | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);

  ASSERT_EQ(t.items.size(), 4u);
  struct Expected {
    const wchar_t* windowClass;
    short x, y, cx, cy;
    DWORD id;
  };
  const Expected expected[] = {
      {L"static", 11, 17, 20, 20, 0xFFFF},
      {L"static", 40, 10, 119, 8, 0xFFFF},
      {L"static", 40, 25, 119, 8, 0xFFFF},
      {L"button", 178, 7, 50, 16, IDOK},
  };
  for (std::size_t i = 0; i < t.items.size(); ++i) {
    const DialogItem& item = t.items[i];
    const Expected& e = expected[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(ClassName(item.windowClass), e.windowClass);
    EXPECT_EQ(item.x, e.x);
    EXPECT_EQ(item.y, e.y);
    EXPECT_EQ(item.cx, e.cx);
    EXPECT_EQ(item.cy, e.cy);
    EXPECT_EQ(item.id & 0xFFFF, e.id);
  }
  EXPECT_EQ(t.items[0].style & SS_TYPEMASK, static_cast<DWORD>(SS_ICON));
  EXPECT_EQ(t.items[0].title, L"#" + std::to_wstring(IDR_MAINFRAME));
  EXPECT_EQ(t.items[1].title, L"ZLV_GMouse Version 1.0");
  EXPECT_FALSE(t.items[2].title.empty());
  EXPECT_EQ(t.items[3].title, L"OK");
  EXPECT_EQ(t.items[3].style & 0x0F, static_cast<DWORD>(BS_DEFPUSHBUTTON));
}

TEST(ProgramResourcesTest, MainWindowTemplate) {
  DialogTemplate t;
  ASSERT_TRUE(LoadDialogTemplate(IDD_ZLV_GMOUSE_DIALOG, t));
  EXPECT_EQ(t.style & (WS_POPUP | WS_VISIBLE | WS_SYSMENU),
            static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_SYSMENU));
  // No caption bar (WS_CAPTION is WS_BORDER | WS_DLGFRAME), no sizing frame.
  EXPECT_EQ(t.style & (WS_CHILD | WS_CAPTION | WS_THICKFRAME | DS_MODALFRAME), 0u);
  EXPECT_EQ(t.exStyle & WS_EX_APPWINDOW, static_cast<DWORD>(WS_EX_APPWINDOW));
  EXPECT_TRUE(t.title.empty());
  EXPECT_EQ(t.x, 0);
  EXPECT_EQ(t.y, 0);
  EXPECT_EQ(t.cx, 533);
  EXPECT_EQ(t.cy, 395);
  EXPECT_EQ(t.typeface, L"MS Shell Dlg");
  EXPECT_EQ(t.pointSize, 8);
  EXPECT_TRUE(t.menu.empty());
  EXPECT_TRUE(t.items.empty());
}

TEST(ProgramResourcesTest, PopupTemplatesHaveNoFrameAndNoControls) {
  for (UINT id : {IDD_FUNCTION_MENU, IDD_FUNCTION_SUBMENU, IDD_WARNING}) {
    SCOPED_TRACE(id);
    DialogTemplate t;
    ASSERT_TRUE(LoadDialogTemplate(id, t));
    EXPECT_EQ(t.style & WS_POPUP, static_cast<DWORD>(WS_POPUP));
    EXPECT_EQ(t.style & (WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_THICKFRAME | DS_MODALFRAME), 0u);
    EXPECT_TRUE(t.title.empty());
    EXPECT_TRUE(t.items.empty());
  }
}

// --- Menus ---

// Each item of a menu tree as "caption>caption>caption=id" (id -1 for an
// item that opens a submenu), depth first.
void Flatten(HMENU menu, const std::wstring& prefix, std::vector<std::wstring>& out) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
    const std::wstring path = prefix.empty() ? text : prefix + L">" + text;
    const int id = static_cast<int>(GetMenuItemID(menu, i));
    out.push_back(path + L"=" + std::to_wstring(id));
    if (HMENU sub = GetSubMenu(menu, i)) Flatten(sub, path, out);
  }
}

std::vector<std::wstring> MenuItems(UINT resource) {
  std::vector<std::wstring> items;
  HMENU menu = LoadMenuW(ProgramImage(), MAKEINTRESOURCEW(resource));
  if (menu == nullptr) return items;
  Flatten(menu, L"", items);
  DestroyMenu(menu);
  return items;
}

TEST(ProgramMenusTest, ContextMenuEnglish) {
  const std::wstring f = L"MENU_CN>Add Forward>", b = L"MENU_CN>Add Backward>";
  EXPECT_THAT(MenuItems(IDR_LIST_MENU_EN),
              ::testing::ElementsAre(
                  L"MENU_CN=-1", L"MENU_CN>Add Forward=-1",
                  f + L"Left Button=-1", f + L"Left Button>Down =32802", f + L"Left Button>Up=32803",
                  f + L"Right Button=-1", f + L"Right Button>Down=32804", f + L"Right Button>Up=32805",
                  f + L"Mid Button=-1", f + L"Mid Button>Down=32806", f + L"Mid Button>Up=32807",
                  L"MENU_CN>Add Backward=-1",
                  b + L"Left Button=-1", b + L"Left Button>Down =32809", b + L"Left Button>Up=32810",
                  b + L"Right Button=-1", b + L"Right Button>Down=32811", b + L"Right Button>Up=32812",
                  b + L"Mid Button=-1", b + L"Mid Button>Down=32813", b + L"Mid Button>Up=32814",
                  L"MENU_CN>Modify Delay=32780", L"MENU_CN>Delete=32781"));
}

TEST(ProgramMenusTest, ContextMenuChinese) {
  const std::wstring f = L"插入菜单>项前插入    >", b = L"插入菜单>项后插入>";
  EXPECT_THAT(MenuItems(IDR_LIST_MENU_CN),
              ::testing::ElementsAre(
                  L"插入菜单=-1", L"插入菜单>项前插入    =-1",
                  f + L"左键    =-1", f + L"左键    >向下    =32817", f + L"左键    >向上=32818",
                  f + L"右键=-1", f + L"右键>向下    =32820", f + L"右键>向上=32821",
                  f + L"中键=-1", f + L"中键>向下    =32823", f + L"中键>向上=32824",
                  L"插入菜单>项后插入=-1",
                  b + L"左键   =-1", b + L"左键   >向下  =32829", b + L"左键   >向上=32830",
                  b + L"右键   =-1", b + L"右键   >向下   =32831", b + L"右键   >向上=32832",
                  b + L"中键   =-1", b + L"中键   >向下   =32833", b + L"中键   >向上=32834",
                  L"插入菜单>修改延迟=32835", L"插入菜单>删除=32836"));
}

TEST(ProgramMenusTest, TrayMenus) {
  EXPECT_THAT(MenuItems(IDR_TRAY_MENU_EN),
              ::testing::ElementsAre(L"Menu_Tray=-1", L"Menu_Tray>Show Window=32801",
                                     L"Menu_Tray>Start with Windows=32839",
                                     L"Menu_Tray>Exit Driver=32800"));
  EXPECT_THAT(MenuItems(IDR_TRAY_MENU_CN),
              ::testing::ElementsAre(L"托盘菜单=-1", L"托盘菜单>显示窗口   =32837",
                                     L"托盘菜单>随Windows启动=32840",
                                     L"托盘菜单>关闭驱动=32838"));
}

// --- Icons, strings, version, manifest ---

TEST(ProgramResourcesTest, IconsLoadAtEverySize) {
  for (UINT id : {IDI_APP, IDR_MAINFRAME}) {
    for (int size : {16, 32, 48, 256}) {
      SCOPED_TRACE(std::to_string(id) + " at " + std::to_string(size));
      HICON icon = static_cast<HICON>(
          LoadImageW(ProgramImage(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
      ASSERT_NE(icon, nullptr);
      ICONINFO info{};
      ASSERT_TRUE(GetIconInfo(icon, &info));
      BITMAP bitmap{};
      GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
      EXPECT_EQ(bitmap.bmWidth, size);
      EXPECT_EQ(bitmap.bmHeight, size);
      DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
      DestroyIcon(icon);
    }
  }
}

TEST(ProgramResourcesTest, AboutItemString) {
  wchar_t text[64] = {};
  ASSERT_GT(LoadStringW(ProgramImage(), IDS_ABOUTBOX, text, 64), 0);
  EXPECT_STREQ(text, L"&About ZLV_GMouse...");
}

// Both shipped executables carry the project version, in numbers and as text.
TEST(ProgramResourcesTest, VersionRecords) {
  struct Case {
    const wchar_t* exe;
    const wchar_t* description;
  };
  const Case cases[] = {
      {L"ZLV_GMouse.exe", L"泽凡电竞游戏鼠标驱动"},
      {L"zlvctl.exe", L"Zelvan Gaming Mouse command-line tool"},
  };
  const std::wstring version = std::to_wstring(ZLV_VERSION_MAJOR) + L"." +
                               std::to_wstring(ZLV_VERSION_MINOR) + L"." +
                               std::to_wstring(ZLV_VERSION_PATCH);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.exe, c.exe + wcslen(c.exe)));
    const std::wstring path = ProgramPath(c.exe);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    const DWORD ms = (ZLV_VERSION_MAJOR << 16) | ZLV_VERSION_MINOR;
    const DWORD ls = ZLV_VERSION_PATCH << 16;
    EXPECT_EQ(fixed->dwFileVersionMS, ms);
    EXPECT_EQ(fixed->dwFileVersionLS, ls);
    EXPECT_EQ(fixed->dwProductVersionMS, ms);
    EXPECT_EQ(fixed->dwProductVersionLS, ls);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);  // U.S. English
    EXPECT_EQ(translation[1], 1252);

    const std::wstring exe = c.exe;
    const std::pair<const wchar_t*, std::wstring> values[] = {
        {L"CompanyName", L"Zelvan"},
        {L"FileDescription", c.description},
        {L"FileVersion", version},
        {L"InternalName", exe},
        {L"OriginalFilename", exe},
        {L"ProductName", L"ZLV_GMouse"},
        {L"ProductVersion", version},
    };
    for (const auto& [name, expected] : values) {
      wchar_t* text = nullptr;
      const std::wstring key = std::wstring(L"\\StringFileInfo\\040904e4\\") + name;
      EXPECT_TRUE(VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&text), &length))
          << std::string(name, name + wcslen(name));
      EXPECT_EQ(text != nullptr ? std::wstring(text) : std::wstring(), expected)
          << std::string(name, name + wcslen(name));
    }
  }
}

TEST(ProgramResourcesTest, Manifest) {
  HRSRC found = FindResourceW(ProgramImage(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(found, nullptr);
  const auto* data = static_cast<const char*>(LockResource(LoadResource(ProgramImage(), found)));
  const std::string manifest(data, SizeofResource(ProgramImage(), found));
  EXPECT_THAT(manifest, ::testing::HasSubstr("level=\"requireAdministrator\""));
  EXPECT_THAT(manifest, ::testing::HasSubstr("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
  EXPECT_THAT(manifest, ::testing::HasSubstr(">true</dpiAware>"));
}

}  // namespace
}  // namespace zlv
