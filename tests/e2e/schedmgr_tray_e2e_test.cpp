// schedmgr in the notification area under Wine: the icon's menu and its
// items, the double-click, a second copy of the program.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/e2e/schedmgr_fixture.h"

namespace marrowby {
namespace {

using namespace e2e;

class Tray : public SchedmgrFixture {};

TEST_F(Tray, DoubleClickShowsTheHiddenWindow) {
  StartHidden();
  TrayDoubleClick();
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(form_) != FALSE; }, 5000));
}

TEST_F(Tray, ShowAndHideManagerItems) {
  StartHidden();
  ChooseTrayItem(0);  // Show Manager
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(form_) != FALSE; }, 5000));
  ChooseTrayItem(1);  // Hide Manager
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(form_); }, 5000));
  // The web site item asks the shell and goes on, whatever the shell does.
  ChooseTrayItem(7);
  Wait(1000);
  EXPECT_TRUE(program_->Running());
}

TEST_F(Tray, MenuIsDrawnAndExitWhileHiddenAsksWithTheWindowShown) {
  StartHidden();
  HWND menu = OpenTrayMenu();
  ASSERT_NE(menu, nullptr);
  RECT r;
  GetWindowRect(menu, &r);
  EXPECT_GT(r.right - r.left, 100);
  PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
  Wait(300);
  Shoot("tray_menu");
  PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  Wait(500);

  ChooseTrayItem(9);  // Exit
  MessageBoxInfo box = WaitMessageBox(program_->Pid(), 5000);
  EXPECT_EQ(box.text, "Do you wish to quit the Schedule Manager ?");
  EXPECT_TRUE(IsWindowVisible(form_));  // shown for the question
  PressButton(box, "Cancel");
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(form_); }, 5000));
  EXPECT_TRUE(program_->Running());
  ChooseTrayItem(9);
  box = WaitMessageBox(program_->Pid(), 5000);
  PressButton(box, "&Yes");
  EXPECT_TRUE(program_->WaitExit(10000));
}

TEST_F(Tray, SummaryFromTheMenu) {
  StartReady();
  NewSchedule("One", "C:\\windows\\notepad.exe");
  NewSchedule("Two", "C:\\windows\\regedit.exe");
  Click(C("HideBtn"));
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(form_); }, 5000));
  ChooseTrayItem(2);  // "Nº of Schedules"
  MessageBoxInfo box = WaitMessageBox(program_->Pid(), 5000);
  EXPECT_EQ(box.text,
            "There are 2 set schedules of which 0 have launched today\n0 Schedules still to launch "
            "(though not necassarily today)");
  EXPECT_TRUE(IsWindowVisible(form_));  // shown under the box
  Shoot("summary");
  Ok(box);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(form_); }, 5000));
}

TEST_F(Tray, AboutBoxAndPictureWindow) {
  StartHidden();
  ChooseTrayItem(4);  // About
  HWND about = WaitTopWindow(program_->Pid(), "TAboutForm", "", 5000);
  ASSERT_NE(about, nullptr);
  RECT client;
  GetClientRect(about, &client);
  EXPECT_EQ(client.right, 331);
  EXPECT_EQ(client.bottom, 168);
  EXPECT_EQ(Text(FindControl(about, "CommentsLbl")),
            "Comments, Orders or Suggestions should be addressed to");
  Shoot("about_box");
  // A double-click on the icon shows the picture window.
  HWND icon = FindControl(about, "Image1");
  PostMessageA(GetParent(icon), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(icon), STN_DBLCLK),
               reinterpret_cast<LPARAM>(icon));
  HWND picture = WaitTopWindow(program_->Pid(), "TCopyRightForm", "", 5000);
  ASSERT_NE(picture, nullptr);
  GetClientRect(picture, &client);
  EXPECT_EQ(client.right, 302);
  EXPECT_EQ(client.bottom, 112);
  Shoot("picture_window");
  HWND image = FindControl(picture, "Image1");
  PostMessageA(GetParent(image), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(image), STN_CLICKED),
               reinterpret_cast<LPARAM>(image));
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(picture); }, 5000));
  Click(FindControl(about, "OKBtn"));
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(about); }, 5000));
}

TEST_F(Tray, ASecondCopyWarnsRestoresTheFirstAndEnds) {
  StartHidden();
  Program second;
  ASSERT_TRUE(second.Start(wintest::ExeDir() + "schedmgr.exe"));
  MessageBoxInfo box = WaitMessageBox(second.Pid(), 20000);
  EXPECT_EQ(box.text, "Schedule Manager is already running");
  EXPECT_EQ(box.caption, kTitle);
  EXPECT_EQ(box.buttons, (std::vector<std::string>{"OK"}));
  PressButton(box, "OK");
  EXPECT_TRUE(second.WaitExit(15000));
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(form_) != FALSE; }, 5000));
  EXPECT_TRUE(program_->Running());
}

}  // namespace
}  // namespace marrowby
