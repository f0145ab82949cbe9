// The advanced page's macro editing: the macro list (add, delete, select),
// the repeat settings of a macro, and the event list's context-menu commands
// with the in-place edit of a delay.
//
// The decisions and their effects on the records live here, on models of what
// the page's controls show. The window reads the controls into the calls (the
// name edit's text, a list's selection, an edited line) and afterwards mirrors
// the models back into the controls.
//
// Everything runs on the window thread, the only writer of the records. Writes
// take the macro tables' lock, since the player thread may read the records
// meanwhile; no message box is ever shown while the lock is held.
#pragma once

#include <cstdint>
#include <vector>

#include "base/message_box.h"
#include "base/text.h"
#include "macro/macro_slot.h"
#include "macro/macro_tables.h"
#include "settings/ini_file.h"

namespace zlv {

// What the macro list and the name edit show.
struct MacroListModel {
  static constexpr int kNoLine = -1;
  // One line per user macro: its name.
  std::vector<Text> lines;
  int selected_line = kNoLine;
  // The name edit.
  Text name_text;
  // Set whenever name_text is set; the window clears it once it has shown
  // the text, and otherwise leaves what the user typed.
  bool name_changed = false;
};

// The event list's context menu. The English menu and the Chinese menu carry
// different command identifiers for the same commands.
enum class EventListCommand : std::uint8_t {
  kNone,
  kInsertBefore,  // "Add Forward"
  kInsertAfter,   // "Add Backward"
  kModifyDelay,
  kDelete,
};
struct EventListChoice {
  EventListCommand command = EventListCommand::kNone;
  // The mouse-button event an insert command adds (value 240..242, type 1 or 2).
  MacroEvent event{};
  friend bool operator==(const EventListChoice&, const EventListChoice&) = default;
};
// The command of a menu identifier of either language; kNone for any other
// identifier.
EventListChoice EventListChoiceOf(std::uint32_t commandId);

// A right-button release on the advanced page, measured on the event list:
// its client rectangle and the pointer in screen coordinates, its first
// visible line (the vertical scroll position), its item height and its number
// of lines.
struct EventListPointer {
  int left = 0, top = 0, right = 0, bottom = 0;
  int x = 0, y = 0;
  int top_line = 0;
  int item_height = 0;
  int line_count = 0;
};
struct EventListMenuPlan {
  // The line under the pointer: it becomes the selected line (also when the
  // pointer is outside the list).
  int line = 0;
  // Whether the context menu opens: the pointer is inside the list and on a
  // line, or the list is empty.
  bool open_menu = false;
};
// line = (top_line × item_height + y − top) / item_height, or 0 when the item
// height is 0. Inside means left <= x < right and top <= y < bottom.
EventListMenuPlan PlanEventListMenu(const EventListPointer& pointer);

// A typed repeat count: the decimal number, below 1 made 1 and above 65535
// made 65535 (text that is no number gives 1).
std::uint16_t RepeatCountOf(TextView text);
// A typed delay line: the text before the first "ms" read as a decimal number
// (leading blanks, optional sign, digits up to the first other character; no
// digits gives 0), kept to 16 bits as the record stores it (65536 + 250 gives
// 250, −1 gives 65535).
std::uint16_t DelayOf(TextView lineText);

class MacroEditor {
 public:
  // `events` is the event list with the repeat edit, `macro_list` the macro
  // list with the name edit; both also change through the recorder and the
  // window. "Overflow!!!" is shown through `messages`.
  MacroEditor(MacroTables& tables, MacroEditState& state, EventListModel& events,
              MacroListModel& macro_list, MessageBoxes& messages);
  MacroEditor(const MacroEditor&) = delete;
  MacroEditor& operator=(const MacroEditor&) = delete;

  // Refills the macro list from the user macros. With at least one macro, the
  // current macro (bounded to the last line) is selected and SelectMacro runs;
  // with none, the event list and the edits keep what they showed.
  void RebuildMacroList();

  // The macro list's selection changed to `line` (or the window asks again):
  // it becomes the current macro, its name goes to the name edit and the event
  // list shows its events. A line outside the list does nothing.
  void SelectMacro(int line);

  // Adds a macro named `name` (the name edit's text, cut to what a record
  // holds): nothing when 12 macros exist or the name is empty; an existing
  // name selects that macro instead. A new macro starts empty (mode 0,
  // repeat 1, no events) and is selected; the event list is emptied. Adding
  // lifts the unread mark of the macro file: the user's macros may be saved.
  void AddMacro(TextView name);

  // Deletes the macro selected in the macro list (`selection`), moving the
  // later ones up. Nothing while recording, with an empty list or without a
  // selection. The line before it (or the first) becomes selected and
  // current; the freed last record is left with mode 0, repeat 1 and no events.
  void DeleteMacro(int selection);

  // Switches the current macro between playing once (the repeat edit shows
  // "1", disabled) and repeating (the edit shows its count, enabled).
  // Nothing without a current macro. The event list model asks for a repaint.
  void ToggleRepeatMode();

  // Stores the typed repeat count (RepeatCountOf; the repeat edit shows the
  // corrected number) in the current macro and writes the user macros to
  // `macroFilePath`: the one action of the page that writes the file. Returns
  // whether the file was written; without a current macro nothing happens and
  // the value is false. While the file is marked unread (its last load
  // failed) the count is stored but the file is not written.
  bool ApplyRepeatCount(TextView repeatText, IniStore& ini, TextView macroFilePath);

  // Before a right-button release opens the context menu: the line under the
  // pointer becomes the selected line of the event list.
  void SelectEventLine(int line);
  // After the context menu closed: what its commands act on. `eventSelection`
  // is the event list's selection (negative for none), `macroSelection` the
  // macro list's (negative for none: the commands then do nothing), and
  // `lineCount` the event list's lines.
  void TakeEditTarget(int eventSelection, int macroSelection, int lineCount);

  // Carries out a context-menu command on the edit target. Nothing while
  // recording or without a target. Returns true when the window must open the
  // in-place editor on the selected line ("Modify Delay" on a delay line).
  bool RunCommand(const EventListChoice& choice);

  // An in-place edit of the event list ended (kept or discarded): the text of
  // the selected line is read as a delay (DelayOf) and stored as the delay of
  // the edit target's event, and the event list is rebuilt. May come twice for
  // one edit; nothing without a target. Only the delay line the target names
  // takes a delay: an edit opened on any other line (Ctrl+A on an event line,
  // or after another macro was chosen) stores nothing, and the list shows the
  // current macro as the records hold it again.
  void CommitDelay(TextView lineText);

  int edit_slot() const { return edit_slot_; }
  int edit_event() const { return edit_event_; }
  int event_line_count() const { return event_line_count_; }

 private:
  MacroTables& tables_;
  MacroEditState& state_;
  EventListModel& events_;
  MacroListModel& macro_list_;
  MessageBoxes& messages_;
  // -1: no target (no macro selected when the menu closed).
  int edit_slot_ = -1;
  int edit_event_ = 0;
  int event_line_count_ = 0;
};

}  // namespace zlv
