// setupstub end to end under Wine: packages built by setuppack around real
// INF files, installed by Wine's own cabinet library, setupapi and advpack.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/resource_ids.h"
#include "tests/e2e/setup_driver.h"
#include "tests/win/win_test_util.h"

namespace marrowby::e2e {
namespace {

using wintest::ExeDir;
using wintest::FileExists;
using wintest::MakeTempDir;
using wintest::ReadFile;
using wintest::RemoveTree;

std::string WindowsDir() {
  char dir[MAX_PATH];
  GetWindowsDirectoryA(dir, MAX_PATH);
  return dir;
}

struct BoxCount {
  DWORD pid;
  int n;
};

BOOL CALLBACK CountBox(HWND w, LPARAM l) {
  auto* c = reinterpret_cast<BoxCount*>(l);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  if (owner == c->pid && IsWindowVisible(w) && GetDlgItem(w, 0xFFFF)) ++c->n;
  return TRUE;
}

// The message boxes the process shows at this moment.
int MessageBoxCount(DWORD pid) {
  BoxCount count{pid, 0};
  EnumWindows(CountBox, reinterpret_cast<LPARAM>(&count));
  return count.n;
}

class SetupE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FileExists(PackageDir() + "basic.exe"))
        << "packages missing in " << PackageDir() << " (made by e2e_setup_packages)";
    Clean();
  }
  void TearDown() override { Clean(); }
  static void Clean() {
    RemoveTree(StubTempDir());
    ClearUserValues();
    RemoveTree(WindowsDir() + "\\MarrowbyTest\\");
  }
  static std::string Pkg(const std::string& name) { return PackageDir() + name; }
};

TEST_F(SetupE2E, ProgramWithoutPackageOrWithWrongMagicEndsSilently) {
  for (const std::string& path : {ExeDir() + "setupstub.exe", Pkg("bad-magic.exe")}) {
    SetupRun run(path);
    ASSERT_TRUE(run.started()) << path << ": error " << run.startError();
    EXPECT_EQ(run.WaitExit(20000), kFailed) << path;
    EXPECT_FALSE(FileExists(StubTempDir())) << path;
  }
}

TEST_F(SetupE2E, BasicPackageCopiesFilesAndWritesTheRegistry) {
  SetupRun run(Pkg("basic.exe"));
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(Text(dlg), "Marrowby Basic Test");
  EXPECT_EQ(ControlText(dlg, SETUP_ID_STATUS),
            "Welcome to the Marrowby test setup.\r\n\r\nClick Install to go on.\r\n");
  EXPECT_EQ(ControlText(dlg, 1), "&Install");
  EXPECT_EQ(ControlText(dlg, 2), "&Close");
  EXPECT_TRUE(IsEnabled(dlg, 1));
  EXPECT_TRUE(FileExists(StubTempDir()));  // made at start-up, still empty
  Click(dlg, 1);
  EXPECT_EQ(run.WaitExit(), kInstalled);  // unattended: closes by itself
  EXPECT_EQ(ReadUserValue("Basic"), "installed");
  EXPECT_EQ(ReadFile(WindowsDir() + "\\MarrowbyTest\\payload.txt"),
            "Payload installed by the basic test package.\r\n");
  EXPECT_FALSE(FileExists(StubTempDir()));
}

TEST_F(SetupE2E, AdvancedPackageRunsTheNtSectionThenTheSecondSection) {
  SetupRun run(Pkg("advanced.exe"));
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  Click(dlg, 1);
  EXPECT_EQ(run.WaitExit(), kInstalled);
  EXPECT_EQ(ReadUserValue("First"), "ran");
  EXPECT_EQ(ReadUserValue("Second"), "ran");
  EXPECT_EQ(ReadUserValue("Order"), "second");
  EXPECT_EQ(ReadUserValue("Plain"), "");  // Wine reports the NT family
  EXPECT_FALSE(FileExists(StubTempDir()));
}

TEST_F(SetupE2E, UnattendedPackageWithoutWelcomeInstallsAndClosesByItself) {
  SetupRun run(Pkg("auto.exe"));
  EXPECT_EQ(run.WaitExit(), kInstalled);
  EXPECT_EQ(ReadUserValue("Auto"), "installed");
  EXPECT_FALSE(FileExists(StubTempDir()));
}

