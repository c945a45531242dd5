#include "tests/e2e/schedmgr_fixture.h"

#include <cstdio>
#include <fstream>

namespace marrowby::e2e {

std::string SchedmgrFixture::SettingsFile() {
  char buf[MAX_PATH];
  GetWindowsDirectoryA(buf, MAX_PATH);
  return std::string(buf) + "\\schedmgr.INI";
}

namespace {
// The settings file and the launch history beside it (both generations).
void DeleteSettingsIn(const std::string& settings) {
  const std::string log = settings.substr(0, settings.size() - 3) + "log";
  DeleteFileA(settings.c_str());
  DeleteFileA(log.c_str());
  DeleteFileA((log + ".1").c_str());
}

// The settings where the program keeps them, and in the per-user folder,
// where a save goes when the Windows directory refuses it (a test that
// reads the file while it is being replaced can cause that), so that no
// test starts with another one's schedules.
void DeleteAllSettings(const std::string& settings) {
  DeleteSettingsIn(settings);
  char local[MAX_PATH];
  const DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", local, MAX_PATH);
  if (n > 0 && n < MAX_PATH) DeleteSettingsIn(std::string(local) + "\\Marrowby\\schedmgr.INI");
}
}  // namespace

void SchedmgrFixture::SetUp() {
  DeleteFileA(SettingsFile().c_str());
  DeleteAllSettings(SettingsFile());
  dir_ = wintest::MakeTempDir("sched");
  marker_ = dir_ + "started.txt";
  // The started items inherit it from the program, which inherits it from here.
  SetEnvironmentVariableA("MARROWBY_MARKER", marker_.c_str());
}

void SchedmgrFixture::TearDown() {
  program_.reset();
  wintest::RemoveTree(dir_);
  DeleteFileA(SettingsFile().c_str());
  DeleteAllSettings(SettingsFile());
}

HWND SchedmgrFixture::Start() {
  program_ = std::make_unique<Program>();
  EXPECT_TRUE(program_->Start(exe_.empty() ? wintest::ExeDir() + "schedmgr.exe" : exe_));
  form_ = WaitTopWindow(program_->Pid(), kMainClass, kTitle, 60000);
  EXPECT_NE(form_, nullptr);
  return form_;
}

HWND SchedmgrFixture::StartHidden() {
  Start();
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(form_); }, 30000));
  return form_;
}

HWND SchedmgrFixture::StartReady() {
  StartHidden();
  ShowWindowAgain();
  Wait(300);
  return form_;
}

void SchedmgrFixture::ShowWindowAgain() {
  HWND app = FindTopWindow(program_->Pid(), "TApplication", kTitle);
  ASSERT_NE(app, nullptr);
  ShowWindow(app, SW_RESTORE);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(form_) != FALSE; }, 30000));
}

HWND SchedmgrFixture::C(const char* name) {
  HWND h = FindControl(form_, name);
  EXPECT_NE(h, nullptr) << name;
  return h;
}

MessageBoxInfo SchedmgrFixture::ClickForBox(const char* name) {
  Click(C(name));
  return WaitMessageBox(program_->Pid(), 30000);
}

void SchedmgrFixture::Ok(const MessageBoxInfo& box) {
  ASSERT_NE(box.hwnd, nullptr);
  PressButton(box, "OK");
  WaitFor([&] { return !IsWindow(box.hwnd); }, 30000);
}

HWND SchedmgrFixture::TrayWindow() {
  HWND tray = WaitTopWindow(program_->Pid(), "TTrayIconWindow", "", 30000, false);
  EXPECT_NE(tray, nullptr);
  return tray;
}

void SchedmgrFixture::TrayDoubleClick() {
  const UINT callback = 0xB054;
  HWND tray = TrayWindow();
  PostMessageA(tray, callback, 0, WM_LBUTTONDOWN);
  PostMessageA(tray, callback, 0, WM_LBUTTONUP);
  PostMessageA(tray, callback, 0, WM_LBUTTONDBLCLK);
  PostMessageA(tray, callback, 0, WM_LBUTTONUP);
}

