// setupstub end to end: split packages, hostile and malformed cabinets, a
// planted library, an unusual temporary path.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "setup/resource_ids.h"
#include "tests/e2e/setup_driver.h"
#include "tests/win/win_test_util.h"

namespace marrowby::e2e {
namespace {

using wintest::FileExists;
using wintest::MakeTempDir;
using wintest::ReadFile;
using wintest::RemoveTree;

const char kUnsafeName[] = "The setup package holds a file name that is not allowed: ";
const char kCannotInstall[] = "Couldn't initialize installation.";
const char kNotStarted[] = "Installation failed: the installer could not be started.";

class SetupCases : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FileExists(PackageDir() + "multi.exe")) << "packages missing in " << PackageDir();
    RemoveTree(StubTempDir());
    ClearUserValues();
    work = MakeTempDir("setup_e2e_");
  }
  void TearDown() override {
    RemoveTree(StubTempDir());
    RemoveTree(work);
    ClearUserValues();
  }
  // Copies the split package's first parts (count of them) into the work folder.
  void CopyParts(int count, int first = 0) {
    for (int k = first; k < count; ++k) {
      const std::string name = k == 0 ? "multi.exe" : "multi.00" + std::to_string(k);
      ASSERT_TRUE(CopyTo(PackageDir() + name, work + name)) << name;
    }
  }
  std::string work;
};

int PartCount() {
  int n = 1;
  while (FileExists(PackageDir() + "multi.00" + std::to_string(n))) ++n;
  return n;
}

TEST_F(SetupCases, SplitPackageIsRebuiltExtractedAndTheCopyDeletedAtExit) {
  const int parts = PartCount();
  ASSERT_GE(parts, 3);
  CopyParts(parts);
  SetupRun run(work + "multi.exe");
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(Text(dlg), "Marrowby Split Test");
  EXPECT_TRUE(FileExists(StubTempDir() + "Tessara.pkg"));
  Click(dlg, 1);
  ASSERT_TRUE(run.WaitStatus(dlg, kCompleted));
  EXPECT_EQ(ReadFile(StubTempDir() + "random.bin"), ReadFile(PackageDir() + "expected\\multi-random.bin"));
  Click(dlg, 2);
  EXPECT_EQ(run.WaitExit(), kInstalled);
  EXPECT_FALSE(FileExists(StubTempDir()));  // rebuilt package gone, folder removed
  EXPECT_TRUE(FileExists(work + "multi.exe"));
  EXPECT_TRUE(FileExists(work + "multi.001"));
}

TEST_F(SetupCases, MissingPartPromptsAndOkRetriesOnceItIsThere) {
  const int parts = PartCount();
  CopyParts(2);
  SetupRun run(work + "multi.exe");
  HWND box = run.MessageBoxWindow();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(Text(box), "Marrowby Split Test");
  EXPECT_TRUE(FindWindowExA(box, nullptr, "Button", "Cancel") != nullptr);
  CopyParts(parts, 2);
  EXPECT_EQ(AnswerMessageBox(box, IDOK), "Please insert disk with part number 3..");
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  Click(dlg, 2);
  EXPECT_EQ(run.WaitExit(), kCancelled);
  EXPECT_FALSE(FileExists(StubTempDir()));
}

TEST_F(SetupCases, CancellingTheDiskPromptReportsTheFailedRebuild) {
  CopyParts(1);
  SetupRun run(work + "multi.exe");
  HWND box = run.MessageBoxWindow();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(AnswerMessageBox(box, IDCANCEL), "Please insert disk with part number 2..");
  ASSERT_TRUE(wintest::PumpUntil([&] { return !IsWindow(box); }, 10000));
  box = run.MessageBoxWindow();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(Text(box), "Error");
  EXPECT_EQ(AnswerMessageBox(box, IDOK), "Error rebuilding this Setup package.");
  EXPECT_EQ(run.WaitExit(), kCancelled);
  EXPECT_TRUE(FileExists(work + "multi.exe"));
}

