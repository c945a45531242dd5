// schedmgr under Wine, driven from outside by window class, title and control
// name: start-up into the tray, the editor, navigation, messages, closing,
// launches at the due moment, the settings file.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/e2e/e2e_util.h"
#include "tests/win/win_test_util.h"

namespace marrowby {
namespace {

using namespace e2e;

const char kMainClass[] = "TMainForm";
const char kTitle[] = "Marrowby Schedule Manager";

std::string WindowsDir() {
  char buf[MAX_PATH];
  GetWindowsDirectoryA(buf, MAX_PATH);
  return std::string(buf) + "\\";
}

std::string SettingsFile() { return WindowsDir() + "schedmgr.INI"; }

class Schedmgr : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteFileA(SettingsFile().c_str());
    dir_ = wintest::MakeTempDir("sched");
  }
  void TearDown() override {
    program_.reset();
    wintest::RemoveTree(dir_);
  }

  // Starts the program and waits for its main window.
  HWND Start() {
    program_ = std::make_unique<Program>();
    EXPECT_TRUE(program_->Start(wintest::ExeDir() + "schedmgr.exe"));
    form_ = WaitTopWindow(program_->Pid(), kMainClass, kTitle, 20000);
    EXPECT_NE(form_, nullptr);
    return form_;
  }
  // Starts the program and waits until it has hidden itself in the tray.
  HWND StartHidden() {
    Start();
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(form_); }, 10000));
    return form_;
  }
  // Shows the hidden window as a double-click on the tray icon would.
  void ShowWindowAgain() {
    HWND app = FindTopWindow(program_->Pid(), "TApplication", kTitle);
    ASSERT_NE(app, nullptr);
    ShowWindow(app, SW_RESTORE);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(form_) != FALSE; }, 5000));
  }
  HWND C(const char* name) {
    HWND h = FindControl(form_, name);
    EXPECT_NE(h, nullptr) << name;
    return h;
  }
  // Clicks a control and returns the message box it opens (text, buttons).
  MessageBoxInfo ClickForBox(const char* name) {
    Click(C(name));
    return WaitMessageBox(program_->Pid(), 5000);
  }
  void Ok(const MessageBoxInfo& box) {
    ASSERT_NE(box.hwnd, nullptr);
    PressButton(box, "OK");
    WaitFor([&] { return !IsWindow(box.hwnd); }, 5000);
  }
  // Creates a schedule through the editor.
  void NewSchedule(const std::string& desc, const std::string& item) {
    Click(C("NewBtn"));
    ASSERT_TRUE(WaitFor([&] { return Text(C("DescEdit")) == "New Schedule"; }, 5000));
    SetText(C("DescEdit"), desc);
    SetText(C("CommandEdit"), item);
    Wait(100);
  }

  std::unique_ptr<Program> program_;
  HWND form_ = nullptr;
  std::string dir_;
};

TEST_F(Schedmgr, FirstRunShowsTheWindowThenHidesIntoTheTray) {
  Start();
  EXPECT_TRUE(IsWindowVisible(form_));
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
}

TEST_F(Schedmgr, NavigationMessagesAndRefusals) {
  Start();
  MessageBoxInfo box = ClickForBox("FirstBtn");
  EXPECT_EQ(box.hwnd, nullptr);  // disabled without schedules
  box = ClickForBox("GetBtn");
  EXPECT_EQ(box.hwnd, nullptr);
  NewSchedule("First", "short");
  box = ClickForBox("NewBtn");
  EXPECT_EQ(box.text, "You haven't completed the current schedules command to launch");
  Ok(box);
  EXPECT_FALSE(IsWindowEnabled(C("NewBtn")));
  SetText(C("CommandEdit"), "C:\\windows\\notepad.exe");
  Wait(100);
  EXPECT_TRUE(IsWindowEnabled(C("NewBtn")));
  NewSchedule("Second", "C:\\windows\\regedit.exe");
  box = ClickForBox("LastBtn");
  EXPECT_EQ(box.text, "This is the last set schedule");
  Ok(box);
  box = ClickForBox("FirstBtn");
  EXPECT_EQ(Text(C("DescEdit")), "First");
  EXPECT_EQ(box.hwnd, nullptr);
  box = ClickForBox("FirstBtn");
  EXPECT_EQ(box.text, "This is the first set schedule");
  Ok(box);
  box = ClickForBox("GetBtn");
  EXPECT_EQ(box.text, "CurrentSpin.Tag = 1");
  Ok(box);
  EXPECT_EQ(ClientRectIn(C("DescPanel"), form_).top, 3);
  EXPECT_FALSE(IsWindowEnabled(C("HideBtn")));
  Click(C("CancelBtn"));
  ASSERT_TRUE(WaitFor([&] { return ClientRectIn(C("DescPanel"), form_).top == -267; }, 5000));
  EXPECT_TRUE(IsWindowEnabled(C("HideBtn")));
}

