// zlvctl macro list, lines: macro files as the program reads them; and the
// dispatch of the macro subcommands.
#include <ostream>

#include "macro/macro_file.h"
#include "tools/zlvctl/commands.h"

namespace zlv::zlvctl {

namespace {

// Reports what the loader would show the user; zlvctl checks the file first,
// so a message here means the file vanished in between.
class CollectedMessages final : public MessageBoxes {
 public:
  void Show(TextView text) override { shown.emplace_back(text); }
  std::vector<Text> shown;
};

// A macro file loaded as the program loads the user macros.
struct LoadedMacros {
  UserMacroTable table;
  MacroEditState state;
};

// A name on one line of tab-separated output: control characters (possible
// only in a damaged file) become U+FFFD.
std::string OneFieldUtf8(Text text) {
  for (char16_t& c : text) {
    if (c < 0x20 || c == 0x7F) c = u'\uFFFD';
  }
  return ToUtf8(text);
}

}  // namespace

void LoadMacros(FileStore& files, const std::string& path, UserMacroTable& table,
                MacroEditState& state) {
  const Text file = FromUtf8(path);
  auto bytes = files.Read(file);
  if (!bytes) throw RuntimeError("cannot read " + path);
  // Load from a copy, so the file is read once.
  MemoryFileStore scratch;
  scratch.Put(file, std::move(*bytes));
  IniStore ini(scratch);
  CollectedMessages messages;
  LoadMacroFile(ini, messages, file, table, state);
  if (!messages.shown.empty()) throw RuntimeError("cannot read " + path);
}

int MacroList(const std::vector<std::string>& args, std::ostream& out, FileStore& files) {
  if (args.size() != 3) throw UsageError("macro list needs FILE");
  LoadedMacros loaded;
  LoadMacros(files, args[2], loaded.table, loaded.state);
  for (int i = 0; i < loaded.table.count; ++i) {
    const MacroSlot& slot = loaded.table.slots[static_cast<std::size_t>(i)];
    out << i << '\t' << OneFieldUtf8(slot.Name()) << '\t' << int{slot.Mode()} << '\t'
        << slot.Repeat() << '\t' << slot.Count() << '\n';
  }
  return kExitOk;
}

int MacroLines(const std::vector<std::string>& args, std::ostream& out, FileStore& files) {
  if (args.size() != 4) throw UsageError("macro lines needs FILE and INDEX");
  const std::string& indexText = args[3];
  if (indexText.empty() || indexText.size() > 4 ||
      indexText.find_first_not_of("0123456789") != std::string::npos) {
    throw UsageError("INDEX must be a number, got '" + indexText + "'");
  }
  const int index = std::stoi(indexText);
  LoadedMacros loaded;
  LoadMacros(files, args[2], loaded.table, loaded.state);
  if (index >= loaded.table.count) {
    throw RuntimeError(args[2] + " has no macro " + indexText + " (it holds " +
                       std::to_string(loaded.table.count) + ")");
  }
  EventListModel list;
  RebuildEventList(loaded.table, loaded.state, list, index);
  for (const Text& line : list.lines) out << ToUtf8(line) << '\n';
  return kExitOk;
}

int MacroCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 FileStore& files) {
  if (args.size() < 2) throw UsageError("macro needs a subcommand: list, lines, play or make");
  const std::string& sub = args[1];
  if (sub == "list") return MacroList(args, out, files);
  if (sub == "lines") return MacroLines(args, out, files);
  if (sub == "play") return MacroPlay(args, out, err, files);
  if (sub == "make") return MacroMake(args, files);
  throw UsageError("unknown macro subcommand '" + sub + "'");
}

}  // namespace zlv::zlvctl
