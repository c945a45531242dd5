// The stub's file logic over an in-memory file system: reading a package,
// the cabinet callbacks' package handles, placing the library copy, and
// joining a split package.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "setup/cab_io.h"
#include "setup/cstr.h"
#include "setup/messages.h"
#include "setup/package_load.h"
#include "setup/scramble.h"
#include "tests/unit/setup_fake_io.h"

namespace marrowby::setup {
namespace {

using testing::FakeExists;
using testing::FakeFiles;

struct Texts {
  std::string title = "My Title";
  std::string inf = "setup.inf";
  std::string notice = "Notice!";
  std::string welcome = "Hello there";
  std::string licence = "Terms";
};

std::string Scrambled(std::string s) {
  ScrambleText(reinterpret_cast<uint8_t*>(&s[0]), s.size());
  return s;
}

// A package built by hand, independently of the builder.
std::vector<uint8_t> MakePackage(const Texts& t, const std::string& cabinet, PackageHeader h = {}) {
  std::vector<uint8_t> p(kHeaderOffset, 0);
  p[0] = 'M';
  p[1] = 'Z';
  h.titleLength = static_cast<uint8_t>(t.title.size());
  h.infNameLength = static_cast<uint8_t>(t.inf.size());
  h.noticeLength = static_cast<uint8_t>(t.notice.size());
  h.welcomeLength = static_cast<int32_t>(t.welcome.size());
  h.licenceLength = static_cast<int32_t>(t.licence.size());
  const std::string body = t.title + t.inf + Scrambled(t.notice) + Scrambled(t.welcome) +
                           Scrambled(t.licence) + cabinet;
  h.packageSize = static_cast<uint32_t>(kTextsOffset + body.size());
  uint8_t header[kHeaderSize];
  WriteHeader(h, header);
  p.insert(p.end(), header, header + kHeaderSize);
  p.insert(p.end(), body.begin(), body.end());
  return p;
}

class LoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_state = SetupState{};
    g_state.packageHandle = kNoHandle;
  }
  void TearDown() override { EXPECT_EQ(fs.openHandles(), 0) << "a file was left open"; }

  intptr_t OpenPackage(const std::vector<uint8_t>& bytes) {
    fs.files["C:\\pkg.exe"] = bytes;
    return g_io->open("C:\\pkg.exe", OpenParams{});
  }

  LoadResult Load(const std::vector<uint8_t>& bytes) {
    const intptr_t h = OpenPackage(bytes);
    LoadResult r = ReadPackageHeader(h, &g_state.header);
    if (r == LoadResult::kOk) r = ReadPackageTexts(h, bytes.size(), &g_state);
    g_io->close(h);
    return r;
  }

  FakeFiles fs;
};

TEST_F(LoadTest, ReadsAndUnscramblesEveryText) {
  ASSERT_EQ(Load(MakePackage(Texts{}, "MSCF....")), LoadResult::kOk);
  EXPECT_STREQ(g_state.title, "My Title");
  EXPECT_STREQ(g_state.infName, "setup.inf");
  EXPECT_STREQ(g_state.notice, "Notice!");
  EXPECT_STREQ(g_state.welcome, "Hello there");
  EXPECT_STREQ(g_state.licence, "Terms");
  EXPECT_EQ(g_state.cabinetOffset, kTextsOffset + 8 + 9 + 7 + 11 + 5);
}

TEST_F(LoadTest, MissingWelcomeGivesTheDefaultAndMissingLicenceNone) {
  Texts t;
  t.welcome = "";
  t.licence = "";
  t.notice = "";
  ASSERT_EQ(Load(MakePackage(t, "MSCF")), LoadResult::kOk);
  EXPECT_STREQ(g_state.welcome, kDefaultWelcome);
  EXPECT_EQ(g_state.licence, nullptr);
  EXPECT_STREQ(g_state.notice, "");
}

TEST_F(LoadTest, BareProgramOrWrongMagicIsNoPackage) {
  std::vector<uint8_t> bare(0x6000, 0);
  EXPECT_EQ(Load(bare), LoadResult::kNoMagic);
  std::vector<uint8_t> p = MakePackage(Texts{}, "MSCF");
  p[kHeaderOffset + 2] = 'i';
  EXPECT_EQ(Load(p), LoadResult::kNoMagic);
}

