// The settings store on the platform, under Wine: where the file goes by
// default, a real read-only file, the per-user folder when the Windows
// directory refuses, the new file replacing the old in one step whatever
// fails, the registry variant, and placement of a real window.
#include <windows.h>

#include <gtest/gtest.h>

#include <shlobj.h>

#include "core/file_system_win32.h"
#include "store/form_storage.h"
#include "store/profile_location.h"
#include "store/registry_win32.h"
#include "tests/support/store_test_form.h"
#include "tests/win/win_test_util.h"
#include "ui/application_win32.h"

namespace marrowby {
namespace {

using namespace wintest;
using testing::TTestMainForm;

std::string WindowsDir() {
  char buf[MAX_PATH];
  const UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
  return std::string(buf, n) + "\\";
}

std::string PerUserDir() {
  char buf[MAX_PATH];
  SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buf);
  return std::string(buf) + "\\Marrowby\\";
}

void RemoveFile(const std::string& path) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
}

std::string SaveError(TTestMainForm& form) {
  try {
    form.SaveAll();
  } catch (const EIniFileError& e) {
    return e.Message();
  }
  return "";
}

// The real file system, except that "the Windows directory" is a folder of
// the test that refuses every write, as it does for a standard user, and the
// user's data folder another folder of the test. In use while it lives.
class RefusingWindowsDir : public Win32FileSystem {
 public:
  explicit RefusingWindowsDir(std::string root) : root_(std::move(root)) {
    SetCurrentFileSystem(this);
  }
  ~RefusingWindowsDir() override { SetCurrentFileSystem(nullptr); }
  std::string WindowsDirectory() override { return root_ + "windows"; }
  std::string UserDataDirectory() override { return root_ + "user"; }
  FileStatus Replace(const std::string& path, const std::string& data) override {
    if (path.rfind(root_ + "windows\\", 0) == 0) return FileStatus::AccessDenied;
    return Win32FileSystem::Replace(path, data);
  }

 private:
  std::string root_;
};

class StoreWin : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir("storewin");
    winFile_ = WindowsDir() + "win_store.INI";
    userFile_ = PerUserDir() + "win_store.INI";
    RemoveFile(winFile_);
    RemoveFile(userFile_);
  }
  void TearDown() override {
    RemoveFile(winFile_);
    RemoveFile(userFile_);
    RemoveTree(dir_);
  }
  std::string dir_, winFile_, userFile_;
};

TEST_F(StoreWin, TheDefaultFileIsTheExecutablesNameInTheWindowsDirectory) {
  Win32FileSystem fs;
  const ProfileLocation loc = LocateProfile(fs, "schedmgr.INI", "Marrowby");
  EXPECT_EQ(loc.primary, WindowsDir() + "schedmgr.INI");
  EXPECT_EQ(loc.fallback, PerUserDir() + "schedmgr.INI");
  EXPECT_EQ(LocateProfile(fs, dir_ + "x.ini", "Marrowby").primary, dir_ + "x.ini");

  TTestMainForm form;
  form.Launcher(1)->SetCommandLine("notepad.exe");
  form.SaveAll();
  ASSERT_TRUE(FileExists(winFile_));
  EXPECT_FALSE(FileExists(userFile_));
  EXPECT_NE(ReadFile(winFile_).find("Launcher1_CommandLine=notepad.exe\r\n"), std::string::npos);
  char buf[64];
  GetPrivateProfileStringA("TMainForm", "Launcher1_CommandLine", "", buf, sizeof(buf), "win_store.INI");
  EXPECT_STREQ(buf, "notepad.exe") << "the platform reads what the store wrote";
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, "win_store.INI");
  TTestMainForm other;
  other.RestoreAll();
  EXPECT_EQ(other.Launcher(1)->CommandLine(), "notepad.exe");
  EXPECT_FALSE(FileExists(winFile_ + "~")) << "no temporary file stays behind";
}

TEST_F(StoreWin, AReadOnlyFileFailsAndIsLeftAsItWas) {
  const std::string before = "[TMainForm]\r\nLauncher1_Tag=5\r\n";
  WriteFile(winFile_, before);
  SetFileAttributesA(winFile_.c_str(), FILE_ATTRIBUTE_READONLY);
  TTestMainForm form;
  form.Launcher(1)->SetTag(6);
  EXPECT_EQ(SaveError(form), "Unable to write to win_store.INI");
  EXPECT_EQ(ReadFile(winFile_), before);
  EXPECT_FALSE(FileExists(userFile_)) << "a file marked read-only is not moved elsewhere";
  form.RestoreAll();
  EXPECT_EQ(form.Launcher(1)->Tag(), 5) << "and is still read";
}

