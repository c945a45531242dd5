// The stub's file logic over an in-memory file system: reading a package,
// the cabinet callbacks' package handles, placing the library copy, and
// joining a split package.
#include <glib.h>
#include <gtest/gtest.h>

#include <cstdio>
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

// The package's size, or the package followed by the signature its
// program's headers name; nothing else.
TEST_F(LoadTest, SizeCheckOfASingleFilePackage) {
  const std::vector<uint8_t> p = MakePackage(Texts{}, "MSCFdata");
  ASSERT_EQ(Load(p), LoadResult::kOk);
  EXPECT_TRUE(PackageSizeMatches(g_state, p.size()));
  EXPECT_FALSE(PackageSizeMatches(g_state, p.size() + 1));
  EXPECT_FALSE(PackageSizeMatches(g_state, p.size() - 1));
  const uint32_t table = static_cast<uint32_t>((p.size() + 7) / 8 * 8);
  g_state.certificate = {table, 1000};
  EXPECT_TRUE(PackageSizeMatches(g_state, table + 1000));
  EXPECT_FALSE(PackageSizeMatches(g_state, table + 1001));
  EXPECT_FALSE(PackageSizeMatches(g_state, table + 999));
}

TEST_F(LoadTest, NoticePrefixHasItsFixedLengthAndReadsPlain) {
  UnscrambleNoticePrefix(&g_state);
  EXPECT_EQ(g_state.noticePrefix[kNoticePrefixSize], 0);
  const std::string prefix = g_state.noticePrefix;
  EXPECT_GT(prefix.size(), 10u);
  EXPECT_LE(prefix.size(), kNoticePrefixSize);
  for (char c : prefix) EXPECT_TRUE(c == '\r' || c == '\n' || (c >= 32 && c < 127)) << prefix;
}

// The INF name goes unquoted into the installer's command line.
TEST_F(LoadTest, AnInfNameThatIsNoPlainFileNameIsRefused) {
  for (const char* bad : {"my setup.inf", "..\\setup.inf", "a,b.inf", "CON"}) {
    Texts t;
    t.inf = bad;
    EXPECT_EQ(Load(MakePackage(t, "MSCF")), LoadResult::kBadInfName) << bad;
  }
}

std::vector<std::string> Bases(const char* temp, const char* shortTemp, bool elevated) {
  const char* b[kMaxTempBases];
  const uint32_t n = TempDirBases(temp, shortTemp, "C:\\WINDOWS\\Temp", "C:\\WINDOWS\\SYSTEM32",
                                  elevated, b);
  return std::vector<std::string>(b, b + n);
}

// The INF path goes unquoted into the installer's command line, and a
// standard user cannot write the system directory.
TEST_F(LoadTest, WorkingFolderBasesHoldNoSpaceAndTheSystemDirectoryOnlyWhenElevated) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Bases("C:\\TEMP\\", "C:\\TEMP\\", false), (V{"C:\\TEMP\\", "C:\\WINDOWS\\Temp"}));
  EXPECT_EQ(Bases("C:\\My Temp\\", "C:\\MYTEMP~1\\", false),
            (V{"C:\\MYTEMP~1\\", "C:\\WINDOWS\\Temp"}));
  EXPECT_EQ(Bases("C:\\My Temp\\", "C:\\My Temp\\", true),
            (V{"C:\\WINDOWS\\Temp", "C:\\WINDOWS\\SYSTEM32"}));
  EXPECT_EQ(Bases("\\", "", false), (V{"C:\\WINDOWS\\Temp"}));
  EXPECT_EQ(Bases("", "", true), (V{"C:\\WINDOWS\\Temp", "C:\\WINDOWS\\SYSTEM32"}));
  char out[kPathBytes];
  ASSERT_TRUE(UsualWorkDir("C:\\TEMP\\\\", out, sizeof(out)));
  EXPECT_STREQ(out, "C:\\TEMP\\$Tessara.Tmp\\");
  const std::string longPath = "C:\\" + std::string(kPathBytes - 10, 'x') + "\\";
  EXPECT_FALSE(UsualWorkDir(longPath.c_str(), out, sizeof(out)));
}

