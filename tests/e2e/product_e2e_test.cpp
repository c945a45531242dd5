// schedmgr-setup.exe end to end under Wine: installed as a person would
// (Install, I agree, Ok), the installed program started from its folder and
// a schedule of it launched, then removed by the command of its entry in
// Add/Remove Programs. Only the settings file may stay.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "marrowby_version.h"
#include "tests/e2e/e2e_util.h"
#include "setup/resource_ids.h"
#include "tests/e2e/product_setup.h"
#include "tests/e2e/schedmgr_fixture.h"
#include "tests/win/win_test_util.h"

namespace marrowby::e2e {
namespace {

using wintest::ExeDir;
using wintest::FileExists;

const char kEntryKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MarrowbyScheduleManager";
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kProduct[] = "Marrowby Schedule Manager";

std::string Folder(int csidl) {
  char path[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}
std::string MakerDir() { return Folder(CSIDL_PROGRAM_FILES) + "\\Marrowby"; }
std::string InstallDir() { return MakerDir() + "\\Schedule Manager\\"; }
std::string Shortcut() {
  return Folder(CSIDL_COMMON_PROGRAMS) + "\\" + kProduct + ".lnk";
}

// A value of HKLM, or "(none)".
std::string MachineValue(const char* key, const char* name) {
  char buf[1024];
  DWORD size = sizeof(buf);
  if (RegGetValueA(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, buf, &size) !=
      ERROR_SUCCESS) {
    return "(none)";
  }
  return buf;
}
bool MachineKeyExists(const char* key) {
  HKEY h;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

class ProductE2E : public SchedmgrFixture {
 protected:
  void SetUp() override {
    SchedmgrFixture::SetUp();
    ASSERT_TRUE(FileExists(ExeDir() + "schedmgr-setup.exe"));
    Uninstall();  // a run that stopped half-way leaves nothing for this one
  }
  void TearDown() override {
    program_.reset();
    Uninstall();
    SchedmgrFixture::TearDown();
  }
  static void Uninstall() {
    const std::string command = UninstallCommand();
    if (!command.empty()) RunCommand(command);
  }
};

TEST_F(ProductE2E, InstallsStartsAndUninstallsLeavingOnlyTheSettings) {
  {
    Program setup;
    ASSERT_TRUE(setup.Start(ExeDir() + "schedmgr-setup.exe"));
    HWND dlg = DialogWith(setup.Pid(), SETUP_ID_STATUS);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(Text(dlg), "Marrowby Schedule Manager Setup");
    EXPECT_NE(ItemText(dlg, SETUP_ID_STATUS).find("Welcome to Marrowby Schedule Manager " MARROWBY_VERSION_TEXT),
              std::string::npos);
    Press(dlg, IDOK);  // Install
    HWND licence = DialogWith(setup.Pid(), SETUP_ID_LICENCE_TEXT);
    ASSERT_NE(licence, nullptr);
    EXPECT_NE(ItemText(licence, SETUP_ID_LICENCE_TEXT).find("Marrowby Schedule Manager - Licence Agreement"),
              std::string::npos);
    Press(licence, IDOK);  // I agree
    ASSERT_TRUE(WaitItemText(dlg, SETUP_ID_STATUS, "Installation completed successfully!"));
    EXPECT_EQ(ItemText(dlg, IDCANCEL), "&Ok");
    Press(dlg, IDCANCEL);  // Ok
    ASSERT_TRUE(setup.WaitExit(60000));
  }

  const std::string exe = InstallDir() + "schedmgr.exe";
  for (const char* f : {"schedmgr.exe", "Schedule.html", "schedmgr.inf"}) {
    EXPECT_TRUE(FileExists(InstallDir() + f)) << f;
  }
  EXPECT_TRUE(FileExists(Shortcut())) << Shortcut();
  EXPECT_EQ(MachineValue(kRunKey, kProduct), "\"" + exe + "\"");
  EXPECT_EQ(MachineValue(kEntryKey, "DisplayName"), kProduct);
  EXPECT_EQ(MachineValue(kEntryKey, "DisplayVersion"), MARROWBY_VERSION_TEXT);
  const std::string uninstall = MachineValue(kEntryKey, "UninstallString");
  EXPECT_NE(uninstall.find(InstallDir() + "schedmgr.inf,Uninstall"), std::string::npos)
      << uninstall;

  {
    // Started from its installed place, it launches a schedule due a few
    // seconds later exactly once and records it in its history, and writes
    // its settings when asked to quit.
    exe_ = exe;
    StartReady();
    AddDueSchedule("Installed launch", MarkerExe(), 10, {});  // time to type it in, when slow
    Click(C("HideBtn"));
    ASSERT_TRUE(WaitFor([&] { return wintest::CountLines(Marker()) == 1; }, 60000))
        << wintest::DescribeProcess(program_->Pid());
    const std::string ini = SettingsFile();
    const std::string history = ini.substr(0, ini.size() - 3) + "log";
    ASSERT_TRUE(WaitFor([&] { return wintest::CountLines(history) == 1; }, 30000));
    EXPECT_NE(wintest::ReadFile(history).find("\tInstalled launch\t" + MarkerExe() + "\tstarted\t"),
              std::string::npos)
        << wintest::ReadFile(history);
    Wait(3000);
    EXPECT_EQ(wintest::CountLines(Marker()), 1);
    PostMessageA(form_, WM_CLOSE, 0, 0);
    MessageBoxInfo box = WaitMessageBox(program_->Pid(), 60000);
    ASSERT_NE(box.hwnd, nullptr);
    PressButton(box, "&Yes");
    ASSERT_TRUE(program_->WaitExit(60000));
  }
  ASSERT_TRUE(FileExists(SettingsFile()));

  EXPECT_EQ(RunCommand(uninstall), 0u) << uninstall;
  EXPECT_FALSE(FileExists(InstallDir())) << InstallDir();
  EXPECT_FALSE(FileExists(MakerDir())) << MakerDir();
  EXPECT_FALSE(FileExists(Shortcut()));
  EXPECT_EQ(MachineValue(kRunKey, kProduct), "(none)");
  EXPECT_FALSE(MachineKeyExists(kEntryKey));
  EXPECT_TRUE(FileExists(SettingsFile()));
}

}  // namespace
}  // namespace marrowby::e2e