TEST_F(StoreWin, ARefusingWindowsDirectorySendsTheSettingsToThePerUserFolder) {
  RefusingWindowsDir fs(dir_);
  CreateDirectoryA((dir_ + "windows").c_str(), nullptr);
  WriteFile(dir_ + "windows\\win_store.INI", "[TMainForm]\r\nLauncher2_Tag=22\r\n");
  TTestMainForm form;
  form.RestoreAll();
  EXPECT_EQ(form.Launcher(2)->Tag(), 22) << "the file in the Windows directory is read";
  form.Launcher(1)->SetTag(11);
  form.SaveAll();
  const std::string user = dir_ + "user\\Marrowby\\win_store.INI";
  ASSERT_TRUE(FileExists(user));
  EXPECT_NE(ReadFile(user).find("[TMainForm]\r\nLauncher2_Tag=22\r\nFlags="), std::string::npos);
  EXPECT_NE(ReadFile(user).find("Launcher1_Tag=11\r\n"), std::string::npos);
  EXPECT_EQ(ReadFile(dir_ + "windows\\win_store.INI"), "[TMainForm]\r\nLauncher2_Tag=22\r\n");
  TTestMainForm other;
  other.RestoreAll();
  EXPECT_EQ(other.Launcher(1)->Tag(), 11) << "the per-user file is read first";
}

// Write half of the data, then fail, as a full disk does.
BOOL WINAPI HalfWrite(HANDLE h, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED) {
  ::WriteFile(h, data, size / 2, written, nullptr);
  SetLastError(ERROR_DISK_FULL);
  return FALSE;
}
BOOL WINAPI FailFlush(HANDLE) {
  SetLastError(ERROR_IO_DEVICE);
  return FALSE;
}
BOOL WINAPI FailMove(LPCSTR, LPCSTR, DWORD) {
  SetLastError(ERROR_SHARING_VIOLATION);
  return FALSE;
}

