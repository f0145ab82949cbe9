#include "app/function_menus_win32.h"

#include <windowsx.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "base/text_win32.h"
#include "resources/resource_ids.h"
#include "ui/function_menu.h"
#include "ui/main_paint.h"
#include "ui/picture_geometry.h"
#include "ui/picture_win32.h"
#include "wingui/skin_painter_win32.h"
#include "wingui/win_framework_win32.h"

namespace zlv {
namespace {

ui::PixelPoint PointOf(LPARAM lParam) { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

bool EnglishOf(const FunctionMenuContext& context) {
  return !context.english || context.english();
}

// The row sizes of a menu from its mask; without a mask, from its normal face,
// so that a menu whose mask is missing still shows what it can.
ui::MenuGeometry GeometryFromPictures(const FunctionMenuContext& context,
                                      const ui::MenuPictures& pictures,
                                      const win::FaceSet& faces, int slots, int rows) {
  const ui::SkinPicture mask = ui::LoadSkinPicture(ui::SkinPicturePath(context.exeDir, pictures.mask));
  SIZE size{mask.Width(), mask.Height()};
  if (mask.Empty()) size = faces.Size();
  return ui::MenuGeometryOf(size.cx, size.cy, slots, rows);
}

// What the menus tell the object that owns them.
class MenuHost {
 public:
  virtual void FirstLevelHoverChanged(int row) = 0;
  virtual void FirstLevelReleased(int row) = 0;
  virtual void SubmenuReleased(int row) = 0;
  virtual void CancelRequested() = 0;

  // How many messages of the menus are being handled on this thread; their
  // objects are only freed when none is.
  int handlerDepth = 0;

 protected:
  ~MenuHost() = default;
};

class HandlerScope {
 public:
  explicit HandlerScope(MenuHost& host) : host_(host) { ++host_.handlerDepth; }
  ~HandlerScope() { --host_.handlerDepth; }
  HandlerScope(const HandlerScope&) = delete;
  HandlerScope& operator=(const HandlerScope&) = delete;

 private:
  MenuHost& host_;
};

// What both menu levels keep for one opening: the faces (decoded once), the
// font, the rows and their texts, and the pointer state.
struct MenuFace {
  win::FaceSet faces;
  std::optional<win::SkinFonts> fonts;
  ui::MenuGeometry geometry;
  std::vector<Text> texts;
  int hover = ui::kNoRow;
  int lastHighlighted = ui::kNoRow;
  bool pressed = false;

  void Load(const FunctionMenuContext& context, const ui::MenuPictures& pictures, int slots,
            int rows) {
    faces = win::LoadFaces(context.exeDir, pictures.normal, pictures.over, pictures.down);
    fonts.emplace(EnglishOf(context));
    geometry = GeometryFromPictures(context, pictures, faces, slots, rows);
  }

  void ApplyShape(HWND window) const {
    ui::ApplyShape(window, ui::RectShape(geometry.itemWidth, geometry.WindowHeight()));
  }

  void Paint(HWND window) const {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (dc != nullptr && fonts) {
      win::ComposeAndShow(dc, SIZE{geometry.itemWidth, geometry.WindowHeight()}, faces,
                          ui::PlanMenu(geometry, hover, pressed, texts), *fonts);
    }
    EndPaint(window, &ps);
  }

  // A move: the row under the pointer; true when it is not the one last
  // highlighted (the menu is then repainted).
  bool Move(HWND window, ui::PixelPoint point, int rowsTested) {
    hover = ui::MenuRowAt(geometry, point, rowsTested);
    if (hover == lastHighlighted) return false;
    lastHighlighted = hover;
    InvalidateRect(window, nullptr, FALSE);
    return true;
  }
};

// Keys do not choose in these windows: Enter does nothing, Escape (and the
// close request) closes the menus.
bool MenuCommand(MenuHost& host, WORD id) {
  if (id == IDCANCEL) host.CancelRequested();
  return id == IDOK || id == IDCANCEL;
}

// What the two menu windows share: a skinned face of rows, hover on moves,
// the pressed look while the button is held, and keys that never choose.
class MenuWindow : public win::Dialog {
 public:
  int HoverRow() const { return face_.hover; }

 protected:
  MenuWindow(int templateId, MenuHost& host, const FunctionMenuContext& context)
      : Dialog(templateId), host_(host), context_(context) {}

  // The rows a move tests, and what a changed hover and a release do.
  virtual int RowsTested() const = 0;
  virtual void HoverChanged(int /*row*/) {}
  virtual void Released(int row) = 0;  // may destroy this window

  bool OnCommand(WORD id, WORD, HWND) override {
    HandlerScope scope(host_);
    return MenuCommand(host_, id);
  }

  bool OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) override {
    HandlerScope scope(host_);
    switch (message) {
      case WM_ERASEBKGND:
        result = 1;
        return true;
      case WM_PAINT:
        face_.Paint(hwnd());
        return true;
      case WM_MOUSEMOVE:
        if (face_.Move(hwnd(), PointOf(lParam), RowsTested())) HoverChanged(face_.hover);
        return false;
      case WM_LBUTTONDOWN:
        face_.pressed = true;
        InvalidateRect(hwnd(), nullptr, FALSE);
        return false;
      case WM_LBUTTONUP:
        face_.pressed = false;
        InvalidateRect(hwnd(), nullptr, FALSE);
        Released(face_.hover);
        return true;
      default:
        return false;
    }
  }

  MenuHost& host_;
  const FunctionMenuContext& context_;
  MenuFace face_;
};

// The first-level menu: ten rows; rows 1..6 choose, rows 7..10 open the submenu.
class CMenuDlg final : public MenuWindow {
 public:
  CMenuDlg(MenuHost& host, const FunctionMenuContext& context)
      : MenuWindow(IDD_FUNCTION_MENU, host, context) {}

