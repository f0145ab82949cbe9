// Files kept in memory: the test double of FileStore, and the scratch copy on
// which zlvctl runs commands that must not change the user's file.
#pragma once

#include <map>
#include <mutex>
#include <set>

#include "base/file_store.h"

namespace zlv {

class MemoryFileStore final : public FileStore {
 public:
  std::optional<std::string> Read(TextView path) override;
  bool Replace(TextView path, const std::string& bytes) override;

  void Put(TextView path, std::string bytes);
  void Remove(TextView path);
  // A read-only file cannot be replaced.
  void SetReadOnly(TextView path, bool readOnly);
  // Number of successful Replace calls so far.
  int commits() const;

 private:
  mutable std::mutex mutex_;
  std::map<Text, std::string> files_;
  std::set<Text> read_only_;
  int commits_ = 0;
};

}  // namespace zlv
