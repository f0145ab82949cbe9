#include "settings/ini_file.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <unordered_set>
#include <utility>

namespace zlv {

namespace {

enum class LineKind : std::uint8_t { kOther, kComment, kSection, kKey };

struct LineInfo {
  LineKind kind = LineKind::kOther;
  TextView name;         // section or key name, trimmed
  TextView value;        // key value, trimmed, quotes kept
  std::size_t indent = 0;  // blanks before the first character of the line
};

// What a line is. A line whose first character is '[' and that holds a ']' is
// a section header named by what lies between the '[' and the last ']'; a '['
// line without ']' is ignored. A line whose first character is ';' is a
// comment. Any other line with '=' is a key, split at the first '='.
LineInfo Classify(TextView text) {
  LineInfo info;
  const TextView trimmed = TrimBlanks(text);
  if (trimmed.empty()) return info;
  info.indent = static_cast<std::size_t>(trimmed.data() - text.data());
  if (trimmed.front() == u';') {
    info.kind = LineKind::kComment;
    return info;
  }
  if (trimmed.front() == u'[') {
    const std::size_t close = trimmed.rfind(u']');
    if (close != TextView::npos) {
      info.kind = LineKind::kSection;
      info.name = TrimBlanks(trimmed.substr(1, close - 1));
    }
    return info;
  }
  const std::size_t equals = trimmed.find(u'=');
  if (equals == TextView::npos) return info;
  info.kind = LineKind::kKey;
  info.name = TrimBlanks(trimmed.substr(0, equals));
  info.value = TrimBlanks(trimmed.substr(equals + 1));
  return info;
}

TextView Unquote(TextView value) {
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

bool IsLineBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

// Index of the first line break at or after `from`, or the text's size. Lines
// run to thousands of characters, so the scan takes four characters at a time
// and looks at them one by one only in a group holding a control character
// below 0x0E: (w - 0x000E per unit) & ~w has a unit's top bit set when, and
// only when, some unit of w is below 0x0E (a unit that borrows is below 0x0E;
// no unit borrows unless one below it is below 0x0E).
std::size_t LineBreakAt(TextView text, std::size_t from) {
  constexpr std::uint64_t kEach = 0x0001000100010001;
  constexpr std::uint64_t kTopBits = 0x8000800080008000;
  std::size_t i = from;
  while (i < text.size()) {
    while (text.size() - i >= 4) {
      std::uint64_t word;
      std::memcpy(&word, text.data() + i, sizeof word);
      if (((word - 0x0E * kEach) & ~word & kTopBits) != 0) break;
      i += 4;
    }
    const std::size_t group = std::min(text.size(), i + 4);
    for (; i < group; ++i) {
      if (IsLineBreak(text[i])) return i;
    }
  }
  return i;
}

// Text written into one line: a line break inside it would split the line and
// change the file's structure, so each one becomes a blank.
Text OneLine(TextView text) {
  Text out(text);
  std::replace_if(out.begin(), out.end(), IsLineBreak, u' ');
  return out;
}

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

enum class ByteOrder : std::uint8_t { kLittle, kBig };

// Swaps the two bytes of each 16-bit lane.
constexpr std::uint64_t SwapUnitBytes(std::uint64_t word) {
  return ((word & 0x00FF00FF00FF00FF) << 8) | ((word >> 8) & 0x00FF00FF00FF00FF);
}

// Whether units of the byte order are stored as they lie in memory here.
bool IsNativeOrder(ByteOrder order) {
  return order == (std::endian::native == std::endian::little ? ByteOrder::kLittle
                                                              : ByteOrder::kBig);
}

// Four units at a time, a word's bytes swapped when the file's byte order is
// not the machine's.
Text FromUtf16(std::string_view bytes, ByteOrder order) {
  // An odd trailing byte is not a character and is dropped.
  const std::size_t units = bytes.size() / 2;
  const auto buffer = std::make_unique_for_overwrite<char16_t[]>(units);
  char16_t* o = buffer.get();
  std::memcpy(o, bytes.data(), 2 * units);
  if (!IsNativeOrder(order)) {
    std::size_t i = 0;
    for (; units - i >= 4; i += 4) {
      std::uint64_t word;
      std::memcpy(&word, o + i, sizeof word);
      word = SwapUnitBytes(word);
      std::memcpy(o + i, &word, sizeof word);
    }
    for (; i < units; ++i) o[i] = static_cast<char16_t>((o[i] << 8) | (o[i] >> 8));
  }
  return Text(o, units);
}

void AppendUtf16(std::string& out, TextView text, ByteOrder order) {
  const std::size_t at = out.size();
  out.resize(at + 2 * text.size());
  char* o = out.data() + at;
  std::memcpy(o, text.data(), 2 * text.size());
  if (!IsNativeOrder(order)) {
    std::size_t i = 0;
    for (; 2 * text.size() - i >= 8; i += 8) {
      std::uint64_t word;
      std::memcpy(&word, o + i, sizeof word);
      word = SwapUnitBytes(word);
      std::memcpy(o + i, &word, sizeof word);
    }
    for (; i < 2 * text.size(); i += 2) std::swap(o[i], o[i + 1]);
  }
}

void AppendLatin1(std::string& out, TextView text) {
  for (char16_t c : text) out.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
}

// A snapshot's index key: the key and section names folded, joined by a line
// break. Names read from a file hold no line break, so the join is unambiguous
// there, and a name asked for with one matches nothing, as in Find.
Text IndexKey(TextView section, TextView key) {
  Text joined;
  joined.reserve(key.size() + 1 + section.size());
  joined += key;
  joined += u'\n';
  joined += section;
  return FoldedCase(std::move(joined));
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view bytes) {
  IniDocument doc;
  Text text;
  if (StartsWith(bytes, kUtf16LeBom)) {
    doc.encoding_ = IniEncoding::kUtf16Le;
    text = FromUtf16(bytes.substr(kUtf16LeBom.size()), ByteOrder::kLittle);
  } else if (StartsWith(bytes, kUtf16BeBom)) {
    doc.encoding_ = IniEncoding::kUtf16Be;
    text = FromUtf16(bytes.substr(kUtf16BeBom.size()), ByteOrder::kBig);
  } else if (StartsWith(bytes, kUtf8Bom)) {
    doc.encoding_ = IniEncoding::kUtf8Bom;
    text = FromUtf8(bytes.substr(kUtf8Bom.size()));
  } else if (std::optional<Text> utf8 = FromValidUtf8(bytes)) {
    doc.encoding_ = IniEncoding::kPlainUtf8;
    text = std::move(*utf8);
  } else {
    doc.encoding_ = IniEncoding::kPlainLatin1;
    text = FromLatin1(bytes);
  }

  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = LineBreakAt(text, start);
    Line line{text.substr(start, end - start), Text()};
    if (end < text.size()) {
      const bool crlf = text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n';
      const std::size_t endingLength = crlf ? 2 : 1;
      line.ending = text.substr(end, endingLength);
      end += endingLength;
    }
    doc.lines_.push_back(std::move(line));
    start = end;
  }
  if (!doc.lines_.empty() && !doc.lines_.front().ending.empty()) {
    doc.default_ending_ = doc.lines_.front().ending;
  }
  return doc;
}

std::string IniDocument::Serialize() const {
  Text text;
  for (const Line& line : lines_) {
    text += line.text;
    text += line.ending;
  }
  std::string out;
  switch (encoding_) {
    case IniEncoding::kUtf16Le:
      out.reserve(kUtf16LeBom.size() + text.size() * 2);
      out += kUtf16LeBom;
      AppendUtf16(out, text, ByteOrder::kLittle);
      break;
    case IniEncoding::kUtf16Be:
      out.reserve(kUtf16BeBom.size() + text.size() * 2);
      out += kUtf16BeBom;
      AppendUtf16(out, text, ByteOrder::kBig);
      break;
    case IniEncoding::kUtf8Bom:
      out += kUtf8Bom;
      out += ToUtf8(text);
      break;
    case IniEncoding::kPlainUtf8:
      out = ToUtf8(text);
      break;
    case IniEncoding::kPlainLatin1:
      out.reserve(text.size());
      AppendLatin1(out, text);
      break;
  }
  return out;
}

std::size_t IniDocument::FindSection(TextView section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const LineInfo info = Classify(lines_[i].text);
    if (info.kind == LineKind::kSection && EqualsIgnoreCase(info.name, section)) return i;
  }
  return kNoLine;
}

std::optional<Text> IniDocument::Find(TextView section, TextView key) const {
  const std::size_t header = FindSection(section);
  if (header == kNoLine) return std::nullopt;
  for (std::size_t i = header + 1; i < lines_.size(); ++i) {
    const LineInfo info = Classify(lines_[i].text);
    if (info.kind == LineKind::kSection) break;
    if (info.kind == LineKind::kKey && EqualsIgnoreCase(info.name, key)) {
      return Text(Unquote(info.value));
    }
  }
  return std::nullopt;
}

void IniDocument::InsertLine(std::size_t at, Text text) {
  // The line before the new one must end, or the two would run together.
  if (at > 0 && lines_[at - 1].ending.empty()) lines_[at - 1].ending = default_ending_;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                Line{std::move(text), default_ending_});
}