  const ui::MenuGeometry& Geometry() const { return face_.geometry; }

 protected:
  bool OnInitDialog() override {
    SetWindowTextW(hwnd(), reinterpret_cast<const wchar_t*>(ui::kMenuWindowTitle));
    face_.Load(context_, ui::FirstLevelPictures(), ui::kMenuRows, ui::kMenuRows);
    for (int row = 1; row <= ui::kMenuRows; ++row) {
      face_.texts.push_back(context_.labels != nullptr ? ui::FirstLevelRowText(*context_.labels, row)
                                                       : Text());
    }
    face_.ApplyShape(hwnd());
    return false;
  }

  int RowsTested() const override { return ui::kMenuHitRows; }
  void HoverChanged(int row) override { host_.FirstLevelHoverChanged(row); }
  void Released(int row) override { host_.FirstLevelReleased(row); }
};

// The submenu of one first-level row: the group's rows, each choosing a code.
class CSubMenuDlg final : public MenuWindow {
 public:
  CSubMenuDlg(MenuHost& host, const FunctionMenuContext& context, ui::SubmenuGroup group,
              std::vector<Text> macroNames)
      : MenuWindow(IDD_FUNCTION_SUBMENU, host, context),
        group_(group),
        macro_names_(std::move(macroNames)) {}

  const ui::SubmenuGroup& Group() const { return group_; }

 protected:
  bool OnInitDialog() override {
    face_.Load(context_, ui::SubmenuPictures(), ui::kSubmenuRowSlots, group_.rows);
    static const FunctionLabels kNoLabels{};
    const FunctionLabels& labels = context_.labels != nullptr ? *context_.labels : kNoLabels;
    for (int row = 1; row <= group_.rows; ++row) {
      face_.texts.push_back(ui::SubmenuRowText(group_, labels, macro_names_, row));
    }
    face_.ApplyShape(hwnd());
    return false;
  }

  int RowsTested() const override { return group_.rows; }
  // Destroys both menus.
  void Released(int row) override { host_.SubmenuReleased(row); }

 private:
  ui::SubmenuGroup group_;
  std::vector<Text> macro_names_;
};

// The question before the last primary-click button is remapped.
class WarningDlg final : public win::Dialog {
 public:
  WarningDlg(const FunctionMenuContext& context, POINT corner, const ui::WarningLayout* layout = nullptr,
             bool question = false)
      : Dialog(IDD_WARNING), context_(context), corner_(corner), question_(question) {
    if (layout != nullptr) {
      layout_ = *layout;
    } else if (context.warning != nullptr) {
      layout_ = *context.warning;
    }
  }

