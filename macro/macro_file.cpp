#include "macro/macro_file.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "macro/key_codes.h"

namespace zlv {

namespace {

constexpr char16_t kSeparator = u'\\';

// Bytes of the record before the events: name, mode, repeat (2), count.
constexpr std::size_t kHeaderBytes = 44;
// Each event position is stored as value, type, delay low, delay high.
constexpr std::size_t kBytesPerEvent = 4;
constexpr std::size_t kEventsOffset = 44;
constexpr std::size_t kDelaysOffset = 554;

// Where byte g of the file's order lives in the record. The file keeps each
// event next to its delay; the record keeps all events, then all delays.
struct FileByte {
  std::size_t offset;
  bool isEventValue;
};

constexpr FileByte FileByteOf(std::size_t g) {
  if (g < kHeaderBytes) return {g, false};
  const std::size_t k = (g - kHeaderBytes) / kBytesPerEvent;
  switch ((g - kHeaderBytes) % kBytesPerEvent) {
    case 0:
      return {kEventsOffset + 2 * k, true};
    case 1:
      return {kEventsOffset + 2 * k + 1, false};
    case 2:
      return {kDelaysOffset + 2 * k, false};
    default:
      return {kDelaysOffset + 2 * k + 1, false};
  }
}

static_assert((kMacroSlotSize - kHeaderBytes) % kBytesPerEvent == 0);

// FileByteOf of every byte of a record, worked out once.
constexpr std::array<FileByte, kMacroSlotSize> kFileOrder = [] {
  std::array<FileByte, kMacroSlotSize> order{};
  for (std::size_t g = 0; g < kMacroSlotSize; ++g) order[g] = FileByteOf(g);
  return order;
}();

// Whether the four UTF-16 units of `word` are all decimal digits: each unit
// must be 0x003n with n at most 9, and n + 6 stays below 0x10 just when it is.
// (A whole record is checked a word at a time, not a character at a time.)
constexpr bool FourDigits(std::uint64_t word) {
  constexpr std::uint64_t kEach = 0x0001000100010001;
  const std::uint64_t high = (word & (0xFFF0 * kEach)) ^ (0x0030 * kEach);
  const std::uint64_t overNine = ((word & (0x000F * kEach)) + 6 * kEach) & (0x0010 * kEach);
  return (high | overNine) == 0;
}

// The first kMacroRecordDigits characters, when they are all decimal digits
// (as in every file the program writes).
std::optional<std::array<char16_t, kMacroRecordDigits>> FullDigitRecord(TextView digits) {
  static_assert(kMacroRecordDigits % 4 == 0);
  if (digits.size() < kMacroRecordDigits) return std::nullopt;
  std::array<char16_t, kMacroRecordDigits> record;
  std::memcpy(record.data(), digits.data(), sizeof record);
  for (std::size_t i = 0; i < kMacroRecordDigits; i += 4) {
    std::uint64_t word;
    std::memcpy(&word, record.data() + i, sizeof word);
    if (!FourDigits(word)) return std::nullopt;
  }
  return record;
}

// "macroNum" as the loader takes it: negative or unreadable gives 0, and no
// more records than the table can take.
int BoundedCount(const IniSnapshot& file, int capacity) {
  const std::int32_t n = file.ReadInt(kMacroSection, kMacroCountKey, kMacroCountBufferChars);
  return std::clamp<std::int32_t>(n, 0, std::clamp(capacity, 0, kMacroTableSize));
}

void StoreRecords(const MacroFileContent& content, MacroTable& table, int capacity) {
  const auto room = static_cast<std::size_t>(std::clamp(capacity, 0, kMacroTableSize));
  const std::size_t count = std::min(content.records.size(), room);
  for (std::size_t i = 0; i < count; ++i) table.slots[i].AssignBytes(content.records[i]);
  table.count = static_cast<std::int16_t>(count);
}

Text LanguageFolder(std::int32_t uiLanguage) {
  return uiLanguage == 1 ? Text(u"INI_EN") : Text(u"INI_CN");
}

}  // namespace

Text MacroRecordText(const MacroSlot& slot) {
  const std::array<std::uint8_t, kMacroSlotSize> bytes = slot.ToBytes();
  std::array<char16_t, kMacroRecordDigits> digits;
  for (std::size_t g = 0; g < kMacroSlotSize; ++g) {
    const FileByte where = kFileOrder[g];
    const std::uint8_t b = bytes[where.offset];
    const std::uint8_t value = where.isEventValue ? UsageToVk(b) : b;
    digits[3 * g] = static_cast<char16_t>(u'0' + value / 100);
    digits[3 * g + 1] = static_cast<char16_t>(u'0' + value / 10 % 10);
    digits[3 * g + 2] = static_cast<char16_t>(u'0' + value % 10);
  }
  return Text(digits.data(), digits.size());
}

std::array<std::uint8_t, kMacroSlotSize> MacroRecordBytes(TextView digits) {
  std::array<std::uint8_t, kMacroSlotSize> bytes{};
  const auto store = [&bytes](std::size_t g, std::uint8_t b) {
    const FileByte where = kFileOrder[g];
    bytes[where.offset] = where.isEventValue ? VkToUsage(b) : b;
  };
  if (const auto record = FullDigitRecord(digits)) {
    // The usual record, digits only: three digits make a byte. The header
    // comes first, then each event position's four bytes (see FileByteOf).
    const char16_t* d = record->data();
    const auto next = [&d] {
      const int value = 100 * (d[0] - u'0') + 10 * (d[1] - u'0') + (d[2] - u'0');
      d += 3;
      return static_cast<std::uint8_t>(value & 0xFF);
    };
    for (std::size_t g = 0; g < kHeaderBytes; ++g) bytes[g] = next();
    for (std::size_t k = 0; k < (kMacroSlotSize - kHeaderBytes) / kBytesPerEvent; ++k) {
      bytes[kEventsOffset + 2 * k] = VkToUsage(next());
      bytes[kEventsOffset + 2 * k + 1] = next();
      bytes[kDelaysOffset + 2 * k] = next();
      bytes[kDelaysOffset + 2 * k + 1] = next();
    }
    return bytes;
  }
  for (std::size_t g = 0; g < kMacroSlotSize; ++g) {
    const std::size_t at = 3 * g;
    const TextView group = at < digits.size() ? digits.substr(at, 3) : TextView();
    store(g, static_cast<std::uint8_t>(ParseDecimal(group) & 0xFF));
  }
  return bytes;
}

Text UnreadableMacroFileMessage(TextView path, std::int32_t uiLanguage) {
  const std::size_t slash = path.find_last_of(u"\\/");
  const Text name(slash == TextView::npos ? path : path.substr(slash + 1));
  if (uiLanguage == 1) {
    return u"Could not read " + name + u": the file is there but cannot be read. The macros shown were kept.";
  }
  return u"无法读取 " + name + u"：文件存在但读不出来，当前的宏保持不变。";
}

MacroFileContent ReadMacroFile(IniStore& ini, MessageBoxes& messages, TextView path,
                               int capacity, std::int32_t uiLanguage) {
  MacroFileContent content;
  const FileRead read = ini.files().Load(path);
  content.status = read.status;
  if (read.status == FileReadStatus::kMissing) {
    messages.Show(kMissingFileMessage);
    return content;
  }
  if (read.status != FileReadStatus::kOk) {
    messages.Show(UnreadableMacroFileMessage(path, uiLanguage));
    return content;
  }
  content.found = true;
  const IniSnapshot file(IniDocument::Parse(read.bytes));
  const int count = BoundedCount(file, capacity);
  content.records.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const Text digits = file.Read(kMacroSection, DecimalText(i), kMacroRecordBufferChars);
    content.records.push_back(MacroRecordBytes(digits));
  }
  return content;
}

