// zlvctl macro make: a macro file written from a text description.
#include <optional>
#include <sstream>

#include "macro/key_names.h"
#include "macro/macro_file.h"
#include "tools/zlvctl/commands.h"

namespace zlv::zlvctl {

namespace {

// The description `macro make` reads: one statement a line, '#' starts a
// comment line.
//   macro NAME          starts a macro (the name is the rest of the line)
//   mode N              0 play once (the default), 1 play `repeat` times
//   repeat N            1..65535 (default 1)
//   press KEY DELAY     a key or mouse button pressed, then DELAY ms
//   release KEY DELAY   released, then DELAY ms
// KEY is a name as the event list shows it (A, LCONTROL, L-KEY, ...) or a
// value in 0x hex.
class DescriptionError : public RuntimeError {
 public:
  DescriptionError(const std::string& file, int line, const std::string& what)
      : RuntimeError(file + ":" + std::to_string(line) + ": " + what) {}
};

// The key a macro file gives back for `key`: the file holds Windows virtual
// keys, and a usage without a virtual key of its own comes back as another
// key (MENU, 0x76, as F7).
std::uint8_t KeyReadBack(std::uint8_t key) {
  MacroSlot written;
  written.SetCount(1);
  written.SetEvent(0, MacroEvent{key, kEventPress});
  MacroSlot read;
  read.AssignBytes(MacroRecordBytes(MacroRecordText(written)));
  return read.Event(0).value;
}

std::optional<std::uint8_t> KeyByName(const std::string& token) {
  if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
    try {
      return ParseByteValue(token);
    } catch (const UsageError&) {
      return std::nullopt;
    }
  }
  const Text name = FromUtf8(token);
  for (int v = 0; v < 256; ++v) {
    const auto value = static_cast<std::uint8_t>(v);
    if (KeyNameOf(value) == name && name != u"NON-AVAILABLE") return value;
  }
  return std::nullopt;
}

std::optional<long> SmallNumber(const std::string& token) {
  if (token.empty() || token.size() > 6 ||
      token.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  return std::stol(token);
}

UserMacroTable ParseMacroDescription(const std::string& file, const std::string& text) {
  UserMacroTable table;
  std::istringstream in(text);
  std::string raw;
  int lineNumber = 0;
  MacroSlot* macro = nullptr;
  while (std::getline(in, raw)) {
    ++lineNumber;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    const std::size_t first = raw.find_first_not_of(" \t");
    if (first == std::string::npos || raw[first] == '#') continue;
    const std::string line = raw.substr(first, raw.find_last_not_of(" \t") + 1 - first);
    std::istringstream words(line);
    std::string word;
    words >> word;
    auto fail = [&](const std::string& what) { throw DescriptionError(file, lineNumber, what); };

    if (word == "macro") {
      if (table.count >= kMaxUserMacros) fail("more than 12 macros");
      const std::size_t at = line.find_first_not_of(" \t", word.size());
      if (at == std::string::npos) fail("macro needs a name");
      const Text name = FromUtf8(line.substr(at));
      if (name.size() > static_cast<std::size_t>(kMacroNameLength)) {
        fail("name longer than 19 UTF-16 characters");
      }
      macro = &table.slots[static_cast<std::size_t>(table.count)];
      table.count = static_cast<std::int16_t>(table.count + 1);
      macro->SetName(name);
      macro->SetMode(0);
      macro->SetRepeat(1);
      continue;
    }
    if (macro == nullptr) fail("'" + word + "' before the first macro");
    std::string a;
    std::string b;
    std::string extra;
    words >> a >> b >> extra;
    if (!extra.empty()) fail("too many words");
    if (word == "mode" || word == "repeat") {
      const std::optional<long> n = SmallNumber(a);
      if (!b.empty() || !n) fail(word + " needs one number");
      if (word == "mode") {
        if (*n > 1) fail("mode must be 0 or 1");
        macro->SetMode(static_cast<std::uint8_t>(*n));
      } else {
        if (*n < 1 || *n > 65535) fail("repeat must be 1..65535");
        macro->SetRepeat(static_cast<std::uint16_t>(*n));
      }
    } else if (word == "press" || word == "release") {
      const std::optional<std::uint8_t> key = KeyByName(a);
      if (!key) fail("unknown key '" + a + "'");
      if (const std::uint8_t back = KeyReadBack(*key); back != *key) {
        throw RefusedInput(file + ":" + std::to_string(lineNumber) + ": key '" + a +
                           "' cannot be stored in a macro file (it would read back as " +
                           ToUtf8(KeyNameOf(back)) + ")");
      }
      const std::optional<long> delay = SmallNumber(b);
      if (!delay || *delay > 65535) fail(word + " needs a delay of 0..65535 ms");
      const int k = macro->Count();
      if (k >= kMacroEditLimit) fail("more than 254 events");
      macro->SetEvent(k, MacroEvent{*key, word == "press" ? kEventPress : kEventRelease});
      macro->SetDelay(k, static_cast<std::uint16_t>(*delay));
      macro->SetCount(k + 1);
    } else {
      fail("unknown statement '" + word + "'");
    }
  }
  return table;
}

}  // namespace

int MacroMake(const std::vector<std::string>& args, FileStore& files) {
  if (args.size() != 4) throw UsageError("macro make needs DESCRIPTION and OUTPUT");
  const std::string& description = args[2];
  const std::string& output = args[3];
  auto text = files.Read(FromUtf8(description));
  if (!text) throw RuntimeError("cannot read " + description);
  const UserMacroTable table = ParseMacroDescription(description, *text);
  // A fresh file: written in memory first, so no key of an older file survives.
  MemoryFileStore scratch;
  IniStore ini(scratch);
  const Text made = u"made.dat";
  SaveMacroFile(ini, made, table);
  if (!files.Replace(FromUtf8(output), scratch.Read(made).value_or(""))) {
    throw RuntimeError("cannot write " + output);
  }
  return kExitOk;
}

}  // namespace zlv::zlvctl