// The callbacks see the cabinet as a file of its own, read through the
// package handle start-up holds.
class CabIoTest : public LoadTest {
 protected:
  void SetUp() override {
    LoadTest::SetUp();
    std::vector<uint8_t> p(100, 'P');
    for (int i = 0; i < 20; ++i) p.push_back(static_cast<uint8_t>('a' + i));
    fs.files["C:\\d\\pkg.exe"] = p;
    package = g_io->open("C:\\d\\pkg.exe", kReadExisting);
    CabIoReset(&io, package, 100, false, 0);
  }
  void TearDown() override {
    g_io->close(package);
    LoadTest::TearDown();
  }
  intptr_t package;
  CabIo io;
};

TEST_F(CabIoTest, ViewsAreShiftedByTheCabinetOffsetEachWithItsOwnPosition) {
  const intptr_t h = CabOpen(&io, 0x8020);
  const intptr_t other = CabOpen(&io, 0x8000);
  ASSERT_NE(h, kNoHandle);
  ASSERT_NE(other, h);
  EXPECT_TRUE(CabIsPackageHandle(io, h));
  EXPECT_FALSE(CabIsPackageHandle(io, package));
  char buf[4];
  ASSERT_EQ(CabRead(&io, h, buf, 3), 3u);  // the cabinet starts at 0
  EXPECT_EQ(std::string(buf, 3), "abc");
  EXPECT_EQ(CabSeek(&io, other, 10, 0), 10);
  ASSERT_EQ(CabRead(&io, other, buf, 1), 1u);
  EXPECT_EQ(buf[0], 'k');
  ASSERT_EQ(CabRead(&io, h, buf, 1), 1u);  // the first view went on where it was
  EXPECT_EQ(buf[0], 'd');
  EXPECT_EQ(CabSeek(&io, other, 0, 1), 11);
  EXPECT_EQ(CabSeek(&io, other, -2, 2), 18);
  EXPECT_EQ(CabSeek(&io, other, -30, 1), -1);
  EXPECT_EQ(CabSeek(&io, other, 100, 0), 100);  // past the end: nothing to read
  EXPECT_EQ(CabRead(&io, other, buf, 4), 0u);
  EXPECT_EQ(CabClose(&io, h), 0);
  EXPECT_FALSE(CabIsPackageHandle(io, h));
  CabClose(&io, other);
}

// The library is never given a file by name, and never one to write.
TEST_F(CabIoTest, EveryOpenIsAViewAndNoneIsForWriting) {
  const int opened = fs.openCount;
  for (int writing : {0x0001, 0x0002, 0x0100, 0x0200, 0x8121}) {
    EXPECT_EQ(CabOpen(&io, writing), kNoHandle) << writing;
  }
  const intptr_t h = CabOpen(&io, 0x8020);
  EXPECT_EQ(CabWrite(&io, h, "x", 1), kIoError);
  EXPECT_EQ(fs.openCount, opened);
  CabClose(&io, h);
}

TEST_F(CabIoTest, TableHoldsFiveViews) {
  intptr_t h[6];
  for (intptr_t& x : h) x = CabOpen(&io, 0x8020);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(CabIsPackageHandle(io, h[i])) << i;
  EXPECT_EQ(h[5], kNoHandle);
  CabClose(&io, h[2]);
  const intptr_t again = CabOpen(&io, 0x8020);
  EXPECT_TRUE(CabIsPackageHandle(io, again));
  for (int i : {0, 1, 3, 4}) CabClose(&io, h[i]);
  CabClose(&io, again);
}

TEST_F(CabIoTest, ScrambledReadsXorEveryByteReadWithTheKey) {
  CabIoReset(&io, package, 100, true, 0x21);
  const intptr_t h = CabOpen(&io, 0x8020);
  uint8_t buf[30];
  std::memset(buf, 0x55, sizeof(buf));
  ASSERT_EQ(CabRead(&io, h, buf, 30), 20u);  // only 20 bytes remain
  EXPECT_EQ(buf[0], 'a' ^ 0x21);
  EXPECT_EQ(buf[19], ('a' + 19) ^ 0x21);
  EXPECT_EQ(buf[20], 0x55);  // bytes not read are left alone
  CabClose(&io, h);
}