void StoreUserMacros(const MacroFileContent& content, UserMacroTable& table,
                     MacroEditState& state) {
  StoreRecords(content, table, kMaxUserMacros);
  const int count = table.count;
  state.current_macro = count > 0 ? count - 1 : 0;
  // Without macros, record 0 may still hold an older macro: select nothing of it.
  const int events =
      count > 0 ? table.slots[static_cast<std::size_t>(state.current_macro)].Count() : 0;
  state.selected_line = events > 0 ? 2 * events - 2 : 0;
}

void StoreConstMacros(const MacroFileContent& content, ConstMacroTable& table) {
  StoreRecords(content, table, kMaxConstMacros);
}

namespace {
// A file that is there but was not read whole leaves the table as it is.
bool ReplacesTable(const MacroFileContent& content, MacroEditState& state) {
  state.macro_file_unread = !content.found && content.status != FileReadStatus::kMissing;
  return !state.macro_file_unread;
}
}  // namespace

bool LoadMacroFile(IniStore& ini, MessageBoxes& messages, TextView path,
                   UserMacroTable& table, MacroEditState& state, std::int32_t uiLanguage) {
  const MacroFileContent content = ReadMacroFile(ini, messages, path, kMaxUserMacros, uiLanguage);
  if (ReplacesTable(content, state)) StoreUserMacros(content, table, state);
  return content.found;
}

