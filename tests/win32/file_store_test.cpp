// The Win32 file store tells a missing file from one it cannot read, and the
// INI engine then writes as the private-profile calls do.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
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
