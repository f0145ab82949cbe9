#include "ui/skin_layout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "sim/memory_file_store.h"
#include "tests/support/fakes.h"

namespace zlv::ui {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

using testing::RecordingMessages;

// UTF-16LE with BOM and CRLF line ends, as the shipped layout files are stored.
std::string Utf16File(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

struct SplitCase {
  const char16_t* value;
  std::size_t commas;
  std::array<const char16_t*, kSkinFieldCount> fields;
};

TEST(SplitSkinValueTest, FieldsAndCommas) {
  const SplitCase cases[] = {
      {u"", 0, {u"", u"", u"", u"", u"", u"", u""}},
      {u"Left Click", 0, {u"Left Click", u"", u"", u"", u"", u"", u""}},
      {u"10,20,30,40,Save,,", 6, {u"10", u"20", u"30", u"40", u"Save", u"", u""}},
      // A seventh comma stays in field 6.
      {u"1,2,3,4,cap,f5,f6,f7", 7, {u"1", u"2", u"3", u"4", u"cap", u"f5", u"f6,f7"}},
      {u",,,,,,,,", 8, {u"", u"", u"", u"", u"", u"", u",,"}},
      // Fewer commas: the text after the last comma is the next field.
      {u"10,20,30,40,Save", 4, {u"10", u"20", u"30", u"40", u"Save", u"", u""}},
      {u"5,6", 1, {u"5", u"6", u"", u"", u"", u"", u""}},
      // Nothing is trimmed inside the value.
      {u"1, 2 ,3,4,  Apply  ,,", 6, {u"1", u" 2 ", u"3", u"4", u"  Apply  ", u"", u""}},
      {u"x,y,w,h,保存,,", 6, {u"x", u"y", u"w", u"h", u"保存", u"", u""}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(ToUtf8(c.value));
    const SkinValue value = SplitSkinValue(c.value);
    EXPECT_EQ(value.commas, c.commas);
    for (std::size_t k = 0; k < kSkinFieldCount; ++k) EXPECT_EQ(value.fields[k], c.fields[k]) << k;
  }
}

TEST(EntryFromFieldsTest, NumbersAreConvertedLikeEveryDecimalValue) {
  struct Case {
    const char16_t* value;
    SkinEntry entry;
  };
  const Case cases[] = {
      {u"10,20,30,40,Save,,", {10, 20, 30, 40, u"Save"}},
      {u"abc,,x1,4px", {0, 0, 0, 4, u""}},
      {u"  -5,+7, 12 ,0009", {-5, 7, 12, 9, u""}},
      {u"-20,-30,-1,-2,neg,,", {-20, -30, -1, -2, u"neg"}},
      {u"99999999999,-99999999999,2147483647,2147483648", {kMax, kMin, kMax, kMax, u""}},
      {u"", {0, 0, 0, 0, u""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.value));
    EXPECT_EQ(EntryFromFields(SplitSkinValue(c.value)), c.entry);
  }
}

TEST(SkinEntryTest, ContainsIsHalfOpenAndNeverOverflows) {
  struct Case {
    SkinEntry entry;
    std::int64_t px, py;
    bool inside;
  };
  const Case cases[] = {
      {{10, 20, 30, 40, u""}, 10, 20, true},
      {{10, 20, 30, 40, u""}, 39, 59, true},
      {{10, 20, 30, 40, u""}, 40, 20, false},
      {{10, 20, 30, 40, u""}, 10, 60, false},
      {{10, 20, 30, 40, u""}, 9, 30, false},
      {{0, 0, 0, 0, u""}, 0, 0, false},
      {{10, 10, -5, 20, u""}, 8, 15, false},
      {{-50, -50, 100, 100, u""}, -50, 49, true},
      {{kMax - 1, kMax - 1, kMax, kMax, u""}, kMax, kMax, true},
      {{kMax - 1, 0, kMax, 1, u""}, kMax - 2, 0, false},
      {{kMin, kMin, kMax, kMax, u""}, -2, -2, true},
      {{kMin, kMin, kMax, kMax, u""}, -1, -2, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.entry.Contains(c.px, c.py), c.inside)
        << c.entry.x << "," << c.entry.y << "," << c.entry.width << "," << c.entry.height
        << " at " << c.px << "," << c.py;
  }
}

TEST(SkinRectTest, EdgesFromPositionAndSizeClampAtTheRange) {
  EXPECT_EQ(SkinRect::FromEntry({10, 20, 30, 40, u""}), (SkinRect{10, 20, 40, 60}));
  EXPECT_EQ(SkinRect::FromEntry({-10, -20, 5, -5, u""}), (SkinRect{-10, -20, -5, -25}));
  EXPECT_EQ(SkinRect::FromEntry({kMax, kMin, kMax, kMin, u""}), (SkinRect{kMax, kMin, kMax, kMin}));
}

TEST(LayoutPathsTest, LanguageChoosesTheFolderAndNames) {
  const SkinLayoutPaths en = LayoutPaths(u"C:\\zlv\\skins", 1);
  EXPECT_EQ(en.main, u"C:\\zlv\\skins\\INI_EN\\skin_main_en.ini");
  EXPECT_EQ(en.color, u"C:\\zlv\\skins\\INI_EN\\skin_color_en.ini");
  EXPECT_EQ(en.advance, u"C:\\zlv\\skins\\INI_EN\\skin_advance_en.ini");
  EXPECT_EQ(en.warning, u"C:\\zlv\\skins\\INI_EN\\LBWarning_en.ini");
  for (std::int32_t language : {0, 2, -1}) {
    const SkinLayoutPaths cn = LayoutPaths(u"C:\\zlv\\skins", language);
    EXPECT_EQ(cn.main, u"C:\\zlv\\skins\\INI_CN\\skin_main.ini") << language;
    EXPECT_EQ(cn.color, u"C:\\zlv\\skins\\INI_CN\\skin_color.ini");
    EXPECT_EQ(cn.advance, u"C:\\zlv\\skins\\INI_CN\\skin_advance.ini");
    EXPECT_EQ(cn.warning, u"C:\\zlv\\skins\\INI_CN\\LBWarning.ini");
  }
}

class SkinReaderTest : public ::testing::Test {
 protected:
  void Put(const Text& path, const std::u16string& text) { files.Put(path, Utf16File(text)); }
  void PutAll() {
    Put(paths.main, u"[BUTTONPOS]\r\n0=10,20,30,40,Save,,\r\n98=1,2,3,4,Last,,\r\n"
                    u"[FUN_STRING]\r\n1=Left Click\r\n54=End,x,y\r\n");
    Put(paths.color, u"[BUTTONPOS]\r\n12=5,6,7,8,Preview,,\r\n");
    Put(paths.advance, u"[BUTTONPOS]\r\n50=1,1,1,1,A50,,\r\n[EDIT]\r\n3=100,200,50,20\r\n"
                       u"4=10,10,80,24,,,\r\n[MACRODISPLAY]\r\n1=0,0,120,300\r\n2=130,0,150,300\r\n");
    Put(paths.warning, u"[BUTTONPOS]\r\n0=1,2,3,4,Yes,,\r\n1=5,6,7,8,No,,\r\n2=9,10,11,12,Sure?,,\r\n");
  }
  bool LoadAll() { return reader.LoadAllLayouts(paths, layout, labels, warning); }

  MemoryFileStore files;
  IniStore ini{files};
  RecordingMessages messages;
  int shutdowns = 0;
  SkinReader reader{ini, messages, [this] { ++shutdowns; }};
  SkinLayoutPaths paths = LayoutPaths(u"C:\\zlv\\skins", 1);
  SkinLayout layout;
  FunctionLabels labels;
  WarningLayout warning;
};

TEST_F(SkinReaderTest, EveryTableIsFilledAndMissingKeysGiveZeroEntries) {
  PutAll();
  ASSERT_TRUE(LoadAll());
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(shutdowns, 0);

  EXPECT_EQ(layout.MainEntries[0], (SkinEntry{10, 20, 30, 40, u"Save"}));
  EXPECT_EQ(layout.MainEntries[98], (SkinEntry{1, 2, 3, 4, u"Last"}));
  EXPECT_EQ(layout.MainEntries[1], SkinEntry{});
  EXPECT_EQ(labels[1], u"Left Click");
  EXPECT_EQ(labels[54], u"End");
  EXPECT_EQ(labels[2], u"");
  EXPECT_EQ(layout.ColorEntries[12], (SkinEntry{5, 6, 7, 8, u"Preview"}));
  EXPECT_EQ(layout.AdvancedEntries[50], (SkinEntry{1, 1, 1, 1, u"A50"}));
  EXPECT_EQ(layout.RepeatEditRect, (SkinRect{100, 200, 150, 220}));
  EXPECT_EQ(layout.NameEditRect, (SkinRect{10, 10, 90, 34}));
  EXPECT_EQ(layout.MacroListRect, (SkinRect{0, 0, 120, 300}));
  EXPECT_EQ(layout.EventListRect, (SkinRect{130, 0, 280, 300}));
  EXPECT_EQ(warning[0], (SkinEntry{1, 2, 3, 4, u"Yes"}));
  EXPECT_EQ(warning[1], (SkinEntry{5, 6, 7, 8, u"No"}));
  EXPECT_EQ(warning[2], (SkinEntry{9, 10, 11, 12, u"Sure?"}));
}

TEST_F(SkinReaderTest, IndexKeysAreDecimalWithoutLeadingZeros) {
  Put(paths.main, u"[BUTTONPOS]\r\n07=1,1,1,1,padded,,\r\n7=2,2,2,2,plain,,\r\n"
                  u"[FUN_STRING]\r\n01=padded\r\n");
  ASSERT_TRUE(reader.LoadMainLayout(paths.main, layout, labels));
  EXPECT_EQ(layout.MainEntries[7].caption, u"plain");
  EXPECT_EQ(labels[1], u"");
}

TEST_F(SkinReaderTest, LabelZeroIsNeverRead) {
  labels[0] = u"kept";
  Put(paths.main, u"[FUN_STRING]\r\n0=zero\r\n");
  ASSERT_TRUE(reader.LoadMainLayout(paths.main, layout, labels));
  EXPECT_EQ(labels[0], u"kept");
}

TEST_F(SkinReaderTest, MoreThanSixCommasIsReportedOncePerKey) {
  Put(paths.main, u"[BUTTONPOS]\r\n3=1,2,3,4,cap,a,b,c\r\n4=1,2,3,4,ok,,\r\n"
                  u"5=,,,,,,,,,,\r\n[FUN_STRING]\r\n9=a,b,c,d,e,f,g,h\r\n");
  ASSERT_TRUE(reader.LoadMainLayout(paths.main, layout, labels));
  EXPECT_EQ(messages.shown, (std::vector<Text>{kSkinValueErrorMessage, kSkinValueErrorMessage,
                                               kSkinValueErrorMessage}));
  EXPECT_EQ(shutdowns, 0);
  EXPECT_EQ(layout.MainEntries[3], (SkinEntry{1, 2, 3, 4, u"cap"}));
  EXPECT_EQ(layout.MainEntries[4].caption, u"ok");
  EXPECT_EQ(layout.MainEntries[5], SkinEntry{});
  EXPECT_EQ(labels[9], u"a");
}

TEST_F(SkinReaderTest, CaptionKeepsBlanksAfterItsCommaButTheValueIsTrimmed) {
  Put(paths.main, u"[BUTTONPOS]\r\n0 =  1,2,3,4,  Apply ,,  \r\n1=\"1,2,3,4, quoted \"\r\n");
  ASSERT_TRUE(reader.LoadMainLayout(paths.main, layout, labels));
  EXPECT_EQ(layout.MainEntries[0], (SkinEntry{1, 2, 3, 4, u"  Apply "}));
  EXPECT_EQ(layout.MainEntries[1], (SkinEntry{1, 2, 3, 4, u" quoted "}));
}

TEST_F(SkinReaderTest, OnlyTheFirst259CharactersOfAValueCount) {
  const std::u16string caption(300, u'c');
  Put(paths.main, u"[BUTTONPOS]\r\n0=1,2,3,4," + caption + u",,\r\n");
  ASSERT_TRUE(reader.LoadMainLayout(paths.main, layout, labels));
  EXPECT_EQ(layout.MainEntries[0].caption, std::u16string(259 - 8, u'c'));
}

TEST_F(SkinReaderTest, PlainTextFilesAreReadToo) {
  files.Put(paths.color, "[buttonpos]\n0 = 1,2,3,4,Slow,,\n");
  ASSERT_TRUE(reader.LoadColorLayout(paths.color, layout));
  EXPECT_EQ(layout.ColorEntries[0], (SkinEntry{1, 2, 3, 4, u"Slow"}));
}

TEST_F(SkinReaderTest, MissingFileReportsOnceShutsDownAndStopsLoading) {
  // Each file in turn is missing: the ones before it load, nothing after it
  // is read, and the tables it would fill keep what they held.
  const Text SkinLayoutPaths::*const order[] = {&SkinLayoutPaths::main, &SkinLayoutPaths::color,
                                                &SkinLayoutPaths::advance,
                                                &SkinLayoutPaths::warning};
  for (std::size_t missing = 0; missing < 4; ++missing) {
    SCOPED_TRACE(missing);
    PutAll();
    files.Remove(paths.*order[missing]);
    messages.shown.clear();
    shutdowns = 0;
    layout = SkinLayout{};
    labels = FunctionLabels{};
    warning = WarningLayout{};
    layout.ColorEntries[12].caption = u"before";
    warning[2].caption = u"before";

    EXPECT_FALSE(LoadAll());
    EXPECT_EQ(messages.shown, std::vector<Text>{kSkinMissingFileMessage});
    EXPECT_EQ(shutdowns, 1);
    EXPECT_EQ(labels[1] == u"Left Click", missing > 0);
    EXPECT_EQ(layout.ColorEntries[12].caption, missing > 1 ? u"Preview" : u"before");
    EXPECT_EQ(layout.AdvancedEntries[50].caption, missing > 2 ? u"A50" : u"");
    EXPECT_EQ(warning[2].caption, u"before");
  }
}

TEST_F(SkinReaderTest, PageLayoutsDoNotReadTheWarningFile) {
  PutAll();
  files.Remove(paths.warning);
  EXPECT_TRUE(reader.LoadPageLayouts(paths, layout, labels));
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(shutdowns, 0);
}

TEST_F(SkinReaderTest, ReadSkinValueOfAMissingFile) {
  EXPECT_FALSE(reader.ReadSkinValue(u"C:\\nowhere.ini", kButtonPosSection, 0).has_value());
  EXPECT_EQ(messages.shown, std::vector<Text>{kSkinMissingFileMessage});
  EXPECT_EQ(shutdowns, 1);

  Put(paths.main, u"[BUTTONPOS]\r\n12=1,2,3,4,Min,,\r\n");
  const std::optional<SkinValue> value = reader.ReadSkinValue(paths.main, kButtonPosSection, 12);
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->fields[4], u"Min");
  EXPECT_EQ(value->commas, 6u);
}

TEST_F(SkinReaderTest, ReloadReplacesEveryEntryIncludingOnesTheOtherFileLacked) {
  const SkinLayoutPaths cn = LayoutPaths(u"C:\\zlv\\skins", 0);
  Put(cn.main, u"[BUTTONPOS]\r\n0=1,1,10,10,保存,,\r\n[FUN_STRING]\r\n1=左键\r\n");
  Put(paths.main, u"[BUTTONPOS]\r\n1=2,2,20,20,Caption,,\r\n[FUN_STRING]\r\n2=Right Click\r\n");

  ASSERT_TRUE(reader.LoadMainLayout(cn.main, layout, labels));
  EXPECT_EQ(layout.MainEntries[0].caption, u"保存");
  EXPECT_EQ(layout.MainEntries[1], SkinEntry{});

  ASSERT_TRUE(reader.LoadMainLayout(paths.main, layout, labels));
  EXPECT_EQ(layout.MainEntries[0], SkinEntry{});
  EXPECT_EQ(layout.MainEntries[1], (SkinEntry{2, 2, 20, 20, u"Caption"}));
  EXPECT_EQ(labels[1], u"");
  EXPECT_EQ(labels[2], u"Right Click");
}

TEST_F(SkinReaderTest, WithoutAShutdownCallbackAMissingFileIsStillReported) {
  SkinReader bare(ini, messages, nullptr);
  EXPECT_FALSE(bare.LoadColorLayout(u"C:\\missing.ini", layout));
  EXPECT_EQ(messages.shown, std::vector<Text>{kSkinMissingFileMessage});
}

}  // namespace
}  // namespace zlv::ui
