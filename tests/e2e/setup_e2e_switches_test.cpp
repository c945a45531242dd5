// setupstub end to end with its switches and exit codes, as a deployment
// tool runs it: the code read with GetExitCodeProcess (all 32 bits), and a
// quiet run watched for any window it might show. Signed packages and an
// administrator without elevation are here too.
#include <gtest/gtest.h>

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

const char kSwitchList[] = "/Q or /quiet: install without any window\n";
const char kNotEmpty[] = "The files can only be extracted into a new or empty folder.";
const char kNeedAdmin[] = "You need to have administrative privileges to run this program.";

// The list of files Windows replaces at its next start: kept, removed for
// a test that adds to it, and put back afterwards.
class PendingRenames {
 public:
  PendingRenames() {
    existed_ = Read(&saved_);
    Write(nullptr);
  }
  ~PendingRenames() { Write(existed_ ? &saved_ : nullptr); }
  // Sets the value to data, or removes it.
  static void Write(const std::string* data) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    if (data) {
      RegSetValueExA(key, kValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data->data()),
                     static_cast<DWORD>(data->size()));
    } else {
      RegDeleteValueA(key, kValue);
    }
    RegCloseKey(key);
  }
  static bool Read(std::string* data) {
    DWORD size = 0;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kKey, kValue, RRF_RT_REG_MULTI_SZ, nullptr, nullptr,
                     &size) != ERROR_SUCCESS) {
      data->clear();
      return false;
    }
    data->assign(size, '\0');
    RegGetValueA(HKEY_LOCAL_MACHINE, kKey, kValue, RRF_RT_REG_MULTI_SZ, nullptr, &(*data)[0], &size);
    data->resize(size);
    return true;
  }

 private:
  static constexpr char kKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
  static constexpr char kValue[] = "PendingFileRenameOperations";
  bool existed_;
  std::string saved_;
};

class SetupSwitches : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FileExists(Pkg("signed.exe"))) << "packages missing in " << PackageDir();
    Clean();
    work = MakeTempDir("setup_switches_");
  }
  void TearDown() override {
    Clean();
    RemoveTree(work);
  }
  static void Clean() {
    RemoveStubTempDirs();
    ClearUserValues();
  }
  static std::string Pkg(const std::string& name) { return PackageDir() + name; }
  // Runs a package with the arguments to its end; any window it shows fails
  // the test. Its exit code.
  static DWORD WithoutWindow(const std::string& path, const std::string& arguments,
                             bool filtered = false) {
    SetupRun run(path, {}, arguments, filtered);
    EXPECT_TRUE(run.started()) << path << ": error " << run.startError();
    const DWORD code = run.WaitExitWithoutWindow();
    EXPECT_EQ(run.windowShown(), "") << arguments;
    return code;
  }
  // Copies the parts of a split package into the work folder, all of them
  // or the first count; the path of its program there.
  std::string CopyParts(const std::string& name, int count = 1000) {
    for (int k = 0; k < count; ++k) {
      const std::string ext = k == 0 ? ".exe" : ".00" + std::to_string(k);
      if (k > 0 && !FileExists(Pkg(name + ext))) break;
      EXPECT_TRUE(CopyTo(Pkg(name + ext), work + name + ext)) << ext;
    }
    return work + name + ".exe";
  }
  std::string work;
};

// /? shows the list and ends with 0; anything it does not know shows the
// same list and ends with 1639; with /Q neither shows anything. None of
// them reads the package or makes anything.
TEST_F(SetupSwitches, HelpAndUnknownSwitchesShowTheListOrEndQuietly) {
  const struct {
    const char* arguments;
    DWORD code;
  } boxes[] = {{"/?", kInstalled},
               {"-? /NoRestart", kInstalled},
               {"/install", kBadCommandLine},
               {"/X", kBadCommandLine},
               {"install", kBadCommandLine}};
  for (const auto& c : boxes) {
    SCOPED_TRACE(c.arguments);
    SetupRun run(Pkg("auto.exe"), {}, c.arguments);
    HWND box = run.MessageBoxWindow();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Text(box), "Setup");
    const std::string text = AnswerMessageBox(box, IDOK);
    EXPECT_EQ(text.find(kSwitchList), 0u) << text;
    for (const char* line : {"\n/X:FOLDER: ", "\n/norestart: ", "\n/?: "}) {
      EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(run.WaitExit(), c.code);
  }
  EXPECT_EQ(WithoutWindow(Pkg("auto.exe"), "/? /Q"), kInstalled);
  EXPECT_EQ(WithoutWindow(Pkg("auto.exe"), "-quiet /bogus"), kBadCommandLine);
  EXPECT_EQ(WithoutWindow(Pkg("auto.exe"), "/q C:\\folder"), kBadCommandLine);
  EXPECT_EQ(ReadUserValue("Auto"), "");
  EXPECT_TRUE(StubTempDirs().empty());
}

