// schedmgr's settings file under Wine: written when schedules are stored,
// read back at the next start, saved at log-off without a question, kept
// whole when the process is killed.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/e2e/schedmgr_fixture.h"

namespace marrowby {
namespace {

using namespace e2e;

class Settings : public SchedmgrFixture {
 protected:
  std::string File() { return wintest::ReadFile(SettingsFile()); }
  bool Holds(const std::string& text) { return File().find(text) != std::string::npos; }
};

TEST_F(Settings, HideWritesTheFileAndARestartRestoresIt) {
  StartReady();
  NewSchedule("Nightly backup", "C:\\tools\\backup.exe");
  Click(C("EnableCb"));
  Click(C("HideBtn"));
  ASSERT_TRUE(WaitFor([&] { return Holds("Launcher1_CommandLine=C:\\tools\\backup.exe"); }, 5000));
  EXPECT_TRUE(Holds("[TMainForm.ListBox1_Items]\r\nCount=1\r\nItem0=Nightly backup"));
  EXPECT_TRUE(Holds("[TMainForm.DateList_Items]\r\nCount=1\r\nItem0=YES"));
  EXPECT_TRUE(Holds("Launcher1_Enabled=True"));
  EXPECT_TRUE(Holds("PixelsPerInch="));
  program_.reset();

  Start();
  EXPECT_EQ(Text(C("TotalNum")), "1");
  EXPECT_EQ(Text(C("SchedNum")), "1");
  EXPECT_EQ(Text(C("DescEdit")), "Nightly backup");
  EXPECT_EQ(Text(C("CommandEdit")), "C:\\tools\\backup.exe");
  EXPECT_TRUE(Checked(C("EnableCb")));
}

TEST_F(Settings, SessionEndSavesWithoutAsking) {
  StartReady();
  NewSchedule("First", "C:\\tools\\first.exe");
  SetText(C("DescEdit"), "Changed before log-off");  // in the editor only
  Wait(200);
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendMessageTimeoutA(form_, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
  ASSERT_TRUE(SendMessageTimeoutA(form_, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 5000, &answer));
  EXPECT_TRUE(Holds("Item0=Changed before log-off"));
  EXPECT_EQ(WaitMessageBox(program_->Pid(), 1000).hwnd, nullptr);  // nothing was asked
}

TEST_F(Settings, AKilledProcessLosesNothingThatWasStored) {
  StartReady();
  NewSchedule("Kept", "C:\\tools\\kept.exe");
  NewSchedule("Also kept", "C:\\tools\\also.exe");  // New stores the first
  Spin(true);                                          // and this the second
  program_->Kill();
  program_.reset();
  Start();
  EXPECT_EQ(Text(C("TotalNum")), "2");
  EXPECT_EQ(Text(C("DescEdit")), "Kept");
}

TEST_F(Settings, TheAnnouncementKeepsItsPlace) {
  StartReady();
  AddDueSchedule("Placed", MarkerExe(), 4, {.announce = true});
  Click(C("HideBtn"));
  ASSERT_TRUE(WaitFor([&] { return wintest::CountLines(Marker()) == 1; }, 20000));
  ASSERT_TRUE(WaitFor([&] { return Holds("[TAnnounceForm]"); }, 5000));
  EXPECT_TRUE(Holds("NormPos("));
}

}  // namespace
}  // namespace marrowby
