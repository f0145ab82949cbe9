#include "base/memory_file_store.h"

namespace zlv {

std::optional<std::string> MemoryFileStore::Read(TextView path) {
  std::lock_guard lock(mutex_);
  const auto it = files_.find(Text(path));
  if (it == files_.end()) return std::nullopt;
  return it->second;
}

bool MemoryFileStore::Replace(TextView path, const std::string& bytes) {
  std::lock_guard lock(mutex_);
  if (read_only_.count(Text(path)) != 0) return false;
  files_[Text(path)] = bytes;
  ++commits_;
  return true;
}

void MemoryFileStore::Put(TextView path, std::string bytes) {
  std::lock_guard lock(mutex_);
  files_[Text(path)] = std::move(bytes);
}

void MemoryFileStore::Remove(TextView path) {
  std::lock_guard lock(mutex_);
  files_.erase(Text(path));
}

void MemoryFileStore::SetReadOnly(TextView path, bool readOnly) {
  std::lock_guard lock(mutex_);
  if (readOnly) {
    read_only_.insert(Text(path));
  } else {
    read_only_.erase(Text(path));
  }
}

int MemoryFileStore::commits() const {
  std::lock_guard lock(mutex_);
  return commits_;
}

}  // namespace zlv
