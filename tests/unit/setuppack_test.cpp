// The package builder: cabinets it writes, the package layout byte by byte,
// split parts, and the inputs it must refuse.
#include <glib.h>
#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "setup/package_format.h"
#include "setup/scramble.h"
#include "tools/setuppack/cabinet.h"
#include "tools/setuppack/cp1252.h"
#include "tools/setuppack/inf_check.h"
#include "tools/setuppack/package.h"
#include "tools/setuppack/parted_output.h"
#include "tools/setuppack/terminal_text.h"

namespace marrowby::setuppack {
namespace {

using setup::kHeaderOffset;
using setup::kImageSize;
using setup::kLibrarySize;
using setup::kTextsOffset;

std::vector<uint8_t> FakeImage(size_t size, uint8_t fill) {
  std::vector<uint8_t> b(size, fill);
  b[0] = 'M';
  b[1] = 'Z';
  b[0x3C] = 0x40;
  b[0x3D] = b[0x3E] = b[0x3F] = 0;
  std::memcpy(&b[0x40], "PE\0\0", 4);
  return b;
}

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// A cabinet entry of the tests: its bytes in memory.
struct Entry {
  std::string name;
  std::vector<uint8_t> data;
  uint16_t date = 0;
  uint16_t time = 0;
  uint16_t attribs = kArchive;
};

std::vector<Entry> Entries() {
  Entry inf;
  inf.name = "setup.inf";
  inf.data = Bytes("[Version]\r\nSignature=\"$CHICAGO$\"\r\n[DefaultInstall2]\r\n"
                   "[DefaultInstall2.ntx86]\r\n[DefaultInstallX]\r\n");
  inf.date = DosDate(2024, 2, 29);
  inf.time = DosTime(13, 45, 58);
  Entry big;
  big.name = "big.bin";
  for (int i = 0; i < 100000; ++i) big.data.push_back(static_cast<uint8_t>((i * 7919) >> 3));
  big.attribs = 0x21;
  Entry empty;
  empty.name = "empty.txt";
  return {inf, big, empty};
}

// A folder of its own for each test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/setuppack_test_XXXXXX";
    path_ = mkdtemp(tmpl);
  }
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct MemoryOutput : OffsetOutput {
  std::vector<uint8_t> bytes;
  void WriteAt(uint64_t offset, const uint8_t* data, size_t n) override {
    if (bytes.size() < offset + n) bytes.resize(offset + n);
    std::copy(data, data + n, bytes.begin() + static_cast<long>(offset));
  }
  uint64_t Size() const override { return bytes.size(); }
};

// The entries written as files, then packed by WriteCabinet.
std::vector<uint8_t> CabinetOf(const std::vector<Entry>& entries, Compression c) {
  TempDir dir;
  std::vector<CabinetFile> files;
  for (size_t i = 0; i < entries.size(); ++i) {
    CabinetFile f;
    f.path = dir / std::to_string(i);
    WriteBytes(f.path, entries[i].data);
    f.name = entries[i].name;
    f.size = entries[i].data.size();
    f.date = entries[i].date;
    f.time = entries[i].time;
    f.attribs = entries[i].attribs;
    files.push_back(f);
  }
  MemoryOutput out;
  WriteCabinet(files, c, out, 0);
  return out.bytes;
}

ByteSource Source(const std::vector<uint8_t>& bytes) { return ByteSource::FromMemory(bytes); }

struct Collected : ExtractSink {
  std::vector<std::string> names;
  std::vector<std::vector<uint8_t>> data;
  void Begin(const CabListing::File& f) override {
    names.push_back(f.name);
    data.emplace_back();
  }
  void Write(const uint8_t* p, size_t n) override { data.back().insert(data.back().end(), p, p + n); }
  void End(const CabListing::File&) override {}
};

TEST(CabinetWriter, StoredAndMszipCabinetsReadBackIdentically) {
  const std::vector<Entry> entries = Entries();
  for (Compression c : {Compression::kNone, Compression::kMszip}) {
    const std::vector<uint8_t> cab = CabinetOf(entries, c);
    ASSERT_EQ(std::string(cab.begin(), cab.begin() + 4), "MSCF");
    const CabListing listing = ListCabinet(Source(cab));
    ASSERT_EQ(listing.files.size(), 3u);
    EXPECT_FALSE(listing.spansCabinets);
    EXPECT_EQ(listing.files[0].name, "setup.inf");
    EXPECT_EQ(listing.files[0].year, 2024);
    EXPECT_EQ(listing.files[0].month, 2);
    EXPECT_EQ(listing.files[0].day, 29);
    EXPECT_EQ(listing.files[0].hour, 13);
    EXPECT_EQ(listing.files[0].minute, 45);
    EXPECT_EQ(listing.files[0].second, 58);
    EXPECT_EQ(listing.files[1].attribs & 0x21, 0x21);
    EXPECT_EQ(listing.files[1].length, 100000u);
    Collected got;
    ExtractCabinet(Source(cab), got);  // libmspack checks every block's checksum
    ASSERT_EQ(got.data.size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(got.data[i], entries[i].data) << i;
  }
  EXPECT_LT(CabinetOf(entries, Compression::kMszip).size(),
            CabinetOf(entries, Compression::kNone).size());
}

TEST(CabinetWriter, DamagedCabinetsAreReportedNotTrusted) {
  std::vector<uint8_t> cab = CabinetOf(Entries(), Compression::kMszip);
  std::vector<uint8_t> flipped = cab;
  flipped[flipped.size() - 100] ^= 0xFF;
  Collected got;
  EXPECT_THROW(ExtractCabinet(Source(flipped), got), std::runtime_error);
  EXPECT_THROW(ListCabinet(Source(Bytes("not a cabinet at all"))), std::runtime_error);
  cab.resize(30);
  EXPECT_THROW(ListCabinet(Source(cab)), std::runtime_error);
}

// Packages built into a folder of the test's own and read back part by part.
class PackageBuilder : public ::testing::Test {
 protected:
  // A cabinet file for BuildOptions::cabinetPath.
  std::string CabinetFile(Compression c, const std::vector<Entry>& entries = Entries()) {
    const std::string path = dir / ("in" + std::to_string(++cabinets) + ".cab");
    WriteBytes(path, CabinetOf(entries, c));
    return path;
  }
  BuildOptions Options();
  std::vector<std::vector<uint8_t>> Build(const BuildOptions& o) {
    const BuiltPackage built = BuildPackage(o, dir / "out.exe");
    std::vector<std::vector<uint8_t>> parts;
    for (const std::string& name : PartNames(dir / "out.exe", built.parts)) {
      parts.push_back(ReadBytes(name));
    }
    return parts;
  }
  void ExpectRefused(const BuildOptions& o, const std::string& fragment) {
    try {
      BuildPackage(o, dir / "refused.exe");
      ADD_FAILURE() << "accepted; expected: " << fragment;
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
    }
  }
  TempDir dir;
  int cabinets = 0;
};

BuildOptions PackageBuilder::Options() {
  BuildOptions o;
  o.stub = FakeImage(5000, 0x11);
  o.cabinetPath = CabinetFile(Compression::kMszip);

  o.title = "Title";
  o.infName = "SETUP.INF";  // matched without regard to case
  o.notice = "Notice text";
  o.welcome = "Welcome\r\n";
  o.licence = "Licence terms";
  o.attended = true;
  o.advanced = true;
  return o;
}

TEST_F(PackageBuilder, LayoutByteByByte) {
  BuildOptions o = Options();
  o.library = FakeImage(30000, 0x22);
  const auto parts = Build(o);
  ASSERT_EQ(parts.size(), 1u);
  const std::vector<uint8_t>& p = parts[0];
  // Stub, padded with zeros to the image size.
  EXPECT_TRUE(std::equal(o.stub.begin(), o.stub.end(), p.begin()));
  for (size_t i = o.stub.size(); i < kImageSize; ++i) ASSERT_EQ(p[i], 0) << i;
  // Library copy, padded to its fixed size.
  EXPECT_TRUE(std::equal(o.library.begin(), o.library.end(), p.begin() + kImageSize));
  for (size_t i = kImageSize + o.library.size(); i < kHeaderOffset; ++i) ASSERT_EQ(p[i], 0) << i;
  // Header.
  const uint8_t* h = &p[kHeaderOffset];
  EXPECT_EQ(std::string(h, h + 3), "MRI");
  EXPECT_EQ(h[3], 1);   // attended
  EXPECT_EQ(h[4], 5);   // title length
  EXPECT_EQ(h[5], 9);   // INF name length
  EXPECT_EQ(h[6], 0);   // administrator
  EXPECT_EQ(h[7], 11);  // notice length
  EXPECT_EQ(h[8] | h[9] << 8 | h[10] << 16 | h[11] << 24, 9);
  EXPECT_EQ(h[12] | h[13] << 8 | h[14] << 16 | h[15] << 24, 13);
  EXPECT_EQ(h[16], 0);  // notice hidden
  EXPECT_EQ(h[17], 0);  // multi-part
  EXPECT_EQ(h[18], 1);  // advanced
  EXPECT_EQ(h[19], 0);  // cabinet scrambled
  EXPECT_EQ(static_cast<size_t>(h[20] | h[21] << 8 | h[22] << 16 | h[23] << 24), p.size());
  // Texts: title and INF name plain, the others scrambled.
  size_t at = kTextsOffset;
  EXPECT_EQ(std::string(p.begin() + at, p.begin() + at + 5), "Title");
  at += 5;
  EXPECT_EQ(std::string(p.begin() + at, p.begin() + at + 9), "SETUP.INF");
  at += 9;
  for (const std::string& text : {o.notice, o.welcome, o.licence}) {
    std::vector<uint8_t> stored(p.begin() + at, p.begin() + at + text.size());
    EXPECT_EQ(stored[0], text[0]);
    EXPECT_NE(stored, Bytes(text));
    setup::ScrambleText(stored.data(), stored.size());
    EXPECT_EQ(stored, Bytes(text));
    at += text.size();
  }
  // The cabinet, unchanged, to the end.
  EXPECT_EQ(std::vector<uint8_t>(p.begin() + at, p.end()), ReadBytes(o.cabinetPath));
}

TEST_F(PackageBuilder, WithoutLibraryTheAreaIsZeroAndTheReaderAgrees) {
  BuildOptions o = Options();
  o.scrambleCabinet = true;
  o.noticeHidden = true;
  o.admin = true;
  const std::vector<uint8_t> p = Build(o)[0];
  for (size_t i = kImageSize; i < kHeaderOffset; ++i) ASSERT_EQ(p[i], 0) << i;
  const PackageContents c = ParsePackage(Source(p));
  EXPECT_EQ(c.title, o.title);
  EXPECT_EQ(c.infName, o.infName);
  EXPECT_EQ(c.notice, o.notice);
  EXPECT_EQ(c.welcome, o.welcome);
  EXPECT_EQ(c.licence, o.licence);
  EXPECT_TRUE(c.header.noticeHidden);
  EXPECT_TRUE(c.header.admin);
  const std::vector<uint8_t> cabinet = ReadBytes(o.cabinetPath);
  EXPECT_EQ(c.cabinet.ReadAll(), cabinet);  // unscrambled again
  // Stored scrambled with the key of the package size.
  const uint8_t key = setup::CabinetKey(static_cast<uint32_t>(p.size()));
  EXPECT_EQ(p[c.cabinetOffset], 'M' ^ key);
  EXPECT_EQ(p.back(), cabinet.back() ^ key);
}

TEST_F(PackageBuilder, SplitPartsJoinToThePackageAndTheFirstHoldsTheTexts) {
  BuildOptions o = Options();
  o.cabinetPath = CabinetFile(Compression::kNone);
  const std::vector<uint8_t> whole = Build(o)[0];
  o.splitSize = 20000;  // smaller than the texts' end: part 1 still holds them
  const auto parts = Build(o);
  ASSERT_GT(parts.size(), 2u);
  const size_t cabinetOffset = ParsePackage(Source(whole)).cabinetOffset;
  EXPECT_EQ(parts[0].size(), cabinetOffset);
  std::vector<uint8_t> joined;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0 && i + 1 < parts.size()) {
      EXPECT_EQ(parts[i].size(), 20000u);
    }
    joined.insert(joined.end(), parts[i].begin(), parts[i].end());
  }
  ASSERT_EQ(joined.size(), whole.size());
  EXPECT_EQ(joined[kHeaderOffset + 17], 1);  // multi-part flag
  joined[kHeaderOffset + 17] = 0;
  // The part record sits in the stub's padding and agrees with the parts.
  setup::PartRecord r{};
  ASSERT_TRUE(setup::ParsePartRecord(joined.data() + setup::kPartRecordOffset, &r));
  EXPECT_EQ(r.count, parts.size());
  for (uint32_t k = 0; k < r.count; ++k) EXPECT_EQ(setup::RecordedPartSize(r, k), parts[k].size());
  std::fill(joined.begin() + setup::kPartRecordOffset, joined.begin() + kImageSize, 0);
  EXPECT_EQ(joined, whole);
  // Large enough for everything: one file, not flagged multi-part.
  o.splitSize = 10 * whole.size();
  EXPECT_EQ(Build(o).size(), 1u);
}

