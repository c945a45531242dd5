// The next launch in schedmgr's status bar under Wine, in the prefix's own
// date and time format before a schedule's launch; after it, why the
// schedule is not armed.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/e2e/schedmgr_fixture.h"

namespace marrowby {
namespace {

using namespace e2e;

class NextLaunch : public SchedmgrFixture {};

std::string LocaleText(const SYSTEMTIME& t) {
  char date[80], time[80];
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr, date, sizeof(date));
  GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &t, nullptr, time, sizeof(time));
  return "Next launch: " + std::string(date) + " " + time;
}

TEST_F(NextLaunch, StatusBarShowsTheMomentThenWhyItIsNotArmedOnceLaunched) {
  StartReady();
  AddDueSchedule("Soon", MarkerExe(), 6, {});
  SYSTEMTIME due;
  GetLocalTime(&due);
  if (due.wHour == 23 && due.wMinute == 59) GTEST_SKIP() << "too close to midnight";
  due.wHour = static_cast<WORD>(std::stoi(Text(C("Hours"))));
  due.wMinute = static_cast<WORD>(std::stoi(Text(C("Minutes"))));
  due.wSecond = static_cast<WORD>(std::stoi(Text(C("Seconds"))));
  due.wMilliseconds = 0;
  Click(C("HideBtn"));  // stores the schedule
  HWND status = C("StatusBar1");
  EXPECT_TRUE(WaitFor([&] { return Text(status) == LocaleText(due); }, 3000)) << Text(status);
  ASSERT_TRUE(WaitFor([&] { return wintest::CountLines(Marker()) == 1; }, 15000));
  char at[16];
  std::snprintf(at, sizeof(at), "%02d:%02d", due.wHour, due.wMinute);
  EXPECT_TRUE(WaitFor(
      [&] { return Text(status) == "Started today at " + std::string(at) + "; armed again tomorrow"; }, 3000))
      << Text(status);
}

}  // namespace
}  // namespace marrowby
