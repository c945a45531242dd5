// setupstub end to end: the working folder (planted, left over by an earlier
// run), runs that fail or are interrupted and the runs after them, failures
// that must never read as success, and every way of closing the licence.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/resource_ids.h"
#include "tests/e2e/setup_driver.h"
#include "tests/win/win_test_util.h"

namespace marrowby::e2e {
namespace {

using wintest::FileExists;
using wintest::ReadFile;
using wintest::RemoveTree;
using wintest::WriteFile;

const char kNotStarted[] = "Installation failed: the installer could not be started.";

class SetupRuns : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FileExists(Pkg("basic.exe"))) << "packages missing in " << PackageDir();
    Clean();
  }
  void TearDown() override { Clean(); }
  static void Clean() {
    RemoveStubTempDirs();
    ClearUserValues();
  }
  static std::string Pkg(const std::string& name) { return PackageDir() + name; }
  // Runs basic.exe to its end: the registry value it writes, and no working
  // folder left beyond the ones given.
  static void InstallBasic(const std::vector<std::string>& leftBefore) {
    ClearUserValues();
    SetupRun run(Pkg("basic.exe"));
    HWND dlg = run.MainDialog();
    ASSERT_NE(dlg, nullptr);
    Click(dlg, 1);
    EXPECT_EQ(run.WaitExit(), kInstalled);
    EXPECT_EQ(ReadUserValue("Basic"), "installed");
    EXPECT_EQ(StubTempDirs(), leftBefore);
  }
  // Answers the error box the run shows next (its text goes to *text); the
  // program then ends as failed (1603) and leaves no working folder.
  static void AnswerErrorAndExpectCleanEnd(SetupRun& run, std::string* text) {
    HWND box = run.MessageBoxWindow();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Text(box), "Error");
    *text = AnswerMessageBox(box, IDOK);
    EXPECT_EQ(run.WaitExit(), kFailed);
    EXPECT_TRUE(StubTempDirs().empty()) << *text;
  }
};

// A folder of the usual name made beforehand, holding the INF the package
// names, is neither used nor touched, and its INF never installed.
TEST_F(SetupRuns, PlantedFolderIsNeverUsed) {
  const std::string planted = StubTempDir();
  ASSERT_TRUE(CreateDirectoryA(planted.c_str(), nullptr));
  const std::string inf =
      "[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\n[DefaultInstall]\r\nAddReg=R\r\n\r\n"
      "[R]\r\nHKCU,Software\\MarrowbyTest,Planted,,\"yes\"\r\n";
  WriteFile(planted + "setup.inf", inf);
  // Unattended, and its cabinet lacks the INF it names.
  SetupRun run(Pkg("missing-inf.exe"));
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  ASSERT_EQ(StubTempDirs().size(), 2u);
  Click(dlg, 1);
  HWND box = run.MessageBoxWindow();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(AnswerMessageBox(box, IDOK), "Couldn't initialize installation.");
  // A failure stays on screen, even for an unattended package.
  ASSERT_TRUE(run.WaitStatus(dlg, kNotStarted));
  EXPECT_EQ(ControlText(dlg, SETUP_ID_STATUS).find(kCompleted), std::string::npos);
  EXPECT_EQ(ControlText(dlg, 2), "&Ok");
  EXPECT_TRUE(IsEnabled(dlg, 2));
  Click(dlg, 2);
  EXPECT_EQ(run.WaitExit(), kFailed);
  EXPECT_EQ(ReadUserValue("Planted"), "");
  EXPECT_EQ(StubTempDirs(), std::vector<std::string>{planted});
  EXPECT_EQ(ListFiles(planted), std::vector<std::string>{"setup.inf"});
  EXPECT_EQ(ReadFile(planted + "setup.inf"), inf);
}

// A cabinet that breaks after its first files: the cabinet library's error
// text, and no working folder left with the files extracted before the
// break. Runs after it (and after each other) work.
TEST_F(SetupRuns, FailedExtractionLeavesNothingAndTheNextRunsWork) {
  SetupRun run(Pkg("broken-after-first-files.exe"));
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  ASSERT_EQ(StubTempDirs().size(), 1u);
  Click(dlg, 1);
  std::string text;
  ASSERT_NO_FATAL_FAILURE(AnswerErrorAndExpectCleanEnd(run, &text));
  EXPECT_EQ(text, "Corrupt Cabinet");
  EXPECT_TRUE(StubTempDirs().empty());
  InstallBasic({});
  InstallBasic({});
}

// An interrupted run leaves its folder; the next run makes its own beside it
// and leaves the old one alone.
TEST_F(SetupRuns, RunAfterAnInterruptedRunWorks) {
  {
    SetupRun run(Pkg("slow.exe"));
    ASSERT_NE(run.StartInstaller(), nullptr);
    run.Kill(1);
    run.KillChild("rundll32.exe", 1);
  }
  const std::vector<std::string> left = StubTempDirs();
  ASSERT_EQ(left.size(), 1u);
  ASSERT_TRUE(FileExists(left[0] + "slow.inf"));
  InstallBasic(left);
  EXPECT_TRUE(FileExists(left[0] + "slow.inf"));
}

// An installer that ends with a code other than 0 (here: killed) is a
// failure, with the code, and never the completion text.
TEST_F(SetupRuns, KilledInstallerIsReportedAsAFailure) {
  SetupRun run(Pkg("slow.exe"));
  HWND dlg = run.StartInstaller();
  ASSERT_NE(dlg, nullptr);
  ASSERT_TRUE(run.KillChild("rundll32.exe", 0xC0000005));
  ASSERT_TRUE(run.WaitStatus(dlg, "Installation failed: the installer ended with exit code "
                                  "0xC0000005."));
  EXPECT_EQ(ControlText(dlg, SETUP_ID_STATUS).find(kCompleted), std::string::npos);
  EXPECT_EQ(ControlText(dlg, 2), "&Ok");
  // The program the INF starts may still run from the folder for its three
  // seconds; Close can delete it only afterwards.
  wintest::PumpFor(3500);
  Click(dlg, 2);
  EXPECT_EQ(run.WaitExit(), kFailed);
  EXPECT_TRUE(StubTempDirs().empty());
}