TEST_F(PackageBuilder, PartNamesFollowTheProgramName) {
  EXPECT_EQ(PartNames("out/setup.exe", 3),
            (std::vector<std::string>{"out/setup.exe", "out/setup.001", "out/setup.002"}));
  EXPECT_EQ(PartNames("x", 1), (std::vector<std::string>{"x"}));
  EXPECT_THROW(PartNames("dir/ab", 2), std::runtime_error);
  // A program named like one of its own parts would be overwritten by it.
  EXPECT_THROW(PartNames("setup.002", 3), std::runtime_error);
}

TEST_F(PackageBuilder, RefusesInputsThatCannotMakeAWorkingPackage) {
  BuildOptions o = Options();
  o.stub = FakeImage(kImageSize + 1, 0);
  ExpectRefused(o, "larger than the 28672 bytes");
  o = Options();
  o.stub = Bytes("not an executable");
  ExpectRefused(o, "not a Windows executable");
  o = Options();
  o.library = FakeImage(kLibrarySize + 1, 0);
  ExpectRefused(o, "larger than the 40960 bytes");
  o = Options();
  o.infName = "missing.inf";
  ExpectRefused(o, "\"missing.inf\" is not in the cabinet");
  o = Options();
  for (const char* name : {"sub\\setup.inf", "sub/setup.inf", "c:setup.inf"}) {
    o.infName = name;
    ExpectRefused(o, "holds a folder separator");
  }
  o.infName = "my setup.inf";
  ExpectRefused(o, "holds a space");
  o.infName = "a,b.inf";
  ExpectRefused(o, "holds a comma");
  o = Options();
  o.stub = FakeImage(setup::kPartRecordOffset + 1, 0);
  o.splitSize = 20000;
  ExpectRefused(o, "needs its last 64 bytes of padding");
  o = Options();
  o.cabinetPath = CabinetFile(Compression::kNone);
  o.splitSize = 100;  // would need more than 256 parts
  ExpectRefused(o, "setup can join at most 256");
  o = Options();
  o.title = std::string(256, 't');
  ExpectRefused(o, "the title is 256 bytes");
  o = Options();
  o.notice = std::string(300, 'n');
  ExpectRefused(o, "the notice is 300 bytes");
  o = Options();
  o.infName = std::string(252, 'i') + ".inf";
  ExpectRefused(o, "the INF name is 256 bytes");
  o = Options();
  WriteBytes(o.cabinetPath, Bytes("MSCF but nothing else"));
  ExpectRefused(o, "the cabinet cannot be read");
}

