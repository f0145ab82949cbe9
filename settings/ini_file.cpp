#include "settings/ini_file.h"

#include <algorithm>

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
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

Text FromUtf16Le(std::string_view bytes) {
  Text out;
  out.reserve(bytes.size() / 2);
  // An odd trailing byte is not a character and is dropped.
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto lo = static_cast<unsigned char>(bytes[i]);
    const auto hi = static_cast<unsigned char>(bytes[i + 1]);
    out.push_back(static_cast<char16_t>(lo | (hi << 8)));
  }
  return out;
}

void AppendUtf16Le(std::string& out, TextView text) {
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
}

void AppendLatin1(std::string& out, TextView text) {
  for (char16_t c : text) out.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view bytes) {
  IniDocument doc;
  Text text;
  if (StartsWith(bytes, kUtf16LeBom)) {
    doc.encoding_ = IniEncoding::kUtf16Le;
    text = FromUtf16Le(bytes.substr(kUtf16LeBom.size()));
  } else if (StartsWith(bytes, kUtf8Bom)) {
    doc.encoding_ = IniEncoding::kUtf8Bom;
    text = FromUtf8(bytes.substr(kUtf8Bom.size()));
  } else if (IsValidUtf8(bytes)) {
    doc.encoding_ = IniEncoding::kPlainUtf8;
    text = FromUtf8(bytes);
  } else {
    doc.encoding_ = IniEncoding::kPlainLatin1;
    text = FromLatin1(bytes);
  }

  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && !IsLineBreak(text[end])) ++end;
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
      AppendUtf16Le(out, text);
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

Text IniSnapshot::Read(TextView section, TextView key, std::size_t bufferChars,
                       TextView defaultValue) const {
  const std::optional<Text> value = doc_.Find(section, key);
  return CutToBuffer(value ? TextView(*value) : defaultValue, bufferChars);
}

std::int32_t IniSnapshot::ReadInt(TextView section, TextView key,
                                  std::size_t bufferChars) const {
  return ParseDecimal(Read(section, key, bufferChars));
}

IniSnapshot IniStore::Open(TextView path) {
  std::optional<std::string> bytes;
  {
    std::lock_guard lock(mutex_);
    bytes = files_.Read(path);
  }
  return IniSnapshot(bytes ? IniDocument::Parse(*bytes) : IniDocument());
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
  const std::optional<std::string> before = files_.Read(path);
  IniDocument doc = before ? IniDocument::Parse(*before) : IniDocument();
  for (const IniWrite& write : writes) doc.Set(write.section, write.key, write.value);
  std::string after = doc.Serialize();
  // Values that are already there leave the file alone: no commit, no new timestamp.
  if (before && after == *before) return true;
  if (!before && writes.empty()) return true;
  return files_.Replace(path, after);
}

}  // namespace zlv
