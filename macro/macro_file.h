// Macro files: the .dat files that hold the user macros of each language, the
// constant macros and the factory default macros.
//
// A macro file is an INI file with one section, [Macros]: "macroNum" holds the
// number of macros N, and keys "0" .. "N-1" hold one record each as 3192
// decimal digits, three per byte of the 1064-byte MacroSlot in memory order,
// with every event value stored as a Windows virtual-key code. docs/macros.md
// describes the format and the shipped files.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "base/file_store.h"
#include "base/message_box.h"
#include "base/text.h"
#include "macro/macro_slot.h"
#include "macro/macro_tables.h"
#include "settings/ini_file.h"

namespace zlv {

inline constexpr char16_t kMacroSection[] = u"Macros";
inline constexpr char16_t kMacroCountKey[] = u"macroNum";
// Digits of one record: three per byte.
inline constexpr std::size_t kMacroRecordDigits = 3 * kMacroSlotSize;
// Read buffers: "macroNum" keeps at most 2 characters, a record its 3192 digits.
inline constexpr std::size_t kMacroCountBufferChars = 3;
inline constexpr std::size_t kMacroRecordBufferChars = kMacroRecordDigits + 1;
// Records the loader fills at most.
inline constexpr int kMaxConstMacros = kMacroTableSize;

// The message shown when a macro file is missing.
inline constexpr char16_t kMissingFileMessage[] = u"找不到配置文件";
// The message shown when a macro file is there but could not be read whole
// (no access, locked, a read failing part way), in the interface language
// (1 English, anything else Chinese): it names the file and says that the
// macros in memory were kept.
Text UnreadableMacroFileMessage(TextView path, std::int32_t uiLanguage);

// The 3192-digit text of a record: each byte as a zero-padded number 000..255,
// event values translated with UsageToVk.
Text MacroRecordText(const MacroSlot& slot);
// The record bytes a value stands for: three characters per byte read as a
// decimal number (low 8 bits kept), missing groups as 0, characters after the
// 3192nd ignored, event values translated with VkToUsage.
std::array<std::uint8_t, kMacroSlotSize> MacroRecordBytes(TextView digits);

// A macro file read but not yet stored in a table, so that a caller can hold
// the tables' lock only while the records change.
struct MacroFileContent {
  // Whether the file was read whole.
  bool found = false;
  FileReadStatus status = FileReadStatus::kMissing;
  // Records 0..count-1 as stored in memory, at most the capacity asked for.
  std::vector<std::array<std::uint8_t, kMacroSlotSize>> records;
};
// Reads "macroNum" (negative or unreadable gives 0, bounded by `capacity`) and
// that many records. A missing file shows "找不到配置文件", a file that is there
// but could not be read whole UnreadableMacroFileMessage; both give no records.
MacroFileContent ReadMacroFile(IniStore& ini, MessageBoxes& messages, TextView path,
                               int capacity, std::int32_t uiLanguage = 1);
// Stores the records into the user table (at most 12) and sets its count,
// CurrentMacro and SelectedLine as a load does.
void StoreUserMacros(const MacroFileContent& content, UserMacroTable& table,
                     MacroEditState& state);
// Stores the records into the constant table (at most 13) and sets its count.
void StoreConstMacros(const MacroFileContent& content, ConstMacroTable& table);

// Reads the user macros of a file: UserMacroCount (at most 12; a negative or
// unreadable "macroNum" gives 0), records 0..count-1, CurrentMacro (the last
// macro, or 0) and SelectedLine (the last event line of that macro, or 0).
// A missing file shows "找不到配置文件" and loads nothing: the count becomes 0,
// the records stay as they were. A file that is there but could not be read
// whole is reported and changes nothing in the table; it sets
// `state.macro_file_unread`, so the table it failed to fill is not written
// over it (see MacroEditState). Records at and beyond the count are not
// touched. Returns whether the file was read.
bool LoadMacroFile(IniStore& ini, MessageBoxes& messages, TextView path,
                   UserMacroTable& table, MacroEditState& state, std::int32_t uiLanguage = 1);
// Reads the constant macros of a file into ConstMacroTable (at most 13
// records); otherwise as above.
bool LoadConstMacroFile(IniStore& ini, MessageBoxes& messages, TextView path,
                        ConstMacroTable& table);

// The same loads into the tables the player thread plays from: the file is
// read, and a missing one reported, without the tables' lock (a message box
// waits for the user, and a player waiting for the lock meanwhile would keep
// its keys held); the lock is held only while the records change.
bool LoadMacroFile(IniStore& ini, MessageBoxes& messages, TextView path, MacroTables& tables,
                   MacroEditState& state, std::int32_t uiLanguage = 1);
bool LoadConstMacroFile(IniStore& ini, MessageBoxes& messages, TextView path,
                        MacroTables& tables);

// Writes "macroNum" and the records of the user macros (0..12 of them) into
// [Macros] of the file in one commit, creating the file when needed. Keys of
// macros beyond the count are left in the file. Returns false when the file
// could not be written.
bool SaveMacroFile(IniStore& ini, TextView path, const UserMacroTable& table);

// The folders the program's files are found in: the executable's folder and
// its "skins" folder, both without a trailing separator.
struct MacroFileLocations {
  Text exe_dir;
  Text skins_dir;
};

// The user macro file of a language (1 English, anything else Chinese):
// Macro_EN.dat or Macro_CN.dat beside the executable.
Text UserMacroFilePath(const MacroFileLocations& where, std::int32_t uiLanguage);
// constMacro.dat beside the executable.
Text ConstMacroFilePath(const MacroFileLocations& where);
// The factory defaults: INI_EN/defMacro.dat or INI_CN/defMacro.dat below the
// skins folder.
Text DefaultMacroFilePath(const MacroFileLocations& where, std::int32_t uiLanguage);

// The macro half of restoring the factory defaults: loads the default macros
// of the language into the user table, calls `refreshMacroList` (the caller
// passes one only while the advanced page is shown: it rebuilds the macro
// list and repaints), and saves them as the language's user macro file.
// A missing default file shows "找不到配置文件" and changes nothing: the user
// macros stay as they are in memory and on disk. Returns whether the defaults
// were restored and saved.
bool RestoreDefaultMacros(IniStore& ini, MessageBoxes& messages, const MacroFileLocations& where,
                          std::int32_t uiLanguage, UserMacroTable& table, MacroEditState& state,
                          const std::function<void()>& refreshMacroList);
// The same into the tables the player plays from: the defaults are read, and a
// missing file reported, with the tables' lock free; the lock is held only
// while the records change.
bool RestoreDefaultMacros(IniStore& ini, MessageBoxes& messages, const MacroFileLocations& where,
                          std::int32_t uiLanguage, MacroTables& tables, MacroEditState& state,
                          const std::function<void()>& refreshMacroList);

}  // namespace zlv