// While the installer runs, no other process can write, rename or delete
// the rebuilt package, the INF or a payload file (every try fails), and the
// installer still reads them.
TEST_F(SetupRuns, NothingSetupMadeCanBeChangedWhileTheInstallerRuns) {
  SetupRun run(Pkg("slow.exe"));
  HWND dlg = run.StartInstaller();
  ASSERT_NE(dlg, nullptr);
  const std::string dir = StubTempDir();
  int rounds = 0;
  while (ControlText(dlg, SETUP_ID_STATUS).find("Updating system settings") != std::string::npos) {
    for (const char* name : {"Tessara.pkg", "slow.inf", "payload.txt"}) {
      const std::string path = dir + name;
      const HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
      EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "opened for writing: " << name;
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
      EXPECT_FALSE(MoveFileA(path.c_str(), (path + ".moved").c_str())) << "renamed: " << name;
      EXPECT_FALSE(DeleteFileA(path.c_str())) << "deleted: " << name;
    }
    ++rounds;
  }
  EXPECT_GT(rounds, 10);
  ASSERT_TRUE(run.WaitStatus(dlg, kCompleted));
  EXPECT_EQ(ReadFile(dir + "payload.txt"),
            "A payload file the installer of the slow package leaves alone.\r\n");
  Click(dlg, 2);
  EXPECT_EQ(run.WaitExit(), kInstalled);
  EXPECT_TRUE(StubTempDirs().empty());
}

TEST_F(SetupRuns, NotACabinetGivesItsMessage) {
  SetupRun run(Pkg("not-a-cabinet.exe"));
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  Click(dlg, 1);
  std::string text;
  ASSERT_NO_FATAL_FAILURE(AnswerErrorAndExpectCleanEnd(run, &text));
  EXPECT_EQ(text, "Unknown compression type");
}

// Run as its own test with WINEDLLOVERRIDES=cabinet=d (Wine reads it from
// this program's environment): the system's cabinet library cannot load.
TEST_F(SetupRuns, NoCabinetLibraryStopsTheStart) {
  char overrides[256] = "";
  GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof(overrides));
  ASSERT_NE(std::string(overrides).find("cabinet=d"), std::string::npos)
      << "run with WINEDLLOVERRIDES=cabinet=d";
  SetupRun run(Pkg("basic.exe"));
  std::string text;
  ASSERT_NO_FATAL_FAILURE(AnswerErrorAndExpectCleanEnd(run, &text));
  EXPECT_EQ(text, "Cabinet.dll could not be loaded!");
}

// The licence opens at its first line, nothing selected, the focus on the
// declining button. However it is closed, Install opens it again; then the
// package installs.
TEST_F(SetupRuns, LicenceOpensAtTheTopAndEveryWayOfClosingItKeepsInstallWorking) {
  SetupRun run(Pkg("long-licence.exe"));
  HWND dlg = run.MainDialog();
  ASSERT_NE(dlg, nullptr);
  const struct {
    const char* how;
    void (*close)(HWND lic);
  } ways[] = {
      {"Enter", [](HWND lic) { PressEnter(lic); }},
      {"Cancel", [](HWND lic) { Click(lic, IDCANCEL); }},
      {"close box", [](HWND lic) { PostMessageA(lic, WM_SYSCOMMAND, SC_CLOSE, 0); }},
      // Handled inside the dialog's wait for messages, with nothing after it.
      {"sent command",
       [](HWND lic) {
         DWORD_PTR r;
         SendMessageTimeoutA(lic, WM_COMMAND, IDCANCEL, 0, SMTO_NORMAL, 5000, &r);
       }},
      {"sent close", [](HWND lic) {
         DWORD_PTR r;
         SendMessageTimeoutA(lic, WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, &r);
       }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.how);
    Click(dlg, 1);
    HWND lic = run.LicenceDialog(10000);
    ASSERT_NE(lic, nullptr);
    HWND text = GetDlgItem(lic, SETUP_ID_LICENCE_TEXT);
    EXPECT_EQ(SendMessageA(text, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    const LRESULT sel = SendMessageA(text, EM_GETSEL, 0, 0);
    EXPECT_EQ(LOWORD(sel), HIWORD(sel)) << "text selected";
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetGUIThreadInfo(run.thread(), &info));
    EXPECT_EQ(info.hwndFocus, GetDlgItem(lic, IDCANCEL));
    way.close(lic);
    ASSERT_TRUE(wintest::PumpUntil([&] { return !IsWindow(lic); }, 10000));
    EXPECT_TRUE(IsWindowEnabled(dlg));
    EXPECT_EQ(ReadUserValue("Auto"), "");
  }
  Click(dlg, 1);
  HWND lic = run.LicenceDialog(10000);
  ASSERT_NE(lic, nullptr);
  Click(lic, IDOK);
  ASSERT_TRUE(run.WaitStatus(dlg, kCompleted));
  EXPECT_EQ(ReadUserValue("Auto"), "installed");
  PressEnter(dlg);  // the focus is on Ok now
  EXPECT_EQ(run.WaitExit(), kInstalled);
  EXPECT_TRUE(StubTempDirs().empty());
}

}  // namespace
}  // namespace marrowby::e2e
