// INI files with the semantics of the Windows private-profile calls, shared by
// config.ini, profile exchange files, macro files and skin layout files. The
// same code runs in every build, so behaviour does not depend on the platform.
//
// Reading: section and key names match ignoring case, blanks around names and
// values are trimmed, a value in matching quotes loses them, the first match
// wins, a read into a buffer of N characters yields at most N - 1 characters,
// and a missing file, section or key reads as the default (normally empty).
//
// Files in UTF-16 with BOM (either byte order), UTF-8 with BOM and plain 8-bit
// text (UTF-8 when valid, else Latin-1) are read; a written file keeps its
// encoding and line ends; a new file is plain text with CRLF line ends.
// Writing replaces a key in place, appends a new key after the last entry of
// its section and a new section at the end of the file; every other line stays
// as it was. A file that is there but cannot be read whole reads like a missing
// one, and a write to it fails and leaves it alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/file_store.h"
#include "base/text.h"

namespace zlv {

enum class IniEncoding : std::uint8_t {
  kPlainUtf8,    // no BOM, valid UTF-8 (plain ASCII included)
  kPlainLatin1,  // no BOM, not valid UTF-8: one byte per character
  kUtf8Bom,
  kUtf16Le,      // with BOM
  kUtf16Be,      // with BOM
};

// One INI file's text in memory, line by line, as read from disk.
class IniDocument {
 public:
  IniDocument() = default;
  // Never fails: any bytes give some document.
  static IniDocument Parse(std::string_view bytes);
  // The file's bytes in the document's encoding and line ends.
  std::string Serialize() const;

  // Value of the first matching key, trimmed and unquoted; nothing when the
  // section or key is missing.
  std::optional<Text> Find(TextView section, TextView key) const;
  // Sets a key, adding the key or the section when missing. A line break in
  // the section, key or value becomes a blank, so one call never adds more than
  // a section header and a key line.
  void Set(TextView section, TextView key, TextView value);

  IniEncoding encoding() const { return encoding_; }

 private:
  friend class IniSnapshot;
  struct Line {
    Text text;
    Text ending;  // u"\r\n", u"\n", u"\r" or empty for the last line
  };
  static constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);
  // Index of the first header of the section, or kNoLine.
  std::size_t FindSection(TextView section) const;
  // Inserts a line before index `at`, ending the line before it if needed.
  void InsertLine(std::size_t at, Text text);

  IniEncoding encoding_ = IniEncoding::kPlainUtf8;
  Text default_ending_ = u"\r\n";
  std::vector<Line> lines_;
};

// The text a read into a buffer of `bufferChars` characters yields.
Text CutToBuffer(TextView value, std::size_t bufferChars);

// A file parsed once for many reads (a profile load reads 22 keys, a skin
// layout more than a hundred). Reads give what IniDocument::Find gives, looked
// up in an index of the file's keys built once, so a read does not walk the
// file.
class IniSnapshot {
 public:
  explicit IniSnapshot(const IniDocument& doc);
  Text Read(TextView section, TextView key, std::size_t bufferChars,
            TextView defaultValue = u"") const;
  // ParseDecimal of Read(section, key, bufferChars).
  std::int32_t ReadInt(TextView section, TextView key, std::size_t bufferChars) const;
  // Whether the file has a header of that section (names compare without case).
  bool HasSection(TextView section) const;

 private:
  // Value (trimmed, unquoted) by IndexKey(section, key).
  std::unordered_map<Text, Text> values_;
  std::unordered_set<Text> sections_;  // section names, folded
};

struct IniWrite {
  Text section;
  Text key;
  Text value;
};

// The process's INI access. Each write is one read-modify-write of the file
// under one lock, committed with FileStore::Replace, so threads writing the
// same file do not lose each other's keys and a failed write changes nothing.
class IniStore {
 public:
  explicit IniStore(FileStore& files) : files_(files) {}

  IniSnapshot Open(TextView path);
  Text Read(TextView path, TextView section, TextView key, std::size_t bufferChars,
            TextView defaultValue = u"");
  // Returns false when the file could not be written, or is there but could
  // not be read whole (so its other lines are unknown); nothing changed then.
  // Writes that leave every byte of the file as it was commit nothing.
  bool Write(TextView path, TextView section, TextView key, TextView value);
  // Several keys, one commit.
  bool Write(TextView path, const std::vector<IniWrite>& writes);

  FileStore& files() { return files_; }

 private:
  FileStore& files_;
  std::mutex mutex_;
};

}  // namespace zlv
