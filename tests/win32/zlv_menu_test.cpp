// Owner-drawn menus: conversion of a menu and its submenus, items drawn into
// a bitmap and read back pixel by pixel, item sizes, language switches, and
// the requests a real popup menu sends its owner.
#include "wingui/zlv_menu_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/text_win32.h"

namespace zlv::win {
namespace {

// Builds the English context menu as the resource lays it out.
HMENU EnglishContextMenu() {
  auto buttons = [](UINT downId, UINT upId, const wchar_t* down) {
    HMENU m = CreatePopupMenu();
    AppendMenuW(m, MF_STRING, downId, down);
    AppendMenuW(m, MF_STRING, upId, L"Up");
    return m;
  };
  HMENU forward = CreatePopupMenu();
  AppendMenuW(forward, MF_POPUP, reinterpret_cast<UINT_PTR>(buttons(32802, 32803, L"Down ")),
              L"Left Button");
  AppendMenuW(forward, MF_POPUP, reinterpret_cast<UINT_PTR>(buttons(32804, 32805, L"Down")),
              L"Right Button");
  AppendMenuW(forward, MF_POPUP, reinterpret_cast<UINT_PTR>(buttons(32806, 32807, L"Down")),
              L"Mid Button");
  HMENU backward = CreatePopupMenu();
  AppendMenuW(backward, MF_POPUP, reinterpret_cast<UINT_PTR>(buttons(32809, 32810, L"Down ")),
              L"Left Button");
  AppendMenuW(backward, MF_POPUP, reinterpret_cast<UINT_PTR>(buttons(32811, 32812, L"Down")),
              L"Right Button");
  AppendMenuW(backward, MF_POPUP, reinterpret_cast<UINT_PTR>(buttons(32813, 32814, L"Down")),
              L"Mid Button");
  HMENU popup = CreatePopupMenu();
  AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(forward), L"Add Forward");
  AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(backward), L"Add Backward");
  AppendMenuW(popup, MF_STRING, 32780, L"Modify Delay");
  AppendMenuW(popup, MF_STRING, 32781, L"Delete");
  HMENU top = CreateMenu();
  AppendMenuW(top, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"MENU_CN");
  return top;
}

HMENU ChineseTrayMenu() {
  HMENU popup = CreatePopupMenu();
  AppendMenuW(popup, MF_STRING, 32837, L"\u663E\u793A\u7A97\u53E3   ");  // 显示窗口
  AppendMenuW(popup, MF_STRING, 32838, L"\u5173\u95ED\u9A71\u52A8");     // 关闭驱动
  HMENU top = CreateMenu();
  AppendMenuW(top, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"\u6258\u76D8\u83DC\u5355");
  return top;
}

MENUITEMINFOW ItemInfo(HMENU menu, UINT position) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID | MIIM_SUBMENU | MIIM_STATE;
  EXPECT_TRUE(GetMenuItemInfoW(menu, position, TRUE, &info));
  return info;
}