TEST_F(LoadTest, TruncatedHeaderOrTextsAreCorruptedNeverReadPastTheEnd) {
  std::vector<uint8_t> p = MakePackage(Texts{}, "");
  std::vector<uint8_t> cut(p.begin(), p.begin() + kHeaderOffset + 10);
  EXPECT_EQ(Load(cut), LoadResult::kCorrupted);
  cut.assign(p.begin(), p.end() - 3);  // the licence is cut short
  EXPECT_EQ(Load(cut), LoadResult::kCorrupted);
  // A licence length far past the end is refused before anything is
  // allocated or read.
  p[kHeaderOffset + 12] = 0xF0;
  p[kHeaderOffset + 13] = 0xFF;
  p[kHeaderOffset + 14] = 0xFF;
  p[kHeaderOffset + 15] = 0x7F;
  EXPECT_EQ(Load(p), LoadResult::kCorrupted);
}

TEST_F(LoadTest, SizeCheckOfASingleFilePackage) {
  const std::vector<uint8_t> p = MakePackage(Texts{}, "MSCFdata");
  ASSERT_EQ(Load(p), LoadResult::kOk);
  EXPECT_TRUE(PackageSizeMatches(g_state, p.size()));
  EXPECT_FALSE(PackageSizeMatches(g_state, p.size() + 1));
  EXPECT_FALSE(PackageSizeMatches(g_state, p.size() - 1));
}

TEST_F(LoadTest, NoticePrefixHasItsFixedLengthAndReadsPlain) {
  UnscrambleNoticePrefix(&g_state);
  EXPECT_EQ(g_state.noticePrefix[kNoticePrefixSize], 0);
  const std::string prefix = g_state.noticePrefix;
  EXPECT_GT(prefix.size(), 10u);
  EXPECT_LE(prefix.size(), kNoticePrefixSize);
  for (char c : prefix) EXPECT_TRUE(c == '\r' || c == '\n' || (c >= 32 && c < 127)) << prefix;
}

TEST_F(LoadTest, TemporaryDirectoryFallsBackToTheSystemDirectory) {
  TextCopy(g_state.systemDir, sizeof(g_state.systemDir), "C:\\WINDOWS\\SYSTEM");
  ASSERT_TRUE(ChooseTempDir(&g_state, "C:\\TEMP\\"));
  EXPECT_STREQ(g_state.tempDir, "C:\\TEMP\\$Tessara.Tmp\\");
  ASSERT_TRUE(ChooseTempDir(&g_state, "C:\\My Temp\\"));
  EXPECT_STREQ(g_state.tempDir, "C:\\WINDOWS\\SYSTEM\\$Tessara.Tmp\\");
  ASSERT_TRUE(ChooseTempDir(&g_state, "\\"));
  EXPECT_STREQ(g_state.tempDir, "C:\\WINDOWS\\SYSTEM\\$Tessara.Tmp\\");
  ASSERT_TRUE(ChooseTempDir(&g_state, ""));
  EXPECT_STREQ(g_state.tempDir, "C:\\WINDOWS\\SYSTEM\\$Tessara.Tmp\\");
  const std::string longPath = "C:\\" + std::string(250, 'x') + "\\";
  EXPECT_FALSE(ChooseTempDir(&g_state, longPath.c_str()));
}

// The callbacks see the cabinet as a file of its own.
class CabIoTest : public LoadTest {
 protected:
  void SetUp() override {
    LoadTest::SetUp();
    std::vector<uint8_t> p(100, 'P');
    for (int i = 0; i < 20; ++i) p.push_back(static_cast<uint8_t>('a' + i));
    fs.files["C:\\d\\pkg.exe"] = p;
    CabIoReset(&io, "C:\\d\\pkg.exe", 100, false, 0);
  }
  CabIo io;
};

TEST_F(CabIoTest, PackageHandlesAreShiftedByTheCabinetOffset) {
  const intptr_t h = CabOpen(&io, "C:\\d\\pkg.exe", 0x8020);
  ASSERT_NE(h, kNoHandle);
  EXPECT_TRUE(CabIsPackageHandle(io, h));
  char buf[4];
  ASSERT_EQ(CabRead(&io, h, buf, 3), 3u);  // positioned at the cabinet on open
  EXPECT_EQ(std::string(buf, 3), "abc");
  EXPECT_EQ(CabSeek(&io, h, 10, 0), 10);
  ASSERT_EQ(CabRead(&io, h, buf, 1), 1u);
  EXPECT_EQ(buf[0], 'k');
  EXPECT_EQ(CabSeek(&io, h, 0, 1), 11);
  EXPECT_EQ(CabSeek(&io, h, -2, 2), 18);
  EXPECT_EQ(CabClose(&io, h), 0);
  EXPECT_FALSE(CabIsPackageHandle(io, h));
}

