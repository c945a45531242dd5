// schedmgr under Wine started on settings files it could not have written: a
// schedule whose time cannot exist, more than 100 schedules with a launch
// state list that has fallen out of step. The program reports once, keeps
// working, and writes the lists back in step.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/e2e/schedmgr_fixture.h"

namespace marrowby {
namespace {

using namespace e2e;

class Damaged : public SchedmgrFixture {
 protected:
  std::string File() { return wintest::ReadFile(SettingsFile()); }
  bool Holds(const std::string& text) { return File().find(text) != std::string::npos; }
  size_t Boxes() { return AllTopWindows(program_->Pid(), "#32770").size(); }
};

TEST_F(Damaged, AnImpossibleTimeIsReportedOnceAndTheSlotRestsUntilStoredAgain) {
  // The broken schedule is the second one, so that nothing stores it from
  // the editor before the user does.
  wintest::WriteFile(SettingsFile(),
                     "[TMainForm]\r\n"
                     "Launcher1_CommandLine=C:\\first.exe\r\n"
                     "Launcher1_Enabled=False\r\n"
                     "Launcher2_Checks=[lcTime]\r\n"
                     "Launcher2_CommandLine=" + MarkerExe() + "\r\n"
                     "Launcher2_Enabled=True\r\n"
                     "Launcher2_TimeHour=24\r\n"
                     "[TMainForm.ListBox1_Items]\r\nCount=2\r\nItem0=First\r\nItem1=Broken\r\n"
                     "[TMainForm.DateList_Items]\r\nCount=2\r\nItem0=NO\r\nItem1=YES\r\n");
  Start();
  MessageBoxInfo box = WaitMessageBox(program_->Pid(), 10000);
  ASSERT_NE(box.hwnd, nullptr);
  EXPECT_EQ(box.text, "Invalid argument to time encode");
  // Left open for several ticks: no second box on top of it.
  Wait(5000);
  EXPECT_EQ(Boxes(), 1u);
  Ok(box);
  Wait(4000);
  EXPECT_EQ(Boxes(), 0u);
  EXPECT_TRUE(program_->Running());
  EXPECT_EQ(wintest::CountLines(Marker()), 0);

  // Stored again from the editor (which shows the hour it can hold), it is
  // armed again and, now sound, launches.
  ShowWindowAgain();
  Wait(300);
  Spin(false);
  ASSERT_TRUE(WaitFor([&] { return Text(C("SchedNum")) == "2"; }, 5000));
  SYSTEMTIME now;
  GetLocalTime(&now);
  SetText(C("Hours"), std::to_string(now.wHour));
  SetText(C("Minutes"), "0");
  SetText(C("Seconds"), "0");
  if (!Checked(C("EnableCb"))) Click(C("EnableCb"));
  Click(C("HideBtn"));
  EXPECT_TRUE(WaitFor([&] { return wintest::CountLines(Marker()) == 1; }, 15000));
  EXPECT_EQ(Boxes(), 0u);
}

TEST_F(Damaged, MoreThanAHundredSchedulesAndAShortStateList) {
  std::string file =
      "[TMainForm]\r\nLauncher100_CommandLine=C:\\last.exe\r\n"
      "[TMainForm.ListBox1_Items]\r\nCount=102\r\n";
  for (int i = 0; i < 102; ++i) file += "Item" + std::to_string(i) + "=d" + std::to_string(i) + "\r\n";
  file += "[TMainForm.DateList_Items]\r\nCount=1\r\nItem0=NO\r\n";
  wintest::WriteFile(SettingsFile(), file);
  StartReady();
  EXPECT_EQ(Text(C("TotalNum")), "100");
  EXPECT_NE(Text(C("StatusBar1")).find("102"), std::string::npos) << Text(C("StatusBar1"));
  EXPECT_EQ(WaitMessageBox(program_->Pid(), 500).hwnd, nullptr);

  Click(C("LastBtn"));
  ASSERT_TRUE(WaitFor([&] { return Text(C("SchedNum")) == "100"; }, 5000));
  EXPECT_EQ(Text(C("DescEdit")), "d99");
  EXPECT_EQ(Text(C("CommandEdit")), "C:\\last.exe");
  Spin(false);
  MessageBoxInfo box = WaitMessageBox(program_->Pid(), 5000);
  EXPECT_NE(box.text.find("This is the last assigned schedule"), std::string::npos);
  Ok(box);

  // Remove the last one: the save writes both lists with one count.
  Click(C("RemoveBtn"));
  ASSERT_TRUE(WaitFor([&] { return Text(C("TotalNum")) == "99"; }, 5000));
  EXPECT_EQ(Text(C("SchedNum")), "99");
  EXPECT_EQ(Text(C("DescEdit")), "d98");
  ASSERT_TRUE(WaitFor([&] { return Holds("[TMainForm.ListBox1_Items]\r\nCount=99\r\n"); }, 5000));
  EXPECT_TRUE(Holds("[TMainForm.DateList_Items]\r\nCount=99\r\n"));
  EXPECT_FALSE(Holds("Item99="));
  EXPECT_TRUE(program_->Running());
}

}  // namespace
}  // namespace marrowby