// Under /Q the licence counts as accepted: the package installs, with no
// window at all, and nothing stays behind.
TEST_F(SetupSwitches, QuietInstallsALicencedPackageWithoutAnyWindow) {
  EXPECT_EQ(WithoutWindow(Pkg("licence.exe"), "/Q"), kInstalled);
  EXPECT_EQ(ReadUserValue("Auto"), "installed");
  EXPECT_TRUE(StubTempDirs().empty());
}

// A quiet failure ends with 1603 and shows nothing: an installer that
// cannot start, one that is killed, a damaged package, a missing part (not
// a question there), an administrator without elevation.
TEST_F(SetupSwitches, QuietFailuresEndWithTheirCodeAndNothingElse) {
  EXPECT_EQ(WithoutWindow(Pkg("missing-inf.exe"), "/Q"), kFailed);
  EXPECT_EQ(WithoutWindow(Pkg("short.exe"), "/q"), kFailed);
  EXPECT_EQ(WithoutWindow(CopyParts("multi", 2), "/quiet"), kFailed);
  EXPECT_EQ(WithoutWindow(Pkg("admin.exe"), "-Q", true), kFailed);
  EXPECT_EQ(ReadUserValue("Auto"), "");
  {
    SetupRun run(Pkg("slow.exe"), {}, "/Q");
    ASSERT_TRUE(wintest::PumpUntil([&] { return run.KillChild("rundll32.exe", 5); }, 30000));
    EXPECT_EQ(run.WaitExitWithoutWindow(), kFailed);
    EXPECT_EQ(run.windowShown(), "");
  }
  wintest::PumpFor(3500);  // the program the slow INF started lets go of its folder
  RemoveStubTempDirs();
}

// An --admin package refuses an administrator whose token is not elevated
// (Windows with UAC asks for elevation first, through the manifest), and
// installs for an elevated one.
TEST_F(SetupSwitches, AdminPackageNeedsAnElevatedAdministrator) {
  {
    SetupRun run(Pkg("admin.exe"), {}, "", true);
    HWND box = run.MessageBoxWindow();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(AnswerMessageBox(box, IDOK), kNeedAdmin);
    EXPECT_EQ(run.WaitExit(), kFailed);
  }
  EXPECT_EQ(ReadUserValue("Auto"), "");
  EXPECT_EQ(WithoutWindow(Pkg("admin.exe"), "/Q"), kInstalled);
  EXPECT_EQ(ReadUserValue("Auto"), "installed");
}

// /X: extracts into a new or empty folder, named as the user likes it, and
// leaves the files there; nothing is installed, no window shows. A folder
// that holds anything is refused, with a message unless quiet.
TEST_F(SetupSwitches, ExtractOnlyLeavesTheFilesAndInstallsNothing) {
  const std::string fresh = work + "out\\new";
  EXPECT_EQ(WithoutWindow(Pkg("basic.exe"), "/X:" + fresh), kInstalled);
  EXPECT_EQ(ListFiles(fresh + "\\"), (std::vector<std::string>{"basic.inf", "payload.txt"}));
  EXPECT_EQ(ReadFile(fresh + "\\payload.txt"), "Payload installed by the basic test package.\r\n");
  EXPECT_EQ(ReadUserValue("Basic"), "");

  // A split package takes the switches on its program; an existing empty
  // folder with a space, quoted.
  const std::string spaced = work + "with space";
  ASSERT_TRUE(CreateDirectoryA(spaced.c_str(), nullptr));
  EXPECT_EQ(WithoutWindow(Pkg("multi.exe"), "-x:\"" + spaced + "\""), kInstalled);
  EXPECT_EQ(ReadFile(spaced + "\\random.bin"), ReadFile(Pkg("expected\\multi-random.bin")));
  EXPECT_EQ(ReadUserValue("Auto"), "");
  EXPECT_TRUE(StubTempDirs().empty());

  {
    SetupRun run(Pkg("auto.exe"), {}, "/X:" + fresh);
    HWND box = run.MessageBoxWindow();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Text(box), "Error");
    EXPECT_EQ(AnswerMessageBox(box, IDOK), kNotEmpty);
    EXPECT_EQ(run.WaitExit(), kFailed);
  }
  EXPECT_EQ(WithoutWindow(Pkg("auto.exe"), "/Q /X:" + fresh), kFailed);
  EXPECT_EQ(ListFiles(fresh + "\\"), (std::vector<std::string>{"basic.inf", "payload.txt"}));
  EXPECT_TRUE(StubTempDirs().empty());
  // A folder whose path is longer than Windows takes is no folder that holds
  // something: the message says what is wrong.
  {
    SetupRun run(Pkg("auto.exe"), {}, "/X:" + work + std::string(300, 'd'));
    HWND box = run.MessageBoxWindow();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(AnswerMessageBox(box, IDOK), "A path needed by this Setup package is too long.");
    EXPECT_EQ(run.WaitExit(), kFailed);
  }
}

