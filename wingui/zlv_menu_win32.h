// The program's owner-drawn popup menus (the event list's context menu and the
// tray menu): a loaded menu whose items, submenus included, are converted to
// owner-drawn items and drawn as planned in ui/zlv_menu_draw.h. The object
// owns the menu it holds and destroys it unless it was detached.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <string>

#include "base/text.h"

namespace zlv::win {

// The caption of a menu item by position (empty for none), for any menu.
std::wstring MenuItemText(HMENU menu, int position);

class CZlvMenu {
 public:
  // One table entry per converted item; its address is the item's data, so
  // entries never move while the object lives.
  struct Entry {
    Text text;
    std::int32_t id = 0;  // -1 for an item that opens a submenu
  };

  CZlvMenu();
  virtual ~CZlvMenu();
  CZlvMenu(const CZlvMenu&) = delete;
  CZlvMenu& operator=(const CZlvMenu&) = delete;

  // Loads a menu resource of ResourceModule(), replaces the menu held (which
  // is destroyed) and converts it. On failure the menu held stays as it was.
  bool Load(UINT resourceId);
  // Takes ownership of a menu made elsewhere, replacing (and destroying) the
  // one held, and converts it.
  void Adopt(HMENU menu);
  // Gives up the menu held without destroying it.
  HMENU Detach();

  HMENU Handle() const { return menu_; }
  // The popup to track: the submenu of the first top-level item.
  HMENU Popup() const;

  // Converts every item of menu and, depth first, of its submenus to an
  // owner-drawn item keeping its id, state and submenu. Entries are filled from
  // the used count on; the caller resets it with ResetTable() first.
  void MakeOwnerDrawn(HMENU menu);
  void ResetTable() { used_ = 0; }
  int UsedCount() const { return used_; }
  const Entry& EntryAt(int index) const { return table_[static_cast<std::size_t>(index)]; }

  // Draw and measure requests for menu items; requests for anything other than
  // one of this program's owner-drawn menu items are ignored. Any object can
  // serve the items of every CZlvMenu, as each item's data names its entry.
  virtual void DrawItem(DRAWITEMSTRUCT& drawItem);
  virtual void MeasureItem(MEASUREITEMSTRUCT& measureItem);

  // The entry an item's data refers to, or nullptr when the data is not an
  // entry of a live CZlvMenu.
  static const Entry* FindEntry(ULONG_PTR itemData);

 private:
  Entry& NextEntry();

  HMENU menu_ = nullptr;
  std::deque<Entry> table_;
  int used_ = 0;
};

}  // namespace zlv::win
