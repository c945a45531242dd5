// The pictures of the user guide and the README, taken from the real
// programs: run by scripts/pictures with MARROWBY_PICTURES naming the folder
// for the bitmaps (skipped otherwise). Each picture is one window (or one
// control), as the screen shows it once it has painted; a picture that
// shows nothing, or mostly one colour, fails its test.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "tests/e2e/schedmgr_fixture.h"
#include "setup/resource_ids.h"
#include "tests/e2e/product_setup.h"
#include "tests/win/win_test_util.h"

namespace marrowby::e2e {
namespace {

std::string PictureDir() {
  char dir[MAX_PATH];
  const DWORD n = GetEnvironmentVariableA("MARROWBY_PICTURES", dir, MAX_PATH);
  return n && n < MAX_PATH ? dir : "";
}

// True when more than nine pixels in ten have one colour: nothing painted
// yet, a window already gone, an empty screen.
bool Blank(const unsigned char* bits, int width, int height) {
  const int stride = (width * 3 + 3) & ~3;
  std::unordered_map<uint32_t, int> counts;
  int most = 0;
  for (int y = 0; y < height; ++y) {
    const unsigned char* row = bits + static_cast<size_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      const uint32_t colour = row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16;
      most = std::max(most, ++counts[colour]);
    }
  }
  return static_cast<int64_t>(most) * 10 > static_cast<int64_t>(width) * height * 9;
}

// Saves the screen's pixels inside r as <name>.bmp.
void PictureOf(const RECT& r, const std::string& name) {
  EXPECT_TRUE(SaveScreenPicture(r, PictureDir() + "\\" + name + ".bmp", Blank))
      << name << " shows nothing, or mostly one colour";
}

// The window as <name>.bmp, as soon as it shows painted.
void Picture(HWND window, const std::string& name) {
  EXPECT_TRUE(WaitPainted(window, 5000)) << name << " did not paint";
  RECT r;
  ASSERT_TRUE(GetWindowRect(window, &r)) << name;
  PictureOf(r, name);
}

void SetTime(HWND hours, HWND minutes, HWND seconds, int h, int m) {
  SetText(hours, std::to_string(h));
  SetText(minutes, std::to_string(m));
  SetText(seconds, "0");
}

// Moves the mouse as the user's hand does (the window under it hears of it).
void MoveMouseTo(int x, int y) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof(in));
}

// The shell's tooltip window (of another process) that shows a text with
// `part` in it, or null.
HWND ShellTooltipWith(const std::string& part) {
  HWND found = nullptr;
  for (HWND w = FindWindowExA(nullptr, nullptr, TOOLTIPS_CLASSA, nullptr); w && !found;
       w = FindWindowExA(nullptr, w, TOOLTIPS_CLASSA, nullptr)) {
    if (IsWindowVisible(w) && Text(w).find(part) != std::string::npos) found = w;
  }
  return found;
}

class Pictures : public SchedmgrFixture {
 protected:
  void SetUp() override {
    if (PictureDir().empty()) GTEST_SKIP() << "MARROWBY_PICTURES is not set";
    SchedmgrFixture::SetUp();
  }
  HWND Top(const char* cls) { return WaitTopWindow(program_->Pid(), cls, "", 20000); }

  // Two schedules a user would set, armed, stored (hiding the window stores
  // the editor) and shown again: the status bar tells the next launch.
  void TwoSchedules() {
    NewSchedule("Weekly report", "C:\\Reports\\weekly.xls");
    SetTime(C("Hours"), C("Minutes"), C("Seconds"), 9, 0);
    Click(C("EnableCb"));
    NewSchedule("Back up the accounts", "C:\\Tools\\backup.exe");
    SetTime(C("Hours"), C("Minutes"), C("Seconds"), 18, 30);
    Click(C("EnableCb"));
    Click(C("HideBtn"));
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(form_); }, 20000));
    ShowWindowAgain();
    ASSERT_TRUE(WaitFor([&] { return Text(C("StatusBar1")).find("Next launch") == 0; }, 20000))
        << Text(C("StatusBar1"));
  }

  // A copy of the test helper under a name a user's program might have.
  std::string UserProgram(const std::string& name) {
    const std::string path = Dir() + name;
    CopyFileA(MarkerExe().c_str(), path.c_str(), FALSE);
    return path;
  }
};