 protected:
  bool OnInitDialog() override {
    faces_ = win::LoadFaces(context_.exeDir, ui::kWarningNormal, ui::kWarningOver, u"");
    fonts_.emplace(EnglishOf(context_));
    const ui::SkinPicture mask =
        ui::LoadSkinPicture(ui::SkinPicturePath(context_.exeDir, ui::kWarningMask));
    if (!mask.Empty()) {
      size_ = SIZE{mask.Width(), mask.Height()};
      ui::ApplyShape(hwnd(), ui::MaskShape(mask));
    } else {
      // Without its mask the dialog still has to be answerable: the face's
      // size, or at least the rectangles of its entries.
      size_ = faces_.Size();
      if (size_.cx <= 0 || size_.cy <= 0) {
        for (const ui::SkinEntry& entry : layout_) {
          const ui::PixelRect r = ui::EntryRect(entry);
          size_.cx = std::max<LONG>(size_.cx, r.right);
          size_.cy = std::max<LONG>(size_.cy, r.bottom);
        }
      }
      ui::ApplyShape(hwnd(), ui::RectShape(size_.cx, size_.cy));
    }
    // Wholly inside the work area of its monitor, so both buttons can be
    // reached (the main window may have been dragged low).
    if (question_) {
      RECT owner{};
      GetWindowRect(GetWindow(hwnd(), GW_OWNER) != nullptr ? GetWindow(hwnd(), GW_OWNER) : GetDesktopWindow(), &owner);
      corner_ = POINT{(owner.left + owner.right - size_.cx) / 2, (owner.top + owner.bottom - size_.cy) / 2};
    }
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ui::PixelPoint at{corner_.x, corner_.y};
    if (GetMonitorInfoW(MonitorFromPoint(corner_, MONITOR_DEFAULTTONEAREST), &monitor)) {
      const RECT& w = monitor.rcWork;
      at = ui::KeepInside(at, size_.cx, size_.cy, ui::PixelRect{w.left, w.top, w.right, w.bottom});
    }
    SetWindowPos(hwnd(), nullptr, at.x, at.y, size_.cx, size_.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    return false;
  }

  // Escape and a close request answer as the second button; Enter chooses
  // nothing in the warning (going on is never taken by default) and answers
  // a question no.
  bool OnCommand(WORD id, WORD, HWND) override {
    if (id == IDCANCEL || (question_ && id == IDOK)) EndDialog(ui::kWarningCancel);
    return id == IDOK || id == IDCANCEL;
  }

  bool OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) override {
    switch (message) {
      case WM_ERASEBKGND:
        result = 1;
        return true;
      case WM_CLOSE:
        EndDialog(ui::kWarningCancel);
        result = 0;
        return true;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        if (dc != nullptr && fonts_) {
          win::ComposeAndShow(dc, size_, faces_, ui::PlanWarning(layout_, hover_), *fonts_);
        }
        EndPaint(hwnd(), &ps);
        return true;
      }
      case WM_MOUSEMOVE:
        hover_ = ui::WarningHoverAt(layout_, PointOf(lParam));
        if (hover_ != last_painted_) {
          last_painted_ = hover_;
          InvalidateRect(hwnd(), nullptr, FALSE);
        }
        return false;
      case WM_LBUTTONUP:
        if (hover_ == ui::kWarningGoOn || hover_ == ui::kWarningCancel) EndDialog(hover_);
        return false;
      default:
        return false;
    }
  }

 private:
  const FunctionMenuContext& context_;
  POINT corner_;
  // A question centred over its owner, answered no by Enter as well.
  bool question_ = false;
  ui::WarningLayout layout_{};
  win::FaceSet faces_;
  std::optional<win::SkinFonts> fonts_;
  SIZE size_{0, 0};
  int hover_ = ui::kNoRow;
  int last_painted_ = ui::kNoRow;
};

}  // namespace

bool AskInWarningStyle(const FunctionMenuContext& context, const ui::WarningLayout& layout, HWND owner) {
  WarningDlg dialog(context, POINT{0, 0}, &layout, true);
  return dialog.DoModal(owner) == ui::kWarningGoOn;
}

WarningResult RunWarningDialog(const FunctionMenuContext& context, POINT corner, HWND owner) {
  WarningDlg dialog(context, corner);
  switch (dialog.DoModal(owner)) {
    case ui::kWarningGoOn:
      return WarningResult::kGoOn;
    case ui::kWarningCancel:
      return WarningResult::kCancel;
    default:
      return WarningResult::kClosed;
  }
}

// The menus of one opening at a time. A window is destroyed at once when the
// menu closes; its object is kept until no handler of the menus is running
// (a release handler may close the menu it runs in), then freed.
struct FunctionMenus::Impl final : MenuHost {
  explicit Impl(FunctionMenuContext c) : context(std::move(c)) {}

  FunctionMenuContext context;
  int assignTarget = 0;
  bool choiceDone = false;
  bool asking = false;  // the warning is up
  std::unique_ptr<CMenuDlg> menu;
  std::unique_ptr<CSubMenuDlg> submenu;
  std::vector<std::unique_ptr<win::Dialog>> retired;

