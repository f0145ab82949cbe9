#include "app/gmouse_dlg_win32.h"

#include <dbt.h>

#include <algorithm>
#include <mutex>
#include <utility>

#include "app/key_filter.h"
#include "app/profile_exchange.h"
#include "app/restore_defaults.h"
#include "app/settings_push.h"
#include "base/message_box_win32.h"
#include "app/shell_commands.h"
#include "app/startup_task_win32.h"
#include "app/window_title.h"
#include "base/clock.h"
#include "base/file_dialogs_win32.h"
#include "base/file_store.h"
#include "base/text_win32.h"
#include "base/thread_priority_win32.h"
#include "device/hid_system_win32.h"
#include "device/hid_transport_win32.h"
#include "device/system_settings_win32.h"
#include "macro/program_launcher_win32.h"
#include "macro/timer_resolution_win32.h"
#include "resources/resource_ids.h"
#include "ui/function_menu.h"

namespace zlv {

namespace {
// The timer that puts the keyboard hook in place again while recording.
constexpr UINT_PTR kRehookTimer = 0x5A4C;
// The timer that takes a status message off the status line.
constexpr UINT_PTR kStatusTimer = 0x5A4D;

constexpr int kFirstButtonField = 25;  // main entries 25..30: the buttons' function fields

RECT ToRect(const ui::SkinRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

ui::PixelPoint PointOf(LPARAM lParam) {
  return ui::PixelPoint{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}
}  // namespace

// The services the core runs on: the program's own, or those the composition
// brings (the demo's virtual mouse, the tests' fakes).
struct CZLV_GMouseDlg::Platform {
  explicit Platform(CZLV_GMouseDlg& dialog)
      : ownMessages([&dialog] { return dialog.hwnd(); }),
        services{dialog.composition_.files != nullptr ? *dialog.composition_.files : Disk(),
                 dialog.composition_.messages != nullptr ? *dialog.composition_.messages : ownMessages,
                 dialog.composition_.system != nullptr ? *dialog.composition_.system : ownSystem,
                 dialog.composition_.hid != nullptr ? *dialog.composition_.hid : ownHid,
                 clock,
                 dialog.composition_.launcher != nullptr ? *dialog.composition_.launcher : ownLauncher,
                 timerResolution,
                 dialog.composition_.makeTransport
                     ? dialog.composition_.makeTransport
                     : [](const DeviceLink& link) -> std::unique_ptr<HidTransport> {
                         return std::make_unique<Win32HidTransport>(link);
                       },
                 [] { RaiseCurrentThreadToHighestPriority(); },
                 dialog.composition_.startupStep},
        ownStartup(ModulePath()),
        startup(dialog.composition_.startupTask != nullptr ? *dialog.composition_.startupTask
                                                            : ownStartup) {}

  Win32MessageBoxes ownMessages;
  Win32SystemSettings ownSystem;
  Win32HidSystem ownHid;
  SystemFolderLauncher ownLauncher;
  SteadyClock clock;
  WinmmTimerResolution timerResolution;
  PlatformServices services;
  // The task starts this executable, so the demo build starts the demo.
  TaskSchedulerStartupTask ownStartup;
  StartupTask& startup;
};

CAboutDlg::CAboutDlg() : win::Dialog(IDD_ABOUTBOX) {}

CZLV_GMouseDlg::CZLV_GMouseDlg(Text exeDir, AppComposition composition, StartOptions start)
    : win::Dialog(IDD_ZLV_GMOUSE_DIALOG),
      exe_dir_(std::move(exeDir)),
      composition_(std::move(composition)),
      start_(start),
      icon_(LoadIconW(win::ResourceModule(), MAKEINTRESOURCEW(IDI_APP))) {
  SetStartHidden(start_.tray);
}

CZLV_GMouseDlg::~CZLV_GMouseDlg() {
  if (hook_) hook_->Uninstall();
  EndRun();
  if (black_brush_ != nullptr) DeleteObject(black_brush_);
}

void CZLV_GMouseDlg::EndRun() {
  StopLedPreview();
  if (core_) core_->StopThreads();
}

void CZLV_GMouseDlg::StopLedPreview() {
  if (led_preview_) led_preview_->Stop();
}

std::int32_t CZLV_GMouseDlg::UiLanguage() const {
  return core_ ? static_cast<std::int32_t>(core_->settings.UiLanguage) : 0;
}

bool CZLV_GMouseDlg::OnInitDialog() {
  if (composition_.startupStep) composition_.startupStep(StartupStep::kDialogCreated);
  platform_ = std::make_unique<Platform>(*this);
  core_ = std::make_unique<AppCore>(platform_->services, exe_dir_, start_);
  tray_shell_.Attach(hwnd(), icon_);
  taskbar_created_ = RegisterTaskbarCreatedMessage(hwnd());
  key_sink_ = std::make_unique<WindowKeyMessageSink>(hwnd());
  hook_ = std::make_unique<LowLevelKeyboardHook>(*key_sink_);
  recorder_ = std::make_unique<MacroRecorder>(core_->macros, core_->macroState, event_list_, *hook_,
                                              utc_clock_);
  editor_ = std::make_unique<MacroEditor>(core_->macros, core_->macroState, event_list_,
                                          macro_list_model_, core_->platform.messages);
  if (composition_.fileDialogs != nullptr) {
    file_dialogs_ = composition_.fileDialogs;
  } else {
    own_file_dialogs_ = std::make_unique<Win32FileDialogs>([this] { return hwnd(); });
    file_dialogs_ = own_file_dialogs_.get();
  }
  // The preview worker only asks for repaints; it never paints itself.
  ui::LedPreview::Inputs preview;
  preview.onColorPage = [this] { return page_.load() == ui::Page::kColor; };
  preview.dpiLevel = [this] { return static_cast<std::int32_t>(core_->settings.profile.DpiLevel); };
  preview.appliedLedMode = [this] { return core_->protocol.AppliedLedMode(); };
  preview.invalidate = [window = hwnd()] { InvalidateRect(window, nullptr, FALSE); };
  led_preview_ = std::make_unique<ui::LedPreview>(core_->platform.clock, std::move(preview));
  FunctionMenuContext menus;
  menus.exeDir = exe_dir_;
  menus.settings = &core_->settings.profile;
  menus.labels = &core_->functionLabels;
  menus.userMacroNames = [this] { return UserMacroNames(); };
  menus.english = [this] { return UiLanguage() == kUiEnglish; };
  menus.warning = &core_->warning;
  menus.choiceMade = [this] { Invalidate(); };
  function_menus_ = std::make_unique<FunctionMenus>(std::move(menus));
  black_brush_ = CreateSolidBrush(RGB(0, 0, 0));
  if (composition_.startupStep) composition_.startupStep(StartupStep::kWindowObjects);
  const bool running = core_->Initialise(*this);
  baseline_ = core_->settings.profile;
  if (running && composition_.onMainWindowReady) composition_.onMainWindowReady(hwnd());
  return true;
}

// --- MainWindowHost ---

void CZLV_GMouseDlg::AddAboutMenuItem() {
  HMENU systemMenu = GetSystemMenu(hwnd(), FALSE);
  if (systemMenu == nullptr) return;
  const std::wstring text = win::LoadResourceString(IDS_ABOUTBOX);
  if (text.empty()) return;
  AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, text.c_str());
}

void CZLV_GMouseDlg::SetBigIcon() {
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
}

void CZLV_GMouseDlg::SetTitle(TextView title) { SetWindowTextW(hwnd(), ToWide(title).c_str()); }

void CZLV_GMouseDlg::ApplyWindowShape(TextView maskPath) {
  const ui::SkinPicture mask = ui::LoadSkinPicture(maskPath);
  page_size_ = SIZE{mask.Width(), mask.Height()};
  if (mask.Empty()) {
    // Without the mask the pages are drawn, and the advanced page repaints,
    // over the whole client area.
    RECT client{};
    GetClientRect(hwnd(), &client);
    page_size_ = SIZE{client.right - client.left, client.bottom - client.top};
  }
  // The repaint region: the whole page with three control rectangles taken
  // out by exclusive or, in this order. The layout files are read by now.
  repaint_region_ = ui::RectShape(page_size_.cx, page_size_.cy);
  if (core_ && repaint_region_) {
    for (const ui::SkinRect& r : {core_->skin.NameEditRect, core_->skin.EventListRect,
                                  core_->skin.MacroListRect}) {
      HRGN cut = CreateRectRgn(r.left, r.top, r.right, r.bottom);
      CombineRgn(repaint_region_.get(), repaint_region_.get(), cut, RGN_XOR);
      DeleteObject(cut);
    }
  }
  // Without a mask picture the window keeps its rectangle rather than
  // vanishing behind an empty shape.
  if (mask.Empty()) return;
  ui::ApplyShape(hwnd(), ui::MaskShape(mask));
}

void CZLV_GMouseDlg::LoadMenus(std::int32_t uiLanguage) {
  const bool english = uiLanguage == kUiEnglish;
  context_menu_.Load(english ? IDR_LIST_MENU_EN : IDR_LIST_MENU_CN);
  tray_menu_.Load(english ? IDR_TRAY_MENU_EN : IDR_TRAY_MENU_CN);
  // The menus' captions are drawn in the skin's face of the language, as
  // every other text of the window (the system's menu font may lack the
  // Chinese captions or draw them too small to read), at nine points, so
  // they fit the eight pixels per character the items are measured with.
  menu_font_ = ui::SkinFontOfSize(nullptr, ui::SkinFontFace(english), 90);
}

NotifyTarget CZLV_GMouseDlg::NotificationTarget() {
  return reinterpret_cast<NotifyTarget>(hwnd());
}

void CZLV_GMouseDlg::AddTrayIcon() { tray_.Show(core_ ? core_->TrayTip() : Text(TrayTip(UiLanguage()))); }

void CZLV_GMouseDlg::RemoveTrayIcon() { tray_.Hide(); }

void CZLV_GMouseDlg::UpdateTrayTip() {
  if (core_) tray_.SetTip(core_->TrayTip());
}

void CZLV_GMouseDlg::DestroyWindow() {
  if (hook_) hook_->Uninstall();
  // The preview worker asks this window for repaints: it ends first.
  StopLedPreview();
  win::Dialog::DestroyWindow();
}

void CZLV_GMouseDlg::OnDestroy() {
  StopLedPreview();
  if (function_menus_) function_menus_->Close();
  if (core_) core_->functionMenuOpen = false;
}

void CZLV_GMouseDlg::Invalidate() {
  HWND window = hwnd();
  if (window != nullptr) InvalidateRect(window, nullptr, FALSE);
}

void CZLV_GMouseDlg::UserMacrosReplaced() {
  if (page_.load() != ui::Page::kAdvanced) return;
  RebuildMacroList();
  InvalidatePage();
}

// --- Shutdown ---

void CZLV_GMouseDlg::ShutDownDriver() {
  if (core_) core_->ShutDownDriver();
}

// --- Recording ---

bool CZLV_GMouseDlg::Recording() const { return recorder_ && recorder_->recording(); }

bool CZLV_GMouseDlg::ToggleRecording(std::span<const Text> macroNames, int selection) {
  if (!recorder_) return false;
  const bool changed = recorder_->Toggle(macroNames, selection);
  if (recorder_->recording()) {
    SetTimer(hwnd(), kRehookTimer, kRehookInterval, nullptr);
  } else {
    KillTimer(hwnd(), kRehookTimer);
  }
  return changed;
}

RecorderVerdict CZLV_GMouseDlg::PreTranslateRecorder(MSG& msg) {
  if (!Recording() || msg.hwnd != hwnd() || !IsKeyMessage(msg.message)) {
    return RecorderVerdict::kNotRecording;
  }
  const KeyStepResult step =
      recorder_->OnKeyMessage(msg.message, static_cast<std::uint32_t>(msg.wParam));
  ShowMacroModels();
  return step == KeyStepResult::kDefaultPreTranslate ? RecorderVerdict::kPassOn
                                                     : RecorderVerdict::kFilter;
}

bool CZLV_GMouseDlg::PreTranslateMessage(MSG& msg) {
  switch (PreTranslateRecorder(msg)) {
    case RecorderVerdict::kSwallowed:
      return true;
    case RecorderVerdict::kPassOn:
      return win::Dialog::PreTranslateMessage(msg);
    case RecorderVerdict::kFilter:
      break;
    case RecorderVerdict::kNotRecording:
      if (PreTranslateContextMenu(msg)) return true;
      break;
  }
  if (SwallowedByKeyFilter(msg.message, msg.wParam)) return true;
  return win::Dialog::PreTranslateMessage(msg);
}

// --- Tray and window state ---

void CZLV_GMouseDlg::ShowAndRestore() {
  ShowWindow(hwnd(), SW_SHOW);
  ShowWindow(hwnd(), SW_RESTORE);
}

void CZLV_GMouseDlg::HideToTray() {
  ShowWindow(hwnd(), SW_MINIMIZE);
  ShowWindow(hwnd(), SW_HIDE);
  AddTrayIcon();
}

void CZLV_GMouseDlg::OpenTrayMenu() {
  HMENU popup = tray_menu_.Popup();
  if (popup == nullptr) return;
  // "Start with Windows" is checked while the task exists.
  if (platform_) {
    const bool on = platform_->startup.Exists();
    CheckMenuItem(popup, StartWithWindowsCommandId(UiLanguage()),
                  MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
  }
  POINT at{};
  GetCursorPos(&at);
  SetForegroundWindow(hwnd());
  TrackPopupMenu(popup, 0, at.x, at.y, 0, hwnd(), nullptr);
}

void CZLV_GMouseDlg::ToggleStartWithWindows() {
  if (!platform_) return;
  if (ToggleStartupTask(platform_->startup) == StartupToggleResult::kFailed) {
    core_->platform.messages.Show(StartupToggleFailedMessage(UiLanguage()));
  }
}

bool CZLV_GMouseDlg::OnCommand(WORD id, WORD notifyCode, HWND control) {
  switch (TrayMenuCommand(id)) {
    case MenuCommand::kExitDriver:
      ShutDownDriver();
      return true;
    case MenuCommand::kShowWindow:
      ShowAndRestore();
      return true;
    case MenuCommand::kStartWithWindows:
      ToggleStartWithWindows();
      return true;
    case MenuCommand::kNone:
      break;
  }
  // IDOK and IDCANCEL must not end the program's window: only ShutDownDriver does.
  if (id == IDOK || id == IDCANCEL) return true;
  if (id == kMacroListId && control != nullptr) {
    if (notifyCode == LBN_SELCHANGE && editor_) {
      editor_->SelectMacro(macro_list_.GetCurSel());
      ShowMacroModels();
    }
    return true;
  }
  if (id == kEventListId && control != nullptr) {
    // A line the user clicked stays selected when the models are shown again.
    if (notifyCode == LBN_SELCHANGE) event_list_.selected_line = event_list_box_.GetCurSel();
    return true;
  }
  if (control == nullptr && EventListChoiceOf(id).command != EventListCommand::kNone) {
    OnEventListCommand(id);
    return true;
  }
  return win::Dialog::OnCommand(id, notifyCode, control);
}

// --- Painting ---

const win::FaceSet& CZLV_GMouseDlg::FacesOf(ui::Page page) {
  std::optional<win::FaceSet>& faces = faces_[static_cast<std::size_t>(page)];
  if (!faces) faces = win::LoadPageFaces(exe_dir_, page);
  return *faces;
}

std::vector<Text> CZLV_GMouseDlg::UserMacroNames() const {
  std::vector<Text> names;
  if (!core_) return names;
  std::lock_guard lock(core_->macros.mutex);
  const UserMacroTable& table = core_->macros.user;
  const int count = std::clamp<int>(table.count, 0, static_cast<int>(table.slots.size()));
  for (int i = 0; i < count; ++i) names.push_back(table.slots[static_cast<std::size_t>(i)].Name());
  return names;
}

ui::PaintState CZLV_GMouseDlg::SnapshotPaintState() const {
  ui::PaintState state;
  state.page = page_.load();
  state.hoverMain = hovers_.main;
  state.hoverAdvanced = hovers_.advanced;
  state.hoverColor = hovers_.color;
  state.buttonHeld = button_held_;
  if (!core_) return state;
  state.currentProfile = core_->settings.CurrentProfile;
  state.english = UiLanguage() == kUiEnglish;
  ui::CopySettings(core_->settings.profile, state);
  {
    // The player reads the records beside us: copy what the page shows
    // under the lock, briefly.
    std::lock_guard lock(core_->macros.mutex);
    const UserMacroTable& table = core_->macros.user;
    const std::size_t names = std::min(state.userMacroNames.size(), table.slots.size());
    for (std::size_t i = 0; i < names; ++i) state.userMacroNames[i] = table.slots[i].Name();
    const int current = core_->macroState.current_macro;
    state.currentMacroRepeats = current >= 0 && current < static_cast<int>(table.slots.size()) &&
                                table.slots[static_cast<std::size_t>(current)].Mode() == 1;
  }
  state.recording = Recording();
  state.downLines = core_->macroState.down_lines;
  state.upLines = core_->macroState.up_lines;
  state.dpiStageCodes = core_->protocol.DpiStageCodes();
  state.appliedLedMode = core_->protocol.AppliedLedMode();
  state.unapplied = Unapplied();
  if (const std::optional<ui::StatusMessage> line = status_.At(core_->platform.clock.Now(), state.unapplied, state.english)) {
    state.statusText = line->text;
    state.statusFailure = line->failure;
    state.statusIsNote = !line->failure && line->text == ui::UnappliedNote(state.english);
  }
  if (led_preview_) {
    state.ledPreviewColor = led_preview_->Colour();
    state.ledPreviewDark = led_preview_->Dark();
  }
  return state;
}

void CZLV_GMouseDlg::Paint(HDC dc, const RECT& client) {
  // A choice in the function menus closes them at the next paint.
  if (function_menus_ && function_menus_->TakeChoiceDone()) {
    function_menus_->Close();
    if (core_) core_->functionMenuOpen = false;
  }
  if (IsIconic(hwnd())) {
    SendMessageW(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon_);
    return;
  }
  const ui::Page page = page_.load();
  if (!core_) {
    HBRUSH brush = CreateSolidBrush(win::kMissingFaceGround);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    return;
  }
  // A page whose normal picture is missing or undecodable is still drawn:
  // its captions and bands on a plain ground.
  const win::FaceSet* faces = &FacesOf(page);
  const bool english = UiLanguage() == kUiEnglish;
  if (!fonts_ || fonts_english_ != english) {
    fonts_ = std::make_unique<win::SkinFonts>(english);
    fonts_english_ = english;
  }
  const std::vector<ui::PaintStep> steps =
      ui::PlanPage(core_->skin, core_->functionLabels, SnapshotPaintState());
  SIZE size = page_size_.cx > 0 && page_size_.cy > 0 ? page_size_ : faces->Size();
  if (size.cx <= 0 || size.cy <= 0) size = SIZE{client.right - client.left, client.bottom - client.top};
  win::ComposeAndShow(dc, size, *faces, steps, *fonts_);
}

LRESULT CZLV_GMouseDlg::ColourChildControl(HDC dc, bool enabled) {
  if (!control_font_) control_font_ = ui::SkinFont(dc, UiLanguage() == kUiEnglish);
  if (control_font_) SelectObject(dc, control_font_.get());
  SetTextColor(dc, enabled ? RGB(255, 255, 255) : RGB(128, 128, 128));
  SetBkColor(dc, RGB(0, 0, 0));
  return reinterpret_cast<LRESULT>(black_brush_);
}

// --- Status line ---

bool CZLV_GMouseDlg::Unapplied() const {
  return core_ && !(core_->settings.profile == core_->settings.applied);
}

bool CZLV_GMouseDlg::EditedSinceLoad() const {
  if (!core_) return false;
  // The mouse steps its DPI stage and report rate itself: not the user's edits.
  ProfileSettings loaded = baseline_;
  loaded.DpiLevel = core_->settings.profile.DpiLevel.load();
  loaded.ReportRate = core_->settings.profile.ReportRate.load();
  return !(core_->settings.profile == loaded);
}

void CZLV_GMouseDlg::Report(ui::StatusEvent event, TextView name, int number) {
  if (!core_) return;
  status_.Show(ui::StatusMessageOf(event, UiLanguage() == kUiEnglish, name, number), core_->platform.clock.Now());
  const auto shown = std::chrono::duration_cast<std::chrono::milliseconds>(ui::StatusLine::kShownFor);
  SetTimer(hwnd(), kStatusTimer, static_cast<UINT>(shown.count()) + 50, nullptr);
  InvalidatePage();
}

// --- Pointer ---

void CZLV_GMouseDlg::InvalidatePage() {
  // Children are invalidated too: the page is painted over the repeat edit,
  // which must then draw itself again.
  const HRGN region = page_.load() == ui::Page::kAdvanced ? repaint_region_.get() : nullptr;
  RedrawWindow(hwnd(), nullptr, region, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CZLV_GMouseDlg::OnMouseMove(ui::PixelPoint point) {
  if (!core_) return;
  const ui::Hovers now = ui::HitAll(core_->skin, page_.load(), point);
  if (now == hovers_) return;
  hovers_ = now;
  InvalidatePage();
  UpdateWindow(hwnd());
}

void CZLV_GMouseDlg::OnLeftButtonDown(ui::PixelPoint point, LPARAM packedPoint) {
  if (!core_) return;
  const ui::Page page = page_.load();
  const ui::PointerAction press = ui::DecidePress(core_->skin, page, hovers_, point);
  if (ui::PressShowsHeld(hovers_, press)) {
    button_held_ = true;
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
  if (page == ui::Page::kMain && function_menus_ && function_menus_->IsOpen()) {
    function_menus_->Close();
    core_->functionMenuOpen = false;
  }
  CarryOutPress(press, packedPoint);
}

void CZLV_GMouseDlg::OnLeftButtonUp(LPARAM packedPoint) {
  if (!core_) return;
  button_held_ = false;
  RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  CarryOutRelease(ui::DecideRelease(hovers_), packedPoint);
}

void CZLV_GMouseDlg::CarryOutPress(const ui::PointerAction& action, LPARAM packedPoint) {
  if (ui::ApplySettingsAction(core_->settings.profile, action)) return;  // repainted above
  CarryOutPressAction(action, packedPoint);
  // A dialog shown by the press (a file dialog, the warning) took the
  // release: the entry must not stay drawn pressed.
  if (button_held_ && (GetKeyState(VK_LBUTTON) & 0x8000) == 0) {
    button_held_ = false;
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
}

void CZLV_GMouseDlg::CarryOutPressAction(const ui::PointerAction& action, LPARAM packedPoint) {
  SettingsModel& settings = core_->settings;
  switch (action.verb) {
    case ui::PointerVerb::kDrag:
      // The system moves the window with the pointer until the release.
      PostMessageW(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, packedPoint);
      return;
    case ui::PointerVerb::kSaveProfile: {
      const bool saved = settings.SaveProfile(settings.ConfigPath, settings.CurrentProfile);
      if (saved) baseline_ = settings.profile;
      Report(saved ? ui::StatusEvent::kSaved : ui::StatusEvent::kSaveFailed);
      Invalidate();
      return;
    }
    case ui::PointerVerb::kOpenFunctionMenu:
      OpenFunctionMenu(action.value);
      return;
    case ui::PointerVerb::kGoToMain:
      GoToPage(ui::Page::kMain);
      return;
    case ui::PointerVerb::kGoToAdvanced:
      GoToPage(ui::Page::kAdvanced);
      return;
    case ui::PointerVerb::kGoToColor:
      GoToPage(ui::Page::kColor);
      return;
    case ui::PointerVerb::kImportProfile:
      if (ImportProfile(settings, *file_dialogs_, exe_dir_)) {
        Report(ui::StatusEvent::kProfileImported);
        Invalidate();
      }
      return;
    case ui::PointerVerb::kExportProfile:
      if (const ExchangeResult exported = ExportProfile(settings, *file_dialogs_, exe_dir_)) {
        Report(exported.outcome == ExchangeResult::Outcome::kDone ? ui::StatusEvent::kProfileExported
                                                                  : ui::StatusEvent::kProfileExportFailed,
               exported.path);
        Invalidate();
      }
      return;
    default:
      CarryOutMacroAction(action);
      return;
  }
}

void CZLV_GMouseDlg::CarryOutRelease(const ui::PointerAction& action, LPARAM packedPoint) {
  SettingsModel& settings = core_->settings;
  switch (action.verb) {
    case ui::PointerVerb::kDropEditsAndHide: {
      hovers_.main = ui::kNoEntry;
      const bool dropped = Unapplied();
      settings.SaveDpiLevel(settings.ConfigPath, kAppliedSnapshot);
      settings.LoadProfile(settings.ConfigPath, kAppliedSnapshot, false);
      baseline_ = settings.profile;
      if (dropped) Report(ui::StatusEvent::kUnappliedDropped, {}, settings.CurrentProfile);
      HideToTray();
      Invalidate();
      return;
    }
    case ui::PointerVerb::kApply: {
      const bool saved =
          PushAllSettings(settings, core_->protocol, core_->platform.system, [this] { Invalidate(); });
      baseline_ = settings.profile;
      Report(saved ? ui::StatusEvent::kApplied : ui::StatusEvent::kAppliedNotSaved);
      return;
    }
    case ui::PointerVerb::kChooseProfile: {
      const std::int32_t left = settings.CurrentProfile;
      const bool dropped = EditedSinceLoad();
      settings.CurrentProfile = action.value;
      settings.LoadProfile(settings.ConfigPath, action.value, false);
      baseline_ = settings.profile;
      if (dropped) Report(ui::StatusEvent::kUnappliedDropped, {}, left);
      Invalidate();
      return;
    }
    case ui::PointerVerb::kMinimise:
      hovers_.main = ui::kNoEntry;
      PostMessageW(hwnd(), WM_SYSCOMMAND, SC_MINIMIZE, packedPoint);
      return;
    case ui::PointerVerb::kCloseToTray:
      hovers_.main = ui::kNoEntry;
      HideToTray();
      return;
    case ui::PointerVerb::kRestoreDefaults: {
      // One misclick must not wipe five profiles and the user's macros: the
      // program asks first, and No is the answer taken by default.
      if (!AskToRestoreDefaults()) return;
      EndWorkOnTheMacros();
      RestoreDefaultsContext context{settings,
                                     core_->protocol,
                                     core_->platform.system,
                                     core_->platform.messages,
                                     core_->macros,
                                     core_->macroState,
                                     MacroFileLocations{core_->ExeDir, core_->SkinsDir},
                                     {},
                                     [this] { Invalidate(); }};
      if (page_.load() == ui::Page::kAdvanced) {
        context.refresh_macro_list = [this] {
          RebuildMacroList();
          InvalidatePage();
        };
      }
      const bool saved = RestoreDefaults(context);
      baseline_ = settings.profile;
      Report(saved ? ui::StatusEvent::kDefaultsRestored : ui::StatusEvent::kDefaultsNotSaved);
      return;
    }
    case ui::PointerVerb::kOpenWebPage:
      core_->platform.launcher.OpenAddress(kWebAddress);
      return;
    case ui::PointerVerb::kSwitchToChinese:
      SwitchLanguage(0);
      return;
    case ui::PointerVerb::kSwitchToEnglish:
      SwitchLanguage(kUiEnglish);
      return;
    default:
      return;
  }
}

bool CZLV_GMouseDlg::AskToRestoreDefaults() {
  FunctionMenuContext context;
  context.exeDir = exe_dir_;
  const bool english = UiLanguage() == kUiEnglish;
  context.english = [english] { return english; };
  const ui::WarningLayout question = ui::DefaultsQuestion(core_->warning, english);
  // The entry is not left drawn pressed behind the question.
  button_held_ = false;
  return AskInWarningStyle(context, question, hwnd());
}

void CZLV_GMouseDlg::OpenFunctionMenu(int button) {
  if (!function_menus_ || button < 0 || button >= kButtonCount) return;
  const ui::SkinEntry& field = core_->skin.MainEntries[static_cast<std::size_t>(kFirstButtonField + button)];
  RECT window{};
  GetWindowRect(hwnd(), &window);
  const POINT corner{window.left + field.x, window.top + field.y + field.height};
  if (function_menus_->Open(hwnd(), button, corner)) core_->functionMenuOpen = true;
}

// --- Pages ---

void CZLV_GMouseDlg::GoToPage(ui::Page page) {
  const ui::Page from = page_.load();
  if (page == from) return;
  page_.store(page);
  if (from == ui::Page::kAdvanced) DestroyAdvancedControls();
  if (from == ui::Page::kColor) StopLedPreview();
  if (page == ui::Page::kAdvanced) {
    InvalidatePage();
    CreateAdvancedControls();
    UpdateWindow(hwnd());
    RebuildMacroList();
    UpdateWindow(hwnd());
    return;
  }
  if (page == ui::Page::kColor && led_preview_) led_preview_->Start();
  RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
}

void CZLV_GMouseDlg::CreateAdvancedControls() {
  const ui::SkinLayout& skin = core_->skin;
  constexpr DWORD kEditStyle = WS_VISIBLE | ES_CENTER | ES_WANTRETURN;
  constexpr DWORD kListStyle = WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY;
  repeat_edit_.Create(kEditStyle, ToRect(skin.RepeatEditRect), hwnd(), kRepeatEditId);
  name_edit_.Create(kEditStyle, ToRect(skin.NameEditRect), hwnd(), kNameEditId);
  macro_list_.Create(kListStyle, ToRect(skin.MacroListRect), hwnd(), kMacroListId);
  event_list_box_.Create(kListStyle, ToRect(skin.EventListRect), hwnd(), kEventListId);
  // What a record holds of a name is all the edit takes.
  name_edit_.SetLimitText(kMacroNameLength);
  SetControlFont();
  shown_event_lines_.clear();
  shown_macro_lines_.clear();
  // The new edits show what the models hold.
  event_list_.repeat_changed = true;
  macro_list_model_.name_changed = true;
}

void CZLV_GMouseDlg::SetControlFont() {
  const bool english = UiLanguage() == kUiEnglish;
  if (!control_font_ || control_font_english_ != english) {
    ui::UniqueFont font = ui::SkinFont(nullptr, english);
    // The controls let go of the old font before it is deleted.
    for (HWND control : {repeat_edit_.hwnd(), name_edit_.hwnd(), macro_list_.hwnd(), event_list_box_.hwnd()}) {
      if (control != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    control_font_ = std::move(font);
    control_font_english_ = english;
    return;
  }
  for (HWND control : {repeat_edit_.hwnd(), name_edit_.hwnd(), macro_list_.hwnd(), event_list_box_.hwnd()}) {
    if (control != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(control_font_.get()), FALSE);
  }
}

void CZLV_GMouseDlg::DestroyAdvancedControls() {
  repeat_edit_.DestroyWindow();
  name_edit_.DestroyWindow();
  macro_list_.DestroyWindow();
  event_list_box_.DestroyWindow();
}

void CZLV_GMouseDlg::RebuildMacroList() {
  if (!editor_) return;
  editor_->RebuildMacroList();
  ShowMacroModels();
}

namespace {
// Makes a list box show `lines`, given what it showed: lines added at the end
// are appended (recording adds a line at a time), anything else refills it.
void MirrorLines(win::ListBox& box, const std::vector<Text>& lines, std::vector<Text>& shown) {
  if (box.hwnd() == nullptr) return;
  const bool extends = lines.size() >= shown.size() && std::equal(shown.begin(), shown.end(), lines.begin());
  if (!extends || box.GetCount() != static_cast<int>(shown.size())) {
    SendMessageW(box.hwnd(), WM_SETREDRAW, FALSE, 0);
    box.ResetContent();
    for (const Text& line : lines) box.AddString(ToWide(line));
    SendMessageW(box.hwnd(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(box.hwnd(), nullptr, TRUE);
  } else {
    for (std::size_t i = shown.size(); i < lines.size(); ++i) box.AddString(ToWide(lines[i]));
  }
  shown = lines;
}
}  // namespace

void CZLV_GMouseDlg::ShowMacroModels() {
  if (event_list_box_.hwnd() != nullptr && !event_list_box_.IsEditing()) {
    MirrorLines(event_list_box_, event_list_.lines, shown_event_lines_);
    if (event_list_box_.GetCurSel() != event_list_.selected_line) {
      event_list_box_.SetCurSel(event_list_.selected_line);
    }
  }
  if (repeat_edit_.hwnd() != nullptr) {
    if (event_list_.repeat_changed) repeat_edit_.SetText(ToWide(event_list_.repeat_text));
    EnableWindow(repeat_edit_.hwnd(), event_list_.repeat_enabled ? TRUE : FALSE);
  }
  if (macro_list_.hwnd() != nullptr) {
    MirrorLines(macro_list_, macro_list_model_.lines, shown_macro_lines_);
    if (macro_list_.GetCurSel() != macro_list_model_.selected_line) {
      macro_list_.SetCurSel(macro_list_model_.selected_line);
    }
  }
  if (name_edit_.hwnd() != nullptr && macro_list_model_.name_changed) {
    name_edit_.SetText(ToWide(macro_list_model_.name_text));
  }
  // What the user types into the edits stays until a command sets them again.
  event_list_.repeat_changed = false;
  macro_list_model_.name_changed = false;
  if (event_list_.repaint_requested) {
    event_list_.repaint_requested = false;
    InvalidatePage();
  }
}

void CZLV_GMouseDlg::CarryOutMacroAction(const ui::PointerAction& action) {
  if (!editor_) return;
  switch (action.verb) {
    case ui::PointerVerb::kImportMacros:
      EndWorkOnTheMacros();
      if (const ExchangeResult imported = ImportMacros(core_->ini, core_->platform.messages, core_->macros,
                                                       core_->macroState, *file_dialogs_, exe_dir_,
                                                       UiLanguage())) {
        RebuildMacroList();
        Report(imported.outcome == ExchangeResult::Outcome::kDone ? ui::StatusEvent::kMacrosImported
                                                                  : ui::StatusEvent::kMacroImportFailed,
               imported.path);
      }
      return;
    case ui::PointerVerb::kExportMacros:
      if (const ExchangeResult exported = ExportMacros(core_->ini, core_->macros, *file_dialogs_, exe_dir_)) {
        Report(exported.outcome == ExchangeResult::Outcome::kDone ? ui::StatusEvent::kMacrosExported
                                                                  : ui::StatusEvent::kMacroExportFailed,
               exported.path);
      }
      return;
    case ui::PointerVerb::kAddMacro: {
      // The focus moves first: a delay being edited is kept in the macro it
      // was typed for before another macro becomes current.
      const Text name = FromWide(name_edit_.GetText());
      if (macro_list_.hwnd() != nullptr) SetFocus(macro_list_.hwnd());
      editor_->AddMacro(name);
      ShowMacroModels();
      return;
    }
    case ui::PointerVerb::kDeleteMacro:
      EndWorkOnTheMacros();
      editor_->DeleteMacro(macro_list_.GetCurSel());
      ShowMacroModels();
      return;
    case ui::PointerVerb::kToggleRecording: {
      if (event_list_box_.hwnd() != nullptr) SetFocus(event_list_box_.hwnd());
      std::vector<Text> names;
      const int lines = macro_list_.GetCount();
      for (int i = 0; i < lines; ++i) names.push_back(FromWide(macro_list_.GetText(i)));
      ToggleRecording(names, macro_list_.GetCurSel());
      ShowMacroModels();
      InvalidatePage();  // the record control's caption
      return;
    }
    case ui::PointerVerb::kApplyRepeatCount: {
      const int current = core_->macroState.current_macro;
      const bool hasMacro = current >= 0 && current < core_->macros.user.count;
      const bool written =
          editor_->ApplyRepeatCount(FromWide(repeat_edit_.GetText()), core_->ini, core_->MacroFilePath);
      ShowMacroModels();
      if (hasMacro) {
        Report(written ? ui::StatusEvent::kMacrosSaved : ui::StatusEvent::kMacrosNotSaved, core_->MacroFilePath);
      }
      return;
    }
    case ui::PointerVerb::kToggleRepeatMode:
      editor_->ToggleRepeatMode();
      ShowMacroModels();
      InvalidatePage();
      return;
    default:
      return;
  }
}

void CZLV_GMouseDlg::EndWorkOnTheMacros() {
  // The edit is dropped: its macro is about to move or be replaced. Its end
  // stores the line's old text, into the macro it belongs to.
  if (event_list_box_.hwnd() != nullptr && event_list_box_.IsEditing()) {
    SendMessageW(event_list_box_.hwnd(), win::UM_END_EDIT, 0, 0);
  }
  // The recording ends as Stop ends it, before its record is replaced.
  if (Recording()) {
    ToggleRecording({}, -1);
    ShowMacroModels();
    InvalidatePage();
  }
}

void CZLV_GMouseDlg::SwitchLanguage(std::int32_t language) {
  EndWorkOnTheMacros();
  if (!core_->SwitchUiLanguage(language)) return;  // the program ended
  SetControlFont();
  // The tip is the title in the new language.
  if (tray_.Wanted()) UpdateTrayTip();
  Invalidate();
}

bool CZLV_GMouseDlg::PreTranslateContextMenu(MSG& msg) {
  if (msg.message != WM_RBUTTONUP || page_.load() != ui::Page::kAdvanced || !editor_ ||
      event_list_box_.hwnd() == nullptr || Recording()) {
    return false;
  }
  HWND list = event_list_box_.hwnd();
  RECT client{};
  GetClientRect(list, &client);
  POINT corner{client.left, client.top};
  ClientToScreen(list, &corner);
  POINT at{};
  GetCursorPos(&at);
  EventListPointer pointer;
  pointer.left = corner.x;
  pointer.top = corner.y;
  pointer.right = corner.x + (client.right - client.left);
  pointer.bottom = corner.y + (client.bottom - client.top);
  pointer.x = at.x;
  pointer.y = at.y;
  pointer.top_line = event_list_box_.GetTopIndex();
  pointer.item_height = event_list_box_.GetItemHeight(0);
  pointer.line_count = event_list_box_.GetCount();
  const EventListMenuPlan plan = PlanEventListMenu(pointer);
  editor_->SelectEventLine(plan.line);
  event_list_box_.SetCurSel(plan.line);
  if (plan.open_menu && context_menu_.Popup() != nullptr) {
    TrackPopupMenu(context_menu_.Popup(), TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
  }
  // The menu may have closed the page (a tray command): look again.
  if (event_list_box_.hwnd() == nullptr) return false;
  editor_->TakeEditTarget(event_list_box_.GetCurSel(), macro_list_.GetCurSel(),
                          event_list_box_.GetCount());
  return false;
}

void CZLV_GMouseDlg::OnEventListCommand(UINT id) {
  if (!editor_) return;
  const bool editDelay = editor_->RunCommand(EventListChoiceOf(id));
  ShowMacroModels();
  if (editDelay && event_list_box_.hwnd() != nullptr) {
    SendMessageW(event_list_box_.hwnd(), WM_CHAR, win::CEditableListBox::kStartEditChar, 0);
  }
}

void CZLV_GMouseDlg::OnEditDone() {
  if (!editor_ || event_list_box_.hwnd() == nullptr) return;
  const int line = core_->macroState.selected_line;
  const std::wstring text = line >= 0 && line < event_list_box_.GetCount() ? event_list_box_.GetText(line)
                                                                            : std::wstring();
  // The list holds the edited text now: what it shows is no longer the model's.
  shown_event_lines_.clear();
  editor_->CommitDelay(FromWide(text));
  ShowMacroModels();
}

HWND CZLV_GMouseDlg::AdvancedControl(UINT id) const {
  switch (id) {
    case kRepeatEditId: return repeat_edit_.hwnd();
    case kNameEditId: return name_edit_.hwnd();
    case kMacroListId: return macro_list_.hwnd();
    case kEventListId: return event_list_box_.hwnd();
    default: return nullptr;
  }
}

bool CZLV_GMouseDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == taskbar_created_ && taskbar_created_ != 0) {
    // Explorer restarted: the icon it had is gone.
    tray_.OnTaskbarCreated();
    result = 0;
    return true;
  }
  switch (message) {
    case WM_CLOSE:
      HideToTray();
      result = 0;
      return true;
    case WM_ERASEBKGND:
      // Everything is drawn by the paint handler.
      result = 1;
      return true;
    case WM_MOUSEMOVE:
      OnMouseMove(PointOf(lParam));
      return false;  // then the default processing
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      // The window class asks for double clicks: the second press of a quick
      // pair arrives as one, and is a press like the first.
      OnLeftButtonDown(PointOf(lParam), lParam);
      return false;
    case WM_LBUTTONUP:
      OnLeftButtonUp(lParam);
      return false;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      if (GetParent(reinterpret_cast<HWND>(lParam)) != hwnd()) return false;
      result = ColourChildControl(reinterpret_cast<HDC>(wParam), true);
      return true;
    case WM_CTLCOLORSTATIC:
      // A disabled edit (the repeat count of a macro played once) asks here:
      // the same black ground, the text greyed.
      if (reinterpret_cast<HWND>(lParam) != repeat_edit_.hwnd() &&
          reinterpret_cast<HWND>(lParam) != name_edit_.hwnd()) {
        return false;
      }
      result = ColourChildControl(reinterpret_cast<HDC>(wParam), false);
      return true;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd(), &ps);
      RECT client;
      GetClientRect(hwnd(), &client);
      Paint(dc, client);
      EndPaint(hwnd(), &ps);
      result = 0;
      return true;
    }
    case win::UM_EDIT_DONE:
      OnEditDone();
      result = 0;
      return true;
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<LRESULT>(icon_);
      return true;
    case WM_SYSCOMMAND:
      switch (OnSysCommand(wParam)) {
        case SysCommandAction::kAboutBox: {
          CAboutDlg about;
          about.DoModal(hwnd());
          result = 0;
          return true;
        }
        case SysCommandAction::kMinimize:
          ShowWindow(hwnd(), SW_MINIMIZE);
          result = 0;
          return true;
        case SysCommandAction::kDefault:
          return false;  // SC_CLOSE becomes a close request
      }
      return false;
    case kTrayCallbackMessage: {
      const TrayDecision decision =
          OnTrayNotification(wParam, static_cast<std::uint32_t>(lParam));
      if (decision.action == TrayAction::kShowWindow) ShowAndRestore();
      if (decision.action == TrayAction::kOpenMenu) OpenTrayMenu();
      result = decision.result;
      return true;
    }
    case WM_DRAWITEM:
      if (wParam == 0 && lParam != 0) {
        // Either menu's items: any menu object draws them.
        DRAWITEMSTRUCT& item = *reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        const HGDIOBJ oldFont = menu_font_ ? SelectObject(item.hDC, menu_font_.get()) : nullptr;
        tray_menu_.DrawItem(item);
        if (oldFont != nullptr) SelectObject(item.hDC, oldFont);
        result = TRUE;
        return true;
      }
      return false;
    case WM_MEASUREITEM:
      if (wParam == 0 && lParam != 0) {
        tray_menu_.MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
      }
      return false;
    case WM_DEVICECHANGE: {
      if (core_) {
        const std::optional<DeviceBroadcast> header =
            ReadDeviceBroadcast(static_cast<std::uintptr_t>(wParam), static_cast<std::intptr_t>(lParam));
        core_->OnDeviceChange(static_cast<std::uint32_t>(wParam), header ? &*header : nullptr);
      }
      result = TRUE;
      return true;
    }
    case WM_POWERBROADCAST:
      // Resuming from sleep may have reset the mouse: program it again, then
      // let the default processing answer.
      if (core_) core_->OnPowerBroadcast();
      return false;
    case WM_TIMER:
      if (wParam == Win32TrayShell::kRetryTimer) {
        tray_.OnRetryTimer();
        result = 0;
        return true;
      }
      if (wParam == kStatusTimer) {
        KillTimer(hwnd(), kStatusTimer);
        InvalidatePage();
        result = 0;
        return true;
      }
      if (wParam == kRehookTimer) {
        // A hook that Windows dropped is gone without notice: renew it,
        // through the recorder, which removes it when the recording stops.
        if (Recording()) {
          recorder_->RenewHook();
        } else {
          KillTimer(hwnd(), kRehookTimer);
        }
        result = 0;
        return true;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace zlv