TEST(ZlvMenuConversion, EveryItemOfEverySubmenuBecomesOwnerDrawnDepthFirst) {
  CZlvMenu menu;
  menu.Adopt(EnglishContextMenu());
  struct Expected {
    const char16_t* text;
    std::int32_t id;
  };
  const Expected expected[] = {
      {u"MENU_CN", -1},      {u"Add Forward", -1}, {u"Left Button", -1}, {u"Down ", 32802},
      {u"Up", 32803},        {u"Right Button", -1}, {u"Down", 32804},     {u"Up", 32805},
      {u"Mid Button", -1},   {u"Down", 32806},      {u"Up", 32807},       {u"Add Backward", -1},
      {u"Left Button", -1},  {u"Down ", 32809},     {u"Up", 32810},       {u"Right Button", -1},
      {u"Down", 32811},      {u"Up", 32812},        {u"Mid Button", -1},  {u"Down", 32813},
      {u"Up", 32814},        {u"Modify Delay", 32780}, {u"Delete", 32781},
  };
  ASSERT_EQ(menu.UsedCount(), 23);
  for (int i = 0; i < 23; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(menu.EntryAt(i).text, expected[i].text);
    EXPECT_EQ(menu.EntryAt(i).id, expected[i].id);
  }

  // The items keep their ids and submenus and carry their entries.
  HMENU popup = menu.Popup();
  ASSERT_NE(popup, nullptr);
  const MENUITEMINFOW top = ItemInfo(menu.Handle(), 0);
  EXPECT_TRUE(top.fType & MFT_OWNERDRAW);
  EXPECT_EQ(top.hSubMenu, popup);
  EXPECT_EQ(top.dwItemData, reinterpret_cast<ULONG_PTR>(&menu.EntryAt(0)));

  const MENUITEMINFOW del = ItemInfo(popup, 3);
  EXPECT_TRUE(del.fType & MFT_OWNERDRAW);
  EXPECT_EQ(del.wID, 32781u);
  EXPECT_EQ(del.hSubMenu, nullptr);
  EXPECT_EQ(CZlvMenu::FindEntry(del.dwItemData), &menu.EntryAt(22));

  HMENU leftForward = GetSubMenu(GetSubMenu(popup, 0), 0);
  const MENUITEMINFOW down = ItemInfo(leftForward, 0);
  EXPECT_TRUE(down.fType & MFT_OWNERDRAW);
  EXPECT_EQ(down.wID, 32802u);
  EXPECT_EQ(CZlvMenu::FindEntry(down.dwItemData), &menu.EntryAt(3));
  EXPECT_EQ(GetMenuItemID(leftForward, 1), 32803u);
}

TEST(ZlvMenuConversion, LanguageSwitchReplacesTheMenuAndRewritesTheTable) {
  CZlvMenu menu;
  menu.Adopt(EnglishContextMenu());
  HMENU english = menu.Handle();
  const CZlvMenu::Entry* first = &menu.EntryAt(0);

  menu.Adopt(ChineseTrayMenu());
  EXPECT_FALSE(IsMenu(english)) << "the replaced menu is destroyed";
  ASSERT_EQ(menu.UsedCount(), 3);
  EXPECT_EQ(&menu.EntryAt(0), first) << "entries are rewritten in place";
  EXPECT_EQ(menu.EntryAt(1).text, u"\u663E\u793A\u7A97\u53E3   ");
  EXPECT_EQ(menu.EntryAt(1).id, 32837);
  EXPECT_EQ(menu.EntryAt(2).id, 32838);

  // A resource that does not exist leaves the menu held alone.
  HMENU held = menu.Handle();
  EXPECT_FALSE(menu.Load(60001));
  EXPECT_EQ(menu.Handle(), held);
  EXPECT_EQ(menu.UsedCount(), 3);
}

TEST(ZlvMenuConversion, MenusLargerThanThirtyItemsAreConvertedWhole) {
  HMENU popup = CreatePopupMenu();
  for (UINT i = 0; i < 45; ++i) {
    AppendMenuW(popup, MF_STRING, 40000 + i, (L"Item " + std::to_wstring(i)).c_str());
  }
  HMENU top = CreateMenu();
  AppendMenuW(top, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"Top");
  CZlvMenu menu;
  menu.Adopt(top);
  ASSERT_EQ(menu.UsedCount(), 46);
  for (UINT i = 0; i < 45; ++i) {
    const MENUITEMINFOW info = ItemInfo(popup, i);
    const CZlvMenu::Entry* entry = CZlvMenu::FindEntry(info.dwItemData);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->id, static_cast<std::int32_t>(40000 + i));
    EXPECT_EQ(entry->text, Ascii("Item " + std::to_string(i)));
  }
}

// A 32-bit top-down bitmap selected into a memory context, filled with a
// marker colour so untouched pixels show.
class Canvas {
 public:
  static constexpr COLORREF kMarker = RGB(255, 0, 255);

  Canvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    RECT all{0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(kMarker);
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const {
    GdiFlush();
    const auto* p = static_cast<const std::uint8_t*>(bits_) + (y * width_ + x) * 4;
    return RGB(p[2], p[1], p[0]);
  }
  std::vector<COLORREF> Snapshot() const {
    std::vector<COLORREF> all;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) all.push_back(At(x, y));
    return all;
  }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
};

DRAWITEMSTRUCT DrawRequest(HDC dc, const CZlvMenu::Entry& entry, RECT rect, bool selected) {
  DRAWITEMSTRUCT d{};
  d.CtlType = ODT_MENU;
  d.itemAction = ODA_DRAWENTIRE;
  d.itemState = selected ? ODS_SELECTED : 0;
  d.hDC = dc;
  d.rcItem = rect;
  d.itemData = reinterpret_cast<ULONG_PTR>(&entry);
  return d;
}

class ZlvMenuDrawing : public ::testing::Test {
 protected:
  void SetUp() override { menu_.Adopt(EnglishContextMenu()); }
  // "Delete": entry 22.
  const CZlvMenu::Entry& Delete() const { return menu_.EntryAt(22); }
  CZlvMenu menu_;
};

TEST_F(ZlvMenuDrawing, PlainItemIsTealWithWhiteTextStartingTenPixelsIn) {
  Canvas canvas(140, 40);
  DRAWITEMSTRUCT d = DrawRequest(canvas.dc(), Delete(), RECT{5, 10, 125, 30}, false);
  menu_.DrawItem(d);

  const COLORREF teal = RGB(0, 120, 153);
  int white = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 140; ++x) {
      const COLORREF c = canvas.At(x, y);
      const bool inside = x >= 5 && x < 125 && y >= 10 && y < 30;
      if (!inside) {
        ASSERT_EQ(c, Canvas::kMarker) << x << "," << y;
      } else if (x < 15 || y == 10 || y == 29) {
        // Left of the text and the item's top and bottom rows carry no ink.
        ASSERT_EQ(c, teal) << x << "," << y;
      } else if (c != teal) {
        ++white;
      }
    }
  }
  EXPECT_GT(white, 20) << "the caption was drawn";
  // The text colour and background mode of the context are left as they were.
  EXPECT_EQ(GetBkMode(canvas.dc()), OPAQUE);
}

TEST_F(ZlvMenuDrawing, HighlightedItemHasAnOutlineAndAGradientRowByRow) {
  Canvas canvas(140, 40);
  // Whatever pen and brush the context holds, the outline is black.
  HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  HGDIOBJ oldPen = SelectObject(canvas.dc(), red);
  HGDIOBJ oldBrush = SelectObject(canvas.dc(), green);
  DRAWITEMSTRUCT d = DrawRequest(canvas.dc(), Delete(), RECT{5, 10, 125, 30}, true);
  menu_.DrawItem(d);

  const COLORREF black = RGB(0, 0, 0);
  for (int x = 5; x < 125; ++x) {
    ASSERT_EQ(canvas.At(x, 10), black) << x;
    ASSERT_EQ(canvas.At(x, 29), black) << x;
  }
  for (int k = 0; k < 18; ++k) {
    const int y = 11 + k;
    SCOPED_TRACE(y);
    EXPECT_EQ(canvas.At(5, y), black);
    EXPECT_EQ(canvas.At(124, y), black);
    // 255 / 18 truncated to 14: green 0, 14, ..., 238 on blue; left of the text.
    for (int x = 6; x < 15; ++x) ASSERT_EQ(canvas.At(x, y), RGB(0, 14 * k, 255)) << x;
    // Past the caption (six characters) the whole row is gradient.
    ASSERT_EQ(canvas.At(123, y), RGB(0, 14 * k, 255));
  }
  EXPECT_EQ(canvas.At(4, 15), Canvas::kMarker);
  EXPECT_EQ(canvas.At(125, 15), Canvas::kMarker);
  // The pen and brush selected before are selected again.
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), red);
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_BRUSH), green);
  SelectObject(canvas.dc(), oldPen);
  SelectObject(canvas.dc(), oldBrush);
  DeleteObject(red);
  DeleteObject(green);
}

