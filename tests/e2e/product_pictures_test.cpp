// The pictures of the user guide and the README, taken from the real
// programs: run by scripts/pictures with MARROWBY_PICTURES naming the folder
// for the bitmaps (skipped otherwise). Each picture is one window, as the
// screen shows it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

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

// True when most of the pixels are black: a window not painted yet.
bool Unpainted(const void* bits, DWORD size) {
  const auto* p = static_cast<const unsigned char*>(bits);
  DWORD black = 0;
  for (DWORD i = 0; i + 2 < size; i += 3) black += p[i] == 0 && p[i + 1] == 0 && p[i + 2] == 0;
  return black * 3 > size / 2;
}

// Saves the screen's pixels under the window as <name>.bmp, once the window
// has painted.
void Picture(HWND window, const std::string& name) {
  Wait(400);  // let it paint
  RECT r;
  ASSERT_TRUE(GetWindowRect(window, &r)) << name;
  SaveScreenPicture(r, PictureDir() + "\\" + name + ".bmp", Unpainted);
}

class Pictures : public SchedmgrFixture {
 protected:
  void SetUp() override {
    if (PictureDir().empty()) GTEST_SKIP() << "MARROWBY_PICTURES is not set";
    SchedmgrFixture::SetUp();
  }
  HWND Top(const char* cls) { return WaitTopWindow(program_->Pid(), cls, "", 20000); }
};

TEST_F(Pictures, ScheduleManager) {
  StartReady();
  NewSchedule("Weekly report", "C:\\Reports\\weekly.xls");
  NewSchedule("Back up the accounts", "C:\\Tools\\backup.exe");
  Picture(form_, "main_window");

  Click(C("DaysBtn"));
  ASSERT_TRUE(WaitFor([&] { return ClientRectIn(C("DayPanel"), C("GroupBox2")).top == 7; }, 5000));
  Picture(form_, "day_panel");
  Click(FindControl(form_, "OKBtn"));
  Wait(300);

  MessageBoxInfo box = ClickForBox("GetBtn");
  Ok(box);
  ASSERT_TRUE(WaitFor([&] { return ClientRectIn(C("DescPanel"), form_).top == 3; }, 5000));
  Picture(form_, "description_panel");
  Click(C("CancelBtn"));
  Wait(300);

  Click(C("HideBtn"));
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(form_); }, 5000));
  HWND menu = OpenTrayMenu();
  ASSERT_NE(menu, nullptr);
  PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
  Picture(menu, "tray_menu");
  PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  Wait(500);

  ChooseTrayItem(2);  // the summary
  box = WaitMessageBox(program_->Pid(), 5000);
  ASSERT_NE(box.hwnd, nullptr);
  Picture(box.hwnd, "summary");
  Ok(box);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(form_); }, 5000));

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
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(picture); }, 5000));
  Click(FindControl(about, "OKBtn"));
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(about); }, 5000));
}

TEST_F(Pictures, Announcements) {
  StartReady();
  AddDueSchedule("Send the weekly report", MarkerExe(), 4,
                 {.announce = true, .allowCancel = true});
  Click(C("HideBtn"));
  HWND announce = Top("TAnnounceForm");
  ASSERT_NE(announce, nullptr);
  Picture(announce, "announce_with_buttons");
  Click(FindControl(announce, "CancelBtn"));
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(announce); }, 5000));

  ShowWindowAgain();
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(form_); }, 5000));
  AddDueSchedule("Check the mail", MarkerExe(), 4, {.announce = true});
  Click(C("HideBtn"));
  announce = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    for (HWND w : AllTopWindows(program_->Pid(), "TAnnounceForm")) {
      if (Text(FindControl(w, "DescLbl")) == "Check the mail") announce = w;
    }
    return announce != nullptr;
  }, 20000));
  Wait(100);  // it shows for one second: no longer wait than needed
  Picture(announce, "announce_without_buttons");
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
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(history); }, 5000));
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
  }, 5000));
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
