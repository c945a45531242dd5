// The setup program's start-up, working folder, installer start and library
// search in-process under Wine, with the failures Wine cannot produce for a
// running package (a user without administrative rights, an installer host
// that cannot start) brought in through the rights-test hook and the state.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstring>
#include <string>

#include "setup/cstr.h"
#include "setup/messages.h"
#include "setup/package_format.h"
#include "setup/setup_win32.h"
#include "tests/win/setup_win_util.h"
#include "tests/win/win_test_util.h"

namespace marrowby::setup {
namespace {

using testing::BoxAnswerer;
using wintest::FileExists;
using wintest::MakeTempDir;
using wintest::ReadFile;
using wintest::RemoveTree;
using wintest::WriteFile;

// A package with the given administrator flag, no library copy and a
// cabinet that is never read here.
std::string Package(bool admin) {
  const std::string inf = "setup.inf";
  const std::string cabinet = "MSCF not read by start-up";
  PackageHeader h{};
  h.infNameLength = static_cast<uint8_t>(inf.size());
  h.admin = admin ? 1 : 0;
  h.packageSize = static_cast<uint32_t>(kTextsOffset + inf.size() + cabinet.size());
  uint8_t header[kHeaderSize];
  WriteHeader(h, header);
  return std::string(kHeaderOffset, '\0') + std::string(header, header + kHeaderSize) + inf +
         cabinet;
}

class SetupRunWin : public ::testing::Test {
 protected:
  void SetUp() override {
    g_state = SetupState{};
    g_state.packageHandle = kNoHandle;
    dir = MakeTempDir("setup_run_");
    // Start-up works under the temporary path: this test's own one.
    temp = dir + "temp\\";
    CreateDirectoryA(temp.c_str(), nullptr);
    char old[MAX_PATH] = "";
    GetEnvironmentVariableA("TMP", old, MAX_PATH);
    oldTmp = old;
    SetEnvironmentVariableA("TMP", temp.c_str());
  }
  void TearDown() override {
    ExitCleanUp();
    g_rightsTest = nullptr;
    SetEnvironmentVariableA("TMP", oldTmp.empty() ? nullptr : oldTmp.c_str());
    RemoveTree(dir);
  }
  std::string dir, temp, oldTmp;
};

TEST_F(SetupRunWin, RefusedAdministrativeRightsStopTheStartWithTheirMessage) {
  WriteFile(dir + "admin.exe", Package(true));
  g_rightsTest = [] { return false; };
  BoxAnswerer box;
  EXPECT_FALSE(StartUp((dir + "admin.exe").c_str()));
  EXPECT_EQ(box.text(), kMsgNeedAdmin);
  ExitCleanUp();
  EXPECT_FALSE(FileExists(temp + "$Tessara.Tmp"));  // nothing made, nothing removed
  g_state = SetupState{};
  g_rightsTest = [] { return true; };
  EXPECT_TRUE(StartUp((dir + "admin.exe").c_str()));
}

// The /X: folder is made with its parents, or taken when it is empty; one
// that holds anything, or a file in its place, is refused and left as it is.
TEST_F(SetupRunWin, ExtractFolderMustBeNewOrEmpty) {
  const std::string fresh = dir + "new\\deeper";
  ASSERT_TRUE(PrepareExtractFolder(fresh.c_str()));
  EXPECT_EQ(std::string(g_state.extractDir), fresh + "\\");
  EXPECT_TRUE(FileExists(fresh));
  ASSERT_TRUE(PrepareExtractFolder((fresh + "/").c_str()));  // now there, still empty
  EXPECT_EQ(std::string(g_state.extractDir), fresh + "/");
  WriteFile(fresh + "\\kept.txt", "kept");
  EXPECT_FALSE(PrepareExtractFolder(fresh.c_str()));
  EXPECT_STREQ(g_state.extractDir, "");
  CreateDirectoryA((dir + "holds-a-folder").c_str(), nullptr);
  CreateDirectoryA((dir + "holds-a-folder\\sub").c_str(), nullptr);
  EXPECT_FALSE(PrepareExtractFolder((dir + "holds-a-folder").c_str()));
  EXPECT_FALSE(PrepareExtractFolder((fresh + "\\kept.txt").c_str()));
  EXPECT_EQ(ReadFile(fresh + "\\kept.txt"), "kept");
}

// The working folder is always one this process made: a folder (or file) of
// the usual name is left alone, and a suffixed folder made instead.
TEST_F(SetupRunWin, WorkingFolderIsFreshlyMadeBesideAPlantedOne) {
  WriteFile(dir + "plain.exe", Package(false));
  ASSERT_TRUE(CreateDirectoryA((temp + "$Tessara.Tmp").c_str(), nullptr));
  WriteFile(temp + "$Tessara.Tmp\\setup.inf", "planted");
  ASSERT_TRUE(StartUp((dir + "plain.exe").c_str()));
  const std::string own = g_state.tempDir;
  EXPECT_EQ(own, temp + "$Tessara.Tmp." + std::to_string(GetCurrentProcessId()) + "-1\\");
  EXPECT_TRUE(FileExists(own));
  // Held open: nobody can remove or rename it (and put a link there) while
  // the package runs.
  EXPECT_FALSE(MoveFileA(own.c_str(), (temp + "moved").c_str()));
  EXPECT_FALSE(RemoveDirectoryA(own.c_str()));
  ExitCleanUp();
  EXPECT_FALSE(FileExists(own));
  EXPECT_EQ(ReadFile(temp + "$Tessara.Tmp\\setup.inf"), "planted");

  // A file of that name is passed over too.
  RemoveTree(temp + "$Tessara.Tmp\\");
  WriteFile(temp + "$Tessara.Tmp", "a file of that name");
  g_state = SetupState{};
  ASSERT_TRUE(StartUp((dir + "plain.exe").c_str()));
  EXPECT_NE(std::string(g_state.tempDir), temp + "$Tessara.Tmp\\");
  ExitCleanUp();
  EXPECT_EQ(ReadFile(temp + "$Tessara.Tmp"), "a file of that name");

  // Free: the usual name, removed at exit.
  DeleteFileA((temp + "$Tessara.Tmp").c_str());
  g_state = SetupState{};
  ASSERT_TRUE(StartUp((dir + "plain.exe").c_str()));
  EXPECT_EQ(std::string(g_state.tempDir), temp + "$Tessara.Tmp\\");
  ExitCleanUp();
  EXPECT_FALSE(FileExists(temp + "$Tessara.Tmp"));
}

// What an elevated run extracts installs into the system: its folder takes
// no permissions from the folder it is made in; only its owner, SYSTEM and
// the administrators may use it. (Wine keeps no access lists of its own on
// files: it maps them to the owner, group and others of the Unix mode, and
// reads them back from there. What can be seen is that others lose access
// that a folder made there normally gives them.)
TEST_F(SetupRunWin, AnElevatedRunShutsOthersOutOfItsFolder) {
  auto dacl = [](const std::string& path) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    wchar_t* text = nullptr;
    std::string result;
    if (GetNamedSecurityInfoW(wintest::Wide(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, nullptr, nullptr, &sd) == ERROR_SUCCESS &&
        ConvertSecurityDescriptorToStringSecurityDescriptorW(sd, SDDL_REVISION_1,
                                                             DACL_SECURITY_INFORMATION, &text, nullptr)) {
      result = wintest::Utf8(text);
    }
    LocalFree(text);
    LocalFree(sd);
    return result;
  };
  ASSERT_TRUE(IsElevated()) << "the test user under Wine is an administrator";
  const std::string plain = temp + "plain\\";
  ASSERT_TRUE(CreateDirectoryA(plain.c_str(), nullptr));
  ASSERT_NE(dacl(plain).find(";;;WD)"), std::string::npos) << dacl(plain);
  WriteFile(dir + "plain.exe", Package(false));
  ASSERT_TRUE(StartUp((dir + "plain.exe").c_str()));
  const std::string own = dacl(g_state.tempDir);
  EXPECT_EQ(own.find(";;;WD)"), std::string::npos) << own;
  EXPECT_NE(own.find("(A;OICI;FA;;;SY)"), std::string::npos) << own;
}

TEST_F(SetupRunWin, ExitCleanUpLeavesAFolderItDidNotMake) {
  ASSERT_TRUE(CreateDirectoryA((temp + "$Tessara.Tmp").c_str(), nullptr));
  TextCopy(g_state.tempDir, sizeof(g_state.tempDir), (temp + "$Tessara.Tmp\\").c_str());
  ExitCleanUp();  // as after a start-up that failed before making its folder
  EXPECT_TRUE(FileExists(temp + "$Tessara.Tmp"));
}

// An installer host that cannot be started: its message, and an outcome
// that is never a success.
TEST_F(SetupRunWin, InstallerThatCannotStartIsAFailure) {
  const std::string empty = dir + "nohost";
  CreateDirectoryA(empty.c_str(), nullptr);
  TextCopy(g_state.systemDir, sizeof(g_state.systemDir), empty.c_str());
  TextCopy(g_state.windowsDir, sizeof(g_state.windowsDir), empty.c_str());
  TextCopy(g_state.tempDir, sizeof(g_state.tempDir), dir.c_str());
  TextCopy(g_state.infName, sizeof(g_state.infName), "setup.inf");
  GetCurrentDirectoryA(sizeof(g_state.savedDir), g_state.savedDir);
  for (const bool advanced : {false, true}) {
    g_state.header.advanced = advanced ? 1 : 0;
    WriteFile(dir + "setup.inf", "[Version]\r\n");
    BoxAnswerer box;
    const InstallOutcome outcome = InstallInf(nullptr);
    EXPECT_EQ(box.text(), kMsgCannotInstall) << advanced;
    EXPECT_FALSE(outcome.Succeeded()) << advanced;
    EXPECT_FALSE(outcome.started) << advanced;
  }
  // Nor does an INF missing from the extracted files start anything.
  DeleteFileA((dir + "setup.inf").c_str());
  GetSystemDirectoryA(g_state.systemDir, sizeof(g_state.systemDir));
  BoxAnswerer box;
  EXPECT_FALSE(InstallInf(nullptr).started);
  EXPECT_EQ(box.text(), kMsgCannotInstall);
}

// Afterwards, for the rest of this program, libraries named without a folder
// come from the system directory only; no other test here loads one so.
TEST_F(SetupRunWin, LibrariesByNameComeOnlyFromTheSystemDirectory) {
  const std::string planted = wintest::ExeDir() + "setup_probe_planted.dll";
  ASSERT_TRUE(CopyFileA((wintest::ExeDir() + "setup_planted_cabinet.dll").c_str(), planted.c_str(),
                        FALSE));
  HMODULE before = LoadLibraryA("setup_probe_planted.dll");
  EXPECT_NE(before, nullptr) << "the probe must load from the program's folder at first";
  if (before) FreeLibrary(before);
  RestrictLibrarySearch();
  HMODULE after = LoadLibraryA("setup_probe_planted.dll");
  EXPECT_EQ(after, nullptr);
  if (after) FreeLibrary(after);
  EXPECT_NE(LoadLibraryA("cabinet.dll"), nullptr);  // system libraries still load
  DeleteFileA(planted.c_str());
}

}  // namespace
}  // namespace marrowby::setup