TEST_F(SetupCases, TwoHundredFiftySixPartsAreRebuilt) {
  ASSERT_TRUE(FileExists(PackageDir() + "many.255"));
  SetupRun run(PackageDir() + "many.exe");
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  Click(dlg, 1);
  ASSERT_TRUE(run.WaitStatus(dlg, kCompleted));
  EXPECT_EQ(ReadFile(StubTempDir() + "random.bin"), ReadFile(PackageDir() + "expected\\many-random.bin"));
  Click(dlg, 2);
  EXPECT_EQ(run.WaitExit(), kInstalled);
  EXPECT_FALSE(FileExists(StubTempDir()));
}

// A part cut short is named, not asked for as a further disk; parts swapped
// with each other are refused. Either way nothing is extracted and nothing
// stays behind.
TEST_F(SetupCases, ShortOrSwappedPartsAreRefusedBeforeAnythingIsExtracted) {
  const struct {
    const char* what;
    void (*damage)(const std::string& dir);
    const char* message;
  } cases[] = {
      {"short",
       [](const std::string& dir) {
         wintest::WriteFile(dir + "multi.001", ReadFile(dir + "multi.001").substr(0, 30000));
       },
       "The part file multi.001 is damaged: it is shorter than it should be. Please obtain a new "
       "copy of the program."},
      {"swapped",
       [](const std::string& dir) {
         const std::string one = ReadFile(dir + "multi.001");
         wintest::WriteFile(dir + "multi.001", ReadFile(dir + "multi.002"));
         wintest::WriteFile(dir + "multi.002", one);
       },
       "The parts of this Setup package do not belong together: one of them has been damaged or "
       "replaced. Please obtain a new copy of the program."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CopyParts(PartCount());
    c.damage(work);
    SetupRun run(work + "multi.exe");
    HWND box = run.MessageBoxWindow();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Text(box), "Error");
    EXPECT_EQ(AnswerMessageBox(box, IDOK), c.message);
    EXPECT_EQ(run.WaitExit(), kFailed);
    EXPECT_FALSE(FileExists(StubTempDir()));
  }
}

// Names that would leave the temporary folder are refused before anything
// is written for them, and the extraction stops.
TEST_F(SetupCases, HostileCabinetNamesWriteNothingOutsideTheTemporaryFolder) {
  const std::string temp = StubTempDir();
  const std::string parent = temp.substr(0, temp.size() - std::string("$Tessara.Tmp\\").size());
  for (const char* defect : {"dotdot-entry", "deep-dotdot-entry", "absolute-entry", "drive-entry",
                             "device-entry"}) {
    SetupRun run(PackageDir() + defect + ".exe");
    HWND dlg = run.MainDialog();
    ASSERT_NE(dlg, nullptr) << defect;
    Click(dlg, 1);
    HWND box = run.MessageBoxWindow();
    ASSERT_NE(box, nullptr) << defect;
    EXPECT_EQ(Text(box), "Error");
    const std::string text = AnswerMessageBox(box, IDOK);
    EXPECT_EQ(text.rfind(kUnsafeName, 0), 0u) << text;
    EXPECT_EQ(run.WaitExit(), kFailed) << defect;
    for (const std::string& p : {parent + "escaped-dotdot.txt", parent + "escaped-deep.txt",
                                 std::string("C:\\escaped-absolute.txt"),
                                 std::string("C:\\escaped-drive.txt"), temp + "escaped-deep.txt"}) {
      EXPECT_FALSE(FileExists(p)) << defect << ": " << p;
    }
    RemoveTree(temp);
  }
}

// However many files a package holds, Close deletes every one it extracted.
TEST_F(SetupCases, EveryExtractedFileIsDeletedHoweverManyThereAre) {
  SetupRun run(PackageDir() + "many-files.exe");
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  Click(dlg, 1);
  ASSERT_TRUE(run.WaitStatus(dlg, kCompleted));
  EXPECT_EQ(ListFiles(StubTempDir()).size(), 300u);
  Click(dlg, 2);
  EXPECT_EQ(run.WaitExit(), kInstalled);
  EXPECT_FALSE(FileExists(StubTempDir()));
}