HWND SchedmgrFixture::OpenTrayMenu() {
  const UINT callback = 0xB054;
  HWND tray = TrayWindow();
  PostMessageA(tray, callback, 0, WM_RBUTTONDOWN);
  PostMessageA(tray, callback, 0, WM_RBUTTONUP);
  HWND menu = nullptr;
  WaitFor(
      [&] {
        menu = FindWindowA("#32768", nullptr);
        return menu && IsWindowVisible(menu);
      },
      30000);
  return menu;
}

void SchedmgrFixture::ChooseTrayItem(int position) {
  HWND menu = OpenTrayMenu();
  ASSERT_NE(menu, nullptr);
  // Down from no selection lands on the first item; separators are skipped.
  const int separatorsBefore = position > 8 ? 2 : position > 6 ? 1 : 0;
  for (int i = 0; i <= position - separatorsBefore; ++i) {
    PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    Wait(80);
  }
  PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
  Wait(300);
}

void SchedmgrFixture::Spin(bool up) {
  HWND spin = C("CurrentSpin");
  RECT r;
  GetClientRect(spin, &r);
  const LPARAM at = MAKELPARAM(r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
  PostMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(spin, WM_LBUTTONUP, 0, at);
  Wait(300);
}

void SchedmgrFixture::NewSchedule(const std::string& desc, const std::string& item) {
  Click(C("NewBtn"));
  ASSERT_TRUE(WaitFor([&] { return Text(C("DescEdit")) == "New Schedule"; }, 30000));
  SetText(C("DescEdit"), desc);
  SetText(C("CommandEdit"), item);
  Wait(100);
}

void SchedmgrFixture::AddDueSchedule(const std::string& desc, const std::string& item,
                                     int secondsAhead, const Choices& choices) {
  NewSchedule(desc, item);
  Click(C("EnableCb"));
  if (choices.announce) Click(C("AnnounceCb"));
  if (choices.once) Click(C("OnceCb"));
  if (choices.allowCancel) Click(C("DelayCb"));
  // The time last, counted from now, so that the schedule falls due about
  // secondsAhead after it is stored however slowly the clicks above go.
  Wait(300);
  SYSTEMTIME now;
  GetLocalTime(&now);
  FILETIME ft;
  SystemTimeToFileTime(&now, &ft);
  ULARGE_INTEGER t;
  t.LowPart = ft.dwLowDateTime;
  t.HighPart = ft.dwHighDateTime;
  t.QuadPart += static_cast<ULONGLONG>(secondsAhead) * 10000000ULL;
  ft.dwLowDateTime = t.LowPart;
  ft.dwHighDateTime = t.HighPart;
  SYSTEMTIME due;
  FileTimeToSystemTime(&ft, &due);
  SetText(C("Hours"), std::to_string(due.wHour));
  SetText(C("Minutes"), std::to_string(due.wMinute));
  SetText(C("Seconds"), std::to_string(due.wSecond));
  Wait(100);
}

void SaveScreenPicture(const RECT& r, const std::string& path,
                       bool (*unpainted)(const void* bits, DWORD size)) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  const DWORD size = ((static_cast<DWORD>(w) * 3 + 3) & ~3u) * static_cast<DWORD>(h);
  for (int tries = 0; tries < 8; ++tries) {
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    if (!unpainted || !unpainted(bits, size)) break;
    Wait(100);
  }
  SelectObject(mem, old);
  BITMAPFILEHEADER fh = {};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof(fh) + sizeof(bi.bmiHeader);
  fh.bfSize = fh.bfOffBits + size;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&fh), sizeof(fh));
  out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof(bi.bmiHeader));
  out.write(static_cast<const char*>(bits), size);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
}

void SchedmgrFixture::Shoot(const std::string& name) {
  char dir[MAX_PATH];
  if (!GetEnvironmentVariableA("MARROWBY_SHOTS", dir, MAX_PATH)) return;
  Wait(300);  // let the windows paint
  const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SaveScreenPicture(screen, std::string(dir) + "\\" + name + ".bmp");
}

}  // namespace marrowby::e2e