TEST_F(CabIoTest, OnlyTheExactPackagePathIsAPackage) {
  fs.files["c:\\d\\pkg.exe"] = fs.files["C:\\d\\pkg.exe"];
  const intptr_t other = CabOpen(&io, "c:\\d\\pkg.exe", 0x8020);
  ASSERT_NE(other, kNoHandle);
  EXPECT_FALSE(CabIsPackageHandle(io, other));
  EXPECT_EQ(CabSeek(&io, other, 5, 0), 5);
  CabClose(&io, other);
  EXPECT_EQ(CabOpen(&io, "C:\\missing", 0x8020), kNoHandle);
}

TEST_F(CabIoTest, TableHoldsFivePackageHandles) {
  intptr_t h[6];
  for (intptr_t& x : h) x = CabOpen(&io, "C:\\d\\pkg.exe", 0x8020);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(CabIsPackageHandle(io, h[i])) << i;
  EXPECT_FALSE(CabIsPackageHandle(io, h[5]));  // opened, but not entered
  CabClose(&io, h[2]);
  const intptr_t again = CabOpen(&io, "C:\\d\\pkg.exe", 0x8020);
  EXPECT_TRUE(CabIsPackageHandle(io, again));
  for (int i : {0, 1, 3, 4, 5}) CabClose(&io, h[i]);
  CabClose(&io, again);
}

TEST_F(CabIoTest, ScrambledReadsXorEveryByteReadWithTheKey) {
  CabIoReset(&io, "C:\\d\\pkg.exe", 100, true, 0x21);
  const intptr_t h = CabOpen(&io, "C:\\d\\pkg.exe", 0x8020);
  uint8_t buf[30];
  std::memset(buf, 0x55, sizeof(buf));
  ASSERT_EQ(CabRead(&io, h, buf, 30), 20u);  // only 20 bytes remain
  EXPECT_EQ(buf[0], 'a' ^ 0x21);
  EXPECT_EQ(buf[19], ('a' + 19) ^ 0x21);
  EXPECT_EQ(buf[20], 0x55);  // bytes not read are left alone
  CabClose(&io, h);
}

class LibraryTest : public LoadTest {
 protected:
  void SetUp() override {
    LoadTest::SetUp();
    TextCopy(g_state.systemDir, sizeof(g_state.systemDir), "C:\\SYS");
  }
  LibraryPlacement Place(const std::vector<uint8_t>& package) {
    const intptr_t h = OpenPackage(package);
    const LibraryPlacement r = PlaceCabinetLibrary(&g_state, h, FakeExists);
    g_io->close(h);
    return r;
  }
  static std::vector<uint8_t> WithLibrary(bool pe) {
    std::vector<uint8_t> p = MakePackage(Texts{}, "MSCF");
    if (pe) {
      p[kImageSize] = 'M';
      p[kImageSize + 1] = 'Z';
      p[kImageSize + 0x3C] = 0x80;
      std::memcpy(&p[kImageSize + 0x80], "PE\0\0", 4);
      p[kImageSize + kLibrarySize - 1] = 0x77;
    }
    return p;
  }
};

TEST_F(LibraryTest, CopyIsWrittenWhenTheSystemHasNone) {
  const std::vector<uint8_t> p = WithLibrary(true);
  EXPECT_EQ(Place(p), LibraryPlacement::kWritten);
  const std::vector<uint8_t>& lib = fs.files["C:\\SYS\\Cabinet.dll"];
  ASSERT_EQ(lib.size(), kLibrarySize);
  EXPECT_TRUE(std::equal(lib.begin(), lib.end(), p.begin() + kImageSize));
  EXPECT_FALSE(g_state.error);
  EXPECT_EQ(fs.allocations, 0);
}