TEST_F(SetupE2E, LicenceIsDeclinedWithEnterThenAcceptedAndInfoShowsTheNotice) {
  SetupRun run(Pkg("licence.exe"));
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(Text(dlg), "Marrowby Licence Test");
  Click(dlg, 1);
  HWND lic = run.LicenceDialog();
  ASSERT_NE(lic, nullptr);
  EXPECT_EQ(Text(lic), "Licence agreement");
  EXPECT_EQ(ControlText(lic, SETUP_ID_LICENCE_TEXT),
            "MARROWBY TEST LICENCE\r\n\r\n1. This is a test.\r\n2. Nothing here is binding.\r\n"
            "3. Line three.\r\n");
  EXPECT_EQ(ControlText(lic, SETUP_ID_LICENCE_PROMPT),
            "To continue with this installation, you must agree to all terms of this licence "
            "agreement.");
  EXPECT_EQ(ControlText(lic, 1), "I agree");
  EXPECT_EQ(ControlText(lic, 2), "&Cancel");
  EXPECT_EQ(LOWORD(SendMessageA(lic, DM_GETDEFID, 0, 0)), IDCANCEL);
  PressEnter(lic);
  ASSERT_TRUE(wintest::PumpUntil([&] { return !IsWindow(lic); }, 10000)) << "Enter did not decline";
  EXPECT_EQ(ControlText(dlg, 1), "&Install");  // still ready, nothing installed
  EXPECT_TRUE(IsEnabled(dlg, 1));
  EXPECT_EQ(ReadUserValue("Auto"), "");

  Click(dlg, 1);  // asks again
  lic = run.LicenceDialog();
  ASSERT_NE(lic, nullptr);
  Click(lic, 1);
  ASSERT_TRUE(run.WaitStatus(dlg, kCompleted));
  EXPECT_EQ(ControlText(dlg, 1), "&Info");
  EXPECT_EQ(ControlText(dlg, 2), "&Ok");
  EXPECT_TRUE(IsEnabled(dlg, 1));
  EXPECT_TRUE(IsEnabled(dlg, 2));
  EXPECT_EQ(ReadUserValue("Auto"), "installed");
  EXPECT_TRUE(FileExists(StubTempDir() + "readme.txt"));
  for (int i = 0; i < 2; ++i) {  // Info shows the message each time
    Click(dlg, 1);
    HWND box = run.MessageBoxWindow();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Text(box), "License Information");
    // Owned by the dialog, and the only one: Info pressed again while it is
    // open is handled at once and opens no second box.
    EXPECT_EQ(GetWindow(box, GW_OWNER), dlg);
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutA(GetDlgItem(dlg, 1), BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &result));
    EXPECT_EQ(MessageBoxCount(run.pid()), 1);
    const std::string text = AnswerMessageBox(box, IDOK);
    EXPECT_EQ(text.find("This Setup package was built with Marrowby setuppack."), 0u) << text;
    EXPECT_NE(text.find("\r\n\r\nMarrowby test notice."), std::string::npos) << text;
    ASSERT_TRUE(wintest::PumpUntil([&] { return !IsWindow(box); }, 10000));
  }
  Click(dlg, 2);
  EXPECT_EQ(run.WaitExit(), kInstalled);
  EXPECT_FALSE(FileExists(StubTempDir()));
}

TEST_F(SetupE2E, NoticeHiddenLeavesOnlyOk) {
  SetupRun run(Pkg("hidden.exe"));
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(Text(dlg), "Self-extracting Archive");  // no title: the template's caption
  Click(dlg, 1);
  ASSERT_TRUE(run.WaitStatus(dlg, kCompleted));
  EXPECT_FALSE(Exists(dlg, 1));
  EXPECT_EQ(ControlText(dlg, 2), "&Ok");
  Click(dlg, 2);
  EXPECT_EQ(run.WaitExit(), kInstalled);
}

TEST_F(SetupE2E, ClosingBeforeInstallDeletesNothingAndRemovesTheEmptyFolder) {
  SetupRun run(Pkg("basic.exe"));
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  Click(dlg, 2);
  EXPECT_EQ(run.WaitExit(), kCancelled);
  EXPECT_EQ(ReadUserValue("Basic"), "");
  EXPECT_FALSE(FileExists(StubTempDir()));
}