// A disk that fills up while the files are written: an extraction error,
// whatever the cabinet library says, and nothing is left. It needs a volume
// with about 100 KB free, given as MARROWBY_FULL_VOLUME (as root:
// mount -t tmpfs -o size=104k tmpfs DIR, then Z:\DIR); the in-process
// tests cover the same with a fault in the write call.
TEST_F(SetupCases, AFullDiskIsAnExtractionErrorNotACutFile) {
  char volume[MAX_PATH];
  if (!GetEnvironmentVariableA("MARROWBY_FULL_VOLUME", volume, MAX_PATH)) {
    GTEST_SKIP() << "no small volume given in MARROWBY_FULL_VOLUME";
  }
  const std::string temp = std::string(volume) + "\\";
  SetupRun run(PackageDir() + "full-disk.exe", {"TEMP=" + temp, "TMP=" + temp});
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  Click(dlg, 1);
  HWND box = run.MessageBoxWindow();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(AnswerMessageBox(box, IDOK), "Error writing target");
  EXPECT_EQ(run.WaitExit(), kFailed);
  EXPECT_EQ(ReadUserValue("Auto"), "");
  EXPECT_EQ(ListFiles(temp), std::vector<std::string>{});
}

// No folders are created for entries: one in a missing subfolder fails.
TEST_F(SetupCases, EntryInAMissingSubfolderFailsTheExtraction) {
  SetupRun run(PackageDir() + "subfolder-entry.exe");
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  Click(dlg, 1);
  HWND box = run.MessageBoxWindow();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(AnswerMessageBox(box, IDOK), "Error writing target");
  EXPECT_EQ(run.WaitExit(), kFailed);
  EXPECT_FALSE(FileExists(StubTempDir() + "sub"));
}

std::vector<std::string> CabPackages() {
  std::vector<std::string> names;
  for (const std::string& n : ListFiles(PackageDir())) {
    if (n.rfind("cab-", 0) == 0) names.push_back(n);
  }
  return names;
}

// The result each cabinet of the outside collection must give, by file name:
// kExtracts (the files, byte for byte, that cabextract extracts from it, and
// no others) or the exact message. A cabinet not listed fails the test until
// it is. (Names shown in a message pass through the ANSI code page here.)
const char kExtracts[] = "extracts as cabextract does";
const char kNameReadPastTheEnd[] = "the name refused, as the library read it";
const std::map<std::string, std::string>& OutsideResults() {
  static const char kCorrupt[] = "Corrupt Cabinet";
  static const char kUnknownType[] = "Unknown compression type";
  // The library's word when the program stops it: at a file that continues
  // in the next cabinet of a set.
  static const char kUserAbort[] = "user abort";
  static const char kTooLong[] = "A path needed by this Setup package is too long.";
  static const std::map<std::string, std::string> results = {
      {"bad_folderindex", kCorrupt},
      {"bad_nofiles", kExtracts},
      {"bad_nofolders", kCorrupt},
      {"bad_signature", kUnknownType},
      {"cve-2010-2800-mszip-infinite-loop", kCorrupt},
      {"cve-2014-9556-qtm-infinite-loop", kCorrupt},
      {"cve-2014-9732-folders-segfault", kCorrupt},
      {"cve-2015-4470-mszip-over-read", kUnknownType},
      {"cve-2015-4471-lzx-under-read", kCorrupt},
      {"cve-2017-11423-fname-overread", kTooLong},
      {"cve-2018-18584-qtm-max-size-block", kCorrupt},
      {"filename-read-violation-1", kUnsafeName},
      // Names that run past the end of the cabinet: refused, with whatever
      // Wine's library read for them (it differs from run to run).
      {"filename-read-violation-2", kNameReadPastTheEnd},
      {"filename-read-violation-3", kNameReadPastTheEnd},
      {"filename-read-violation-4", kNameReadPastTheEnd},
      {"hidden-file-bad-folderid", kCorrupt},
      {"hidden-file-beyond-eof", kCorrupt},
      {"hidden-files", kExtracts},
      {"lzx-main-tree-no-lengths", kCorrupt},
      {"lzx-premature-matches", kCorrupt},
      {"mszip_lzx_qtm", kExtracts},
      {"multi_basic_pt1", kUserAbort},
      {"multi_basic_pt2", kUserAbort},
      {"multi_basic_pt3", kUserAbort},
      {"multi_basic_pt4", kUserAbort},
      {"multi_basic_pt5", kUserAbort},
      // Valid, but its 255-character name does not fit under the working folder.
      {"normal_255c_filename", kTooLong},
      {"normal_2files_1folder", kExtracts},
      {"normal_2files_2folders", kExtracts},
      {"partial_nodata", kCorrupt},
      {"partial_nofiles", kCorrupt},
      {"partial_nofolder", kCorrupt},
      {"partial_shortextheader", kUnknownType},
      {"partial_shortfile1", kCorrupt},
      {"partial_shortfile2", kCorrupt},
      {"partial_shortfolder", kCorrupt},
      {"partial_shortheader", kUnknownType},
      {"partial_str_nofname", kCorrupt},
      {"partial_str_noninfo", kCorrupt},
      {"partial_str_nonname", kUnknownType},
      {"partial_str_nopinfo", kUnknownType},
      {"partial_str_nopname", kUnknownType},
      {"partial_str_shortfname", kUserAbort},
      {"partial_str_shortninfo", kCorrupt},
      {"partial_str_shortnname", kCorrupt},
      {"partial_str_shortpinfo", kUnknownType},
      {"partial_str_shortpname", kUnknownType},
      {"reserve_---", kExtracts},
      {"reserve_--D", kExtracts},
      {"reserve_-F-", kExtracts},
      {"reserve_-FD", kExtracts},
      {"reserve_H--", kExtracts},
      {"reserve_H-D", kExtracts},
      {"reserve_HF-", kExtracts},
      {"reserve_HFD", kExtracts},
      {"search_basic", kUnknownType},
      {"search_tricky1", kCorrupt},
  };
  return results;
}

