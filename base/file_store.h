// Whole-file access for the INI engine and the other file users.
#pragma once

#include <optional>
#include <string>

#include "base/text.h"

namespace zlv {

class FileStore {
 public:
  virtual ~FileStore() = default;
  // The file's bytes, or nothing when it cannot be read (missing, a folder, ...).
  virtual std::optional<std::string> Read(TextView path) = 0;
  // Replaces the file's content as one step: the bytes go to a temporary file
  // beside it, which is then renamed over the old one. Returns false, and
  // leaves the old file as it was, when the file is read-only, its folder is
  // missing or any step fails.
  virtual bool Replace(TextView path, const std::string& bytes) = 0;
};

// The real file system (std::filesystem: wide paths on Windows, UTF-8 paths elsewhere).
class DiskFileStore final : public FileStore {
 public:
  std::optional<std::string> Read(TextView path) override;
  bool Replace(TextView path, const std::string& bytes) override;
};

// The process's one disk store.
FileStore& Disk();

}  // namespace zlv
