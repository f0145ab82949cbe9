#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/file_store.h"
#include "sim/memory_file_store.h"
#include "tests/support/test_support.h"

namespace zlv {
namespace {

namespace fs = std::filesystem;

using testing::Utf16Be;
using testing::Utf16Le;

// ---------------------------------------------------------------- reading

struct ReadCase {
  const char* name;
  std::string file;
  Text section;
  Text key;
  std::size_t buffer;
  Text defaultValue;
  Text expected;
};

class IniReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReadTest, ReadsValue) {
  const ReadCase& c = GetParam();
  const IniSnapshot snapshot(IniDocument::Parse(c.file));
  EXPECT_EQ(snapshot.Read(c.section, c.key, c.buffer, c.defaultValue), c.expected);
}

const std::string kSample =
    "; settings\r\n"
    "top=outside\r\n"
    "[Init]\r\n"
    "CurConfig=3\r\n"
    "  Spaced Key  =   padded value  \r\n"
    "dq=\"quoted  \"\r\n"
    "sq=' single '\r\n"
    "mixed=\"a'\r\n"
    "lone=\"\r\n"
    "inner=a\"b\"c\r\n"
    "eq=a=b=c\r\n"
    ";CurConfig=9\r\n"
    "no equals sign\r\n"
    "[broken\r\n"
    "after=broken header\r\n"
    "dup=first\r\n"
    "dup=second\r\n"
    "empty=\r\n"
    "long=abcdefghijklmnopqrstuvwxyz\r\n"
    "[Other]\r\n"
    "CurConfig=5\r\n"
    "[INIT]\r\n"
    "onlyInSecond=1\r\n";

const ReadCase kReadCases[] = {
    {"Plain", kSample, u"Init", u"CurConfig", 260, u"", u"3"},
    {"SectionIgnoresCase", kSample, u"iNiT", u"CurConfig", 260, u"", u"3"},
    {"KeyIgnoresCase", kSample, u"Init", u"CURCONFIG", 260, u"", u"3"},
    {"BlanksTrimmed", kSample, u"Init", u"Spaced Key", 260, u"", u"padded value"},
    {"DoubleQuotesRemoved", kSample, u"Init", u"dq", 260, u"", u"quoted  "},
    {"SingleQuotesRemoved", kSample, u"Init", u"sq", 260, u"", u" single "},
    {"MismatchedQuotesKept", kSample, u"Init", u"mixed", 260, u"", u"\"a'"},
    {"LoneQuoteKept", kSample, u"Init", u"lone", 260, u"", u"\""},
    {"InnerQuotesKept", kSample, u"Init", u"inner", 260, u"", u"a\"b\"c"},
    {"SplitAtFirstEquals", kSample, u"Init", u"eq", 260, u"", u"a=b=c"},
    {"HeaderWithoutBracketIgnored", kSample, u"Init", u"after", 260, u"", u"broken header"},
    {"FirstKeyWins", kSample, u"Init", u"dup", 260, u"", u"first"},
    {"EmptyValue", kSample, u"Init", u"empty", 260, u"x", u""},
    {"SectionEndsAtNextHeader", kSample, u"Other", u"CurConfig", 260, u"", u"5"},
    {"FirstSectionWins", kSample, u"Init", u"onlyInSecond", 260, u"d", u"d"},
    {"KeyBeforeAnySectionUnreachable", kSample, u"", u"top", 260, u"d", u"d"},
    {"CommentIsNoKey", kSample, u"Init", u";CurConfig", 260, u"d", u"d"},
    {"LineWithoutEqualsIsNoKey", kSample, u"Init", u"no equals sign", 260, u"d", u"d"},
    {"MissingSection", kSample, u"Nope", u"CurConfig", 260, u"fallback", u"fallback"},
    {"MissingKey", kSample, u"Init", u"Nope", 260, u"fallback", u"fallback"},
    {"Cut5To4", kSample, u"Init", u"long", 5, u"", u"abcd"},
    {"Cut10To9", kSample, u"Init", u"long", 10, u"", u"abcdefghi"},
    {"Cut3To2", kSample, u"Init", u"long", 3, u"", u"ab"},
    {"Cut260To259", "[s]\nk=" + std::string(300, 'x') + "\n", u"s", u"k", 260, u"",
     Text(259, u'x')},
    {"BufferOfOneGivesEmpty", kSample, u"Init", u"long", 1, u"", u""},
    {"BufferOfZeroGivesEmpty", kSample, u"Init", u"long", 0, u"", u""},
    {"DefaultIsCut", kSample, u"Init", u"Nope", 4, u"defaults", u"def"},
    {"CutAfterUnquoting", kSample, u"Init", u"dq", 3, u"", u"qu"},
    {"LfLineEnds", "[a]\nk=1\n[b]\nk=2\n", u"b", u"k", 260, u"", u"2"},
    {"CrLineEnds", "[a]\rk=1\r[b]\rk=2", u"b", u"k", 260, u"", u"2"},
    {"LastLineWithoutEnding", "[a]\r\nk=last", u"a", u"k", 260, u"", u"last"},
    {"TabsTrimmed", "\t[ a ]\t\r\n\tk\t=\t1\t\r\n", u"a", u"k", 260, u"", u"1"},
    {"TextAfterHeader", "[a] ; note\r\nk=1\r\n", u"a", u"k", 260, u"", u"1"},
    {"Latin1CaseFolding", "[\xC9T\xC9]\r\ncl\xC9=ok\r\n", u"\u00E9t\u00E9", u"CL\u00E9", 260, u"",
     u"ok"},
    {"EmptyFile", "", u"a", u"k", 260, u"d", u"d"},
};

INSTANTIATE_TEST_SUITE_P(Cases, IniReadTest, ::testing::ValuesIn(kReadCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(IniCutToBuffer, KeepsSurrogatePairsWhole) {
  const Text value = u"ab\U0001F600cd";  // a, b, pair, c, d
  EXPECT_EQ(CutToBuffer(value, 3), u"ab");
  EXPECT_EQ(CutToBuffer(value, 4), u"ab");  // would end in half a pair
  EXPECT_EQ(CutToBuffer(value, 5), u"ab\U0001F600");
}

TEST(IniReadInt, ConvertsTheCutText) {
  const IniSnapshot snapshot(IniDocument::Parse(
      "[n]\r\npos=12345\r\nneg= -42xyz\r\nbad=abc\r\nbig=99999999999\r\nquoted=\"7\"\r\n"));
  EXPECT_EQ(snapshot.ReadInt(u"n", u"pos", 260), 12345);
  EXPECT_EQ(snapshot.ReadInt(u"n", u"pos", 3), 12);
  EXPECT_EQ(snapshot.ReadInt(u"n", u"neg", 260), -42);
  EXPECT_EQ(snapshot.ReadInt(u"n", u"bad", 260), 0);
  EXPECT_EQ(snapshot.ReadInt(u"n", u"big", 260), INT32_MAX);
  EXPECT_EQ(snapshot.ReadInt(u"n", u"quoted", 260), 7);
  EXPECT_EQ(snapshot.ReadInt(u"n", u"missing", 260), 0);
}

TEST(IniStoreRead, MissingFileReadsDefault) {
  MemoryFileStore files;
  IniStore store(files);
  EXPECT_EQ(store.Read(u"nofile.ini", u"Init", u"CurConfig", 5, u"fallback"), u"fall");
  EXPECT_EQ(store.Open(u"nofile.ini").ReadInt(u"Init", u"CurConfig", 260), 0);
}

// ---------------------------------------------------------------- encodings

const Text kChineseSample =
    u"[Init]\r\n"
    u"Title=\u6CFD\u51E1\u7535\u7ADE\u6E38\u620F\u9F20\u6807\u9A71\u52A8\r\n"
    u"; \u6CE8\u91CA\r\n"
    u"[\u5B8F]\n"
    u"\u540D\u79F0 = \"\u5B8F\u4E00\"\n"
    u"emoji=\U0001F600";

// Control characters other than line breaks (tabs, form feeds) stay inside
// their line, whichever position they take among the characters around them.
TEST(IniDocumentLines, OnlyLineBreaksEndALine) {
  for (std::size_t pad = 0; pad < 8; ++pad) {
    SCOPED_TRACE(pad);
    const std::string padding(pad, 'p');
    const std::string file = "[s]\r\n" + padding + "a=\t1\v2\f3\t\x01\r\n" + padding +
                             "b=x\ny\rc=z\r\n\r\n\nd=" + padding;
    const IniDocument doc = IniDocument::Parse(file);
    EXPECT_EQ(doc.Find(u"s", Ascii(padding + "a")), Text(u"1\v2\f3\t\u0001"));
    EXPECT_EQ(doc.Find(u"s", Ascii(padding + "b")), Text(u"x"));
    EXPECT_EQ(doc.Find(u"s", u"c"), Text(u"z"));
    EXPECT_EQ(doc.Find(u"s", u"d"), Ascii(padding));
    EXPECT_EQ(doc.Serialize(), file);
  }
}

struct EncodingCase {
  const char* name;
  std::string bytes;
  IniEncoding encoding;
};

class IniEncodingTest : public ::testing::TestWithParam<EncodingCase> {};

const EncodingCase kEncodingCases[] = {
    {"Utf16Le", Utf16Le(kChineseSample), IniEncoding::kUtf16Le},
    {"Utf16Be", Utf16Be(kChineseSample), IniEncoding::kUtf16Be},
    {"Utf8Bom", "\xEF\xBB\xBF" + ToUtf8(kChineseSample), IniEncoding::kUtf8Bom},
    {"PlainUtf8", ToUtf8(kChineseSample), IniEncoding::kPlainUtf8},
};

TEST_P(IniEncodingTest, DetectsEncodingAndReadsChinese) {
  const IniDocument doc = IniDocument::Parse(GetParam().bytes);
  EXPECT_EQ(doc.encoding(), GetParam().encoding);
  EXPECT_EQ(doc.Find(u"init", u"title"),
            Text(u"\u6CFD\u51E1\u7535\u7ADE\u6E38\u620F\u9F20\u6807\u9A71\u52A8"));
  EXPECT_EQ(doc.Find(u"\u5B8F", u"\u540D\u79F0"), Text(u"\u5B8F\u4E00"));
  EXPECT_EQ(doc.Find(u"\u5B8F", u"emoji"), Text(u"\U0001F600"));
}

TEST_P(IniEncodingTest, UnchangedDocumentGivesBackTheSameBytes) {
  EXPECT_EQ(IniDocument::Parse(GetParam().bytes).Serialize(), GetParam().bytes);
}

TEST_P(IniEncodingTest, WriteKeepsEncoding) {
  IniDocument doc = IniDocument::Parse(GetParam().bytes);
  doc.Set(u"Init", u"Title", u"\u65B0");
  doc.Set(u"New", u"k", u"\u503C");
  const IniDocument again = IniDocument::Parse(doc.Serialize());
  EXPECT_EQ(again.encoding(), GetParam().encoding);
  EXPECT_EQ(again.Find(u"Init", u"Title"), Text(u"\u65B0"));
  EXPECT_EQ(again.Find(u"New", u"k"), Text(u"\u503C"));
  EXPECT_EQ(again.Find(u"\u5B8F", u"emoji"), Text(u"\U0001F600"));
}

INSTANTIATE_TEST_SUITE_P(Cases, IniEncodingTest, ::testing::ValuesIn(kEncodingCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(IniLatin1, ReadsAndWritesOneBytePerCharacter) {
  const std::string bytes = "[Caf\xE9]\r\nname=cr\xE8me\r\n";
  IniDocument doc = IniDocument::Parse(bytes);
  EXPECT_EQ(doc.encoding(), IniEncoding::kPlainLatin1);
  EXPECT_EQ(doc.Serialize(), bytes);
  EXPECT_EQ(doc.Find(u"caf\u00C9", u"name"), Text(u"cr\u00E8me"));

  doc.Set(u"Caf\u00E9", u"name", u"\u00FC\u4E2D");  // the second one has no Latin-1 byte
  EXPECT_EQ(doc.Serialize(), "[Caf\xE9]\r\nname=\xFC?\r\n");
}

// The two byte orders of UTF-16, each with its own BOM.
struct Utf16Case {
  const char* name;
  std::string (*encode)(TextView);
  IniEncoding encoding;
};

class IniUtf16Test : public ::testing::TestWithParam<Utf16Case> {};

TEST_P(IniUtf16Test, OddTrailingByteIsDropped) {
  const std::string bytes = GetParam().encode(u"[a]\r\nk=v\r\n") + "\x41";
  const IniDocument doc = IniDocument::Parse(bytes);
  EXPECT_EQ(doc.encoding(), GetParam().encoding);
  EXPECT_EQ(doc.Find(u"a", u"k"), Text(u"v"));
  EXPECT_EQ(doc.Serialize(), bytes.substr(0, bytes.size() - 1));
}

TEST_P(IniUtf16Test, BomAloneIsAnEmptyUtf16Document) {
  const std::string bom = GetParam().encode(u"");
  for (const std::string& bytes : {bom, bom + std::string(1, '\0')}) {
    IniDocument doc = IniDocument::Parse(bytes);
    EXPECT_EQ(doc.encoding(), GetParam().encoding);
    doc.Set(u"s", u"k", u"1");
    EXPECT_EQ(doc.Serialize(), GetParam().encode(u"[s]\r\nk=1\r\n"));
  }
}

// config.ini as the private-profile calls keep it in either byte order: the
// values read, and a write changes and appends lines in the file's own order.
TEST_P(IniUtf16Test, ConfigReadAndWrittenInItsByteOrder) {
  MemoryFileStore files;
  files.Put(u"config.ini", GetParam().encode(u"[Init]\r\nCurConfig=3\r\n[Config1]\r\nK0=1\r\n"
                                             u"DPI_LEVEL=2\r\n"));
  IniStore store(files);
  const IniSnapshot snapshot = store.Open(u"config.ini");
  EXPECT_EQ(snapshot.ReadInt(u"Init", u"CurConfig", 5), 3);
  EXPECT_EQ(snapshot.ReadInt(u"Config1", u"DPI_LEVEL", 5), 2);

  ASSERT_TRUE(store.Write(u"config.ini", {{u"Config1", u"DPI_LEVEL", u"0"},
                                          {u"Config1", u"FIRE_TIME", u"50"},
                                          {u"Config6", u"DPI_LEVEL", u"1"}}));
  EXPECT_EQ(files.Read(u"config.ini"),
            GetParam().encode(u"[Init]\r\nCurConfig=3\r\n[Config1]\r\nK0=1\r\nDPI_LEVEL=0\r\n"
                              u"FIRE_TIME=50\r\n[Config6]\r\nDPI_LEVEL=1\r\n"));
}

const Utf16Case kUtf16Cases[] = {
    {"LittleEndian", Utf16Le, IniEncoding::kUtf16Le},
    {"BigEndian", Utf16Be, IniEncoding::kUtf16Be},
};

INSTANTIATE_TEST_SUITE_P(Cases, IniUtf16Test, ::testing::ValuesIn(kUtf16Cases),
                         [](const auto& param) { return std::string(param.param.name); });

// ---------------------------------------------------------------- write placement

struct WriteCase {
  const char* name;
  std::string before;
  Text section;
  Text key;
  Text value;
  std::string after;
};

class IniWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWriteTest, PlacesTheKey) {
  const WriteCase& c = GetParam();
  IniDocument doc = IniDocument::Parse(c.before);
  doc.Set(c.section, c.key, c.value);
  EXPECT_EQ(doc.Serialize(), c.after);
  EXPECT_EQ(IniDocument::Parse(doc.Serialize()).Find(c.section, c.key),
            Text(TrimBlanks(c.value)));
}

const WriteCase kWriteCases[] = {
    {"ReplaceInPlaceKeepsSpellingAndComments",
     "; head\r\n[Init]\r\n; about it\r\nCurConfig=1\r\nOther=2\r\n",
     u"INIT", u"curconfig", u"4",
     "; head\r\n[Init]\r\n; about it\r\nCurConfig=4\r\nOther=2\r\n"},
    {"ReplaceKeepsIndentDropsBlanksAroundEquals",
     "[a]\r\n  Key  =  old  \r\n",
     u"a", u"key", u"new",
     "[a]\r\n  Key=new\r\n"},
    {"ReplaceOnlyTheFirstDuplicate",
     "[a]\r\nk=1\r\nk=2\r\n[A]\r\nk=3\r\n",
     u"a", u"k", u"9",
     "[a]\r\nk=9\r\nk=2\r\n[A]\r\nk=3\r\n"},
    {"NewKeyAfterLastKeyBeforeTrailingComment",
     "[a]\r\nx=1\r\ny=2\r\n\r\n; next section\r\n[b]\r\nz=3\r\n",
     u"a", u"new", u"v",
     "[a]\r\nx=1\r\ny=2\r\nnew=v\r\n\r\n; next section\r\n[b]\r\nz=3\r\n"},
    {"NewKeyInSectionWithoutKeys",
     "[a]\r\n; empty\r\n[b]\r\n",
     u"a", u"k", u"v",
     "[a]\r\nk=v\r\n; empty\r\n[b]\r\n"},
    {"NewKeyGoesToTheFirstOfDuplicateSections",
     "[a]\r\nx=1\r\n[a]\r\ny=2\r\n",
     u"A", u"z", u"3",
     "[a]\r\nx=1\r\nz=3\r\n[a]\r\ny=2\r\n"},
    {"NewKeyAfterLastLineWithoutEnding",
     "[a]\r\nx=1",
     u"a", u"k", u"v",
     "[a]\r\nx=1\r\nk=v\r\n"},
    {"NewKeyUsesFirstLineEnding",
     "[a]\nx=1\r\n",
     u"a", u"k", u"v",
     "[a]\nx=1\r\nk=v\n"},
    {"NewSectionAtEnd",
     "[a]\r\nx=1\r\n; tail comment\r\n",
     u"b", u"k", u"v",
     "[a]\r\nx=1\r\n; tail comment\r\n[b]\r\nk=v\r\n"},
    {"NewSectionEndsTheLastLine",
     "[a]\nx=1",
     u"b", u"k", u"v",
     "[a]\nx=1\n[b]\nk=v\n"},
    {"NewSectionInEmptyFile", "", u"Init", u"CurConfig", u"1", "[Init]\r\nCurConfig=1\r\n"},
    {"KeysOutsideSectionsAreNotTheSection",
     "k=1\r\n",
     u"", u"k", u"2",
     "k=1\r\n[]\r\nk=2\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, IniWriteTest, ::testing::ValuesIn(kWriteCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(IniWrite, LineBreaksCannotAddLines) {
  IniDocument doc = IniDocument::Parse("[a]\r\nk=1\r\n");
  doc.Set(u"a", u"k", u"x\r\n[evil]\nq=1");
  doc.Set(u"b\r\nc", u"k\n", u"v");
  EXPECT_EQ(doc.Serialize(), "[a]\r\nk=x  [evil] q=1\r\n[b  c]\r\nk =v\r\n");
}

TEST(IniWrite, MixedLineEndsSurviveAWrite) {
  const std::string bytes = "[a]\r\nx=1\ny=2\rz=3\r\n";
  IniDocument doc = IniDocument::Parse(bytes);
  EXPECT_EQ(doc.Serialize(), bytes);
  doc.Set(u"a", u"y", u"5");
  EXPECT_EQ(doc.Serialize(), "[a]\r\nx=1\ny=5\rz=3\r\n");
}

// ---------------------------------------------------------------- IniStore

TEST(IniStoreWrite, NewFileIsPlainTextWithCrLf) {
  MemoryFileStore files;
  IniStore store(files);
  ASSERT_TRUE(store.Write(u"config.ini", u"Init", u"VER_SEL", u"\u4E2D"));
  EXPECT_EQ(files.Read(u"config.ini"), "[Init]\r\nVER_SEL=" + ToUtf8(u"\u4E2D") + "\r\n");
  EXPECT_EQ(store.Read(u"config.ini", u"Init", u"VER_SEL", 260), u"\u4E2D");
}

TEST(IniStoreWrite, SeveralKeysAreOneCommit) {
  MemoryFileStore files;
  files.Put(u"config.ini", "[Config1]\r\nDPI1=4\r\n");
  IniStore store(files);
  std::vector<IniWrite> writes;
  for (int i = 1; i <= 22; ++i) {
    writes.push_back({u"Config1", u"DPI" + DecimalText(i), DecimalText(i * 10)});
  }
  ASSERT_TRUE(store.Write(u"config.ini", writes));
  EXPECT_EQ(files.commits(), 1);
  const IniSnapshot snapshot = store.Open(u"config.ini");
  for (int i = 1; i <= 22; ++i) {
    EXPECT_EQ(snapshot.ReadInt(u"Config1", u"DPI" + DecimalText(i), 260), i * 10);
  }
}

TEST(IniStoreWrite, UnchangedValueCommitsNothing) {
  MemoryFileStore files;
  files.Put(u"config.ini", "[Init]\r\nCurConfig=2\r\n");
  IniStore store(files);
  EXPECT_TRUE(store.Write(u"config.ini", u"Init", u"CurConfig", u"2"));
  EXPECT_EQ(files.commits(), 0);
  EXPECT_TRUE(store.Write(u"config.ini", u"Init", u"CurConfig", u"3"));
  EXPECT_EQ(files.commits(), 1);
}

TEST(IniStoreWrite, FailedReplaceChangesNothing) {
  MemoryFileStore files;
  const std::string before = "[Init]\r\nCurConfig=2\r\n";
  files.Put(u"config.ini", before);
  files.SetReadOnly(u"config.ini", true);
  IniStore store(files);
  EXPECT_FALSE(store.Write(u"config.ini", u"Init", u"CurConfig", u"3"));
  EXPECT_FALSE(store.Write(u"config.ini", {{u"Init", u"a", u"1"}, {u"Init", u"b", u"2"}}));
  EXPECT_EQ(files.Read(u"config.ini"), before);
  EXPECT_EQ(store.Read(u"config.ini", u"Init", u"CurConfig", 260), u"2");
}

// A file that is there but cannot be read, or only in part, is not a missing
// file: writing must not replace it with just the keys being written (every
// profile and reset section would be gone). Like WritePrivateProfileStringW,
// the write fails and the file keeps every byte.
class IniStoreUnreadableTest : public ::testing::TestWithParam<FileReadStatus> {};

TEST_P(IniStoreUnreadableTest, WriteFailsAndChangesNothing) {
  MemoryFileStore files;
  const std::string before =
      "[Init]\r\nCurConfig=1\r\n[Config1]\r\nK0=1\r\nDPI_LEVEL=2\r\n"
      "[CfgReset2]\r\nK0=3\r\n";
  files.Put(u"config.ini", before);
  files.SetReadFailure(u"config.ini", GetParam());
  IniStore store(files);
  EXPECT_FALSE(store.Write(u"config.ini", u"Config1", u"DPI_LEVEL", u"0"));
  EXPECT_FALSE(store.Write(u"config.ini", {{u"Config6", u"K0", u"1"}, {u"Init", u"CurConfig", u"2"}}));
  EXPECT_FALSE(store.Write(u"config.ini", {}));
  // Reads give what a missing file gives.
  EXPECT_EQ(store.Read(u"config.ini", u"Init", u"CurConfig", 5, u"d"), u"d");
  EXPECT_EQ(files.commits(), 0);

  files.SetReadFailure(u"config.ini", FileReadStatus::kOk);
  EXPECT_EQ(files.Read(u"config.ini"), before);
  // Readable again, the same write goes through.
  EXPECT_TRUE(store.Write(u"config.ini", u"Config1", u"DPI_LEVEL", u"0"));
  EXPECT_EQ(store.Read(u"config.ini", u"CfgReset2", u"K0", 5), u"3");
}

INSTANTIATE_TEST_SUITE_P(Failures, IniStoreUnreadableTest,
                         ::testing::Values(FileReadStatus::kUnreadable, FileReadStatus::kIncomplete),
                         [](const auto& param) {
                           return std::string(param.param == FileReadStatus::kUnreadable
                                                  ? "Unreadable"
                                                  : "ReadFailsPartWay");
                         });

class IniDiskTest : public ::testing::Test {
 protected:
  testing::TempDir dir_;
  DiskFileStore disk_;
  IniStore store_{disk_};
};

TEST_F(IniDiskTest, WritesAndReadsARealFile) {
  const Text path = dir_.File("config.ini");
  testing::WriteBytes(path, "; keep me\n[Init]\nCurConfig=1\n");
  ASSERT_TRUE(store_.Write(path, {{u"Init", u"CurConfig", u"2"}, {u"Init", u"VER_SEL", u"0"}}));
  EXPECT_EQ(testing::ReadBytes(path), "; keep me\n[Init]\nCurConfig=2\nVER_SEL=0\n");
  EXPECT_EQ(store_.Read(path, u"init", u"curconfig", 260), u"2");
}

TEST_F(IniDiskTest, ReadOnlyFileIsNotChanged) {
  const fs::path path = fs::path(dir_.File("config.ini"));
  const std::string before = "[Init]\r\nCurConfig=1\r\n";
  testing::WriteBytes(path, before);
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(store_.Write(path.u16string(), u"Init", u"CurConfig", u"2"));
  EXPECT_EQ(testing::ReadBytes(path), before);
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1);
}

TEST_F(IniDiskTest, MissingFolderFailsAndCreatesNothing) {
  const fs::path path = dir_.path() / "missing" / "config.ini";
  EXPECT_FALSE(store_.Write(path.u16string(), u"Init", u"CurConfig", u"2"));
  EXPECT_FALSE(fs::exists(path.parent_path()));
  EXPECT_EQ(store_.Read(path.u16string(), u"Init", u"CurConfig", 260, u"d"), u"d");
}

TEST_F(IniDiskTest, LoadTellsMissingFromUnreadable) {
  const Text file = dir_.File("config.ini");
  testing::WriteBytes(file, "[Init]\r\n");
  EXPECT_EQ(disk_.Load(file).status, FileReadStatus::kOk);
  EXPECT_EQ(disk_.Load(file).bytes, "[Init]\r\n");
  EXPECT_EQ(disk_.Load(dir_.File("none.ini")).status, FileReadStatus::kMissing);
  EXPECT_EQ(disk_.Load(dir_.File("none/config.ini")).status, FileReadStatus::kMissing);
  // A folder is there, but no file to read.
  fs::create_directory(dir_.path() / "folder.ini");
  EXPECT_EQ(disk_.Load(dir_.File("folder.ini")).status, FileReadStatus::kUnreadable);
  EXPECT_FALSE(store_.Write(dir_.File("folder.ini"), u"Init", u"CurConfig", u"2"));
  EXPECT_TRUE(fs::is_directory(dir_.path() / "folder.ini"));
}

// ---------------------------------------------------------------- bad input

// Parses, reads, writes and re-reads; whatever the bytes, the key just written
// must read back.
void ExerciseDocument(const std::string& bytes) {
  IniDocument doc = IniDocument::Parse(bytes);
  (void)doc.Find(u"a", u"k");
  (void)IniSnapshot(doc).Read(u"a", u"k", 260);
  doc.Set(u"probe", u"key", u"value");
  doc.Set(u"a", u"k", u"1");
  const IniDocument again = IniDocument::Parse(doc.Serialize());
  EXPECT_EQ(again.Find(u"probe", u"key"), Text(u"value"));
  EXPECT_EQ(again.Find(u"a", u"k"), Text(u"1"));
}

TEST(IniBadInput, RandomBytesNeverBreakTheEngine) {
  std::mt19937 random(1234);
  const std::string alphabet = std::string("[]=;\"' \t\r\nak\xFF\xFE\xEF\xBB\xBF\x80\xC3") + '\0';
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(random() % 64, '\0');
    for (char& c : bytes) {
      c = round % 2 == 0 ? static_cast<char>(random() & 0xFF)
                         : alphabet[random() % alphabet.size()];
    }
    SCOPED_TRACE(round);
    ExerciseDocument(bytes);
  }
}

TEST(IniBadInput, OddAndBrokenUnicode) {
  const std::string cases[] = {
      "\xFF",
      "\xFF\xFE\x5B",
      std::string("\xFF\xFE\x00\xD8\x0A\x00", 6),  // lone high surrogate
      std::string("\xFF\xFE\x00\xDC", 4),          // lone low surrogate
      "\xEF\xBB",
      "\xEF\xBB\xBF\xC3",
      "\xEF\xBB\xBF[a]\r\nk=\xF4\x90\x80\x80\r\n",  // beyond U+10FFFF
  };
  for (const std::string& bytes : cases) ExerciseDocument(bytes);
}

TEST(IniBadInput, HugeLines) {
  const std::string big(1 << 20, 'x');
  ExerciseDocument(big);
  ExerciseDocument("[a]\r\nk=" + big + "\r\n");
  const IniSnapshot snapshot(IniDocument::Parse("[a]\r\nk=" + big + "\r\n"));
  EXPECT_EQ(snapshot.Read(u"a", u"k", 260).size(), 259u);
  EXPECT_EQ(snapshot.Read(u"a", u"k", big.size() + 10).size(), big.size());
}

}  // namespace
}  // namespace zlv