TEST_F(LibraryTest, AnExistingLibraryIsNeverReplaced) {
  fs.files["C:\\SYS\\Cabinet.dll"] = {'o', 'l', 'd'};
  EXPECT_EQ(Place(WithLibrary(true)), LibraryPlacement::kExists);
  EXPECT_EQ(fs.files["C:\\SYS\\Cabinet.dll"], (std::vector<uint8_t>{'o', 'l', 'd'}));
}

TEST_F(LibraryTest, AZeroFilledAreaIsNeverWrittenIntoTheSystem) {
  EXPECT_EQ(Place(WithLibrary(false)), LibraryPlacement::kNotAnImage);
  EXPECT_FALSE(fs.Exists("C:\\SYS\\Cabinet.dll"));
  EXPECT_FALSE(g_state.error);
}

TEST_F(LibraryTest, FailedWriteSetsTheErrorFlagButCreationFailureDoesNot) {
  fs.failWrites.insert("C:\\SYS\\Cabinet.dll");
  EXPECT_EQ(Place(WithLibrary(true)), LibraryPlacement::kFailed);
  EXPECT_TRUE(g_state.error);
  g_state.error = false;
  fs.files.erase("C:\\SYS\\Cabinet.dll");
  fs.unopenable.insert("C:\\SYS\\Cabinet.dll");
  EXPECT_EQ(Place(WithLibrary(true)), LibraryPlacement::kCannotCreate);
  EXPECT_FALSE(g_state.error);
}

// Joining a split package.
class RebuildTest : public LoadTest {
 protected:
  void SetUp() override {
    LoadTest::SetUp();
    TextCopy(g_state.ownPath, sizeof(g_state.ownPath), "C:\\dl\\setup.exe");
    TextCopy(g_state.tempDir, sizeof(g_state.tempDir), "C:\\T\\$Tessara.Tmp\\");
    for (int i = 0; i < 100000; ++i) whole.push_back(static_cast<uint8_t>(i * 31 + i / 256));
    g_state.header.packageSize = static_cast<uint32_t>(whole.size());
    Split(40000);
    prompts.clear();
    answers.clear();
  }
  void Split(size_t partSize) {
    for (size_t at = 0, k = 0; at < whole.size(); at += partSize, ++k) {
      std::string name = "C:\\dl\\setup.exe";
      if (k > 0) name = "C:\\dl\\setup." + std::string(k < 10 ? "00" : "0") + std::to_string(k);
      const size_t end = std::min(whole.size(), at + partSize);
      fs.files[name].assign(whole.begin() + static_cast<long>(at), whole.begin() + static_cast<long>(end));
    }
  }
  static bool Prompt(uint32_t part) {
    prompts.push_back(part);
    if (answers.empty()) return false;
    const bool a = answers.front();
    answers.erase(answers.begin());
    if (a && onRetry) onRetry();
    return a;
  }
  std::vector<uint8_t> whole;
  static std::vector<uint32_t> prompts;
  static std::vector<bool> answers;
  static void (*onRetry)();
};

std::vector<uint32_t> RebuildTest::prompts;
std::vector<bool> RebuildTest::answers;
void (*RebuildTest::onRetry)() = nullptr;

TEST_F(RebuildTest, PartsAreJoinedIntoTheRebuiltPackage) {
  RebuildPackage(&g_state, Prompt);
  EXPECT_FALSE(g_state.error);
  EXPECT_STREQ(g_state.packagePath, "C:\\T\\$Tessara.Tmp\\Tessara.pkg");
  EXPECT_EQ(fs.files["C:\\T\\$Tessara.Tmp\\Tessara.pkg"], whole);
  EXPECT_EQ(g_state.partCounter, 3);
  EXPECT_TRUE(prompts.empty());
  EXPECT_EQ(fs.allocations, 0);
}

TEST_F(RebuildTest, PartsBeyondThePackageSizeAreNotRead) {
  fs.files["C:\\dl\\setup.003"] = {1, 2, 3};
  RebuildPackage(&g_state, Prompt);
  EXPECT_EQ(g_state.partCounter, 3);
  EXPECT_EQ(fs.files["C:\\T\\$Tessara.Tmp\\Tessara.pkg"], whole);
}