// Fails like a file held open by another reader for the first three tries.
int g_lockedTries = 0;
BOOL WINAPI MoveAfterLock(LPCSTR from, LPCSTR to, DWORD flags) {
  if (g_lockedTries-- > 0) {
    SetLastError(g_lockedTries % 2 ? ERROR_SHARING_VIOLATION : ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return MoveFileExA(from, to, flags);
}

TEST_F(StoreWin, AFileLockedForAMomentIsStillReplacedInPlace) {
  const std::string path = dir_ + "s.ini";
  WriteFile(path, "[S]\r\nold=1\r\n");
  Win32FileApi api = Win32FileApi::Default();
  api.moveFileEx = &MoveAfterLock;
  g_lockedTries = 3;
  Win32FileSystem fs(api);
  EXPECT_EQ(fs.Replace(path, "[S]\r\nnew=1\r\n"), FileStatus::Ok);
  EXPECT_EQ(ReadFile(path), "[S]\r\nnew=1\r\n");
  EXPECT_FALSE(FileExists(path + "~"));
}

TEST_F(StoreWin, WhateverFailsTheOldFileStaysWholeAndNoTemporaryFileStays) {
  const std::string path = dir_ + "s.ini";
  const std::string before = "[S]\r\nold=1\r\n";
  const std::string data = "[S]\r\n" + std::string(100000, 'x') + "=1\r\n";
  for (int which = 0; which < 3; ++which) {
    WriteFile(path, before);
    Win32FileApi api = Win32FileApi::Default();
    if (which == 0) api.writeFile = &HalfWrite;
    if (which == 1) api.flushFileBuffers = &FailFlush;
    if (which == 2) api.moveFileEx = &FailMove;
    Win32FileSystem fs(api);
    EXPECT_EQ(fs.Replace(path, data), FileStatus::Failed) << which;
    EXPECT_EQ(ReadFile(path), before) << which;
    EXPECT_FALSE(FileExists(path + "~")) << which;
  }
  Win32FileSystem fs;
  EXPECT_EQ(fs.Replace(path, data), FileStatus::Ok);
  EXPECT_EQ(ReadFile(path), data);
  CreateDirectoryA((dir_ + "adir").c_str(), nullptr);
  EXPECT_EQ(fs.Replace(dir_ + "adir", data), FileStatus::Failed);
  EXPECT_EQ(fs.Replace(dir_ + "missing\\s.ini", data), FileStatus::NotFound);
  std::string read;
  EXPECT_EQ(fs.Read(dir_ + "nothing.ini", &read), FileStatus::NotFound);
  // Hidden files stay hidden.
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(fs.Replace(path, before), FileStatus::Ok);
  EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(StoreWin, TheRegistryVariantUnderTheCurrentUser) {
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\win_store");
  TTestMainForm form;
  for (int s = 1; s <= 4; ++s) form.Storage(s)->SetUseRegistry(true);
  form.Launcher(1)->SetCommandLine("\"C:\\a b\\x.exe\"");
  form.ListBox1->Items()->SetLines({"one"});
  form.SaveAll();
  EXPECT_FALSE(FileExists(winFile_));
  char buf[256];
  DWORD size = sizeof(buf);
  ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\win_store\\TMainForm", "Launcher1_CommandLine",
                         RRF_RT_REG_SZ, nullptr, buf, &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(buf, "\"C:\\a b\\x.exe\"");
  size = sizeof(buf);
  ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\win_store\\TMainForm.ListBox1_Items", "Item0",
                         RRF_RT_REG_SZ, nullptr, buf, &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(buf, "one");
  TTestMainForm other;
  for (int s = 1; s <= 4; ++s) other.Storage(s)->SetUseRegistry(true);
  other.RestoreAll();
  EXPECT_EQ(other.Launcher(1)->CommandLine(), "\"C:\\a b\\x.exe\"");
  EXPECT_EQ(other.ListBox1->Items()->Lines(), std::vector<std::string>{"one"});
  form.ListBox1->Items()->Clear();
  form.SaveAll();
  HKEY key;
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\win_store\\TMainForm.ListBox1_Items", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\win_store");
}

LRESULT CALLBACK FormProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

HWND MakeFormWindow() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = FormProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "TMainForm";
  RegisterClassA(&wc);
  HWND h = CreateWindowExA(0, "TMainForm", "Placement", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
  ShowWindow(h, SW_SHOWNORMAL);
  PumpFor(100);
  return h;
}

TEST_F(StoreWin, PlacementOfARealWindow) {
  HWND hwnd = MakeFormWindow();
  TTestMainForm form;
  form.window = hwnd;
  TFormStorage* s = form.Storage(1);
  s->SaveStoredProps();
  const std::string text = ReadFile(winFile_);
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  const std::string suffix = "(" + std::to_string(w) + "x" + std::to_string(h) + ")";
  EXPECT_NE(text.find("NormPos" + suffix + "=100,100,500,400\r\nNormPos=100,100,500,400\r\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("ShowCmd=1\r\n"), std::string::npos);

  MoveWindow(hwnd, 30, 40, 200, 150, TRUE);
  s->SetOptions({fpPosition, fpState});
  WritePrivateProfileStringA("TMainForm", "ShowCmd", "3", winFile_.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, winFile_.c_str());
  s->RestoreStoredProps();
  PumpFor(100);
  EXPECT_TRUE(IsZoomed(hwnd)) << ReadFile(winFile_);
  ShowWindow(hwnd, SW_RESTORE);
  PumpFor(100);
  RECT r;
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 100);
  EXPECT_EQ(r.right, 500);
  EXPECT_EQ(r.bottom, 400);
  if (GetEnvironmentVariableA("MARROWBY_STORE_SHOT", nullptr, 0)) PumpFor(8000);

  // A position on no monitor is not applied.
  WritePrivateProfileStringA("TMainForm", ("NormPos" + suffix).c_str(), "20000,20000,20400,20300", winFile_.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, winFile_.c_str());
  s->SetOptions({fpPosition});
  s->RestoreStoredProps();
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r.left, 100);

  // Hidden windows stay hidden when placed.
  ShowWindow(hwnd, SW_HIDE);
  WritePrivateProfileStringA("TMainForm", ("NormPos" + suffix).c_str(), "50,60,450,360", winFile_.c_str());
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, winFile_.c_str());
  s->RestoreStoredProps();
  EXPECT_FALSE(IsWindowVisible(hwnd));
  form.window = nullptr;
  DestroyWindow(hwnd);
}

TEST_F(StoreWin, AMinimisedApplicationSavesShowCmdTwoAndSizeLimitsHold) {
  HWND hwnd = MakeFormWindow();
  TTestMainForm form;
  form.window = hwnd;
  Application().SetMainWindow(hwnd);
  Application().Minimize();
  PumpFor(100);
  form.Storage(1)->SaveStoredProps();
  EXPECT_NE(ReadFile(winFile_).find("ShowCmd=2\r\n"), std::string::npos);
  Application().Restore();
  Application().SetMainWindow(nullptr);
  PumpFor(100);

  TFormStorage* s = form.Storage(2);
  s->MinMaxInfo()->SetMinTrackWidth(333);
  MINMAXINFO mmi = {};
  SendMessageA(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  EXPECT_EQ(mmi.ptMinTrackSize.x, 333);
  s->SetPreventResize(true);
  RECT r;
  GetWindowRect(hwnd, &r);
  SendMessageA(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  EXPECT_EQ(mmi.ptMaxTrackSize.x, r.right - r.left);
  EXPECT_EQ(mmi.ptMinTrackSize.y, r.bottom - r.top);
  SetWindowPos(hwnd, nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r.right - r.left, 400) << "the window keeps its size";
  form.window = nullptr;
  DestroyWindow(hwnd);  // frees the limits with the window
}

}  // namespace
}  // namespace marrowby