// The outside collection, each cabinet with its pinned result; a failed
// extraction leaves nothing behind, and nothing crashes or hangs.
TEST_F(SetupCases, OutsideTestCabinets) {
  const std::vector<std::string> packages = CabPackages();
  if (packages.empty()) GTEST_SKIP() << "the outside test cabinets are not on this machine";
  ASSERT_GT(packages.size(), 40u);
  for (const std::string& pkg : packages) {
    SCOPED_TRACE(pkg);
    const std::string name = pkg.substr(4, pkg.size() - 8);
    const std::string expected = PackageDir() + "expected\\" + name + "\\";
    SetupRun run(PackageDir() + pkg);
    HWND dlg = run.MainDialog();
    ASSERT_NE(dlg, nullptr);
    Click(dlg, 1);
    // One box: the error, or, once extracted, that the installer cannot
    // start (these cabinets lack the INF the package names).
    HWND box = run.MessageBoxWindow(60000);
    ASSERT_NE(box, nullptr);
    std::string result = AnswerMessageBox(box, IDOK);
    if (result == kCannotInstall) {
      result = kExtracts;
      ASSERT_TRUE(run.WaitStatus(dlg, kNotStarted));
      EXPECT_EQ(ListFiles(StubTempDir()), ListFiles(expected));
      for (const std::string& f : ListFiles(expected)) {
        EXPECT_EQ(ReadFile(StubTempDir() + f), ReadFile(expected + f)) << f;
      }
      Click(dlg, 2);
    }
    EXPECT_EQ(run.WaitExit(30000), kFailed);
    const auto pinned = OutsideResults().find(name);
    ASSERT_NE(pinned, OutsideResults().end()) << "no result pinned for " << name << ": " << result;
    if (pinned->second == kNameReadPastTheEnd) {
      EXPECT_EQ(result.rfind(kUnsafeName, 0), 0u) << result;
    } else {
      EXPECT_EQ(result, pinned->second);
    }
    // Nothing stays: neither after a failure nor after Close.
    EXPECT_FALSE(FileExists(StubTempDir()));
    RemoveTree(StubTempDir());
  }
}