// Whatever the library reports, a file is taken only when the file system
// holds as many bytes as the cabinet gives for it. Random runs of writes
// against an oracle written apart from the code: a write that fails, a disk
// that drops bytes while reporting them written, a library that writes too
// little or too much, a file cut or replaced after its write handle closed.
TEST_F(LoadTest, ATargetIsTakenOnlyWhenItHoldsTheCabinetsSize) {
  enum Fault { kNone, kWriteFails, kDiskDropsBytes, kTooFew, kTooMany, kCut, kReplaced, kFaults };
  static Fault fault;
  fs.afterClose = [](FakeFiles& f, const std::string& path) {
    if (fault == kCut && !f.files[path].empty()) f.files[path].pop_back();
    if (fault == kReplaced) f.files[path] = {'e', 'v', 'i', 'l'};
  };
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  for (int run = 0; run < 1000; ++run) {
    fault = static_cast<Fault>(next(kFaults));
    const std::string path = "C:\\T\\f" + std::to_string(run);
    std::vector<uint8_t> content(next(3) == 0 ? 0 : next(20000));
    for (uint8_t& b : content) b = static_cast<uint8_t>(next(256));
    uint32_t expected = static_cast<uint32_t>(content.size());
    if (fault == kTooFew) ++expected;
    if (fault == kTooMany) content.push_back(7);
    if (fault == kWriteFails) fs.failWrites.insert(path);
    if (fault == kDiskDropsBytes) fs.storeLimit[path] = content.size() / 2;
    // The oracle: every write reported whole, the size the cabinet gives,
    // and the disk holding that many bytes.
    std::vector<uint8_t> held = content;
    const bool reported = fault != kWriteFails || content.empty();
    if (fault == kDiskDropsBytes) held.resize(content.size() / 2);
    if (fault == kCut && !held.empty()) held.pop_back();
    if (fault == kReplaced) held = {'e', 'v', 'i', 'l'};
    const bool whole = reported && content.size() == expected && held.size() == expected;

    Target t;
    ASSERT_TRUE(TargetCreate(&t, path.c_str(), expected));
    EXPECT_EQ(fs.opens.back().share, kShareRead);  // nobody else writes while it is written
    for (size_t at = 0; at < content.size();) {
      const uint32_t n = static_cast<uint32_t>(std::min<size_t>(content.size() - at, 1 + next(7000)));
      TargetWrite(&t, content.data() + at, n);
      at += n;
    }
    ASSERT_EQ(TargetSeal(&t, path.c_str()), whole) << "run " << run << ", fault " << fault;
    if (whole) {
      EXPECT_EQ(fs.files[path], content);
      ASSERT_EQ(fs.openHandles(), 1);  // held for reading
      EXPECT_EQ(fs.opens.back().access, kAccessRead);
      EXPECT_EQ(fs.opens.back().share, kShareRead);
      g_io->close(t.handle);
    }
    EXPECT_EQ(fs.openHandles(), 0);
    fs.files.erase(path);
  }
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

const char kPartsDiffer[] =
    "The parts of this Setup package do not belong together: one of them has been damaged or "
    "replaced. Please obtain a new copy of the program.";

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
  static std::string PartName(size_t k) {
    char digits[16];
    std::snprintf(digits, sizeof(digits), "%03zu", k % 1000);
    return k == 0 ? "C:\\dl\\setup.exe" : std::string("C:\\dl\\setup.") + digits;
  }
  // Splits `whole` into part 1 of firstSize bytes (default partSize) and
  // parts of partSize bytes; with `record`, writes the part record into the
  // image area of part 1 first.
  size_t Split(size_t partSize, bool record = false, size_t firstSize = 0) {
    if (firstSize == 0) firstSize = partSize;
    for (const auto& name : Parts()) fs.files.erase(name);
    std::vector<size_t> starts{0};
    for (size_t at = firstSize; at < whole.size(); at += partSize) starts.push_back(at);
    starts.push_back(whole.size());
    const size_t count = starts.size() - 1;
    FillBytes(whole.data() + kPartRecordOffset, 0, kPartRecordSize);
    if (record) {
      PartRecord r{};
      r.count = static_cast<uint32_t>(count);
      r.firstSize = static_cast<uint32_t>(firstSize);
      r.middleSize = static_cast<uint32_t>(partSize);
      r.lastSize = static_cast<uint32_t>(whole.size() - starts[count - 1]);
      GChecksum* all = g_checksum_new(G_CHECKSUM_SHA256);
      for (size_t k = 0; k < count; ++k) {
        const size_t from = k == 0 ? kImageSize : starts[k];
        GChecksum* one = g_checksum_new(G_CHECKSUM_SHA256);
        g_checksum_update(one, whole.data() + from, starts[k + 1] - from);
        uint8_t digest[kDigestSize];
        gsize size = sizeof(digest);
        g_checksum_get_digest(one, digest, &size);
        g_checksum_free(one);
        g_checksum_update(all, digest, sizeof(digest));
      }
      gsize size = sizeof(r.digest);
      g_checksum_get_digest(all, r.digest, &size);
      g_checksum_free(all);
      WritePartRecord(r, whole.data() + kPartRecordOffset);
    }
    for (size_t k = 0; k < count; ++k) {
      fs.files[PartName(k)].assign(whole.begin() + static_cast<long>(starts[k]),
                                   whole.begin() + static_cast<long>(starts[k + 1]));
    }
    return count;
  }
  std::vector<std::string> Parts() const {
    std::vector<std::string> names;
    for (const auto& f : fs.files) {
      if (f.first.rfind("C:\\dl\\", 0) == 0) names.push_back(f.first);
    }
    return names;
  }
  // A rebuild as start-up runs it: the program's own file open as the
  // package; afterwards the rebuilt package open in its place, closed here.
  void Run() {
    g_state.packageHandle = g_io->open(g_state.ownPath, kReadExisting);
    RebuildPackage(&g_state, Prompt);
    if (g_state.packageHandle != kNoHandle) g_io->close(g_state.packageHandle);
    g_state.packageHandle = kNoHandle;
  }
  // A rebuild in a working folder that holds no rebuilt package yet.
  void Rebuild() {
    fs.files.erase("C:\\T\\$Tessara.Tmp\\Tessara.pkg");
    Run();
  }
  const std::vector<uint8_t>& Rebuilt() { return fs.files["C:\\T\\$Tessara.Tmp\\Tessara.pkg"]; }
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
  Run();
  EXPECT_FALSE(g_state.error);
  EXPECT_STREQ(g_state.packagePath, "C:\\T\\$Tessara.Tmp\\Tessara.pkg");
  EXPECT_EQ(fs.files["C:\\T\\$Tessara.Tmp\\Tessara.pkg"], whole);
  EXPECT_EQ(g_state.partCounter, 3);
  EXPECT_TRUE(prompts.empty());
  EXPECT_EQ(fs.allocations, 0);
}