void IniDocument::Set(TextView section, TextView key, TextView value) {
  const Text cleanValue = OneLine(value);
  const std::size_t header = FindSection(section);
  if (header == kNoLine) {
    InsertLine(lines_.size(), u"[" + OneLine(section) + u"]");
    InsertLine(lines_.size(), OneLine(key) + u"=" + cleanValue);
    return;
  }
  std::size_t lastKey = header;
  for (std::size_t i = header + 1; i < lines_.size(); ++i) {
    const LineInfo info = Classify(lines_[i].text);
    if (info.kind == LineKind::kSection) break;
    if (info.kind != LineKind::kKey) continue;
    if (EqualsIgnoreCase(info.name, key)) {
      // Keep the line's indent and the key as it is spelled in the file.
      Text& text = lines_[i].text;
      text = text.substr(0, info.indent) + Text(info.name) + u"=" + cleanValue;
      return;
    }
    lastKey = i;
  }
  InsertLine(lastKey + 1, OneLine(key) + u"=" + cleanValue);
}

Text CutToBuffer(TextView value, std::size_t bufferChars) {
  if (bufferChars == 0) return Text();
  TextView cut = value.substr(0, std::min(value.size(), bufferChars - 1));
  // Never leave half of a surrogate pair at the end.
  if (!cut.empty() && cut.size() < value.size() && cut.back() >= 0xD800 && cut.back() <= 0xDBFF &&
      value[cut.size()] >= 0xDC00 && value[cut.size()] <= 0xDFFF) {
    cut.remove_suffix(1);
  }
  return Text(cut);
}