// A ready-made cabinet is held to the rules of setup's one extraction folder.
TEST_F(PackageBuilder, RefusesACabinetWithNamesSetupCannotExtract) {
  const struct {
    const char* name;
    const char* reason;
  } cases[] = {
      {"..\\evil.dll", "the file name \"..\\\\evil.dll\" holds a \".\" or \"..\" part"},
      {"sub\\a.txt", "\"sub\\\\a.txt\" is in a subfolder"},
      {"SETUP.inf", "\"setup.inf\" and \"SETUP.inf\" differ only in case"},
      {"COM\xB9.txt", "is the name of a device"},
  };
  for (const auto& c : cases) {
    std::vector<Entry> e = Entries();
    e[1].name = c.name;
    BuildOptions o = Options();
    o.cabinetPath = CabinetFile(Compression::kNone, e);
    ExpectRefused(o, c.reason);
  }
  std::vector<Entry> e = Entries();
  e[1].name = "tessara.PKG";
  BuildOptions o = Options();
  o.cabinetPath = CabinetFile(Compression::kNone, e);
  o.splitSize = 20000;
  ExpectRefused(o, "a split package cannot hold a file named Tessara.pkg");
  o.splitSize = 0;
  EXPECT_NO_THROW(Build(o));
}

TEST_F(PackageBuilder, ReaderRefusesWhatIsNoPackageOrIsCutShort) {
  EXPECT_THROW(ParsePackage(Source(Bytes("MZ"))), std::runtime_error);
  std::vector<uint8_t> p = Build(Options())[0];
  p.resize(kTextsOffset + 10);
  EXPECT_THROW(ParsePackage(Source(p)), std::runtime_error);
}