TEST_F(Pictures, ScheduleManager) {
  StartReady();
  TwoSchedules();
  Picture(form_, "main_window");
  // The foot of the window: the buttons, and the status bar telling the
  // next launch.
  RECT foot, window;
  GetWindowRect(C("Panel1"), &foot);
  GetWindowRect(form_, &window);
  foot.left = window.left;
  foot.right = window.right;
  foot.bottom = window.bottom;
  PictureOf(foot, "status_next_launch");

  Click(C("DaysBtn"));
  ASSERT_TRUE(WaitFor([&] { return ClientRectIn(C("DayPanel"), C("GroupBox2")).top == 7; }, 20000));
  Picture(form_, "day_panel");
  Click(FindControl(form_, "OKBtn"));
  Wait(300);

  MessageBoxInfo box = ClickForBox("GetBtn");
  Ok(box);
  ASSERT_TRUE(WaitFor([&] { return ClientRectIn(C("DescPanel"), form_).top == 3; }, 20000));
  Picture(form_, "description_panel");
  Click(C("CancelBtn"));
  Wait(300);

  Click(C("HideBtn"));
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(form_); }, 20000));
  HWND menu = OpenTrayMenu();
  ASSERT_NE(menu, nullptr);
  PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);  // onto "Show Manager"
  Wait(200);
  Picture(menu, "tray_menu");
  PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  Wait(500);

  // The tooltip of the icon in the notification area, with the next launch
  // on its second line (in Wine's own tray window, where each icon is a
  // window of its own).
  HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
  ASSERT_NE(tray, nullptr) << "no tray window of Wine's";
  HWND tip = nullptr;
  for (HWND icon = FindWindowExA(tray, nullptr, "__winex11_tray_icon", nullptr); icon && !tip;
       icon = FindWindowExA(tray, icon, "__winex11_tray_icon", nullptr)) {
    // The mouse comes to rest on the icon; the tip shows after a while.
    RECT r;
    GetWindowRect(icon, &r);
    MoveMouseTo((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    WaitFor([&] { return (tip = ShellTooltipWith("Marrowby Schedule Manager\n")) != nullptr; }, 4000);
  }
  ASSERT_NE(tip, nullptr) << "no tooltip of the icon with its second line";
  Picture(tip, "tray_tooltip");
  MoveMouseTo(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);

  ChooseTrayItem(2);  // the summary
  box = WaitMessageBox(program_->Pid(), 5000);
  ASSERT_NE(box.hwnd, nullptr);
  Picture(box.hwnd, "summary");
  Ok(box);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(form_); }, 20000));

  ChooseTrayItem(4);  // About
  HWND about = Top("TAboutForm");
  ASSERT_NE(about, nullptr);
  Picture(about, "about_box");
  HWND icon = FindControl(about, "Image1");
  PostMessageA(GetParent(icon), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(icon), STN_DBLCLK),
               reinterpret_cast<LPARAM>(icon));
  HWND picture = Top("TCopyRightForm");
  ASSERT_NE(picture, nullptr);
  Picture(picture, "picture_window");
  HWND image = FindControl(picture, "Image1");
  PostMessageA(GetParent(image), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(image), STN_CLICKED),
               reinterpret_cast<LPARAM>(image));
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(picture); }, 20000));
  Click(FindControl(about, "OKBtn"));
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(about); }, 20000));
}

TEST_F(Pictures, Announcements) {
  StartReady();
  AddDueSchedule("Back up the accounts", UserProgram("backup.exe"), 4,
                 {.announce = true, .allowCancel = true});
  Click(C("HideBtn"));
  HWND announce = Top("TAnnounceForm");
  ASSERT_NE(announce, nullptr);
  Picture(announce, "announce_with_buttons");
  Click(FindControl(announce, "CancelBtn"));
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(announce); }, 20000));

  ShowWindowAgain();
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(form_); }, 20000));
  AddDueSchedule("Check the mail", UserProgram("mail.exe"), 4, {.announce = true});
  Click(C("HideBtn"));
  announce = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    for (HWND w : AllTopWindows(program_->Pid(), "TAnnounceForm")) {
      if (Text(FindControl(w, "DescLbl")) == "Check the mail") announce = w;
    }
    return announce != nullptr;
  }, 20000));
  // It shows for one second: taken the moment it has painted.
  Picture(announce, "announce_without_buttons");
}

