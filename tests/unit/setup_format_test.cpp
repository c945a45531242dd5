// The stub's portable pieces: header bytes, layout checks, scrambling, names,
// installer command lines, message tables, open flags and bounded texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

#include "setup/cstr.h"
#include "setup/install_commands.h"
#include "setup/messages.h"
#include "setup/names.h"
#include "setup/package_format.h"
#include "setup/scramble.h"
#include "setup/setup_io.h"

namespace marrowby::setup {
namespace {

std::vector<uint8_t> HeaderBytes() {
  return {'M', 'R', 'I', 1, 10, 8, 1, 3, 0x10, 0, 0, 0, 0x20, 0x01, 0, 0, 1, 0, 1, 1,
          0x78, 0x56, 0x34, 0x12};
}

TEST(PackageHeader, FieldsAtTheirOffsetsLittleEndian) {
  const std::vector<uint8_t> b = HeaderBytes();
  PackageHeader h{};
  ASSERT_TRUE(ParseHeader(b.data(), b.size(), &h));
  EXPECT_EQ(h.attended, 1);
  EXPECT_EQ(h.titleLength, 10);
  EXPECT_EQ(h.infNameLength, 8);
  EXPECT_EQ(h.admin, 1);
  EXPECT_EQ(h.noticeLength, 3);
  EXPECT_EQ(h.welcomeLength, 0x10);
  EXPECT_EQ(h.licenceLength, 0x120);
  EXPECT_EQ(h.noticeHidden, 1);
  EXPECT_EQ(h.multiPart, 0);
  EXPECT_EQ(h.advanced, 1);
  EXPECT_EQ(h.cabinetScrambled, 1);
  EXPECT_EQ(h.packageSize, 0x12345678u);
  uint8_t out[kHeaderSize];
  WriteHeader(h, out);
  EXPECT_EQ(std::vector<uint8_t>(out, out + kHeaderSize), b);
}

TEST(PackageHeader, MagicMustMatchExactlyAndHeaderBeWhole) {
  PackageHeader h{};
  for (int i = 0; i < 3; ++i) {
    std::vector<uint8_t> b = HeaderBytes();
    b[i] = static_cast<uint8_t>(b[i] + 32);  // lower case, or another letter
    EXPECT_FALSE(ParseHeader(b.data(), b.size(), &h)) << i;
  }
  const std::vector<uint8_t> b = HeaderBytes();
  EXPECT_FALSE(ParseHeader(b.data(), kHeaderSize - 1, &h));
  EXPECT_FALSE(ParseHeader(b.data(), 0, &h));
}

PackageHeader Header(uint8_t title, uint8_t inf, uint8_t notice, int32_t welcome, int32_t licence,
                     uint32_t cabinet) {
  PackageHeader h{};
  h.titleLength = title;
  h.infNameLength = inf;
  h.noticeLength = notice;
  h.welcomeLength = welcome;
  h.licenceLength = licence;
  h.packageSize = kTextsOffset + title + inf + notice + static_cast<uint32_t>(welcome) +
                  static_cast<uint32_t>(licence) + cabinet;
  return h;
}

TEST(PackageLayout, CabinetFollowsTheFiveTexts) {
  EXPECT_EQ(kHeaderOffset, 0x11000u);
  EXPECT_EQ(kTextsOffset, 0x11018u);
  const PackageHeader h = Header(4, 8, 3, 20, 100, 500);
  EXPECT_EQ(CheckLayout(h, h.packageSize), LayoutCheck::kOk);
  EXPECT_EQ(CabinetOffset(h), 0x11018u + 4 + 8 + 3 + 20 + 100);
}

TEST(PackageLayout, LengthsPastTheEndAreACorruptedPackage) {
  const PackageHeader h = Header(4, 8, 3, 20, 100, 0);
  EXPECT_EQ(CheckLayout(h, h.packageSize), LayoutCheck::kOk);
  EXPECT_EQ(CheckLayout(h, h.packageSize - 1), LayoutCheck::kTextsPastEnd);
  // A huge licence length on a small file must never be trusted.
  const PackageHeader huge = Header(0, 8, 0, 0, 0x7FFFFFF0, 0);
  EXPECT_EQ(CheckLayout(huge, kTextsOffset + 100), LayoutCheck::kTextsPastEnd);
  PackageHeader shortSize = Header(4, 8, 0, 0, 0, 0);
  shortSize.packageSize -= 1;
  EXPECT_EQ(CheckLayout(shortSize, 1 << 20), LayoutCheck::kCabinetPastEnd);
}

TEST(PackageLayout, NegativeLengthsAndAMissingInfNameAreRefused) {
  EXPECT_EQ(CheckLayout(Header(0, 8, 0, -1, 0, 10), 1 << 20), LayoutCheck::kBadLength);
  EXPECT_EQ(CheckLayout(Header(0, 8, 0, 0, -5, 10), 1 << 20), LayoutCheck::kBadLength);
  EXPECT_EQ(CheckLayout(Header(0, 0, 0, 0, 0, 10), 1 << 20), LayoutCheck::kBadLength);
}

// The generator written out independently: the upper 32 bits of s * 128.
uint8_t ReferenceKey(uint32_t* s) {
  *s = static_cast<uint32_t>(static_cast<uint64_t>(*s) * 134775813u + 1u);
  return static_cast<uint8_t>(((static_cast<uint64_t>(*s) * 128u) >> 32) | 0x80u);
}

TEST(Scramble, MatchesTheGeneratorAndKeepsTheFirstBytePlain) {
  std::vector<uint8_t> text(300);
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<uint8_t>(i * 7);
  std::vector<uint8_t> scrambled = text;
  ScrambleText(scrambled.data(), scrambled.size());
  EXPECT_EQ(scrambled[0], text[0]);
  uint32_t s = kScrambleSeed;
  for (size_t i = 1; i < text.size(); ++i) {
    const uint8_t key = ReferenceKey(&s);
    ASSERT_GE(key, 0x80);
    ASSERT_EQ(scrambled[i], text[i] ^ key) << i;
  }
  ScrambleText(scrambled.data(), scrambled.size());
  EXPECT_EQ(scrambled, text);
}

TEST(Scramble, ShortTextsStayUnchangedAndEachTextRestartsTheGenerator) {
  uint8_t one[1] = {'x'};
  ScrambleText(one, 1);
  EXPECT_EQ(one[0], 'x');
  ScrambleText(one, 0);
  EXPECT_EQ(one[0], 'x');
  uint8_t a[4] = {'a', 'b', 'c', 'd'};
  uint8_t b[4] = {'a', 'b', 'c', 'd'};
  ScrambleText(a, 4);
  ScrambleText(b, 4);
  EXPECT_EQ(std::memcmp(a, b, 4), 0);
}

TEST(Scramble, CompileTimeScramblingEqualsTheRoutine) {
  constexpr auto kText = ScrambleLiteral("Hello, notice");
  std::vector<uint8_t> bytes(kText.bytes, kText.bytes + sizeof(kText.bytes));
  ScrambleText(bytes.data(), bytes.size());
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "Hello, notice");
}

TEST(PartRecord, RoundTripAndOnlyAValidCountIsARecord) {
  PartRecord r{};
  r.count = 256;
  r.firstSize = 40000;
  r.middleSize = 1000;
  r.lastSize = 7;
  for (int i = 0; i < 32; ++i) r.digest[i] = static_cast<uint8_t>(i * 9);
  uint8_t b[kPartRecordSize];
  WritePartRecord(r, b);
  PartRecord back{};
  ASSERT_TRUE(ParsePartRecord(b, &back));
  EXPECT_EQ(std::memcmp(&r, &back, sizeof(r)), 0);
  EXPECT_EQ(RecordedPartSize(back, 0), 40000u);
  EXPECT_EQ(RecordedPartSize(back, 1), 1000u);
  EXPECT_EQ(RecordedPartSize(back, 254), 1000u);
  EXPECT_EQ(RecordedPartSize(back, 255), 7u);
  const uint8_t zeros[kPartRecordSize] = {};
  EXPECT_FALSE(ParsePartRecord(zeros, &back));  // the padding of older packages
  for (uint32_t count : {0u, 1u, 257u}) {
    r.count = count;
    WritePartRecord(r, b);
    EXPECT_FALSE(ParsePartRecord(b, &back)) << count;
  }
}

TEST(PartNames, LastThreeCharactersBecomeThePartNumber) {
  char name[32] = "C:\\dl\\setup.exe";
  ASSERT_TRUE(SetPartNumber(name, 1));
  EXPECT_STREQ(name, "C:\\dl\\setup.001");
  ASSERT_TRUE(SetPartNumber(name, 42));
  EXPECT_STREQ(name, "C:\\dl\\setup.042");
  ASSERT_TRUE(SetPartNumber(name, 255));
  EXPECT_STREQ(name, "C:\\dl\\setup.255");
  char shortName[4] = "ab";
  EXPECT_FALSE(SetPartNumber(shortName, 1));
  EXPECT_STREQ(shortName, "ab");
  EXPECT_FALSE(SetPartNumber(name, 1000));
  // Characters, not bytes, of a UTF-8 name: "Установка" ends "вка".
  char cyrillic[32] = "\xD0\xA3\xD1\x81\xD1\x82\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2\xD0\xBA\xD0\xB0";
  ASSERT_TRUE(SetPartNumber(cyrillic, 7));
  EXPECT_STREQ(cyrillic, "\xD0\xA3\xD1\x81\xD1\x82\xD0\xB0\xD0\xBD\xD0\xBE" "007");
}

TEST(WorkDirNames, UsualNameFirstThenUniqueSuffixesThatFit) {
  char out[kPathSize];
  ASSERT_TRUE(WorkDirName("C:\\TEMP\\$Tessara.Tmp\\", 1234, 0, out, sizeof(out)));
  EXPECT_STREQ(out, "C:\\TEMP\\$Tessara.Tmp\\");
  ASSERT_TRUE(WorkDirName("C:\\TEMP\\$Tessara.Tmp\\", 1234, 1, out, sizeof(out)));
  EXPECT_STREQ(out, "C:\\TEMP\\$Tessara.Tmp.1234-1\\");
  ASSERT_TRUE(WorkDirName("C:\\TEMP\\$Tessara.Tmp\\", 4294967295u, 63, out, sizeof(out)));
  EXPECT_STREQ(out, "C:\\TEMP\\$Tessara.Tmp.4294967295-63\\");
  // A usual name that just fits leaves no room for a suffix: refused, not cut.
  const std::string full = "C:\\" + std::string(kPathSize - 8, 'x') + "\\$T\\";
  ASSERT_EQ(full.size(), kPathSize - 1);
  EXPECT_TRUE(WorkDirName(full.c_str(), 7, 0, out, sizeof(out)));
  EXPECT_FALSE(WorkDirName(full.c_str(), 7, 1, out, sizeof(out)));
}

TEST(CabinetNames, PlainRelativeNamesPass) {
  for (const char* ok : {"setup.inf", "a", "sub\\file.txt", "sub/file.txt", "x.y.z", "...a",
                         "com10", "lpt", "\xe9t\xe9.txt", "Nul1", "COM\xC2\xB9", "COM\xB4"}) {
    EXPECT_EQ(CheckCabinetName(ok), NameCheck::kOk) << ok;
  }
  // Flagged as UTF-8: "café.txt", "Установка.exe", a character beyond U+FFFF.
  for (const char* ok : {"caf\xC3\xA9.txt", "\xD0\xA3\xD1\x81\xD1\x82.exe", "\xF0\x9F\x98\x80",
                         "COM\xC2\xB4"}) {
    EXPECT_EQ(CheckCabinetName(ok, true), NameCheck::kOk) << ok;
  }
}

TEST(CabinetNames, NamesThatCouldLeaveTheFolderAreRefused) {
  const struct {
    const char* name;
    NameCheck why;
  } cases[] = {
      {"", NameCheck::kEmpty},
      {"..\\evil.dll", NameCheck::kDotComponent},
      {"a\\..\\..\\evil.dll", NameCheck::kDotComponent},
      {"../evil", NameCheck::kDotComponent},
      {"..", NameCheck::kDotComponent},
      {".\\x", NameCheck::kDotComponent},
      {"a\\\\b", NameCheck::kDotComponent},
      {"dir\\", NameCheck::kDotComponent},
      {"\\windows\\x.dll", NameCheck::kAbsolute},
      {"/etc/passwd", NameCheck::kAbsolute},
      {"\\\\server\\share\\x", NameCheck::kAbsolute},
      {"C:\\x.dll", NameCheck::kDrive},
      {"C:x.dll", NameCheck::kDrive},
      {"file.txt:stream", NameCheck::kDrive},
      {"CON", NameCheck::kDeviceName},
      {"nul.txt", NameCheck::kDeviceName},
      {"sub\\Com1.log", NameCheck::kDeviceName},
      {"LPT9", NameCheck::kDeviceName},
      {"aux .txt", NameCheck::kDeviceName},
      {"conout$", NameCheck::kDeviceName},
      {"a\x01" "b", NameCheck::kBadCharacter},
      {"tab\there", NameCheck::kBadCharacter},
      {"what?.txt", NameCheck::kBadCharacter},
      {"a*b", NameCheck::kBadCharacter},
      {"pipe|", NameCheck::kBadCharacter},
      {"name.", NameCheck::kTrailingDotOrSpace},
      {"name ", NameCheck::kTrailingDotOrSpace},
      // The superscript digits one to three make device names too.
      {"COM\xB9", NameCheck::kDeviceName},
      {"lpt\xB2.txt", NameCheck::kDeviceName},
      {"sub\\Com\xB3 .log", NameCheck::kDeviceName},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckCabinetName(c.name), c.why) << c.name;
  const struct {
    const char* name;
    NameCheck why;
  } utf8[] = {
      {"COM\xC2\xB9", NameCheck::kDeviceName},
      {"LPT\xC2\xB3.txt", NameCheck::kDeviceName},
      {"..\\x", NameCheck::kDotComponent},
      {"COM\xB9", NameCheck::kBadCharacter},          // a 1252 byte, no UTF-8
      {"caf\xE9.txt", NameCheck::kBadCharacter},
      {"\xC0\xAE\xC0\xAE", NameCheck::kBadCharacter},  // ".." spelt overlong
      {"\xED\xA0\x80", NameCheck::kBadCharacter},      // a surrogate
      {"\xF4\x90\x80\x80", NameCheck::kBadCharacter},  // above U+10FFFF
      {"\xE2\x82", NameCheck::kBadCharacter},          // cut short
  };
  for (const auto& c : utf8) EXPECT_EQ(CheckCabinetName(c.name, true), c.why) << c.name;
}

// The INF name stands unquoted in the installer's command line.
TEST(InfNames, OnlyAPlainFileNameWithoutSpacesOrCommasPasses) {
  for (const char* ok : {"setup.inf", "SETUP.INF", "a", "x.y.inf", "\xe9t\xe9.inf"}) {
    EXPECT_EQ(CheckInfName(ok), InfNameCheck::kOk) << ok;
  }
  const struct {
    const char* name;
    InfNameCheck why;
  } cases[] = {
      {"", InfNameCheck::kEmpty},
      {"sub\\setup.inf", InfNameCheck::kSeparator},
      {"../setup.inf", InfNameCheck::kSeparator},
      {"C:setup.inf", InfNameCheck::kSeparator},
      {"my setup.inf", InfNameCheck::kSpace},
      {"a.inf,DefaultInstall", InfNameCheck::kComma},
      {"\"setup.inf", InfNameCheck::kQuote},
      {"setup\t.inf", InfNameCheck::kControl},
      {"setup.inf\x7F", InfNameCheck::kControl},
      {"..", InfNameCheck::kNotAFileName},
      {"CON", InfNameCheck::kNotAFileName},
      {"COM\xB9.inf", InfNameCheck::kNotAFileName},
      {"setup.inf.", InfNameCheck::kNotAFileName},
      {"set|up.inf", InfNameCheck::kNotAFileName},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckInfName(c.name), c.why) << c.name;
}

// Every pair of Windows-1252 characters against Unicode's own upper-case
// mapping (the C library's, in a UTF-8 locale), the way Windows folds names.
TEST(CabinetNames, SameFileIgnoringCaseFollowsUnicodeUpperCase) {
  ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
  static const uint16_t k80to9F[32] = {
      0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021, 0x2C6,  0x2030, 0x160,
      0x2039, 0x152,  0x8D,   0x17D,  0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};
  auto unicode = [](int c) -> wint_t { return c >= 0x80 && c < 0xA0 ? k80to9F[c - 0x80] : c; };
  auto oracle = [&](int a, int b) {
    if (a == '/') a = '\\';
    if (b == '/') b = '\\';
    return std::towupper(unicode(a)) == std::towupper(unicode(b));
  };
  for (int a = 1; a < 256; ++a) {
    for (int b = 1; b < 256; ++b) {
      const char x[] = {'f', static_cast<char>(a), '.', 0}, y[] = {'F', static_cast<char>(b), '.', 0};
      ASSERT_EQ(SameFileName1252(x, y), oracle(a, b)) << a << " " << b;
    }
  }
  EXPECT_TRUE(SameFileName1252("sub/A.INF", "SUB\\a.inf"));
  EXPECT_FALSE(SameFileName1252("a.inf", "a.inf2"));
  EXPECT_FALSE(SameFileName1252("a.inf2", "a.inf"));
  std::setlocale(LC_CTYPE, "C");
}

std::string Command(InstallRun run, bool nt, bool setupx, const char* inf = "C:\\T\\$Tessara.Tmp\\a.inf") {
  InstallCommandInput in;
  in.run = run;
  in.hostDir = "C:\\WINDOWS\\system32";
  in.infPath = inf;
  in.ntFamily = nt;
  in.setupxPresent = setupx;
  char out[600];
  EXPECT_TRUE(BuildInstallCommand(in, out, sizeof(out)));
  return out;
}

TEST(InstallCommands, AdvancedRunsNameTheirSections) {
  EXPECT_EQ(Command(InstallRun::kAdvancedFirst, true, false),
            "\"C:\\WINDOWS\\system32\\rundll32.exe\" advpack,LaunchINFSection "
            "C:\\T\\$Tessara.Tmp\\a.inf,DefaultInstall2.ntx86");
  EXPECT_EQ(Command(InstallRun::kAdvancedFirst, false, true),
            "\"C:\\WINDOWS\\system32\\rundll32.exe\" advpack,LaunchINFSection "
            "C:\\T\\$Tessara.Tmp\\a.inf,DefaultInstall2");
  // The second run has no platform suffix.
  EXPECT_EQ(Command(InstallRun::kAdvancedSecond, true, false),
            "\"C:\\WINDOWS\\system32\\rundll32.exe\" advpack,LaunchINFSection "
            "C:\\T\\$Tessara.Tmp\\a.inf,DefaultInstallX");
}

TEST(InstallCommands, BasicRunUsesSetupxOnlyWhenItIsPresent) {
  EXPECT_EQ(Command(InstallRun::kBasic, true, false),
            "\"C:\\WINDOWS\\system32\\rundll32.exe\" setupapi,InstallHinfSection DefaultInstall "
            "132 C:\\T\\$Tessara.Tmp\\a.inf");
  EXPECT_EQ(Command(InstallRun::kBasic, true, true),
            "\"C:\\WINDOWS\\system32\\rundll.exe\" setupx.dll,InstallHinfSection DefaultInstall "
            "132 C:\\T\\$Tessara.Tmp\\a.inf");
}

// Only a host that started and ended with 0 counts as installed; every other
// end gets a failure text, never the completion text, and ends setup with
// 1603. Installed with files left for the next start, setup ends with 3010.
TEST(InstallCommands, OutcomesTheirFailureTextsAndExitCodes) {
  const struct {
    InstallOutcome outcome;
    uint32_t exitCode;
    const char* text;
  } cases[] = {
      {{true, 0, false}, 0, nullptr},
      {{true, 0, true}, 3010, nullptr},
      {{false, 0, true}, 1603,
       "\r\n\r\n\r\n\r\nInstallation failed: the installer could not be started."},
      {{true, 1, false}, 1603,
       "\r\n\r\n\r\n\r\nInstallation failed: the installer ended with exit code 0x00000001."},
      {{true, 0xC0000005u, true}, 1603,
       "\r\n\r\n\r\n\r\nInstallation failed: the installer ended with exit code 0xC0000005."},
      {{true, 259, false}, 1603,  // STILL_ACTIVE: its end could not be read
       "\r\n\r\n\r\n\r\nInstallation failed: the installer ended with exit code 0x00000103."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.outcome.Succeeded(), c.text == nullptr) << c.outcome.exitCode;
    EXPECT_EQ(c.outcome.SetupExitCode(), c.exitCode) << c.outcome.exitCode;
    if (!c.text) continue;
    char text[160];
    ASSERT_TRUE(InstallFailureText(c.outcome, text, sizeof(text)));
    EXPECT_STREQ(text, c.text);
  }
  char tiny[20];
  EXPECT_FALSE(InstallFailureText({true, 7, false}, tiny, sizeof(tiny)));
}

// Asked for nothing, the installers get the command lines above; quiet or
// without a restart, setupapi gets its mode (128 never restart, 131 restart
// without asking) and advpack its quiet flag and reboot mode, in both runs.
TEST(InstallCommands, QuietAndNoRestartReachTheInstallers) {
  const struct {
    bool quiet, noRestart;
    const char* basic;
    const char* advanced;
  } cases[] = {
      {false, false, "DefaultInstall 132 C:\\a.inf", "C:\\a.inf,DefaultInstallX"},
      {false, true, "DefaultInstall 128 C:\\a.inf", "C:\\a.inf,DefaultInstallX,0,N"},
      {true, false, "DefaultInstall 131 C:\\a.inf", "C:\\a.inf,DefaultInstallX,1,I"},
      {true, true, "DefaultInstall 128 C:\\a.inf", "C:\\a.inf,DefaultInstallX,1,N"},
  };
  for (const auto& c : cases) {
    InstallCommandInput in;
    in.hostDir = "C:\\W";
    in.infPath = "C:\\a.inf";
    in.quiet = c.quiet;
    in.noRestart = c.noRestart;
    char out[200];
    ASSERT_TRUE(BuildInstallCommand(in, out, sizeof(out)));
    EXPECT_EQ(std::string(out), std::string("\"C:\\W\\rundll32.exe\" setupapi,InstallHinfSection ") +
                                    c.basic);
    in.run = InstallRun::kAdvancedSecond;
    ASSERT_TRUE(BuildInstallCommand(in, out, sizeof(out)));
    EXPECT_EQ(std::string(out),
              std::string("\"C:\\W\\rundll32.exe\" advpack,LaunchINFSection ") + c.advanced);
    in.run = InstallRun::kAdvancedFirst;
    in.ntFamily = true;
    ASSERT_TRUE(BuildInstallCommand(in, out, sizeof(out)));
    const std::string first = std::string(c.advanced).replace(9, 15, "DefaultInstall2.ntx86");
    EXPECT_EQ(std::string(out), std::string("\"C:\\W\\rundll32.exe\" advpack,LaunchINFSection ") + first);
  }
}

TEST(InstallCommands, ATooLongCommandIsRefusedNotOverflowed) {
  InstallCommandInput in;
  const std::string inf(300, 'x');
  in.hostDir = "C:\\WINDOWS\\system32";
  in.infPath = inf.c_str();
  char out[320];
  std::memset(out, '#', sizeof(out));
  EXPECT_FALSE(BuildInstallCommand(in, out, 300));
  EXPECT_EQ(std::strlen(out), 299u);
  EXPECT_EQ(out[310], '#');
}

TEST(Messages, CopyErrorTextsByCode) {
  const char* expected[] = {"unknown problem", "Cab not found", "Not a Cabinet",
                            "Unknown Cab version", "Corrupt Cabinet", "Alloc failure",
                            "Unknown compression type", "MDI failure", "Error writing target",
                            "Reserve mismatch", "wrong cab", "user abort"};
  for (int i = 0; i < 12; ++i) EXPECT_STREQ(CopyErrorText(i), expected[i]) << i;
  EXPECT_STREQ(CopyErrorText(12), "unknown problem");
  EXPECT_STREQ(CopyErrorText(-1), "unknown problem");
  EXPECT_STREQ(CopyErrorText(1000), "unknown problem");
}

TEST(OpenFlags, AccessCreationAndHints) {
  // Binary, sequential, read only: the package.
  OpenParams p = MapOpenFlags(0x8020);
  EXPECT_EQ(p.access, kAccessRead);
  EXPECT_EQ(p.share, kShareRead);
  EXPECT_EQ(p.creation, kOpenExisting);
  EXPECT_EQ(p.attributes, kAttrNormal | kFlagSequentialScan);
  // Binary, create, sequential, write only: an extracted file.
  p = MapOpenFlags(0x8121);
  EXPECT_EQ(p.access, kAccessWrite);
  EXPECT_EQ(p.creation, kCreateAlways);
  EXPECT_EQ(p.attributes, kAttrNormal | kFlagSequentialScan);
  p = MapOpenFlags(0x0002 | 0x0200 | 0x0040 | 0x0010);
  EXPECT_EQ(p.access, kAccessRead | kAccessWrite);
  EXPECT_EQ(p.creation, kTruncateExisting);
  EXPECT_EQ(p.attributes, kAttrNormal | kAttrTemporary | kFlagRandomAccess);
}

TEST(BoundedText, NeverWritesPastTheBuffer) {
  char buf[8];
  std::memset(buf, '#', sizeof(buf));
  EXPECT_TRUE(TextCopy(buf, 8, "1234567"));
  EXPECT_STREQ(buf, "1234567");
  EXPECT_FALSE(TextAppend(buf, 8, "8"));
  EXPECT_STREQ(buf, "1234567");
  EXPECT_FALSE(TextCopy(buf, 4, "abcdef"));
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(buf[4], '5');
  char digits[11], joined[17];
  EXPECT_STREQ(DecimalText(4294967295u, digits), "4294967295");
  EXPECT_STREQ(DecimalText(0, digits), "0");
  EXPECT_STREQ(HexText(0xC0000005u, digits), "0xC0000005");
  EXPECT_TRUE(TextJoin(joined, sizeof(joined), {"part ", DecimalText(42949672u, digits)}));
  EXPECT_FALSE(TextJoin(joined, sizeof(joined), {"part ", DecimalText(4294967295u, digits), "12"}));
  EXPECT_STREQ(joined, "part 42949672951");
  EXPECT_EQ(FileNameStart("C:\\dir\\setup.exe"), 7u);
  EXPECT_EQ(FileNameStart("C:setup.exe"), 2u);
}

}  // namespace
}  // namespace marrowby::setup