TEST_F(RebuildTest, PartsBeyondThePackageSizeAreNotRead) {
  fs.files["C:\\dl\\setup.003"] = {1, 2, 3};
  Run();
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
  Run();
  onRetry = nullptr;
  EXPECT_EQ(prompts, (std::vector<uint32_t>{2, 2}));  // the program itself is part 1
  EXPECT_FALSE(g_state.error);
  EXPECT_EQ(fs.files["C:\\T\\$Tessara.Tmp\\Tessara.pkg"], whole);
}

TEST_F(RebuildTest, CancelSetsTheErrorFlag) {
  fs.files.erase("C:\\dl\\setup.002");
  answers = {false};
  Run();
  EXPECT_EQ(prompts, (std::vector<uint32_t>{3}));
  EXPECT_TRUE(g_state.error);
}

TEST_F(RebuildTest, APartDeliveringFewerBytesThanItsSizeStopsWithTheErrorFlag) {
  fs.readLimit["C:\\dl\\setup.001"] = 1000;
  Run();
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
  Run();
  EXPECT_TRUE(g_state.error);
  EXPECT_TRUE(prompts.empty());
}

TEST_F(RebuildTest, WriteFailureOrUncreatableTargetSetsTheErrorFlag) {
  fs.failWrites.insert("C:\\T\\$Tessara.Tmp\\Tessara.pkg");
  Run();
  EXPECT_TRUE(g_state.error);
  g_state.error = false;
  fs.failWrites.clear();
  fs.unopenable.insert("C:\\T\\$Tessara.Tmp\\Tessara.pkg");
  Run();
  EXPECT_TRUE(g_state.error);
}

