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

std::optional<std::string> MemoryFileStore::Read(TextView path) {
  std::lock_guard lock(mutex_);
  const auto it = files_.find(Key(path));
  if (it == files_.end()) return std::nullopt;
  return it->second;
}

bool MemoryFileStore::Replace(TextView path, const std::string& bytes) {
  std::lock_guard lock(mutex_);
  if (read_only_.count(Key(path)) != 0) return false;
  files_[Key(path)] = bytes;
  ++commits_;
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

int MemoryFileStore::commits() const {
  std::lock_guard lock(mutex_);
  return commits_;
}

}  // namespace zlv