// Runs as its own test with WINEDLLOVERRIDES=cabinet=n,b in the environment
// of this program (Wine takes it from there, not from a child's environment
// block): native libraries first, so that Wine would load the planted one if
// the program asked for "Cabinet.dll" by name alone.
TEST_F(SetupCases, CabinetDllBesideThePackageIsNotLoaded) {
  char overrides[256] = "";
  GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof(overrides));
  ASSERT_NE(std::string(overrides).find("cabinet=n"), std::string::npos)
      << "run with WINEDLLOVERRIDES=cabinet=n,b, or the test cannot fail";
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  const std::string marker = std::string(tmp) + "planted-cabinet-loaded.txt";
  DeleteFileA(marker.c_str());
  ASSERT_TRUE(CopyTo(PackageDir() + "auto.exe", work + "auto.exe"));
  ASSERT_TRUE(CopyTo(wintest::ExeDir() + "setup_planted_cabinet.dll", work + "Cabinet.dll"));
  SetupRun run(work + "auto.exe");
  EXPECT_EQ(run.WaitExit(), kInstalled);
  EXPECT_FALSE(FileExists(marker));
  EXPECT_EQ(ReadUserValue("Auto"), "installed");
  DeleteFileA(marker.c_str());
}

std::string WindowsDir() {
  char dir[MAX_PATH];
  GetWindowsDirectoryA(dir, MAX_PATH);
  return dir;
}

// The INF path goes unquoted into the installer's command line: a temporary
// path with a space is taken in its short form; one without a short form
// (here: a folder that does not exist) gives way to the Windows directory's
// Temp folder, which every user may write.
TEST_F(SetupCases, TemporaryPathWithASpaceIsTakenInItsShortFormElseTheWindowsTempFolder) {
  const std::string spaced = work + "with space\\";
  ASSERT_TRUE(CreateDirectoryA(spaced.c_str(), nullptr));
  const struct {
    std::string temp, used;
  } cases[] = {{spaced, spaced}, {work + "no such folder\\", WindowsDir() + "\\Temp\\"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.temp);
    RemoveTree(c.used + "$Tessara.Tmp\\");
    SetupRun run(PackageDir() + "scrambled.exe", {"TEMP=" + c.temp, "TMP=" + c.temp});
    HWND dlg = run.MainDialog();
    ASSERT_NE(dlg, nullptr);
    Click(dlg, 1);
    ASSERT_TRUE(run.WaitStatus(dlg, kCompleted));
    EXPECT_TRUE(FileExists(c.used + "$Tessara.Tmp\\readme.txt"));
    Click(dlg, 2);
    EXPECT_EQ(run.WaitExit(), kInstalled);
    EXPECT_FALSE(FileExists(c.used + "$Tessara.Tmp"));
  }
  EXPECT_FALSE(FileExists(work + "no such folder"));
}

// A package in a folder, and a temporary path, named outside the system's
// ANSI code page: a split package is found, rebuilt, extracted and installed
// (the installer gets the INF path in its short form), and nothing stays.
TEST_F(SetupCases, PathsOutsideTheAnsiCodePageInstall) {
  const std::string folder = work + "\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0\\";  // Папка
  const std::string temp = work + "\xD0\xA2\xD0\xB5\xD0\xBC\xD0\xBF\\";                // Темп
  const std::string name = "\xD0\xA3\xD1\x81\xD1\x82\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2\xD0\xBA\xD0\xB0";  // Установка
  ASSERT_TRUE(CreateDirectoryW(wintest::Wide(folder).c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(wintest::Wide(temp).c_str(), nullptr));
  const int parts = PartCount();
  for (int k = 0; k < parts; ++k) {
    const std::string ext = k == 0 ? ".exe" : ".00" + std::to_string(k);
    ASSERT_TRUE(CopyTo(PackageDir() + "multi" + ext, folder + name + ext)) << ext;
  }
  SetupRun run(folder + name + ".exe", {"TEMP=" + temp, "TMP=" + temp});
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  Click(dlg, 1);
  ASSERT_TRUE(run.WaitStatus(dlg, kCompleted));
  EXPECT_EQ(ReadUserValue("Auto"), "installed");
  EXPECT_EQ(ReadFile(temp + "$Tessara.Tmp\\random.bin"),
            ReadFile(PackageDir() + "expected\\multi-random.bin"));
  Click(dlg, 2);
  EXPECT_EQ(run.WaitExit(), kInstalled);
  EXPECT_EQ(ListFiles(temp), std::vector<std::string>{});
}

}  // namespace
}  // namespace marrowby::e2e