TEST_F(SetupE2E, ScrambledCabinetExtractsIdentically) {
  SetupRun run(Pkg("scrambled.exe"));
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  Click(dlg, 1);
  ASSERT_TRUE(run.WaitStatus(dlg, kCompleted));
  EXPECT_EQ(ReadFile(StubTempDir() + "readme.txt"), "Extracted and installed without a question.\r\n");
  EXPECT_EQ(ReadUserValue("Auto"), "installed");
  Click(dlg, 2);
  EXPECT_EQ(run.WaitExit(), kInstalled);
  EXPECT_FALSE(FileExists(StubTempDir()));
}

TEST_F(SetupE2E, PackageOneByteShortOrLongIsCorrupted) {
  for (const char* name : {"short.exe", "long.exe"}) {
    SetupRun run(Pkg(name));
    HWND box = run.MessageBoxWindow();
    ASSERT_NE(box, nullptr) << name;
    EXPECT_EQ(Text(box), "Error");
    EXPECT_EQ(AnswerMessageBox(box, IDOK), kCorrupted);
    EXPECT_EQ(run.WaitExit(), kFailed) << name;
    EXPECT_FALSE(FileExists(StubTempDir())) << name;
  }
}

TEST_F(SetupE2E, DamagedHeadersAreCorruptedPackagesNotCrashes) {
  for (const char* name : {"truncated-header.exe", "texts-past-end.exe", "negative-welcome.exe"}) {
    SetupRun run(Pkg(name));
    HWND box = run.MessageBoxWindow();
    ASSERT_NE(box, nullptr) << name;
    EXPECT_EQ(AnswerMessageBox(box, IDOK), kCorrupted) << name;
    EXPECT_EQ(run.WaitExit(), kFailed) << name;
  }
}

TEST_F(SetupE2E, PackageFromASecondWriterExtracts) {
  SetupRun run(Pkg("second-writer.exe"));
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  Click(dlg, 1);
  ASSERT_TRUE(run.WaitStatus(dlg, kCompleted));
  EXPECT_TRUE(FileExists(StubTempDir() + "setup.inf"));
  Click(dlg, 2);
  EXPECT_EQ(run.WaitExit(), kInstalled);
}

TEST_F(SetupE2E, ReadOnlyFilesAreLeftAndKeepTheFolder) {
  SetupRun run(Pkg("readonly.exe"));
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  Click(dlg, 1);
  ASSERT_TRUE(run.WaitStatus(dlg, kCompleted));
  const std::string locked = StubTempDir() + "locked.txt";
  EXPECT_TRUE(GetFileAttributesA(locked.c_str()) & FILE_ATTRIBUTE_READONLY);
  Click(dlg, 2);
  EXPECT_EQ(run.WaitExit(), kInstalled);
  EXPECT_TRUE(FileExists(locked));
  EXPECT_FALSE(FileExists(StubTempDir() + "readonly.inf"));
  EXPECT_EQ(ListFiles(StubTempDir()), std::vector<std::string>{"locked.txt"});
}

// While the installer runs, the dialog is painted and its commands are
// ignored: Escape or the close box must not delete what the installer uses.
TEST_F(SetupE2E, CloseCommandsWhileInstallingAreIgnored) {
  SetupRun run(Pkg("slow.exe"));
  HWND dlg = run.StartInstaller();
  ASSERT_NE(dlg, nullptr);
  EXPECT_FALSE(IsEnabled(dlg, 1));
  EXPECT_FALSE(IsEnabled(dlg, 2));
  PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
  PostMessageA(dlg, WM_CLOSE, 0, 0);
  ASSERT_TRUE(run.WaitStatus(dlg, kCompleted));
  EXPECT_TRUE(FileExists(StubTempDir() + "slow.inf"));
  EXPECT_EQ(run.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));
  Click(dlg, 2);
  EXPECT_EQ(run.WaitExit(), kInstalled);
  EXPECT_FALSE(FileExists(StubTempDir()));
}

TEST_F(SetupE2E, QuitMessageWhileInstallingEndsTheProgramWithItsCode) {
  SetupRun run(Pkg("slow.exe"));
  ASSERT_NE(run.StartInstaller(), nullptr);
  PostThreadMessageA(run.thread(), WM_QUIT, 42, 0);
  EXPECT_EQ(run.WaitExit(), 42u);
  EXPECT_TRUE(FileExists(StubTempDir() + "slow.inf"));  // no clean-up on this road
}

}  // namespace
}  // namespace marrowby::e2e
