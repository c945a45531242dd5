// schedmgr under Wine: a due schedule starts once whatever the window does
// meanwhile (an announcement, a cancelled one, a failure box taking the
// focus from it, at start-up and with the manager open); a settings file
// that cannot be written is told once; a schedule that is only viewed is
// written back as it was read.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/e2e/schedmgr_fixture.h"

namespace marrowby {
namespace {

using namespace e2e;

// The local time `seconds` from now, kept within today.
SYSTEMTIME TodayIn(int seconds) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  int at = (now.wHour * 60 + now.wMinute) * 60 + now.wSecond + seconds;
  at = at < 0 ? 0 : at > 86399 ? 86399 : at;
  now.wHour = static_cast<WORD>(at / 3600);
  now.wMinute = static_cast<WORD>(at / 60 % 60);
  now.wSecond = static_cast<WORD>(at % 60);
  return now;
}

const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

class StartsOnce : public SchedmgrFixture {
 protected:
  struct Due {
    std::string description, item;
    std::string tag;  // the flag digits as the file holds them
    int seconds;      // due this many seconds from now (negative: passed)
  };
  // A settings file of time-only schedules, enabled, not launched today.
  void WriteSchedules(const std::vector<Due>& list) {
    std::string main = "[TMainForm]\r\n", descs, states;
    for (size_t i = 0; i < list.size(); ++i) {
      const SYSTEMTIME at = TodayIn(list[i].seconds);
      const std::string k = "Launcher" + std::to_string(i + 1) + "_";
      main += k + "Checks=[lcTime]\r\n" + k + "CommandLine=" + list[i].item + "\r\n" + k +
              "Enabled=True\r\n" + k + "Tag=" + list[i].tag + "\r\n" + k +
              "TimeHour=" + std::to_string(at.wHour) + "\r\n" + k + "TimeMin=" + std::to_string(at.wMinute) +
              "\r\n" + k + "TimeSec=" + std::to_string(at.wSecond) + "\r\n" + k + "TimeMSec=0\r\n";
      descs += "Item" + std::to_string(i) + "=" + list[i].description + "\r\n";
      states += "Item" + std::to_string(i) + "=YES\r\n";
    }
    const std::string n = std::to_string(list.size());
    wintest::WriteFile(SettingsFile(), main + "[TMainForm.ListBox1_Items]\r\nCount=" + n + "\r\n" + descs +
                                           "[TMainForm.DateList_Items]\r\nCount=" + n + "\r\n" + states);
  }
  int HistoryLines() {
    const std::string ini = SettingsFile();
    return wintest::CountLines(ini.substr(0, ini.size() - 3) + "log");
  }
  int Starts() { return wintest::CountLines(Marker()); }
  size_t Boxes() { return AllTopWindows(program_->Pid(), "#32770").size(); }
  size_t Announcements() { return AllTopWindows(program_->Pid(), "TAnnounceForm").size(); }
  std::string Missing() { return Dir() + "missing\\letter.doc"; }
};

TEST_F(StartsOnce, AnnouncedAndDueAtStartUpStartsOnce) {
  WriteSchedules({{"Morning", MarkerExe(), "7", -120}});
  Start();
  ASSERT_TRUE(WaitFor([&] { return Starts() == 1; }, 20000));
  // A second start would follow a second after the first announcement.
  EXPECT_FALSE(WaitFor([&] { return Starts() > 1 || HistoryLines() > 1; }, 4000));
  EXPECT_EQ(HistoryLines(), 1);
}

TEST_F(StartsOnce, CancelledAtStartUpStartsNothing) {
  WriteSchedules({{"Morning", MarkerExe(), "79", -120}});
  Start();
  HWND announce = WaitTopWindow(program_->Pid(), "TAnnounceForm", "", 20000);
  ASSERT_NE(announce, nullptr);
  Click(FindControl(announce, "CancelBtn"));
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(announce); }, 5000));
  // No second announcement counting down behind it.
  EXPECT_FALSE(WaitFor([&] { return Announcements() > 0 || Starts() > 0; }, 4000));
  EXPECT_EQ(HistoryLines(), 1);
}

TEST_F(StartsOnce, AnItemThatCannotOpenAtStartUpIsReportedOnce) {
  WriteSchedules({{"Broken", Missing(), "0", -120}});
  Start();
  MessageBoxInfo box = WaitMessageBox(program_->Pid(), 20000);
  ASSERT_NE(box.hwnd, nullptr);
  EXPECT_EQ(box.text, "Failure to launch schedule 1:\n" + Missing());
  EXPECT_FALSE(WaitFor([&] { return Boxes() > 1; }, 4000));
  Ok(box);
  EXPECT_EQ(HistoryLines(), 1);
}

