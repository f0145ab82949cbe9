#include "wingui/zlv_menu_win32.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/text_win32.h"
#include "ui/zlv_menu_draw.h"
#include "wingui/win_framework_win32.h"

namespace zlv::win {

using ui::MenuDrawStep;
using ui::MenuItemSize;
using ui::PixelRect;

namespace {

// Live menu objects, for checking item data before it is used as an entry.
// Menus are made and drawn on the interface thread only.
std::vector<const CZlvMenu*>& LiveMenus() {
  static std::vector<const CZlvMenu*> menus;
  return menus;
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

// A one-pixel frame just inside the rectangle, whatever pen and brush the
// context holds.
void FrameSolid(HDC dc, const RECT& rect, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FrameRect(dc, &rect, brush);
  DeleteObject(brush);
}

RECT ToRect(const PixelRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

std::wstring MenuItemText(HMENU menu, int position) {
  const UINT at = static_cast<UINT>(position);
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STRING;
  info.dwTypeData = nullptr;
  if (!GetMenuItemInfoW(menu, at, TRUE, &info) || info.cch == 0) return std::wstring();
  std::wstring buffer(info.cch + 1, L'\0');
  info.dwTypeData = buffer.data();
  info.cch = static_cast<UINT>(buffer.size());
  if (!GetMenuItemInfoW(menu, at, TRUE, &info)) return std::wstring();
  buffer.resize(info.cch);
  return buffer;
}

CZlvMenu::CZlvMenu() { LiveMenus().push_back(this); }

CZlvMenu::~CZlvMenu() {
  auto& menus = LiveMenus();
  menus.erase(std::remove(menus.begin(), menus.end(), this), menus.end());
  if (menu_ != nullptr) DestroyMenu(menu_);
}

bool CZlvMenu::Load(UINT resourceId) {
  HMENU menu = LoadMenuW(ResourceModule(), MAKEINTRESOURCEW(resourceId));
  if (menu == nullptr) return false;
  Adopt(menu);
  return true;
}

void CZlvMenu::Adopt(HMENU menu) {
  // The old menu's items point into the table that is about to be rewritten:
  // it goes now rather than lingering with wrong captions.
  if (menu_ != nullptr && menu_ != menu) DestroyMenu(menu_);
  menu_ = menu;
  ResetTable();
  if (menu_ != nullptr) MakeOwnerDrawn(menu_);
}

HMENU CZlvMenu::Detach() {
  HMENU menu = menu_;
  menu_ = nullptr;
  return menu;
}

HMENU CZlvMenu::Popup() const {
  return menu_ != nullptr ? GetSubMenu(menu_, 0) : nullptr;
}

CZlvMenu::Entry& CZlvMenu::NextEntry() {
  // The table grows past its usual 30 entries for a larger menu; a deque keeps
  // the addresses of the existing entries.
  if (static_cast<std::size_t>(used_) == table_.size()) table_.emplace_back();
  return table_[static_cast<std::size_t>(used_)];
}

void CZlvMenu::MakeOwnerDrawn(HMENU menu) {
  const int count = GetMenuItemCount(menu);
  for (int position = 0; position < count; ++position) {
    const UINT pos = static_cast<UINT>(position);
    Entry& entry = NextEntry();
    entry.text = FromWide(MenuItemText(menu, position));
    HMENU submenu = GetSubMenu(menu, position);
    entry.id = submenu != nullptr ? -1 : static_cast<std::int32_t>(GetMenuItemID(menu, position));

    // Only the type and the data change: id, state and submenu stay.
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(menu, pos, TRUE, &info);
    info.fMask = MIIM_FTYPE | MIIM_DATA;
    info.fType |= MFT_OWNERDRAW;
    info.dwItemData = reinterpret_cast<ULONG_PTR>(&entry);
    SetMenuItemInfoW(menu, pos, TRUE, &info);
    ++used_;

    if (submenu != nullptr) MakeOwnerDrawn(submenu);
  }
}

const CZlvMenu::Entry* CZlvMenu::FindEntry(ULONG_PTR itemData) {
  if (itemData == 0) return nullptr;
  for (const CZlvMenu* menu : LiveMenus()) {
    for (const Entry& entry : menu->table_) {
      if (reinterpret_cast<ULONG_PTR>(&entry) == itemData) return &entry;
    }
  }
  return nullptr;
}

void CZlvMenu::DrawItem(DRAWITEMSTRUCT& drawItem) {
  if (drawItem.CtlType != ODT_MENU) return;
  const Entry* entry = FindEntry(drawItem.itemData);
  if (entry == nullptr) return;
  HDC dc = drawItem.hDC;
  const RECT& r = drawItem.rcItem;
  const bool highlighted = (drawItem.itemState & ODS_SELECTED) != 0;
  const bool checked = (drawItem.itemState & ODS_CHECKED) != 0;
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = GetTextColor(dc);
  const std::wstring text = ToWide(entry->text);
  for (const MenuDrawStep& step :
       ui::PlanMenuItem(PixelRect{r.left, r.top, r.right, r.bottom}, highlighted, checked)) {
    const RECT rect = ToRect(step.rect);
    switch (step.kind) {
      case MenuDrawStep::Kind::Fill:
        FillSolid(dc, rect, step.colour);
        break;
      case MenuDrawStep::Kind::Outline:
        FrameSolid(dc, rect, step.colour);
        break;
      case MenuDrawStep::Kind::Line: {
        HPEN pen = CreatePen(PS_SOLID, 1, step.colour);
        HGDIOBJ oldPen = SelectObject(dc, pen);
        POINT oldPosition{};
        MoveToEx(dc, rect.left, rect.top, &oldPosition);
        LineTo(dc, rect.right, rect.top);
        MoveToEx(dc, oldPosition.x, oldPosition.y, nullptr);
        SelectObject(dc, oldPen);
        DeleteObject(pen);
        break;
      }
      case MenuDrawStep::Kind::Check: {
        HPEN pen = CreatePen(PS_SOLID, 2, step.colour);
        HGDIOBJ oldPen = SelectObject(dc, pen);
        const POINT mark[3] = {{rect.left, rect.top + (rect.bottom - rect.top) / 2},
                               {rect.left + (rect.right - rect.left) / 3, rect.bottom - 1},
                               {rect.right - 1, rect.top}};
        Polyline(dc, mark, 3);
        SelectObject(dc, oldPen);
        DeleteObject(pen);
        break;
      }
      case MenuDrawStep::Kind::Text: {
        RECT box = rect;
        SetTextColor(dc, step.colour);
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
                  DT_SINGLELINE | DT_VCENTER);
        break;
      }
    }
  }
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
}

void CZlvMenu::MeasureItem(MEASUREITEMSTRUCT& measureItem) {
  if (measureItem.CtlType != ODT_MENU) return;
  const Entry* entry = FindEntry(measureItem.itemData);
  if (entry == nullptr) return;
  const MenuItemSize size = ui::MeasureMenuItem(entry->text);
  measureItem.itemWidth = static_cast<UINT>(size.width);
  measureItem.itemHeight = static_cast<UINT>(size.height);
}

}  // namespace zlv::win
