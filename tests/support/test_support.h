// Shared helpers for the tests.
#pragma once

#include <filesystem>
#include <string>

#include "base/text.h"

namespace zlv::testing {

// A fresh folder below the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The path of a file inside the folder, as program text.
  Text File(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// Path of a file in the source tree (for shipped data), as program text.
Text SourceFile(const std::string& relative);

std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);

// Text as the bytes of a UTF-16 file of either byte order, with its mark.
std::string Utf16Le(TextView text);
std::string Utf16Be(TextView text);

}  // namespace zlv::testing
