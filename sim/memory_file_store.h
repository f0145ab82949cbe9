// Files kept in memory: the test double of FileStore, and the scratch copy on
// which zlvctl runs commands that must not change the user's file.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <set>

#include "base/file_store.h"

namespace zlv {

class MemoryFileStore final : public FileStore {
 public:
  FileRead Load(TextView path) override;
  bool Replace(TextView path, const std::string& bytes) override;

  void Put(TextView path, std::string bytes);
  void Remove(TextView path);
  // A read-only file cannot be replaced.
  void SetReadOnly(TextView path, bool readOnly);
  // Reads of the file, while it is there, end with `failure`: kUnreadable (no
  // access, locked) or kIncomplete (a read failing part way); kOk lifts it.
  // Replace still works, as it may on a disk.
  void SetReadFailure(TextView path, FileReadStatus failure);
  // Number of successful Replace calls so far.
  int commits() const;
  // Runs after each successful Replace, outside the lock, with the path as
  // given (tests that follow writes in order with other events).
  void SetReplaceObserver(std::function<void(TextView path)> observer);

 private:
  mutable std::mutex mutex_;
  std::map<Text, std::string> files_;
  std::set<Text> read_only_;
  std::map<Text, FileReadStatus> read_failures_;
  int commits_ = 0;
  std::function<void(TextView)> replace_observer_;
};

}  // namespace zlv
