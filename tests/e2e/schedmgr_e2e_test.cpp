// schedmgr under Wine, driven from outside by window class, title and control
// name: start-up into the tray, the editor, navigation, messages, closing,
// launches at the due moment, the settings file.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/e2e/schedmgr_fixture.h"

namespace marrowby {
namespace {

using namespace e2e;

class Schedmgr : public SchedmgrFixture {};

TEST_F(Schedmgr, FirstRunShowsTheWindowThenHidesIntoTheTray) {
  Start();
  EXPECT_TRUE(WasShown(form_));
  const ULONGLONG shown = GetTickCount64();
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(form_); }, 10000));
  EXPECT_LT(GetTickCount64() - shown, 5000u);
  EXPECT_TRUE(program_->Running());
}

TEST_F(Schedmgr, LayoutMatchesTheDesign) {
  Start();
  RECT client;
  GetClientRect(form_, &client);
  EXPECT_EQ(client.right, 518);
  EXPECT_EQ(client.bottom, 326);
  struct Expect {
    const char* name;
    int left, top, width, height;
  };
  // Places within the form's client area (group offsets added).
  const Expect places[] = {
      {"CurrentSpin", 245, 15, 28, 28},     {"DescEdit", 12 + 9, 46 + 17, 475, 21},
      {"CommandEdit", 11 + 9, 93 + 13, 456, 21},  // the browse button takes the last 21
      {"DateEdit1", 12 + 145, 135 + 21, 106, 21}, {"DaysBtn", 12 + 145, 135 + 74, 107, 22},
      {"EnableCb", 276 + 15, 135 + 20, 112, 17},  {"NewBtn", 413 + 10, 135 + 16, 73, 22},
      {"GetBtn", 413 + 10, 135 + 104, 73, 22},    {"HideBtn", 10, 273 + 4, 75, 24},
      {"HelpBtn", 221, 273 + 4, 75, 24},          {"CloseBtn", 433, 273 + 4, 75, 24},
      {"StatusBar1", 0, 306, 518, 20},
  };
  for (const Expect& e : places) {
    RECT r = ClientRectIn(C(e.name), form_);
    EXPECT_EQ(r.left, e.left) << e.name;
    EXPECT_EQ(r.top, e.top) << e.name;
    EXPECT_EQ(r.right - r.left, e.width) << e.name;
    EXPECT_EQ(r.bottom - r.top, e.height) << e.name;
  }
  EXPECT_EQ(Text(C("NewBtn")), "&New");
  EXPECT_EQ(Text(C("DelayCb")), "&Allow Cancel");
  // The description panel waits above the client area.
  EXPECT_EQ(ClientRectIn(C("DescPanel"), form_).top, -267);
  Shoot("main_window");
}

