// FileStore over the Win32 file calls; other builds use file_store.cpp.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <utility>

#include "base/file_store.h"
#include "base/long_path.h"
#include "base/text_win32.h"

namespace zlv {

namespace {

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  bool Close() {
    if (!valid()) return true;
    const BOOL closed = CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed != FALSE;
  }

 private:
  HANDLE handle_;
};

// The path in the form the file calls take at any length: made full, then
// given the extended-length prefix. A path that cannot be made full is used
// as it is.
std::wstring LongPath(TextView path) {
  const std::wstring wide = ToWide(path);
  DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return wide;
  std::wstring full(size, L'\0');
  const DWORD got = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (got == 0 || got >= size) return wide;
  full.resize(got);
  return ToWide(ExtendedLengthPath(FromWide(full)));
}

// Temporaries are swept and renamed under this lock: a sweep never meets a
// temporary of this process between its closing and its rename.
std::mutex& ReplaceLock() {
  static std::mutex lock;
  return lock;
}

// Deletes what writes of `target` that were cut off (the program killed or
// the machine stopping mid-write) left beside it. A temporary another write
// is filling is open without delete sharing, so it stays.
void RemoveLeftoverTemporaries(const std::wstring& target) {
  const Text targetText = FromWide(target);
  const Text folder = FolderOfFile(targetText);
  const TextView name = FileNameOfPath(targetText);
  if (folder.empty() || name.empty()) return;
  Text base = folder;
  if (base.back() != u'\\') base += u'\\';
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(ToWide(base + TemporaryPattern(name)).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const Text candidate = FromWide(found.cFileName);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsTemporaryOf(name, candidate)) {
      DeleteFileW(ToWide(base + candidate).c_str());
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

bool WriteAll(HANDLE file, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::size_t chunk =
        std::min<std::size_t>(bytes.size() - done, std::numeric_limits<DWORD>::max() / 2);
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, static_cast<DWORD>(chunk), &written, nullptr) ||
        written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

// Creates a new temporary file next to `target`; its name goes to `temp`. A
// name left behind by an earlier run is skipped, never overwritten. Nothing
// is shared while it is open, so no sweep deletes it under the writer.
HANDLE CreateTempBeside(const std::wstring& target, std::wstring& temp) {
  static std::atomic<std::uint32_t> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = ToWide(TemporaryPathFor(FromWide(target), GetCurrentProcessId(), counter.fetch_add(1)));
    HANDLE created = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created != INVALID_HANDLE_VALUE) return created;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

FileRead DiskFileStore::Load(TextView path) {
  const std::wstring wide = LongPath(path);
  Handle file(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    // Only these say that nothing is there. Any other error (access denied,
    // a sharing violation, a folder, which CreateFileW does not open this way,
    // ...) may hide a file, which a writer must then not replace.
    const DWORD error = GetLastError();
    return {error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                ? FileReadStatus::kMissing
                : FileReadStatus::kUnreadable,
            {}};
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file.get(), &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return {FileReadStatus::kUnreadable, {}};
  }
  const std::uint64_t size =
      (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  std::string bytes;
  char buffer[64 * 1024];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
      // Access denied, a locked range, a device error, ...
      return {bytes.empty() ? FileReadStatus::kUnreadable : FileReadStatus::kIncomplete, {}};
    }
    if (got == 0) break;
    bytes.append(buffer, got);
  }
  if (bytes.size() < size) return {FileReadStatus::kIncomplete, {}};
  return {FileReadStatus::kOk, std::move(bytes)};
}

bool DiskFileStore::Replace(TextView path, const std::string& bytes) {
  // In the extended-length form, so a target near MAX_PATH and its longer
  // temporary name are both within reach.
  const std::wstring target = LongPath(path);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) return false;
  } else {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return false;  // folder missing, no access, ...
  }
  const std::wstring folder = ToWide(FolderOfFile(FromWide(target)));
  if (!folder.empty()) {
    const DWORD folderAttributes = GetFileAttributesW(folder.c_str());
    if (folderAttributes == INVALID_FILE_ATTRIBUTES ||
        (folderAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      return false;
    }
  }

  {
    std::lock_guard lock(ReplaceLock());
    RemoveLeftoverTemporaries(target);
  }
  std::wstring temp;
  Handle file(CreateTempBeside(target, temp));
  if (!file.valid()) return false;

  const bool written = WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
  std::lock_guard lock(ReplaceLock());
  const bool closed = file.Close();
  if (!written || !closed ||
      !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

FileStore& Disk() {
  static DiskFileStore store;
  return store;
}

}  // namespace zlv
