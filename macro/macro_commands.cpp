#include "macro/macro_commands.h"

#include <algorithm>
#include <array>
#include <mutex>

#include "macro/macro_file.h"
#include "resources/resource_ids.h"

namespace zlv {

namespace {

struct MenuCommand {
  std::uint32_t id;
  EventListCommand command;
  MacroEvent event;
};

constexpr MacroEvent kLeftDown{kMouseLeftButton, kEventPress};
constexpr MacroEvent kLeftUp{kMouseLeftButton, kEventRelease};
constexpr MacroEvent kRightDown{kMouseRightButton, kEventPress};
constexpr MacroEvent kRightUp{kMouseRightButton, kEventRelease};
constexpr MacroEvent kMidDown{kMouseMiddleButton, kEventPress};
constexpr MacroEvent kMidUp{kMouseMiddleButton, kEventRelease};

constexpr EventListCommand kBefore = EventListCommand::kInsertBefore;
constexpr EventListCommand kAfter = EventListCommand::kInsertAfter;

// Both languages' context menus: the same commands under different ids.
constexpr std::array<MenuCommand, 28> kMenuCommands{{
    {ID_EN_FORWARD_LEFT_DOWN, kBefore, kLeftDown},
    {ID_EN_FORWARD_LEFT_UP, kBefore, kLeftUp},
    {ID_EN_FORWARD_RIGHT_DOWN, kBefore, kRightDown},
    {ID_EN_FORWARD_RIGHT_UP, kBefore, kRightUp},
    {ID_EN_FORWARD_MID_DOWN, kBefore, kMidDown},
    {ID_EN_FORWARD_MID_UP, kBefore, kMidUp},
    {ID_EN_BACKWARD_LEFT_DOWN, kAfter, kLeftDown},
    {ID_EN_BACKWARD_LEFT_UP, kAfter, kLeftUp},
    {ID_EN_BACKWARD_RIGHT_DOWN, kAfter, kRightDown},
    {ID_EN_BACKWARD_RIGHT_UP, kAfter, kRightUp},
    {ID_EN_BACKWARD_MID_DOWN, kAfter, kMidDown},
    {ID_EN_BACKWARD_MID_UP, kAfter, kMidUp},
    {ID_EN_MODIFY_DELAY, EventListCommand::kModifyDelay, {}},
    {ID_EN_DELETE, EventListCommand::kDelete, {}},
    {ID_CN_FORWARD_LEFT_DOWN, kBefore, kLeftDown},
    {ID_CN_FORWARD_LEFT_UP, kBefore, kLeftUp},
    {ID_CN_FORWARD_RIGHT_DOWN, kBefore, kRightDown},
    {ID_CN_FORWARD_RIGHT_UP, kBefore, kRightUp},
    {ID_CN_FORWARD_MID_DOWN, kBefore, kMidDown},
    {ID_CN_FORWARD_MID_UP, kBefore, kMidUp},
    {ID_CN_BACKWARD_LEFT_DOWN, kAfter, kLeftDown},
    {ID_CN_BACKWARD_LEFT_UP, kAfter, kLeftUp},
    {ID_CN_BACKWARD_RIGHT_DOWN, kAfter, kRightDown},
    {ID_CN_BACKWARD_RIGHT_UP, kAfter, kRightUp},
    {ID_CN_BACKWARD_MID_DOWN, kAfter, kMidDown},
    {ID_CN_BACKWARD_MID_UP, kAfter, kMidUp},
    {ID_CN_MODIFY_DELAY, EventListCommand::kModifyDelay, {}},
    {ID_CN_DELETE, EventListCommand::kDelete, {}},
}};

constexpr char16_t kOverflowMessage[] = u"Overflow!!!";
// The command targets at most the last user macro.
constexpr int kLastUserSlot = kMaxUserMacros - 1;
constexpr std::uint16_t kMaxRepeat = 65535;

int UserMacroCount(const MacroTable& table) {
  return std::clamp<int>(table.count, 0, kMaxUserMacros);
}

bool HasCurrentMacro(const MacroTable& table, const MacroEditState& state) {
  return state.current_macro >= 0 && state.current_macro < UserMacroCount(table);
}

// InsertEvent with the tables locked. The message box waits for the user and
// must not keep the player waiting for the lock meanwhile, so a full record is
// refused here, before locking.
void InsertUnderLock(MacroTables& tables, MacroEditState& state, MessageBoxes& messages, int slot,
                     int position, MacroEvent event) {
  if (tables.user.slots[slot].Count() + 1 > kMacroEditLimit) {
    messages.Show(kOverflowMessage);
    return;
  }
  std::lock_guard lock(tables.mutex);
  InsertEvent(tables.user, state, messages, slot, position, event);
}

}  // namespace

EventListChoice EventListChoiceOf(std::uint32_t commandId) {
  for (const MenuCommand& entry : kMenuCommands) {
    if (entry.id == commandId) return {entry.command, entry.event};
  }
  return {};
}

EventListMenuPlan PlanEventListMenu(const EventListPointer& pointer) {
  EventListMenuPlan plan;
  if (pointer.item_height != 0) {
    plan.line =
        (pointer.top_line * pointer.item_height + pointer.y - pointer.top) / pointer.item_height;
  }
  const bool inside = pointer.left <= pointer.x && pointer.x < pointer.right &&
                      pointer.top <= pointer.y && pointer.y < pointer.bottom;
  plan.open_menu = inside && (plan.line < pointer.line_count || pointer.line_count == 0);
  return plan;
}

std::uint16_t RepeatCountOf(TextView text) {
  return static_cast<std::uint16_t>(std::clamp<std::int32_t>(ParseDecimal(text), 1, kMaxRepeat));
}

std::uint16_t DelayOf(TextView lineText) {
  const std::size_t unit = lineText.find(u"ms");
  if (unit != TextView::npos) lineText = lineText.substr(0, unit);
  // The record keeps the number's low 16 bits.
  return static_cast<std::uint16_t>(static_cast<std::uint32_t>(ParseDecimal(lineText)));
}

MacroEditor::MacroEditor(MacroTables& tables, MacroEditState& state, EventListModel& events,
                         MacroListModel& macro_list, MessageBoxes& messages)
    : tables_(tables),
      state_(state),
      events_(events),
      macro_list_(macro_list),
      messages_(messages) {}

void MacroEditor::RebuildMacroList() {
  const int count = UserMacroCount(tables_.user);
  macro_list_.lines.clear();
  macro_list_.selected_line = MacroListModel::kNoLine;
  for (int i = 0; i < count; ++i) macro_list_.lines.push_back(tables_.user.slots[i].Name());
  if (count == 0) return;
  const int last = static_cast<int>(macro_list_.lines.size()) - 1;
  state_.current_macro = std::clamp(state_.current_macro, 0, last);
  SelectMacro(state_.current_macro);
}

void MacroEditor::SelectMacro(int line) {
  if (line < 0 || line >= static_cast<int>(macro_list_.lines.size())) return;
  state_.current_macro = line;
  macro_list_.selected_line = line;
  macro_list_.name_text = macro_list_.lines[line];
  macro_list_.name_changed = true;
  RebuildEventList(tables_.user, state_, events_, line);
}

void MacroEditor::AddMacro(TextView name) {
  const int count = UserMacroCount(tables_.user);
  if (count >= kMaxUserMacros || name.empty()) return;
  const int index = count > 0 ? FindMacroByName(tables_.user, name) : 0;
  state_.current_macro = index;
  if (index == count) {
    {
      std::lock_guard lock(tables_.mutex);
      MacroSlot& slot = tables_.user.slots[index];
      // A freed record keeps its old name and events; start from the blank one.
      slot.AssignFrom(tables_.user.slots[kBlankMacroSlot]);
      slot.SetName(name);
      slot.SetMode(0);
      slot.SetRepeat(1);
      slot.SetCount(0);
      tables_.user.count = static_cast<std::int16_t>(count + 1);
    }
    events_.lines.clear();
    events_.selected_line = EventListModel::kNoLine;
    // The page shows the press and release counts of the list: none now.
    state_.down_lines = 0;
    state_.up_lines = 0;
    events_.repaint_requested = true;
    macro_list_.lines.push_back(tables_.user.slots[index].Name());
    // A macro added on purpose may be saved, also over a file that could
    // not be read.
    state_.macro_file_unread = false;
  }
  macro_list_.selected_line = index;
}

void MacroEditor::DeleteMacro(int selection) {
  if (state_.recording || macro_list_.lines.empty()) return;
  if (selection < 0 || selection >= static_cast<int>(macro_list_.lines.size())) return;
  const int count = UserMacroCount(tables_.user);
  {
    std::lock_guard lock(tables_.mutex);
    MacroTable& user = tables_.user;
    for (int i = selection; i + 1 < count; ++i) user.slots[i].AssignFrom(user.slots[i + 1]);
    if (count > 0) {
      MacroSlot& freed = user.slots[count - 1];
      freed.SetMode(0);
      freed.SetRepeat(1);
      freed.SetCount(0);
    }
    user.count = static_cast<std::int16_t>(std::max(count - 1, 0));
  }

  macro_list_.lines.erase(macro_list_.lines.begin() + selection);
  const int current = selection == 0 ? 0 : selection - 1;
  state_.current_macro = current;
  if (macro_list_.lines.empty()) {
    macro_list_.selected_line = MacroListModel::kNoLine;
    macro_list_.name_text.clear();
    macro_list_.name_changed = true;
    events_.repeat_text = u"1";
    events_.repeat_enabled = false;
    events_.repeat_changed = true;
  } else {
    macro_list_.selected_line = current;
    macro_list_.name_text = macro_list_.lines[current];
    macro_list_.name_changed = true;
  }
  RebuildEventList(tables_.user, state_, events_, current);
}

void MacroEditor::ToggleRepeatMode() {
  if (!HasCurrentMacro(tables_.user, state_)) return;
  MacroSlot& slot = tables_.user.slots[state_.current_macro];
  const bool repeating = slot.Mode() == 0;
  {
    std::lock_guard lock(tables_.mutex);
    slot.SetMode(repeating ? 1 : 0);
  }
  events_.repeat_text = repeating ? DecimalText(slot.Repeat()) : Text(u"1");
  events_.repeat_enabled = repeating;
  events_.repeat_changed = true;
  events_.repaint_requested = true;
}

bool MacroEditor::ApplyRepeatCount(TextView repeatText, IniStore& ini, TextView macroFilePath) {
  if (!HasCurrentMacro(tables_.user, state_)) return false;
  const std::uint16_t repeat = RepeatCountOf(repeatText);
  events_.repeat_text = DecimalText(repeat);
  events_.repeat_changed = true;
  {
    std::lock_guard lock(tables_.mutex);
    tables_.user.slots[state_.current_macro].SetRepeat(repeat);
  }
  // The file holds macros its failed load did not bring in: they are not
  // replaced by the table shown.
  if (state_.macro_file_unread) return false;
  return SaveMacroFile(ini, macroFilePath, tables_.user);
}

void MacroEditor::SelectEventLine(int line) {
  state_.selected_line = line;
  events_.Select(line);
}

void MacroEditor::TakeEditTarget(int eventSelection, int macroSelection, int lineCount) {
  edit_event_ = eventSelection < 0 ? 0 : eventSelection / 2;
  edit_slot_ = macroSelection < 0 ? -1 : std::min(macroSelection, kLastUserSlot);
  event_line_count_ = lineCount;
}

bool MacroEditor::RunCommand(const EventListChoice& choice) {
  if (state_.recording || edit_slot_ < 0) return false;
  switch (choice.command) {
    case EventListCommand::kInsertBefore:
      InsertUnderLock(tables_, state_, messages_, edit_slot_, edit_event_, choice.event);
      RebuildEventList(tables_.user, state_, events_, edit_slot_);
      return false;
    case EventListCommand::kInsertAfter:
      if (event_line_count_ > 0) {
        InsertUnderLock(tables_, state_, messages_, edit_slot_, edit_event_ + 1, choice.event);
      } else {
        InsertUnderLock(tables_, state_, messages_, edit_slot_, 0, choice.event);
        state_.selected_line = 0;
      }
      RebuildEventList(tables_.user, state_, events_, edit_slot_);
      return false;
    case EventListCommand::kDelete: {
      std::lock_guard lock(tables_.mutex);
      DeleteEvent(tables_.user, state_, events_, edit_slot_, edit_event_);
      return false;
    }
    case EventListCommand::kModifyDelay:
      // Only a delay line (odd) is edited in place.
      return event_line_count_ != 0 && state_.selected_line % 2 == 1;
    case EventListCommand::kNone:
      return false;
  }
  return false;
}

void MacroEditor::CommitDelay(TextView lineText) {
  if (edit_slot_ < 0) return;
  // Delay line 2k + 1 follows event k.
  const int line = state_.selected_line;
  const bool targetsDelayLine =
      edit_slot_ == state_.current_macro && line % 2 == 1 && line / 2 == edit_event_;
  if (!targetsDelayLine) {
    RebuildEventList(tables_.user, state_, events_, state_.current_macro);
    return;
  }
  const std::uint16_t delay = DelayOf(lineText);
  {
    std::lock_guard lock(tables_.mutex);
    tables_.user.slots[edit_slot_].SetDelay(edit_event_, delay);
  }
  RebuildEventList(tables_.user, state_, events_, edit_slot_);
}

}  // namespace zlv