// The working folder is made fresh by this process; a rebuilt package found
// there was put by someone else and is neither used nor overwritten.
TEST_F(RebuildTest, APlantedRebuiltPackageIsRefusedAndLeftAlone) {
  const std::vector<uint8_t> planted = {'p', 'l', 'a', 'n', 't'};
  fs.files["C:\\T\\$Tessara.Tmp\\Tessara.pkg"] = planted;
  Run();
  EXPECT_TRUE(g_state.error);
  EXPECT_FALSE(g_state.rebuiltCreated);  // so the exit clean-up leaves it too
  EXPECT_EQ(fs.files["C:\\T\\$Tessara.Tmp\\Tessara.pkg"], planted);
  fs.files.erase("C:\\T\\$Tessara.Tmp\\Tessara.pkg");
  g_state.error = false;
  Run();
  EXPECT_FALSE(g_state.error);
  EXPECT_TRUE(g_state.rebuiltCreated);
}

TEST_F(RebuildTest, ATooLongRebuiltPathIsAFailureNotAnOverflow) {
  std::memset(g_state.tempDir, 'x', kPathBytes - 5);
  g_state.tempDir[kPathBytes - 5] = 0;
  Run();
  EXPECT_TRUE(g_state.error);
  EXPECT_EQ(fs.openCount, 1);  // the program's own file, and nothing else
}

// The program plus .001 to .255: every name the part counter can give.
TEST_F(RebuildTest, TwoHundredFiftySixPartsAreJoinedWithOrWithoutARecord) {
  // Part 1 carries the image area; 255 parts of 100 bytes follow it.
  whole.assign(kImageSize + 255 * 100, 0);
  for (size_t i = 0; i < whole.size(); ++i) whole[i] = static_cast<uint8_t>(i % 251);
  g_state.header.packageSize = static_cast<uint32_t>(whole.size());
  for (bool record : {false, true}) {
    SCOPED_TRACE(record);
    ASSERT_EQ(Split(100, record, kImageSize), 256u);
    Rebuild();
    EXPECT_FALSE(g_state.error) << g_state.partProblem;
    EXPECT_EQ(Rebuilt(), whole);
    EXPECT_TRUE(prompts.empty());
  }
  // Without a record, a package that would need a 257th part cannot be joined.
  Split(100, false, kImageSize);
  ++g_state.header.packageSize;
  Rebuild();
  EXPECT_TRUE(g_state.error);
  EXPECT_TRUE(prompts.empty());
}

// With a part record every part is checked before the package is used: a
// short or long part is named, parts that do not belong together are refused,
// and no disk prompt asks for a part that was never made.
TEST_F(RebuildTest, ARecordNamesAShortOrLongPartAndRefusesSwappedParts) {
  struct Case {
    const char* what;
    void (*damage)(FakeFiles& files);
    const char* message;
  } cases[] = {
      {"short", [](FakeFiles& f) { f.files["C:\\dl\\setup.001"].resize(20000); },
       "The part file setup.001 is damaged: it is shorter than it should be. Please obtain a "
       "new copy of the program."},
      {"long", [](FakeFiles& f) { f.files["C:\\dl\\setup.003"].push_back(0); },
       "The part file setup.003 is damaged: it is longer than it should be. Please obtain a new "
       "copy of the program."},
      {"swapped",
       [](FakeFiles& f) { std::swap(f.files["C:\\dl\\setup.001"], f.files["C:\\dl\\setup.002"]); },
       kPartsDiffer},
      {"one byte changed", [](FakeFiles& f) { f.files["C:\\dl\\setup.003"][5] ^= 1; },
       kPartsDiffer},
      {"image data changed", [](FakeFiles& f) { f.files["C:\\dl\\setup.exe"][kImageSize] ^= 1; },
       kPartsDiffer},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(Split(30000, true), 4u);
    Rebuild();
    ASSERT_FALSE(g_state.error) << g_state.partProblem;
    ASSERT_EQ(Rebuilt(), whole);
    c.damage(fs);
    Rebuild();
    EXPECT_TRUE(g_state.error);
    EXPECT_STREQ(g_state.partProblem, c.message);
    EXPECT_TRUE(prompts.empty());
    EXPECT_EQ(fs.allocations, 0);
    g_state.error = false;
  }
}