IniSnapshot::IniSnapshot(const IniDocument& doc) {
  // As Find sees the file: the keys below the first header of each section
  // name, up to the next header; the first of the same name wins.
  TextView section;
  bool first = false;
  for (const IniDocument::Line& line : doc.lines_) {
    const LineInfo info = Classify(line.text);
    if (info.kind == LineKind::kSection) {
      section = info.name;
      first = sections_.insert(FoldedCase(Text(section))).second;
    } else if (info.kind == LineKind::kKey && first) {
      values_.try_emplace(IndexKey(section, info.name), Unquote(info.value));
    }
  }
}

Text IniSnapshot::Read(TextView section, TextView key, std::size_t bufferChars,
                       TextView defaultValue) const {
  const auto it = values_.find(IndexKey(section, key));
  return CutToBuffer(it != values_.end() ? TextView(it->second) : defaultValue, bufferChars);
}

bool IniSnapshot::HasSection(TextView section) const {
  return sections_.contains(FoldedCase(Text(section)));
}

std::int32_t IniSnapshot::ReadInt(TextView section, TextView key,
                                  std::size_t bufferChars) const {
  return ParseDecimal(Read(section, key, bufferChars));
}

IniSnapshot IniStore::Open(TextView path) {
  FileRead file;
  {
    std::lock_guard lock(mutex_);
    file = files_.Load(path);
  }
  // A file that cannot be read, or only in part, reads like a missing one:
  // every value is its default (never half a file's values).
  return IniSnapshot(file.status == FileReadStatus::kOk ? IniDocument::Parse(file.bytes)
                                                        : IniDocument());
}

Text IniStore::Read(TextView path, TextView section, TextView key, std::size_t bufferChars,
                    TextView defaultValue) {
  return Open(path).Read(section, key, bufferChars, defaultValue);
}

bool IniStore::Write(TextView path, TextView section, TextView key, TextView value) {
  return Write(path, {IniWrite{Text(section), Text(key), Text(value)}});
}

bool IniStore::Write(TextView path, const std::vector<IniWrite>& writes) {
  std::lock_guard lock(mutex_);
  const FileRead before = files_.Load(path);
  // Only a missing file may be written from nothing. One that is there but
  // could not be read whole would lose every line not being written, so the
  // write fails and changes nothing, as WritePrivateProfileStringW does.
  if (before.status != FileReadStatus::kOk && before.status != FileReadStatus::kMissing) {
    return false;
  }
  const bool exists = before.status == FileReadStatus::kOk;
  IniDocument doc = exists ? IniDocument::Parse(before.bytes) : IniDocument();
  for (const IniWrite& write : writes) doc.Set(write.section, write.key, write.value);
  std::string after = doc.Serialize();
  // Values that are already there leave the file alone: no commit, no new timestamp.
  if (exists && after == before.bytes) return true;
  if (!exists && writes.empty()) return true;
  return files_.Replace(path, after);
}

}  // namespace zlv