// The main window on a screen of 144 dots per inch (150 %).
TEST_F(Pictures, ScheduleManagerAt144Dpi) {
  ScreenDensity density;
  density.Set(144);
  StartReady();
  TwoSchedules();
  Picture(form_, "main_window_144dpi");
}

// The History window over a history of fixed launches (one of each outcome).
TEST_F(Pictures, History) {
  const std::string ini = SettingsFile();
  wintest::WriteFile(ini.substr(0, ini.size() - 3) + "log",
                     "2026-03-02 09:00:00\t1\tWeekly report\tC:\\Reports\\weekly.xls\tstarted\tshell\r\n"
                     "2026-03-02 09:30:00\t2\tBack up the accounts\tC:\\Tools\\backup.exe /all\t"
                     "failed: The system cannot find the file specified.\tshell\r\n"
                     "2026-03-02 10:00:00\t3\tCheck the mail\tC:\\Tools\\mail.exe\tcancelled\t-\r\n"
                     "2026-03-02 10:15:00\t2\tBack up the accounts\tC:\\Tools\\backup.exe /all\t"
                     "started\tprogram\r\n");
  StartReady();
  Click(C("HistoryBtn"));
  HWND history = WaitTopWindow(program_->Pid(), "THistoryForm", "Launch History", 10000);
  ASSERT_NE(history, nullptr);
  Picture(history, "history_window");
  SendMessageA(history, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(history); }, 20000));
}

// The date edit's drop-down calendar, with the weekends in bold.
TEST_F(Pictures, Calendar) {
  StartReady();
  Click(C("DateCb"));  // the date edit takes input
  HWND date = C("DateEdit1");
  RECT r;
  GetClientRect(date, &r);
  const LPARAM arrow = MAKELPARAM(r.right - 6, r.bottom / 2);
  PostMessageA(date, WM_LBUTTONDOWN, MK_LBUTTON, arrow);
  PostMessageA(date, WM_LBUTTONUP, 0, arrow);
  HWND calendar = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    calendar = FindTopWindow(program_->Pid(), "SysMonthCal32");
    return calendar && IsWindowVisible(calendar);
  }, 20000));
  Picture(calendar, "date_calendar");
  PostMessageA(calendar, WM_KEYDOWN, VK_ESCAPE, 0);
}

TEST_F(Pictures, Setup) {
  Program setup;
  ASSERT_TRUE(setup.Start(wintest::ExeDir() + "schedmgr-setup.exe"));
  HWND dlg = DialogWith(setup.Pid(), SETUP_ID_STATUS);
  ASSERT_NE(dlg, nullptr);
  Picture(dlg, "setup_ready");
  Press(dlg, IDOK);
  HWND licence = DialogWith(setup.Pid(), SETUP_ID_LICENCE_TEXT);
  ASSERT_NE(licence, nullptr);
  Picture(licence, "setup_licence");
  Press(licence, IDOK);
  // Installing: the status names the extracted files, then the system update.
  if (WaitItemText(dlg, SETUP_ID_STATUS, "Updating system settings", 20000)) Picture(dlg, "setup_working");
  ASSERT_TRUE(WaitItemText(dlg, SETUP_ID_STATUS, "Installation completed successfully!"));
  Picture(dlg, "setup_finished");
  Press(dlg, IDOK);  // Info
  HWND info = DialogWith(setup.Pid(), 0xFFFF);
  ASSERT_NE(info, nullptr);
  Picture(info, "setup_info");
  Press(info, IDOK);
  Wait(500);
  Press(dlg, IDCANCEL);
  setup.WaitExit(20000);
  // Leave the machine as it was.
  const std::string uninstall = UninstallCommand();
  if (!uninstall.empty()) RunCommand(uninstall);
}

}  // namespace
}  // namespace marrowby::e2e