// Part 1 is read through the handle start-up checked the package with, and
// the record is checked by reading the rebuilt file back through the handle
// that extraction reads: a disk that keeps fewer bytes than it reports
// written is found out.
TEST_F(RebuildTest, PartOneAndTheRecordAreCheckedThroughTheHeldHandles) {
  const std::string rebuilt = "C:\\T\\$Tessara.Tmp\\Tessara.pkg";
  Split(30000, true);
  g_state.packageHandle = g_io->open(g_state.ownPath, kReadExisting);
  fs.unopenable.insert(g_state.ownPath);
  RebuildPackage(&g_state, Prompt);
  EXPECT_FALSE(g_state.error) << g_state.partProblem;
  ASSERT_NE(g_state.packageHandle, kNoHandle);
  ASSERT_EQ(fs.openHandles(), 1);
  EXPECT_EQ(fs.handles_.at(g_state.packageHandle).path, rebuilt);
  EXPECT_EQ(fs.opens[1].share, kShareRead);  // nobody else writes it, renames it or deletes it
  g_io->close(g_state.packageHandle);
  EXPECT_EQ(Rebuilt(), whole);

  fs.unopenable.clear();
  fs.storeLimit[rebuilt] = whole.size() - 10;
  Rebuild();
  EXPECT_TRUE(g_state.error);
  EXPECT_STREQ(g_state.partProblem, kPartsDiffer);
}

// A signed program carries its signature behind its part of the package:
// only the recorded bytes are joined, and a byte after the signature makes
// the part too long.
TEST_F(RebuildTest, OnlyTheRecordedBytesOfASignedFirstPartAreJoined) {
  Split(30000, true);
  std::vector<uint8_t>& first = fs.files["C:\\dl\\setup.exe"];
  first.resize((first.size() + 7) / 8 * 8, 0);
  g_state.certificate = {static_cast<uint32_t>(first.size()), 24};
  first.insert(first.end(), 24, 0xC5);
  Rebuild();
  EXPECT_FALSE(g_state.error) << g_state.partProblem;
  EXPECT_EQ(Rebuilt(), whole);
  first.push_back(0);
  Rebuild();
  EXPECT_TRUE(g_state.error);
  EXPECT_STREQ(g_state.partProblem,
               "The part file setup.exe is damaged: it is longer than it should be. Please obtain "
               "a new copy of the program.");
}

// Where SHA-256 cannot be had, a package with a part record says so before
// it joins anything; an older one without a record needs none.
TEST_F(RebuildTest, WithoutSha256OnlyARecordedPackageIsRefused) {
  fs.noSha256 = true;
  Split(30000, true);
  Rebuild();
  EXPECT_TRUE(g_state.error);
  EXPECT_STREQ(g_state.partProblem, "This Setup package needs Windows XP SP3 or later.");
  EXPECT_TRUE(Rebuilt().empty());
  g_state.error = false;
  Split(30000, false);
  Rebuild();
  EXPECT_FALSE(g_state.error) << g_state.partProblem;
  EXPECT_EQ(Rebuilt(), whole);
}

TEST_F(RebuildTest, ARecordedPackageStillPromptsForAMissingPart) {
  Split(30000, true);
  fs.files.erase("C:\\dl\\setup.003");
  answers = {false};
  Rebuild();
  EXPECT_EQ(prompts, (std::vector<uint32_t>{4}));
  EXPECT_TRUE(g_state.error);
  EXPECT_STREQ(g_state.partProblem, "");
}

}  // namespace
}  // namespace marrowby::setup