// The manager shows each schedule as it comes due: announced, announced and
// cancelled, and failing.
TEST_F(StartsOnce, WithTheManagerOpenOnTheScheduleWhenItComesDue) {
  WriteSchedules({{"Announced", MarkerExe(), "7", 12},
                  {"Cancelled", MarkerExe(), "79", 24},
                  {"Broken", Missing(), "0", 36}});
  StartReady();
  ASSERT_EQ(Text(C("SchedNum")), "1");
  ASSERT_TRUE(WaitFor([&] { return Starts() == 1; }, 30000));
  EXPECT_FALSE(WaitFor([&] { return Starts() > 1; }, 3000));

  Spin(false);
  ASSERT_TRUE(WaitFor([&] { return Text(C("SchedNum")) == "2"; }, 5000));
  HWND announce = WaitTopWindow(program_->Pid(), "TAnnounceForm", "", 30000);
  ASSERT_NE(announce, nullptr);
  Click(FindControl(announce, "CancelBtn"));
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(announce); }, 5000));
  EXPECT_FALSE(WaitFor([&] { return Announcements() > 0 || Starts() > 1; }, 3000));

  Spin(false);
  ASSERT_TRUE(WaitFor([&] { return Text(C("SchedNum")) == "3"; }, 5000));
  MessageBoxInfo box = WaitMessageBox(program_->Pid(), 30000);
  ASSERT_NE(box.hwnd, nullptr);
  EXPECT_EQ(box.text, "Failure to launch schedule 3:\n" + Missing());
  EXPECT_FALSE(WaitFor([&] { return Boxes() > 1; }, 3000));
  Ok(box);
  EXPECT_EQ(HistoryLines(), 3);
  EXPECT_EQ(Starts(), 1);
}

TEST_F(StartsOnce, ASettingsFileThatCannotBeWrittenIsToldOnceWithANoticeThatStays) {
  WriteSchedules({{"Kept", "C:\\tools\\kept.exe", "0", 3600}});
  SetFileAttributesA(SettingsFile().c_str(), FILE_ATTRIBUTE_READONLY);
  StartReady();
  auto editAndHide = [&](const std::string& text) {
    SetText(C("DescEdit"), text);
    Click(C("HideBtn"));
  };
  editAndHide("Edited once");
  MessageBoxInfo box = WaitMessageBox(program_->Pid(), 5000);
  ASSERT_NE(box.hwnd, nullptr);
  EXPECT_EQ(box.text, "Unable to write to schedmgr.INI");
  Ok(box);
  ShowWindowAgain();
  EXPECT_NE(Text(C("StatusBar1")).find("Unable to write to schedmgr.INI"), std::string::npos);
  editAndHide("Edited twice");  // tried again without a word
  EXPECT_EQ(WaitMessageBox(program_->Pid(), 2000).hwnd, nullptr);

  // Writable again: the next store goes through and the notice goes.
  SetFileAttributesA(SettingsFile().c_str(), FILE_ATTRIBUTE_NORMAL);
  ShowWindowAgain();
  editAndHide("Edited thrice");
  ASSERT_TRUE(WaitFor([&] { return wintest::ReadFile(SettingsFile()).find("Item0=Edited thrice") != std::string::npos; }, 5000));
  ShowWindowAgain();
  EXPECT_EQ(Text(C("StatusBar1")).find("Unable to write"), std::string::npos);

  // Failing again after a write went through: told again.
  SetFileAttributesA(SettingsFile().c_str(), FILE_ATTRIBUTE_READONLY);
  editAndHide("Edited four times");
  box = WaitMessageBox(program_->Pid(), 5000);
  EXPECT_EQ(box.text, "Unable to write to schedmgr.INI");
  Ok(box);
  SetFileAttributesA(SettingsFile().c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Wednesday and Friday (today and the day after tomorrow), launched today:
// viewing it keeps the day after tomorrow; ticking another day as well does
// not give it today again.
TEST_F(StartsOnce, AWeeklyScheduleLaunchedTodayKeepsItsNextDayWhenViewedOrEdited) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  const int today = now.wDayOfWeek, next = (today + 2) % 7, other = (today + 4) % 7;
  const int first = std::min(today, next), second = std::max(today, next);
  // The flag digits: a leading "0" (Sunday) is written as -(1 + mask).
  const std::string tag = first == 0 ? std::to_string(-(1 + (1 << first | 1 << second)))
                                     : std::to_string(first) + std::to_string(second);
  const std::string stamp = std::to_string(now.wDay * 10000 + now.wMonth * 100 + now.wYear % 100);
  const std::string weekDay = std::string("ld") + kDayNames[next];
  wintest::WriteFile(SettingsFile(),
                     "[TMainForm]\r\nLauncher1_Checks=[lcTime,lcWeekDay]\r\n"
                     "Launcher1_CommandLine=C:\\tools\\weekly.exe\r\nLauncher1_Enabled=False\r\n"
                     "Launcher1_Tag=" + tag + "\r\nLauncher1_TimeHour=0\r\nLauncher1_WeekDay=" + weekDay +
                     "\r\nStatusBar1_Tag=" + stamp + "\r\n"
                     "[TMainForm.ListBox1_Items]\r\nCount=1\r\nItem0=Weekly\r\n"
                     "[TMainForm.DateList_Items]\r\nCount=1\r\nItem0=DONE\r\n");
  StartReady();
  EXPECT_EQ(Text(C("StatusBar1")).rfind("Started today", 0), 0u) << Text(C("StatusBar1"));
  const std::string before = wintest::ReadFile(SettingsFile());
  Click(C("HideBtn"));
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(form_); }, 5000));
  EXPECT_EQ(wintest::ReadFile(SettingsFile()), before);  // nothing was written

  ShowWindowAgain();
  Click(C(kDayNames[other]));
  Click(C("HideBtn"));
  ASSERT_TRUE(WaitFor([&] { return wintest::ReadFile(SettingsFile()) != before; }, 5000));
  const std::string after = wintest::ReadFile(SettingsFile());
  EXPECT_NE(after.find("Launcher1_WeekDay=" + weekDay + "\r\n"), std::string::npos) << after;
  EXPECT_NE(after.find("[TMainForm.DateList_Items]\r\nCount=1\r\nItem0=DONE"), std::string::npos);
}

}  // namespace
}  // namespace marrowby
