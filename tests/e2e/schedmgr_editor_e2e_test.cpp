// schedmgr's editor under Wine, typed into as a user does: times typed
// beyond their range or cleared and typed anew, and what the window shows
// and stores at start-up.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/e2e/schedmgr_fixture.h"

namespace marrowby {
namespace {

using namespace e2e;

class Editor : public SchedmgrFixture {
 protected:
  std::string File() { return wintest::ReadFile(SettingsFile()); }
  bool Holds(const std::string& text) { return File().find(text) != std::string::npos; }
  // Keys as the edit gets them from the keyboard, after selecting its text.
  static void TypeOver(HWND edit, const std::string& keys) {
    PostMessageA(edit, EM_SETSEL, 0, -1);
    for (char c : keys) PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
  }
  bool Answers() {
    DWORD_PTR r = 0;
    return SendMessageTimeoutA(form_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &r) != 0;
  }
};

TEST_F(Editor, TypedTimesHoldWhatTheyShowAndStoreWithoutError) {
  StartReady();
  NewSchedule("Typed", "C:\\tools\\typed.exe");
  HWND hours = C("Hours");
  TypeOver(hours, "25");
  EXPECT_TRUE(WaitFor([&] { return Text(hours) == "23"; }, 5000)) << Text(hours);
  // Cleared with Backspace and typed anew: no 0 comes back before the caret.
  TypeOver(hours, "\b");
  EXPECT_TRUE(WaitFor([&] { return Text(hours).empty(); }, 5000)) << Text(hours);
  TypeOver(hours, "\b20");
  EXPECT_TRUE(WaitFor([&] { return Text(hours) == "20"; }, 5000)) << Text(hours);
  SetText(C("Minutes"), "75");  // pasted
  EXPECT_TRUE(WaitFor([&] { return Text(C("Minutes")) == "59"; }, 5000));
  SetText(C("MDEdit"), "0");
  EXPECT_TRUE(WaitFor([&] { return Text(C("MDEdit")) == "1"; }, 5000));
  Shoot("typed_times");
  Click(C("HideBtn"));
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(form_); }, 5000));
  EXPECT_EQ(WaitMessageBox(program_->Pid(), 1500).hwnd, nullptr);  // no error box
  EXPECT_TRUE(WaitFor([&] { return Holds("Launcher1_TimeHour=20\r\n"); }, 5000));
  EXPECT_TRUE(Holds("Launcher1_TimeMin=59\r\n"));

  // Emptied while the window goes to the background: the store keeps the
  // number the edit held, and reports nothing.
  ShowWindowAgain();
  TypeOver(C("Hours"), "\b");
  ASSERT_TRUE(WaitFor([&] { return Text(C("Hours")).empty(); }, 5000));
  ChooseTrayItem(1);  // Hide Manager, through the tray menu
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(form_); }, 5000));
  EXPECT_EQ(WaitMessageBox(program_->Pid(), 1500).hwnd, nullptr);
  EXPECT_TRUE(Answers());
  EXPECT_TRUE(Holds("Launcher1_TimeHour=20\r\n"));
}

// A schedule on Monday to Saturday whose stored next weekday is Sunday.
const char kWeeklySettings[] =
    "[TMainForm]\r\n"
    "Launcher1_Checks=[lcTime,lcWeekDay]\r\n"
    "Launcher1_CommandLine=C:\\tools\\weekly.exe\r\n"
    "Launcher1_Enabled=False\r\n"
    "Launcher1_Tag=123456\r\n"
    "Launcher1_WeekDay=ldSunday\r\n"
    "[TMainForm.ListBox1_Items]\r\n"
    "Count=1\r\n"
    "Item0=Weekly\r\n"
    "[TMainForm.DateList_Items]\r\n"
    "Count=1\r\n"
    "Item0=NO\r\n";

TEST_F(Editor, StartUpLoadsTheFirstScheduleAndTheHideWritesNothingBack) {
  wintest::WriteFile(SettingsFile(), kWeeklySettings);
  Start();
  // The window is shown, then activated: it loads schedule 1; the hide one
  // second later stores nothing, as nothing was edited.
  EXPECT_EQ(Text(C("DescEdit")), "Weekly");
  EXPECT_FALSE(IsWindowEnabled(C("DelayCb")));  // no Announce
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(form_); }, 10000));
  EXPECT_EQ(File(), kWeeklySettings);
}

}  // namespace
}  // namespace marrowby