TEST_F(ZlvMenuDrawing, RequestsForOtherThingsLeaveTheContextAlone) {
  Canvas canvas(60, 30);
  const std::vector<COLORREF> before = canvas.Snapshot();
  const CZlvMenu::Entry stranger;  // not in any menu's table
  const ULONG_PTR bogus[] = {0, 0x1234, reinterpret_cast<ULONG_PTR>(&stranger)};
  for (ULONG_PTR data : bogus) {
    DRAWITEMSTRUCT d = DrawRequest(canvas.dc(), Delete(), RECT{0, 0, 60, 20}, false);
    d.itemData = data;
    menu_.DrawItem(d);
    MEASUREITEMSTRUCT m{ODT_MENU, 0, 0, 7, 9, data};
    menu_.MeasureItem(m);
    EXPECT_EQ(m.itemWidth, 7u);
    EXPECT_EQ(m.itemHeight, 9u);
  }
  DRAWITEMSTRUCT button = DrawRequest(canvas.dc(), Delete(), RECT{0, 0, 60, 20}, false);
  button.CtlType = ODT_BUTTON;
  menu_.DrawItem(button);
  EXPECT_EQ(canvas.Snapshot(), before);
}

TEST_F(ZlvMenuDrawing, MeasureGivesEightPixelsPerCharacterAndTwentyHigh) {
  CZlvMenu tray;
  tray.Adopt(ChineseTrayMenu());
  struct Case {
    const CZlvMenu::Entry* entry;
    UINT width;
  };
  const Case cases[] = {
      {&menu_.EntryAt(3), 40},   // "Down " with its trailing space
      {&menu_.EntryAt(21), 96},  // "Modify Delay"
      {&tray.EntryAt(1), 56},    // four characters and three spaces
      {&tray.EntryAt(2), 32},
  };
  for (const Case& c : cases) {
    // Either object serves the other's items.
    MEASUREITEMSTRUCT m{ODT_MENU, 0, 0, 0, 0, reinterpret_cast<ULONG_PTR>(c.entry)};
    tray.MeasureItem(m);
    EXPECT_EQ(m.itemWidth, c.width);
    EXPECT_EQ(m.itemHeight, 20u);
  }
}

// A real popup menu sends its owner measure and draw requests for its items;
// the owner forwards them and the items come out 20 pixels high.
struct OwnerState {
  CZlvMenu* menu = nullptr;
  int measured = 0;
  int drawn = 0;
};
OwnerState g_owner;

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_MEASUREITEM && wParam == 0) {
    g_owner.menu->MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    ++g_owner.measured;
    return TRUE;
  }
  if (message == WM_DRAWITEM && wParam == 0) {
    g_owner.menu->DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    ++g_owner.drawn;
    return TRUE;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

VOID CALLBACK CloseMenu(HWND, UINT, UINT_PTR, DWORD) { EndMenu(); }

TEST(ZlvMenuTracking, PopupItemsAreMeasuredAndDrawnThroughTheOwner) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = OwnerProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZlvMenuTestOwner";
  RegisterClassW(&wc);
  HWND owner = CreateWindowExW(0, wc.lpszClassName, L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 50,
                               50, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(owner, nullptr);
  CZlvMenu tray;
  tray.Adopt(ChineseTrayMenu());
  g_owner = OwnerState{&tray};
  SetForegroundWindow(owner);
  const UINT_PTR timer = SetTimer(nullptr, 0, 300, CloseMenu);
  TrackPopupMenu(tray.Popup(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, 200, 200, 0, owner, nullptr);
  KillTimer(nullptr, timer);
  EXPECT_GE(g_owner.measured, 2);
  EXPECT_GE(g_owner.drawn, 2);
  DestroyWindow(owner);
}

}  // namespace
}  // namespace zlv::win