  template <class T>
  void Retire(std::unique_ptr<T>& dialog) {
    if (!dialog) return;
    dialog->DestroyWindow();
    retired.push_back(std::move(dialog));
  }

  // Frees the objects of destroyed menus; only from outside their handlers.
  void FreeRetired() {
    if (handlerDepth == 0) retired.clear();
  }

  void CloseAll() {
    Retire(submenu);
    Retire(menu);
  }

  void Assign(ButtonFunctionCode code) {
    if (context.settings != nullptr) AssignButtonFunction(*context.settings, assignTarget, code);
  }

  void FirstLevelHoverChanged(int row) override {
    Retire(submenu);
    // This runs in the first level's handler, never in a submenu's: the
    // submenus closed so far can go now rather than pile up while the
    // pointer moves over the rows that open them.
    std::erase_if(retired, [](const std::unique_ptr<win::Dialog>& dialog) {
      return dynamic_cast<const CSubMenuDlg*>(dialog.get()) != nullptr && dialog->hwnd() == nullptr;
    });
    if (menu && menu->hwnd() != nullptr && ui::OpensSubmenu(row)) OpenSubmenu(row);
  }

  void OpenSubmenu(int row) {
    std::vector<Text> names = context.userMacroNames ? context.userMacroNames() : std::vector<Text>();
    const ui::SubmenuGroup group = ui::SubmenuGroupOf(row, static_cast<int>(names.size()));
    submenu = std::make_unique<CSubMenuDlg>(*this, context, group, std::move(names));
    if (!submenu->Create(menu->hwnd())) {
      submenu.reset();
      return;
    }
    RECT frame{};
    GetWindowRect(menu->hwnd(), &frame);
    const ui::PixelPoint origin = ui::SubmenuOrigin(menu->Geometry(), group);
    SetWindowPos(submenu->hwnd(), nullptr, frame.left + origin.x, frame.top + origin.y,
                 ui::kMenuOpenWidth, ui::kSubmenuOpenHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(submenu->hwnd(), SW_SHOW);
  }

  void FirstLevelReleased(int row) override {
    const ui::MenuChoice choice = ui::FirstLevelRelease(row);
    if (!choice.close) return;
    if (choice.assign) Assign(choice.code);
    CloseAll();
    // The main page shows the new function beside the button.
    if (context.choiceMade) context.choiceMade();
  }

  void SubmenuReleased(int row) override {
    if (!submenu) return;
    const ui::MenuChoice choice = ui::SubmenuRelease(submenu->Group(), row);
    if (choice.assign) Assign(choice.code);
    choiceDone = true;
    if (choice.close) CloseAll();
    if (context.choiceMade) context.choiceMade();
  }

  void CancelRequested() override {
    CloseAll();
  }
};

FunctionMenus::FunctionMenus(FunctionMenuContext context)
    : impl_(std::make_unique<Impl>(std::move(context))) {}

FunctionMenus::~FunctionMenus() {
  impl_->CloseAll();
  impl_->retired.clear();
}

bool FunctionMenus::Open(HWND owner, int button, POINT corner) {
  Impl& m = *impl_;
  if (m.asking || button < 0 || button >= kButtonCount) return false;
  Close();
  if (m.context.settings != nullptr && TouchesLastPrimaryClick(*m.context.settings, button)) {
    m.asking = true;
    // The main window waits for the answer: it takes no clicks meanwhile.
    const WarningResult answer = RunWarningDialog(m.context, corner, owner);
    m.asking = false;
    if (answer == WarningResult::kCancel) return false;
  }
  m.assignTarget = button;
  m.choiceDone = false;
  m.menu = std::make_unique<CMenuDlg>(m, m.context);
  if (!m.menu->Create(owner)) {
    m.menu.reset();
    return false;
  }
  SetWindowPos(m.menu->hwnd(), nullptr, corner.x, corner.y, ui::kMenuOpenWidth,
               ui::kMenuOpenHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(m.menu->hwnd(), SW_SHOW);
  return true;
}

void FunctionMenus::Close() {
  impl_->CloseAll();
  impl_->FreeRetired();
}

bool FunctionMenus::IsOpen() const { return impl_->menu && impl_->menu->hwnd() != nullptr; }

bool FunctionMenus::TakeChoiceDone() { return std::exchange(impl_->choiceDone, false); }

HWND FunctionMenus::FirstLevelWindow() const {
  return impl_->menu ? impl_->menu->hwnd() : nullptr;
}

HWND FunctionMenus::SubmenuWindow() const {
  return impl_->submenu ? impl_->submenu->hwnd() : nullptr;
}

}  // namespace zlv
