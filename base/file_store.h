// Whole-file access for the INI engine and the other file users.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "base/text.h"

namespace zlv {

// What reading a whole file found. Only kMissing means there is no file: a
// writer may then create one, while after any other failure it must leave the
// file alone, since it does not know what the file holds.
enum class FileReadStatus : std::uint8_t {
  kOk,          // every byte of the file was read
  kMissing,     // no file at the path (or its folder is missing)
  kUnreadable,  // something is there but cannot be read: no access, locked, a folder, ...
  kIncomplete,  // the read failed part way or gave fewer bytes than the file's size
};

struct FileRead {
  FileReadStatus status = FileReadStatus::kMissing;
  std::string bytes;  // the whole file when status is kOk, else empty
};

class FileStore {
 public:
  virtual ~FileStore() = default;
  // The file's bytes and whether they are all of it.
  virtual FileRead Load(TextView path) = 0;
  // Replaces the file's content as one step: the bytes go to a temporary file
  // beside it, which is then renamed over the old one. Returns false, and
  // leaves the old file as it was, when the file is read-only, its folder is
  // missing or any step fails.
  virtual bool Replace(TextView path, const std::string& bytes) = 0;

  // The file's bytes, or nothing when they could not all be read (missing,
  // unreadable, a folder, a read failing part way).
  std::optional<std::string> Read(TextView path);
};

inline std::optional<std::string> FileStore::Read(TextView path) {
  FileRead read = Load(path);
  if (read.status != FileReadStatus::kOk) return std::nullopt;
  return std::move(read.bytes);
}

// The real file system (std::filesystem: wide paths on Windows, UTF-8 paths elsewhere).
class DiskFileStore final : public FileStore {
 public:
  FileRead Load(TextView path) override;
  bool Replace(TextView path, const std::string& bytes) override;
};

// The process's one disk store.
FileStore& Disk();

}  // namespace zlv
