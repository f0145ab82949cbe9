// Shared helpers for the tests.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

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

// Polls `condition` in real time until it holds, at most `timeout`; false on
// the timeout. For state other threads change outside any virtual clock.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Text as the bytes of a UTF-16 file of either byte order, with its mark.
std::string Utf16Le(TextView text);
std::string Utf16Be(TextView text);

}  // namespace zlv::testing