// An installer that leaves a file for Windows to replace at its next start:
// installed, and a restart needed (3010), whether setup ran quietly without
// restarting or with its dialog; without such a file /norestart changes
// nothing.
TEST_F(SetupSwitches, RestartNeededIsReportedWith3010) {
  {
    const PendingRenames keep;
    EXPECT_EQ(WithoutWindow(Pkg("reboot.exe"), "/Q /norestart"), kRestartNeeded);
    EXPECT_EQ(ReadUserValue("Reboot"), "installed");
    std::string pending;
    ASSERT_TRUE(PendingRenames::Read(&pending));
    EXPECT_NE(pending.find("marrowby-restart-test.tmp"), std::string::npos);
  }
  ClearUserValues();
  {
    const PendingRenames keep;
    SetupRun run(Pkg("reboot.exe"));  // unattended: installs and closes by itself
    EXPECT_EQ(run.WaitExit(), kRestartNeeded);
    EXPECT_EQ(ReadUserValue("Reboot"), "installed");
  }
  SetupRun run(Pkg("auto.exe"), {}, "/norestart");
  EXPECT_EQ(run.WaitExit(), kInstalled);
  EXPECT_EQ(ReadUserValue("Auto"), "installed");
}

// Declining the licence and then closing the dialog installs nothing: 1602.
TEST_F(SetupSwitches, DecliningTheLicenceAndClosingEndsCancelled) {
  SetupRun run(Pkg("licence.exe"));
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  Click(dlg, IDOK);
  HWND lic = run.LicenceDialog();
  ASSERT_NE(lic, nullptr);
  Click(lic, IDCANCEL);
  ASSERT_TRUE(wintest::PumpUntil([&] { return !IsWindow(lic); }, 10000));
  Click(dlg, IDCANCEL);
  EXPECT_EQ(run.WaitExit(), kCancelled);
  EXPECT_EQ(ReadUserValue("Auto"), "");
}

// Signed with a certificate of the test's own: the package installs, a split
// one too (signed in its program), and the signed package with one byte
// after its signature is refused as corrupted.
TEST_F(SetupSwitches, SignedPackagesInstallAndABytePastTheSignatureIsRefused) {
  EXPECT_EQ(WithoutWindow(Pkg("signed.exe"), "/Q"), kInstalled);
  EXPECT_EQ(ReadUserValue("Auto"), "installed");
  ClearUserValues();
  EXPECT_EQ(WithoutWindow(CopyParts("signed-multi"), "/Q"), kInstalled);
  EXPECT_EQ(ReadUserValue("Auto"), "installed");
  ClearUserValues();
  SetupRun run(Pkg("signed-long.exe"));
  HWND box = run.MessageBoxWindow();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(AnswerMessageBox(box, IDOK), kCorrupted);
  EXPECT_EQ(run.WaitExit(), kFailed);
  EXPECT_EQ(ReadUserValue("Auto"), "");
  EXPECT_TRUE(StubTempDirs().empty());
}

// Run as its own test with WINEDLLOVERRIDES=rsaenh=d (Wine reads it from
// this program's environment): no provider has SHA-256, as on Windows
// before XP SP3. A split package, which needs it, says so; a single-file
// package installs all the same.
TEST_F(SetupSwitches, NoSha256StopsOnlySplitPackages) {
  char overrides[256] = "";
  GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof(overrides));
  ASSERT_NE(std::string(overrides).find("rsaenh=d"), std::string::npos)
      << "run with WINEDLLOVERRIDES=rsaenh=d";
  {
    SetupRun run(CopyParts("multi"));
    HWND box = run.MessageBoxWindow();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Text(box), "Error");
    EXPECT_EQ(AnswerMessageBox(box, IDOK), "This Setup package needs Windows XP SP3 or later.");
    EXPECT_EQ(run.WaitExit(), kFailed);
  }
  EXPECT_EQ(WithoutWindow(Pkg("auto.exe"), "/Q"), kInstalled);
  EXPECT_EQ(ReadUserValue("Auto"), "installed");
}

}  // namespace
}  // namespace marrowby::e2e
