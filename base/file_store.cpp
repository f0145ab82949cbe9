// FileStore over the C++ standard library; the Windows build uses file_store_win32.cpp.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

#include "base/file_store.h"

namespace zlv {

namespace fs = std::filesystem;

namespace {
// The program builds its paths the Windows way (ExeDir + "\\config.ini");
// here a backslash is the folder separator it stands for.
fs::path NativePath(TextView path) {
  Text p(path);
  for (char16_t& c : p) {
    if (c == u'\\') c = u'/';
  }
  return fs::path(p);
}
}  // namespace

FileRead DiskFileStore::Load(TextView path) {
  const fs::path p = NativePath(path);
  std::error_code ec;
  const fs::file_status status = fs::status(p, ec);
  if (!fs::exists(status)) {
    // Not found, or its folder is missing; any other error (no access to the
    // folder, ...) leaves open whether a file is there.
    return {ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory
                ? FileReadStatus::kUnreadable
                : FileReadStatus::kMissing,
            {}};
  }
  if (!fs::is_regular_file(status)) return {FileReadStatus::kUnreadable, {}};
  std::ifstream in(p, std::ios::binary);
  if (!in) {
    // Removed in the meantime, or not ours to read.
    return {fs::exists(p, ec) || ec ? FileReadStatus::kUnreadable : FileReadStatus::kMissing, {}};
  }
  // The size of the file this stream opened, which a rename over the path
  // since does not change.
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size < 0 || !in) return {FileReadStatus::kUnreadable, {}};
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad() || bytes.size() < static_cast<std::size_t>(size)) {
    return {FileReadStatus::kIncomplete, {}};
  }
  return {FileReadStatus::kOk, std::move(bytes)};
}

bool DiskFileStore::Replace(TextView path, const std::string& bytes) {
  const fs::path target = NativePath(path);
  std::error_code ec;
  const fs::file_status status = fs::status(target, ec);
  if (fs::exists(status)) {
    if (!fs::is_regular_file(status)) return false;
    // The permission bits, not the process's rights: a read-only file stays
    // read-only even for an administrator.
    if ((status.permissions() & fs::perms::owner_write) == fs::perms::none) return false;
  }
  static std::atomic<unsigned> counter{0};
  fs::path temp = target;
  temp += ".tmp" + std::to_string(counter.fetch_add(1));
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      out.close();
      fs::remove(temp, ec);
      return false;
    }
  }
  fs::rename(temp, target, ec);
  if (ec) {
    fs::remove(temp, ec);
    return false;
  }
  return true;
}

FileStore& Disk() {
  static DiskFileStore store;
  return store;
}

}  // namespace zlv
