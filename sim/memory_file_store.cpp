#include "sim/memory_file_store.h"

namespace zlv {

namespace {
// Either separator names the same file.
Text Key(TextView path) {
  Text key(path);
  for (char16_t& c : key) {
    if (c == u'/') c = u'\\';
  }
  return key;
}
}  // namespace

FileRead MemoryFileStore::Load(TextView path) {
  std::lock_guard lock(mutex_);
  const Text key = Key(path);
  const auto it = files_.find(key);
  if (it == files_.end()) return {FileReadStatus::kMissing, {}};
  const auto failure = read_failures_.find(key);
  if (failure != read_failures_.end()) return {failure->second, {}};
  return {FileReadStatus::kOk, it->second};
}

bool MemoryFileStore::Replace(TextView path, const std::string& bytes) {
  std::function<void(TextView)> observer;
  {
    std::lock_guard lock(mutex_);
    if (read_only_.count(Key(path)) != 0) return false;
    files_[Key(path)] = bytes;
    ++commits_;
    observer = replace_observer_;
  }
  if (observer) observer(path);
  return true;
}

void MemoryFileStore::Put(TextView path, std::string bytes) {
  std::lock_guard lock(mutex_);
  files_[Key(path)] = std::move(bytes);
}

void MemoryFileStore::Remove(TextView path) {
  std::lock_guard lock(mutex_);
  files_.erase(Key(path));
}

void MemoryFileStore::SetReadOnly(TextView path, bool readOnly) {
  std::lock_guard lock(mutex_);
  if (readOnly) {
    read_only_.insert(Key(path));
  } else {
    read_only_.erase(Key(path));
  }
}

void MemoryFileStore::SetReadFailure(TextView path, FileReadStatus failure) {
  std::lock_guard lock(mutex_);
  if (failure == FileReadStatus::kOk) {
    read_failures_.erase(Key(path));
  } else {
    read_failures_[Key(path)] = failure;
  }
}

void MemoryFileStore::SetReplaceObserver(std::function<void(TextView path)> observer) {
  std::lock_guard lock(mutex_);
  replace_observer_ = std::move(observer);
}

int MemoryFileStore::commits() const {
  std::lock_guard lock(mutex_);
  return commits_;
}

}  // namespace zlv