bool LoadConstMacroFile(IniStore& ini, MessageBoxes& messages, TextView path,
                        ConstMacroTable& table) {
  const MacroFileContent content = ReadMacroFile(ini, messages, path, kMaxConstMacros);
  StoreConstMacros(content, table);
  return content.found;
}

bool LoadMacroFile(IniStore& ini, MessageBoxes& messages, TextView path, MacroTables& tables,
                   MacroEditState& state, std::int32_t uiLanguage) {
  const MacroFileContent content = ReadMacroFile(ini, messages, path, kMaxUserMacros, uiLanguage);
  if (!ReplacesTable(content, state)) return false;
  std::lock_guard lock(tables.mutex);
  StoreUserMacros(content, tables.user, state);
  return content.found;
}

bool LoadConstMacroFile(IniStore& ini, MessageBoxes& messages, TextView path,
                        MacroTables& tables) {
  const MacroFileContent content = ReadMacroFile(ini, messages, path, kMaxConstMacros);
  std::lock_guard lock(tables.mutex);
  StoreConstMacros(content, tables.constant);
  return content.found;
}

bool SaveMacroFile(IniStore& ini, TextView path, const UserMacroTable& table) {
  const int count = std::clamp<int>(table.count, 0, kMaxUserMacros);
  std::vector<IniWrite> writes;
  writes.reserve(static_cast<std::size_t>(count) + 1);
  writes.push_back({kMacroSection, kMacroCountKey, DecimalText(count)});
  for (int i = 0; i < count; ++i) {
    writes.push_back({kMacroSection, DecimalText(i),
                      MacroRecordText(table.slots[static_cast<std::size_t>(i)])});
  }
  return ini.Write(path, writes);
}

Text UserMacroFilePath(const MacroFileLocations& where, std::int32_t uiLanguage) {
  return where.exe_dir + kSeparator + (uiLanguage == 1 ? u"Macro_EN.dat" : u"Macro_CN.dat");
}

Text ConstMacroFilePath(const MacroFileLocations& where) {
  return where.exe_dir + kSeparator + u"constMacro.dat";
}

Text DefaultMacroFilePath(const MacroFileLocations& where, std::int32_t uiLanguage) {
  return where.skins_dir + kSeparator + LanguageFolder(uiLanguage) + kSeparator + u"defMacro.dat";
}

bool RestoreDefaultMacros(IniStore& ini, MessageBoxes& messages, const MacroFileLocations& where,
                          std::int32_t uiLanguage, UserMacroTable& table, MacroEditState& state,
                          const std::function<void()>& refreshMacroList) {
  // Without the factory file there is nothing to restore: the user's macros
  // stay in memory and in their file rather than being replaced by an empty set.
  const MacroFileContent defaults = ReadMacroFile(
      ini, messages, DefaultMacroFilePath(where, uiLanguage), kMaxUserMacros, uiLanguage);
  if (!defaults.found) return false;
  StoreUserMacros(defaults, table, state);
  state.macro_file_unread = false;
  if (refreshMacroList) refreshMacroList();
  return SaveMacroFile(ini, UserMacroFilePath(where, uiLanguage), table);
}

bool RestoreDefaultMacros(IniStore& ini, MessageBoxes& messages, const MacroFileLocations& where,
                          std::int32_t uiLanguage, MacroTables& tables, MacroEditState& state,
                          const std::function<void()>& refreshMacroList) {
  const MacroFileContent defaults = ReadMacroFile(
      ini, messages, DefaultMacroFilePath(where, uiLanguage), kMaxUserMacros, uiLanguage);
  if (!defaults.found) return false;
  {
    std::lock_guard lock(tables.mutex);
    StoreUserMacros(defaults, tables.user, state);
  }
  state.macro_file_unread = false;
  if (refreshMacroList) refreshMacroList();
  // Only the window thread changes the records, and it is here.
  return SaveMacroFile(ini, UserMacroFilePath(where, uiLanguage), tables.user);
}

}  // namespace zlv
