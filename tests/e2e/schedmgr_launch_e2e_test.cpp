// schedmgr's launches under Wine: schedules made due a few seconds ahead,
// with and without announcement, cancelled, failing, Launch Once, two at once.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/e2e/schedmgr_fixture.h"

namespace marrowby {
namespace {

using namespace e2e;

class Launches : public SchedmgrFixture {};

TEST_F(Launches, AnnouncementWithAllowCancelCountsDownAndLaunches) {
  StartReady();
  AddDueSchedule("Nightly report", MarkerExe(), 4, {.announce = true, .allowCancel = true});
  Click(C("HideBtn"));
  HWND announce = WaitTopWindow(program_->Pid(), "TAnnounceForm", "", 20000);
  ASSERT_NE(announce, nullptr);
  EXPECT_EQ(Text(announce), "Scheduled Launch For marker.exe");
  HWND desc = FindControl(announce, "DescLbl");
  EXPECT_EQ(Text(desc), "Nightly report");
  HWND time = FindControl(announce, "TimeLbl");
  ASSERT_NE(time, nullptr);
  Shoot("announce_with_buttons");
  const int first = std::stoi(Text(time));
  Wait(2200);
  EXPECT_LT(std::stoi(Text(time)), first);
  EXPECT_EQ(wintest::CountLines(Marker()), 0);
  Click(FindControl(announce, "LaunchBtn"));
  ASSERT_TRUE(WaitFor([&] { return wintest::CountLines(Marker()) == 1; }, 10000));
  Wait(3000);
  EXPECT_EQ(wintest::CountLines(Marker()), 1);
}

TEST_F(Launches, CancelStartsNothing) {
  StartReady();
  AddDueSchedule("Cancel me", MarkerExe(), 4, {.announce = true, .allowCancel = true});
  Click(C("HideBtn"));
  HWND announce = WaitTopWindow(program_->Pid(), "TAnnounceForm", "", 20000);
  ASSERT_NE(announce, nullptr);
  Click(FindControl(announce, "CancelBtn"));
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(announce); }, 5000));
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(announce); }, 5000));  // freed as it closed
  Wait(3000);
  EXPECT_EQ(wintest::CountLines(Marker()), 0);
  // Cancelled still counts as launched today.
  ChooseTrayItem(2);
  MessageBoxInfo box = WaitMessageBox(program_->Pid(), 5000);
  EXPECT_EQ(box.text,
            "There is 1 set schedule of which 1 has launched today\n0 Schedules still to launch "
            "(though not necassarily today)");
  Ok(box);
}

TEST_F(Launches, AnnounceAloneShowsOneSecondWithoutButtons) {
  StartReady();
  AddDueSchedule("Quick one", MarkerExe(), 4, {.announce = true});
  Click(C("HideBtn"));
  HWND announce = WaitTopWindow(program_->Pid(), "TAnnounceForm", "", 20000);
  ASSERT_NE(announce, nullptr);
  EXPECT_FALSE(IsWindowVisible(FindControl(announce, "Panel1")));
  RECT client;
  GetClientRect(announce, &client);
  EXPECT_EQ(client.bottom, 93 - 29);
  Shoot("announce_without_buttons");
  ASSERT_TRUE(WaitFor([&] { return wintest::CountLines(Marker()) == 1; }, 10000));
}

TEST_F(Launches, AnItemTheShellCannotOpenGivesTheFailureBox) {
  StartReady();
  const std::string missing = Dir() + "missing\\letter.doc";
  AddDueSchedule("Broken", missing, 4, {});
  Click(C("HideBtn"));
  MessageBoxInfo box = WaitMessageBox(program_->Pid(), 20000);
  ASSERT_NE(box.hwnd, nullptr);
  EXPECT_EQ(box.text, "Failure to launch schedule 1:\n" + missing);
  EXPECT_EQ(box.buttons, (std::vector<std::string>{"OK"}));
  PressButton(box, "OK");
}

TEST_F(Launches, LaunchOnceDisappearsAndTheEditorShowsTheRightPosition) {
  StartReady();
  // Schedules 1 and 3 are not enabled: an hour ahead wraps past midnight in
  // the last hour of the day, which counts as due, and would start them.
  NewSchedule("First", "C:\\windows\\notepad.exe");
  AddDueSchedule("Once", MarkerExe(), 4, {.once = true});
  NewSchedule("Third", "C:\\windows\\regedit.exe");
  Click(C("HideBtn"));
  ASSERT_TRUE(WaitFor([&] { return wintest::CountLines(Marker()) == 1; }, 20000));
  ASSERT_TRUE(WaitFor([&] { return Text(C("TotalNum")) == "2"; }, 5000));
  EXPECT_EQ(Text(C("SchedNum")), "2");
  EXPECT_EQ(Text(C("DescEdit")), "Third");
}

TEST_F(Launches, TwoAnnouncedSchedulesDueTogetherBothResolve) {
  StartReady();
  AddDueSchedule("Launch me", MarkerExe(), 5, {.announce = true, .allowCancel = true});
  AddDueSchedule("Cancel me", MarkerExe(), 5, {.announce = true, .allowCancel = true});
  Click(C("HideBtn"));
  // The second announcement opens inside the first one's wait.
  std::vector<HWND> windows;
  ASSERT_TRUE(WaitFor(
      [&] {
        windows = AllTopWindows(program_->Pid(), "TAnnounceForm");
        return windows.size() == 2;
      },
      20000));
  for (HWND w : windows) {
    const bool cancel = Text(FindControl(w, "DescLbl")) == "Cancel me";
    Click(FindControl(w, cancel ? "CancelBtn" : "LaunchBtn"));
    Wait(300);
  }
  ASSERT_TRUE(WaitFor([&] { return wintest::CountLines(Marker()) == 1; }, 10000));
  Wait(2000);
  EXPECT_EQ(wintest::CountLines(Marker()), 1);
}

}  // namespace
}  // namespace marrowby