TEST_F(Schedmgr, RemoveAtPositionTwoOfFour) {
  Start();
  for (int i = 1; i <= 4; ++i) {
    NewSchedule("Task " + std::to_string(i), "C:\\tools\\job" + std::to_string(i) + ".exe");
  }
  Click(C("FirstBtn"));
  ASSERT_TRUE(WaitFor([&] { return Text(C("DescEdit")) == "Task 1"; }, 5000));
  Click(C("LastBtn"));
  ASSERT_TRUE(WaitFor([&] { return Text(C("DescEdit")) == "Task 4"; }, 5000));
  Click(C("FirstBtn"));
  ASSERT_TRUE(WaitFor([&] { return Text(C("DescEdit")) == "Task 1"; }, 5000));
  // Show position 2 through the description list.
  Click(C("GetBtn"));
  Ok(WaitMessageBox(program_->Pid(), 5000));
  SendMessageA(C("ListBox1"), LB_SETCURSEL, 1, 0);
  SendMessageA(form_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(C("ListBox1")), LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(C("ListBox1")));
  Click(C("DescOKBtn"));
  ASSERT_TRUE(WaitFor([&] { return Text(C("DescEdit")) == "Task 2"; }, 5000));
  Click(C("RemoveBtn"));
  ASSERT_TRUE(WaitFor([&] { return Text(C("DescEdit")) == "Task 3"; }, 5000));
  EXPECT_EQ(Text(C("TotalNum")), "3");
  EXPECT_EQ(Text(C("SchedNum")), "2");
  EXPECT_EQ(Text(C("CommandEdit")), "C:\\tools\\job3.exe");
}

TEST_F(Schedmgr, CloseAsksAndCancelKeepsRunning) {
  Start();
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
  Start();
  const std::string marker = dir_ + "started.txt";
  NewSchedule("Marker", "\"" + wintest::ExeDir() + "marker.exe\" \"" + marker + "\"");
  SYSTEMTIME now;
  GetLocalTime(&now);
  FILETIME ft;
  SystemTimeToFileTime(&now, &ft);
  ULARGE_INTEGER t;
  t.LowPart = ft.dwLowDateTime;
  t.HighPart = ft.dwHighDateTime;
  t.QuadPart += 6ULL * 10000000;  // six seconds ahead
  ft.dwLowDateTime = t.LowPart;
  ft.dwHighDateTime = t.HighPart;
  SYSTEMTIME due;
  FileTimeToSystemTime(&ft, &due);
  SetText(C("Hours"), std::to_string(due.wHour));
  SetText(C("Minutes"), std::to_string(due.wMinute));
  SetText(C("Seconds"), std::to_string(due.wSecond));
  Click(C("EnableCb"));
  Wait(200);
  Click(C("HideBtn"));  // stores the schedule and arms it
  ASSERT_TRUE(WaitFor([&] { return wintest::CountLines(marker) >= 1; }, 20000));
  Wait(4000);
  EXPECT_EQ(wintest::CountLines(marker), 1);
}

}  // namespace
}  // namespace marrowby