TEST_F(RebuildTest, MissingPartPromptsWithItsNumberAndOkRetries) {
  const std::vector<uint8_t> part2 = fs.files["C:\\dl\\setup.001"];
  fs.files.erase("C:\\dl\\setup.001");
  static std::vector<uint8_t> saved;
  static FakeFiles* files;
  saved = part2;
  files = &fs;
  answers = {true, true};
  onRetry = [] {
    if (prompts.size() == 2) files->files["C:\\dl\\setup.001"] = saved;
  };
  RebuildPackage(&g_state, Prompt);
  onRetry = nullptr;
  EXPECT_EQ(prompts, (std::vector<uint32_t>{2, 2}));  // the program itself is part 1
  EXPECT_FALSE(g_state.error);
  EXPECT_EQ(fs.files["C:\\T\\$Tessara.Tmp\\Tessara.pkg"], whole);
}

TEST_F(RebuildTest, CancelSetsTheErrorFlag) {
  fs.files.erase("C:\\dl\\setup.002");
  answers = {false};
  RebuildPackage(&g_state, Prompt);
  EXPECT_EQ(prompts, (std::vector<uint32_t>{3}));
  EXPECT_TRUE(g_state.error);
}

TEST_F(RebuildTest, APartDeliveringFewerBytesThanItsSizeStopsWithTheErrorFlag) {
  fs.readLimit["C:\\dl\\setup.001"] = 1000;
  RebuildPackage(&g_state, Prompt);
  EXPECT_TRUE(g_state.error);
  EXPECT_TRUE(prompts.empty());
  EXPECT_LT(fs.files["C:\\T\\$Tessara.Tmp\\Tessara.pkg"].size(), whole.size());
}

TEST_F(RebuildTest, EmptyPartsCannotMakeTheCounterWrapAround) {
  for (auto& f : fs.files) f.second.clear();
  fs.files["C:\\dl\\setup.exe"] = {1};
  for (int k = 1; k <= 255; ++k) {
    std::string name = "C:\\dl\\setup.000";
    name[name.size() - 3] = static_cast<char>('0' + k / 100);
    name[name.size() - 2] = static_cast<char>('0' + k / 10 % 10);
    name[name.size() - 1] = static_cast<char>('0' + k % 10);
    fs.files[name] = {};
  }
  RebuildPackage(&g_state, Prompt);
  EXPECT_TRUE(g_state.error);
  EXPECT_TRUE(prompts.empty());
}

TEST_F(RebuildTest, WriteFailureOrUncreatableTargetSetsTheErrorFlag) {
  fs.failWrites.insert("C:\\T\\$Tessara.Tmp\\Tessara.pkg");
  RebuildPackage(&g_state, Prompt);
  EXPECT_TRUE(g_state.error);
  g_state.error = false;
  fs.failWrites.clear();
  fs.unopenable.insert("C:\\T\\$Tessara.Tmp\\Tessara.pkg");
  RebuildPackage(&g_state, Prompt);
  EXPECT_TRUE(g_state.error);
}

// The working folder is made fresh by this process; a rebuilt package found
// there was put by someone else and is neither used nor overwritten.
TEST_F(RebuildTest, APlantedRebuiltPackageIsRefusedAndLeftAlone) {
  const std::vector<uint8_t> planted = {'p', 'l', 'a', 'n', 't'};
  fs.files["C:\\T\\$Tessara.Tmp\\Tessara.pkg"] = planted;
  RebuildPackage(&g_state, Prompt);
  EXPECT_TRUE(g_state.error);
  EXPECT_FALSE(g_state.rebuiltCreated);  // so the exit clean-up leaves it too
  EXPECT_EQ(fs.files["C:\\T\\$Tessara.Tmp\\Tessara.pkg"], planted);
  fs.files.erase("C:\\T\\$Tessara.Tmp\\Tessara.pkg");
  g_state.error = false;
  RebuildPackage(&g_state, Prompt);
  EXPECT_FALSE(g_state.error);
  EXPECT_TRUE(g_state.rebuiltCreated);
}

TEST_F(RebuildTest, ATooLongRebuiltPathIsAFailureNotAnOverflow) {
  std::memset(g_state.tempDir, 'x', kPathSize - 5);
  g_state.tempDir[kPathSize - 5] = 0;
  RebuildPackage(&g_state, Prompt);
  EXPECT_TRUE(g_state.error);
  EXPECT_EQ(fs.openCount, 0);
}

}  // namespace
}  // namespace marrowby::setup
