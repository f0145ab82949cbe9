// The Win32 file store tells a missing file from one it cannot read, and the
// INI engine then writes as the private-profile calls do.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>
#include <string>

#include "base/file_store.h"
#include "base/text_win32.h"
#include "settings/ini_file.h"
#include "tests/support/test_support.h"

namespace zlv {
namespace {

namespace fs = std::filesystem;

// A handle of another opener that shares nothing: while it is open, nobody
// else may open the file (or rename over it).
class ExclusiveOpen {
 public:
  explicit ExclusiveOpen(const Text& path)
      : handle_(CreateFileW(ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~ExclusiveOpen() {
    if (valid()) CloseHandle(handle_);
  }
  ExclusiveOpen(const ExclusiveOpen&) = delete;
  ExclusiveOpen& operator=(const ExclusiveOpen&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

using testing::Utf16Be;

Text ProfileString(const Text& path, const wchar_t* section, const wchar_t* key) {
  wchar_t buffer[64] = {};
  GetPrivateProfileStringW(section, key, L"", buffer, 64, ToWide(path).c_str());
  return FromWide(buffer);
}

class Win32FileStoreTest : public ::testing::Test {
 protected:
  std::size_t FilesInDir() const {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()));
  }

  testing::TempDir dir_;
  IniStore ini_{Disk()};
};

TEST_F(Win32FileStoreTest, LoadTellsMissingFromUnreadable) {
  const Text path = dir_.File("config.ini");
  EXPECT_EQ(Disk().Load(path).status, FileReadStatus::kMissing);
  EXPECT_EQ(Disk().Load(dir_.File("none\\config.ini")).status, FileReadStatus::kMissing);
  testing::WriteBytes(fs::path(path), "[Init]\r\nCurConfig=2\r\n");
  const FileRead read = Disk().Load(path);
  EXPECT_EQ(read.status, FileReadStatus::kOk);
  EXPECT_EQ(read.bytes, "[Init]\r\nCurConfig=2\r\n");
  {
    const ExclusiveOpen other(path);
    ASSERT_TRUE(other.valid());
    EXPECT_EQ(Disk().Load(path).status, FileReadStatus::kUnreadable);
    EXPECT_EQ(Disk().Read(path), std::nullopt);
  }
  fs::create_directory(dir_.path() / "folder.ini");
  EXPECT_EQ(Disk().Load(dir_.File("folder.ini")).status, FileReadStatus::kUnreadable);
}

// A config.ini that another program holds open without sharing: the write
// reports failure and every byte stays, as WritePrivateProfileStringW does.
TEST_F(Win32FileStoreTest, WriteToAFileItCannotReadFailsAndChangesNothing) {
  const Text path = dir_.File("config.ini");
  const std::string before =
      "[Init]\r\nCurConfig=1\r\n[Config1]\r\nK0=1\r\nDPI_LEVEL=2\r\n[CfgReset2]\r\nK0=3\r\n";
  testing::WriteBytes(fs::path(path), before);
  {
    const ExclusiveOpen other(path);
    ASSERT_TRUE(other.valid());
    EXPECT_FALSE(ini_.Write(path, u"Config1", u"DPI_LEVEL", u"0"));
    EXPECT_FALSE(WritePrivateProfileStringW(L"Config1", L"DPI_LEVEL", L"0", ToWide(path).c_str()));
    // Reads give the defaults, as GetPrivateProfileStringW does.
    EXPECT_EQ(ini_.Read(path, u"Config1", u"DPI_LEVEL", 5, u"d"), u"d");
  }
  EXPECT_EQ(testing::ReadBytes(fs::path(path)), before);
  EXPECT_EQ(FilesInDir(), 1u);  // no temporary file left behind
  EXPECT_TRUE(ini_.Write(path, u"Config1", u"DPI_LEVEL", u"0"));
  EXPECT_EQ(ProfileString(path, L"CfgReset2", L"K0"), u"3");
}

// A folder of exactly `length` characters below `root`, made with the
// extended-length calls (the plain ones stop short of MAX_PATH).
std::wstring FolderOfLength(const std::wstring& root, std::size_t length) {
  std::wstring folder = root;
  while (folder.size() < length) {
    // Components of at most 100 characters; none ends in a dot or a blank.
    const std::size_t room = length - folder.size() - 1;
    const std::size_t part = room > 100 && room - 100 < 2 ? 90 : std::min<std::size_t>(room, 100);
    folder += L"\\" + std::wstring(part, L'd');
    CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
  }
  return folder;
}

// Removes a folder and everything below it, at any depth (the test's own
// clean-up uses the plain calls, which cannot reach that far).
void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((L"\\\\?\\" + folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveTree(path);
      } else {
        DeleteFileW((L"\\\\?\\" + path).c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW((L"\\\\?\\" + folder).c_str());
}

std::size_t FilesIn(const std::wstring& folder) {
  std::size_t files = 0;
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((L"\\\\?\\" + folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) ++files;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return files;
}

// Every write goes through a temporary with a longer name beside its target:
// a target just inside MAX_PATH (an ExeDir or an export path that long), and
// one beyond it, are written and read back whole, and nothing is left beside.
TEST_F(Win32FileStoreTest, WritesNearAndBeyondMaxPathReachTheFile) {
  const std::wstring root = fs::absolute(dir_.path()).wstring();
  for (const std::size_t length : {std::size_t{MAX_PATH - 15}, std::size_t{MAX_PATH - 1}, std::size_t{MAX_PATH + 40}}) {
    SCOPED_TRACE("a path of " + std::to_string(length) + " characters");
    const std::wstring name = L"config.ini";
    const std::wstring base = root + L"\\" + std::to_wstring(length);
    ASSERT_TRUE(CreateDirectoryW(base.c_str(), nullptr));
    const std::wstring folder = FolderOfLength(base, length - name.size() - 1);
    const Text path = FromWide(folder + L"\\" + name);
    ASSERT_EQ(path.size(), length);
    EXPECT_TRUE(Disk().Replace(path, "[Init]\r\nCurConfig=1\r\n"));
    EXPECT_TRUE(ini_.Write(path, u"Init", u"CurConfig", u"4"));
    const FileRead read = Disk().Load(path);
    EXPECT_EQ(read.status, FileReadStatus::kOk);
    EXPECT_EQ(read.bytes, "[Init]\r\nCurConfig=4\r\n");
    EXPECT_EQ(FilesIn(folder), 1u);
    RemoveTree(base);
  }
}

// A write cut off (the program killed mid-save) leaves its temporary beside
// the file: the next write of that file removes it, and only it.
TEST_F(Win32FileStoreTest, TheNextWriteRemovesWhatAWriteCutOffLeft) {
  const Text path = dir_.File("Macro_EN.dat");
  testing::WriteBytes(fs::path(path), "old");
  for (const char* name : {"Macro_EN.dat.zlvtmp2c-0", "Macro_EN.dat.zlvtmp3d0-1f", "Macro_EN.dat.bak",
                           "Macro_EN.dat.zlvtmp-copy", "Macro_CN.dat.zlvtmp2c-0"}) {
    testing::WriteBytes(dir_.path() / name, "cut off");
  }
  // A temporary another write is filling is still open: it stays.
  const Text filling = dir_.File("Macro_EN.dat.zlvtmp4e-2");
  testing::WriteBytes(fs::path(filling), "being written");
  {
    const ExclusiveOpen writer(filling);
    ASSERT_TRUE(writer.valid());
    EXPECT_TRUE(Disk().Replace(path, "new"));
  }
  EXPECT_EQ(testing::ReadBytes(fs::path(path)), "new");
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir_.path())) left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"Macro_CN.dat.zlvtmp2c-0", "Macro_EN.dat", "Macro_EN.dat.bak",
                                            "Macro_EN.dat.zlvtmp-copy", "Macro_EN.dat.zlvtmp4e-2"}));
}

// A UTF-16BE config.ini as the private-profile calls read and write it.
TEST_F(Win32FileStoreTest, Utf16BigEndianFileAgreesWithTheSystem) {
  const Text path = dir_.File("config.ini");
  testing::WriteBytes(fs::path(path),
                      Utf16Be(u"[Init]\r\nCurConfig=3\r\n[Config1]\r\nK0=1\r\nDPI_LEVEL=2\r\n"));
  EXPECT_EQ(ini_.Open(path).ReadInt(u"Init", u"CurConfig", 5), 3);
  EXPECT_EQ(ProfileString(path, L"Init", L"CurConfig"), u"3");

  ASSERT_TRUE(ini_.Write(path, {{u"Config1", u"DPI_LEVEL", u"0"},
                                {u"Config1", u"FIRE_TIME", u"50"},
                                {u"Config6", u"DPI_LEVEL", u"1"}}));
  EXPECT_EQ(testing::ReadBytes(fs::path(path)),
            Utf16Be(u"[Init]\r\nCurConfig=3\r\n[Config1]\r\nK0=1\r\nDPI_LEVEL=0\r\n"
                    u"FIRE_TIME=50\r\n[Config6]\r\nDPI_LEVEL=1\r\n"));
  EXPECT_EQ(ProfileString(path, L"Config1", L"DPI_LEVEL"), u"0");
  EXPECT_EQ(ProfileString(path, L"Config1", L"FIRE_TIME"), u"50");
  EXPECT_EQ(ProfileString(path, L"Config6", L"DPI_LEVEL"), u"1");

  // What the system writes into the file, the engine reads.
  ASSERT_TRUE(WritePrivateProfileStringW(L"Config1", L"USB_SPEED", L"3", ToWide(path).c_str()));
  EXPECT_EQ(ini_.Read(path, u"Config1", u"USB_SPEED", 5), u"3");
  EXPECT_EQ(ini_.Read(path, u"Config1", u"DPI_LEVEL", 5), u"0");
  EXPECT_EQ(testing::ReadBytes(fs::path(path)).substr(0, 2), "\xFE\xFF");
}

}  // namespace
}  // namespace zlv