TEST(PackageText, LineFeedsBecomeCrLf) {
  EXPECT_EQ(WindowsLineEnds("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(WindowsLineEnds("\n"), "\r\n");
  EXPECT_EQ(WindowsLineEnds("\r\r\r"), "\r\r\r");
}

// What `info` prints for a text: escaped controls, converted characters.
TEST(TerminalText, EscapesControlsAndConvertsWindows1252) {
  struct Case {
    std::string in;
    bool utf8;
    const char* codeset;
    std::string out;
  } cases[] = {
      {"Caf\xE9 \x80", false, "UTF-8", "\"Caf\xC3\xA9 \xE2\x82\xAC\""},
      {"\x1B]0;owned\x07\x1B[2J", false, "UTF-8", "\"\\x1B]0;owned\\x07\\x1B[2J\""},
      {"a\r\n\t\"\\", false, "UTF-8", "\"a\\r\\n\\t\\\"\\\\\""},
      {"\x81\x9D\x7F", false, "UTF-8", "\"\\x81\\x9D\\x7F\""},
      {"\xC3\xA9\xC2\x9B\xE2\x80\xAE", true, "UTF-8", "\"\xC3\xA9\\x9B\\u{202E}\""},
      {"\xC3(\xFF", true, "UTF-8", "\"\\xC3(\\xFF\""},
      {"Caf\xE9 \x80", false, "ISO-8859-1", "\"Caf\xE9 \\u{20AC}\""},
      {"Caf\xE9", false, "ANSI_X3.4-1968", "\"Caf\\u{00E9}\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TerminalText(c.in, c.utf8, c.codeset), c.out) << c.in;
  }
}

TEST(TerminalText, StatusLinesCountBreaksAndWrapping) {
  EXPECT_EQ(StatusLines(""), 0u);
  EXPECT_EQ(StatusLines("\r\r\rPlease click \"Install\" to start setup."), 4u);
  EXPECT_EQ(StatusLines("a\r\nb\nc\rd"), 4u);
  EXPECT_EQ(StatusLines(std::string(kStatusColumns, 'x')), 1u);
  EXPECT_EQ(StatusLines(std::string(kStatusColumns + 1, 'x')), 2u);
  // Words move to the next line whole.
  std::string words;
  for (int i = 0; i < 20; ++i) words += "word ";
  EXPECT_EQ(StatusLines(words), 2u);
  std::string twenty;
  for (int i = 0; i < 20; ++i) twenty += "line\r\n";
  EXPECT_EQ(StatusLines(twenty), 20u);
}

}  // namespace
}  // namespace marrowby::setuppack

namespace marrowby::setuppack {
namespace {

// What the INF check says, case by case: an error for a missing install
// section of the mode, a warning for a file copied but not packed, and one
// for an uninstall command whose rundll32 is not of the stub's width.
TEST(InfCheck, SectionsOfTheModeAreRequiredAndCopiedFilesMustBePacked) {
  const std::vector<std::string> packed = {"setup.inf", "app.exe", "Read Me.txt"};
  const std::string copies =
      "[DestinationDirs]\r\nFiles=16422,App\r\nGone=10\r\nDefaultDestDir=11\r\n"
      "[Files]\r\napp.exe\r\nREADME.txt,%Doc%\r\nlost.dll ; not packed\r\n"
      "[Old]\r\nold.dll\r\n"
      "[SourceDisksFiles]\r\napp.exe=1\r\n\"missing.dat\"=1\r\n"
      "[Strings]\r\nDoc=\"Read Me.txt\"\r\n";
  const std::string entry = "[DefaultInstall]\r\nAddReg=Reg\r\n[Reg]\r\nHKLM,%Key%,UninstallString,,";
  const std::string advpack = " advpack.dll,LaunchINFSection %16422%\\App\\setup.inf,Uninstall\"\r\n";
  const struct {
    std::string inf;
    bool advanced;
    std::vector<std::string> errors;    // fragments, in order
    std::vector<std::string> warnings;
    bool sixtyFourBit = false;          // the stub's width
  } cases[] = {
      {"[Version]\r\n[defaultinstall]\r\n", false, {}, {}},
      {"[DefaultInstall.NTamd64]\r\n", false, {}, {}},
      {"[Version]\r\n; [DefaultInstall]\r\n[DefaultInstall2.ntx86]\r\n", false,
       {"has no [DefaultInstall] section, which setup runs in basic mode"}, {}},
      {"[DefaultInstall2]\r\n[DefaultInstall2.NTx86]\r\n[DefaultInstallX]\r\n", true, {}, {}},
      {"[DefaultInstall]\r\n[DefaultInstall2]\r\n", true,
       {"no [DefaultInstall2.ntx86] section", "no [DefaultInstallX] section"}, {}},
      {"[DefaultInstall2.ntx86]\r\n[DefaultInstallX]\r\n", true, {},
       {"no [DefaultInstall2] section, which setup runs first with --advanced on Windows 95"}},
      {"[DefaultInstall]\r\nCopyFiles=Files,@extra.ini\r\nDelFiles=Old\r\n" + copies, false, {},
       {"names \"lost.dll\" in [Files]", "names \"extra.ini\" in CopyFiles of [DEFAULTINSTALL]",
        "names \"missing.dat\" in [SourceDisksFiles]", "an entry for [Gone], but has no such section"}},
      {entry + "\"rundll32.exe" + advpack, false, {}, {"to start rundll32 without a folder"}},
      {entry + "\"\"\"%Sys%\\RunDll32\"\"" + advpack + "[Strings]\r\nSys=\"%11%\"\r\n", false, {},
       {"to start rundll32 from \"%11%\": on 64-bit Windows"}},
      {entry + "\"%16425%\\rundll32.exe" + advpack, false, {}, {}},
      {entry + "\"rundll32.exe" + advpack, false, {}, {}, true},
      {entry + "\"%16425%\\rundll32.exe" + advpack, false, {},
       {"the 32-bit rundll32 (%16425%) for a 64-bit package"}, true},
  };
  for (const auto& c : cases) {
    const InfFindings f = CheckInf(c.inf, "setup.inf", c.advanced, packed, c.sixtyFourBit);
    ASSERT_EQ(f.errors.size(), c.errors.size()) << c.inf;
    for (size_t i = 0; i < c.errors.size(); ++i) {
      EXPECT_NE(f.errors[i].find(c.errors[i]), std::string::npos) << f.errors[i];
    }
    std::string all;
    for (const std::string& w : f.warnings) all += w + "\n";
    EXPECT_EQ(f.warnings.size(), c.warnings.size()) << all;
    for (const std::string& w : c.warnings) EXPECT_NE(all.find(w), std::string::npos) << all;
  }
  // A Unicode INF is read as such.
  const std::string utf16("\xFF\xFE[\0D\0e\0f\0a\0u\0l\0t\0I\0n\0s\0t\0a\0l\0l\0]\0\r\0\n\0", 36);
  EXPECT_TRUE(CheckInf(utf16, "setup.inf", false, packed).errors.empty());
}

}  // namespace
}  // namespace marrowby::setuppack

namespace marrowby::setuppack {
namespace {

// The C library's converter as the judge of a text's Windows-1252 form;
// 0 when it converts, else the offset of the first character it cannot.
size_t ConvertedBy1252Iconv(const std::string& utf8, std::string* out, bool* ok) {
  iconv_t cd = iconv_open("WINDOWS-1252", "UTF-8");
  std::string in = utf8, buf(utf8.size() + 1, '\0');
  char* src = &in[0];
  char* dst = &buf[0];
  size_t left = in.size(), room = buf.size();
  *ok = iconv(cd, &src, &left, &dst, &room) != static_cast<size_t>(-1);
  iconv_close(cd);
  *out = buf.substr(0, buf.size() - room);
  return static_cast<size_t>(src - &in[0]);
}

// A packager's text: valid UTF-8 (with or without a byte-order mark) is
// stored as iconv would convert it, or refused at the line and character
// where iconv stops; anything else is stored as it is.
TEST(PackagerText, Utf8BecomesWindows1252OrIsRefusedWhereIconvStops) {
  static const char* const kPieces[] = {
      "a", " ", "\n", "\r\n", "Caf\xC3\xA9", "\xE2\x82\xAC", "\xC5\xA0", "\xE2\x80\x98",
      "\xE2\x80\x94", "\xC3\xBF", "\xD0\x96", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\xE9", "\x80"};
  std::mt19937 rng(7);
  for (int round = 0; round < 3000; ++round) {
    std::string text = rng() % 5 == 0 ? "\xEF\xBB\xBF" : "";
    const int n = static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) {
      const size_t pick = rng() % std::size(kPieces);
      if (pick >= std::size(kPieces) - 2 && rng() % 3) continue;  // invalid UTF-8 now and then
      text += kPieces[pick];
    }
    const bool utf8 = g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr);
    const std::string body = utf8 && text.rfind("\xEF\xBB\xBF", 0) == 0 ? text.substr(3) : text;
    std::string expected;
    bool converts = true;
    const size_t stop = utf8 ? ConvertedBy1252Iconv(body, &expected, &converts) : 0;
    if (!utf8) expected = text;
    if (converts) {
      EXPECT_EQ(PackagerText(text, "the text"), expected) << text;
      continue;
    }
    const std::string before = body.substr(0, stop);
    const size_t line = static_cast<size_t>(std::count(before.begin(), before.end(), '\n')) + 1;
    const std::string last = before.substr(before.rfind('\n') == std::string::npos ? 0 : before.rfind('\n') + 1);
    const size_t column = static_cast<size_t>(g_utf8_strlen(last.data(), static_cast<gssize>(last.size()))) + 1;
    try {
      PackagerText(text, "the text");
      ADD_FAILURE() << "accepted " << text;
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("the text, line " + std::to_string(line) +
                                           ", character " + std::to_string(column) + ": "),
                std::string::npos)
          << e.what() << " for " << text;
    }
  }
}

}  // namespace
}  // namespace marrowby::setuppack