TEST_F(Schedmgr, NavigationMessagesAndRefusals) {
  StartReady();
  // Without schedules the editor is disabled, the spin button answers.
  for (const char* name : {"DescEdit", "RemoveBtn", "FirstBtn", "LastBtn", "GetBtn"}) {
    EXPECT_FALSE(IsWindowEnabled(C(name))) << name;
  }
  EXPECT_TRUE(IsWindowEnabled(C("NewBtn")));
  Spin(true);
  MessageBoxInfo box = WaitMessageBox(program_->Pid(), 5000);
  EXPECT_EQ(box.text,
            "You have no schedules currently assigned,\nSelect New from the list of buttons .");
  Ok(box);

  NewSchedule("First", "short");
  box = ClickForBox("NewBtn");
  EXPECT_EQ(box.text, "You haven't completed the current schedules command to launch");
  Ok(box);
  EXPECT_FALSE(IsWindowEnabled(C("NewBtn")));
  SetText(C("CommandEdit"), "C:\\windows\\notepad.exe");
  Wait(100);
  EXPECT_TRUE(IsWindowEnabled(C("NewBtn")));
  NewSchedule("Second", "C:\\windows\\regedit.exe");
  Spin(false);
  box = WaitMessageBox(program_->Pid(), 5000);
  EXPECT_EQ(box.text,
            "This is the last assigned schedule, Select New\nfrom the list of buttons to create a "
            "new schedule.");
  Ok(box);
  box = ClickForBox("LastBtn");
  EXPECT_EQ(box.text, "This is the last set schedule");
  Ok(box);
  Spin(true);  // stores "Second", shows "First"
  ASSERT_TRUE(WaitFor([&] { return Text(C("DescEdit")) == "First"; }, 5000));
  box = ClickForBox("FirstBtn");
  EXPECT_EQ(box.text, "This is the first set schedule");
  Ok(box);
  Spin(true);
  box = WaitMessageBox(program_->Pid(), 5000);
  EXPECT_EQ(box.text, "This is the first assigned schedule");
  Ok(box);
  box = ClickForBox("GetBtn");
  EXPECT_EQ(box.text, "CurrentSpin.Tag = 1");
  Ok(box);
  ASSERT_TRUE(WaitFor([&] { return ClientRectIn(C("DescPanel"), form_).top == 3; }, 5000));
  EXPECT_FALSE(IsWindowEnabled(C("HideBtn")));
  EXPECT_FALSE(IsWindowEnabled(C("CloseBtn")));
  Shoot("description_panel");
  Click(C("CancelBtn"));
  ASSERT_TRUE(WaitFor([&] { return ClientRectIn(C("DescPanel"), form_).top == -267; }, 5000));
  EXPECT_TRUE(IsWindowEnabled(C("HideBtn")));
}

TEST_F(Schedmgr, RemoveAtPositionTwoOfFour) {
  StartReady();
  for (int i = 1; i <= 4; ++i) {
    NewSchedule("Task " + std::to_string(i), "C:\\tools\\job" + std::to_string(i) + ".exe");
  }
  Spin(true);  // stores "Task 4"
  Spin(true);
  ASSERT_TRUE(WaitFor([&] { return Text(C("DescEdit")) == "Task 2"; }, 5000));
  Click(C("RemoveBtn"));
  ASSERT_TRUE(WaitFor([&] { return Text(C("DescEdit")) == "Task 3"; }, 5000));
  EXPECT_EQ(Text(C("TotalNum")), "3");
  EXPECT_EQ(Text(C("SchedNum")), "2");
  EXPECT_EQ(Text(C("CommandEdit")), "C:\\tools\\job3.exe");
  Click(C("LastBtn"));
  ASSERT_TRUE(WaitFor([&] { return Text(C("DescEdit")) == "Task 4"; }, 5000));
  // The day panel over the schedule group.
  Click(C("DaysBtn"));
  Wait(300);
  Shoot("day_panel");
  EXPECT_EQ(ClientRectIn(C("DayPanel"), C("GroupBox2")).top, 7);
}

TEST_F(Schedmgr, CloseAsksAndCancelKeepsRunning) {
  StartReady();
  MessageBoxInfo box = ClickForBox("CloseBtn");
  EXPECT_EQ(box.text, "Do you wish to quit the Schedule Manager ?");
  EXPECT_EQ(box.buttons, (std::vector<std::string>{"&Yes", "Cancel"}));
  PressButton(box, "Cancel");
  Wait(1000);
  EXPECT_TRUE(program_->Running());
  box = ClickForBox("CloseBtn");
  PressButton(box, "&Yes");
  EXPECT_TRUE(program_->WaitExit(10000));
}

TEST_F(Schedmgr, ScheduleDueSecondsAheadLaunchesItsProgramOnce) {
  StartReady();
  AddDueSchedule("Marker", MarkerExe(), 5, {});
  Click(C("HideBtn"));  // stores the schedule and arms it
  ASSERT_TRUE(WaitFor([&] { return wintest::CountLines(Marker()) >= 1; }, 20000));
  Wait(4000);
  EXPECT_EQ(wintest::CountLines(Marker()), 1);
}

}  // namespace
}  // namespace marrowby
