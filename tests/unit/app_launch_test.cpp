// Launching due schedules: announcement, start through the shell, failure
// report and bookkeeping; nested launches; the summary; the flag digits.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/announce_form.h"
#include "app/main_form.h"
#include "tests/support/fake_store_platform.h"
#include "tests/unit/app_fakes.h"

namespace marrowby {
namespace {

using testing::FakeHost;
using testing::FakePlatform;

using testing::At;
using testing::MakeShownForm;

// The announcement's caption names the item: a document or program by its
// file name, a program with arguments by its file name and the arguments,
// never an argument's file or a quote left open.
TEST(AnnounceCaption, NamesTheItemAndKeepsItsArguments) {
  const struct {
    const char* line;
    const char* named;
  } cases[] = {
      {"C:\\Docs\\report.doc", "report.doc"},
      {"D:report.doc", "report.doc"},
      {"C:\\My Docs\\letter.doc", "letter.doc"},
      {"\"C:\\My Docs\\letter.doc\"", "letter.doc"},
      {"\"C:\\My Tools\\mark.bat\" \"arg one\" two", "mark.bat \"arg one\" two"},
      {"\"C:\\Program Files\\Report Maker\\report.exe\" /month \"C:\\My Data\\sales.xls\"",
       "report.exe /month \"C:\\My Data\\sales.xls\""},
      {"C:\\Program Files\\App\\app.exe C:\\in.txt", "app.exe C:\\in.txt"},
      {"C:\\tools\\a.exe /x \"C:\\My Data\\b.txt\"", "a.exe /x \"C:\\My Data\\b.txt\""},
      {"notepad.exe", "notepad.exe"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TAnnounceForm::FileNamePart(c.line), c.named) << c.line;
  }
}

class Launching : public ::testing::Test {
 protected:
  void SetUp() override {
    p.clock.Set(At(2024, 3, 4, 9, 0));  // a Monday
    form = MakeShownForm(host);
    p.timers.AdvanceMs(1000);  // hidden in the tray
  }

  // A schedule due at the given time today, with flag digits and weekdays.
  void Add(const std::string& desc, const std::string& item, int h, int m,
           const std::string& digits = "", bool weekly = false) {
    form->NewBtnClick();
    form->DescEdit->SetText(desc);
    form->CommandEdit->SetFileName(item);
    form->EnableCb->SetChecked(true);
    form->Hours->SetValue(h);
    form->Minutes->SetValue(m);
    form->Seconds->SetValue(0);
    form->WDCb->SetChecked(weekly);
    const FlagDigits f = FlagDigits::FromDigits(digits);
    for (int d = 0; d < 7; ++d) form->Days[d]->SetChecked(f.Day(d));
    form->AnnounceCb->SetChecked(f.Announce());
    form->OnceCb->SetChecked(f.LaunchOnce());
    form->DelayCb->SetChecked(f.AllowCancel());
    form->SetSchedValues();
  }
  std::vector<std::string> States() const { return form->DateList->Items()->Lines(); }

  FakePlatform p;
  testing::FakeStorePlatform settings;  // the settings file, in memory
  FakeHost host{p.timers};
  ComponentPtr<TMainForm> form;
};

TEST_F(Launching, WithoutAnnouncementStartsAtOnceExactlyOnce) {
  Add("Backup", "C:\\tools\\backup.exe", 9, 5);
  p.timers.AdvanceMs(4 * 60 * 1000);
  EXPECT_TRUE(p.starter.opened.empty());
  p.timers.AdvanceMs(2 * 60 * 1000);
  EXPECT_EQ(p.starter.opened, (std::vector<std::string>{"C:\\tools\\backup.exe"}));
  EXPECT_EQ(States(), (std::vector<std::string>{"DONE"}));
  EXPECT_FALSE(form->SlotAt(1)->Enabled());
  EXPECT_EQ(host.animations, (std::vector<bool>{true, false}));
  EXPECT_TRUE(host.modalCaptions.empty());
  p.timers.AdvanceMs(3600 * 1000);
  EXPECT_EQ(p.starter.opened.size(), 1u);
}

TEST_F(Launching, AnnouncementWithAllowCancelCountsDownThenLaunches) {
  Add("Monthly report", "C:\\Docs\\report.doc", 9, 1, "79");
  std::vector<std::string> counts;
  host.whileModal = [&](TForm& f) {
    auto& a = static_cast<TAnnounceForm&>(f);
    EXPECT_TRUE(a.Panel1->Visible());
    EXPECT_EQ(a.DescLbl->Caption(), "Monthly report");
    EXPECT_EQ(a.ClientHeight(), 93);
    for (int i = 0; i < 9; ++i) {
      p.timers.AdvanceMs(1000);
      counts.push_back(a.TimeLbl->Caption());
    }
    EXPECT_TRUE(p.starter.opened.empty());  // not before the countdown ends
  };
  p.timers.AdvanceMs(2 * 60 * 1000);
  EXPECT_EQ(host.modalCaptions, (std::vector<std::string>{"Scheduled Launch For report.doc"}));
  EXPECT_EQ(counts, (std::vector<std::string>{"9", "8", "7", "6", "5", "4", "3", "2", "1"}));
  EXPECT_EQ(p.starter.opened, (std::vector<std::string>{"C:\\Docs\\report.doc"}));
  EXPECT_EQ(States(), (std::vector<std::string>{"DONE"}));
}

TEST_F(Launching, CancelStartsNothingAndStillMarksDone) {
  Add("Report", "C:\\Docs\\report.doc", 9, 1, "79");
  host.whileModal = [](TForm& f) { static_cast<TAnnounceForm&>(f).CancelBtnClick(); };
  p.timers.AdvanceMs(2 * 60 * 1000);
  EXPECT_TRUE(p.starter.opened.empty());
  EXPECT_EQ(States(), (std::vector<std::string>{"DONE"}));
}

TEST_F(Launching, AnnounceAloneShowsOneSecondWithoutButtons) {
  Add("Quick", "C:\\q.exe", 9, 1, "7");
  bool checked = false;
  host.whileModal = [&](TForm& f) {
    auto& a = static_cast<TAnnounceForm&>(f);
    EXPECT_FALSE(a.Panel1->Visible());
    EXPECT_EQ(a.ClientHeight(), 93 - 29);
    EXPECT_EQ(a.Timer1->Interval(), 1000u);
    checked = true;
  };
  p.timers.AdvanceMs(2 * 60 * 1000);
  EXPECT_TRUE(checked);
  EXPECT_EQ(p.starter.opened.size(), 1u);
}

TEST_F(Launching, AllowCancelWithoutAnnounceLaunchesAtOnce) {
  Add("Quiet", "C:\\q.exe", 9, 1, "9");
  p.timers.AdvanceMs(2 * 60 * 1000);
  EXPECT_TRUE(host.modalCaptions.empty());
  EXPECT_EQ(p.starter.opened.size(), 1u);
}

TEST_F(Launching, FailureBoxNamesThePositionAndItem) {
  p.starter.shellResults["C:\\missing\\item.doc"] = 2;  // file not found
  Add("First", "C:\\later.exe", 23, 0);
  Add("Broken", "C:\\missing\\item.doc", 9, 1);
  p.timers.AdvanceMs(2 * 60 * 1000);
  ASSERT_FALSE(host.messages.empty());
  EXPECT_EQ(host.messages.back().kind, MessageKind::Error);
  EXPECT_EQ(host.messages.back().text, "Failure to launch schedule 2:\nC:\\missing\\item.doc");
  EXPECT_EQ(States()[1], "DONE");
}

TEST_F(Launching, LaunchOnceAtPositionTwoOfThreeIsRemoved) {
  Add("A", "C:\\a.exe", 23, 0);
  Add("Once", "C:\\once.exe", 9, 1, "8");
  Add("C", "C:\\c.exe", 23, 30);
  form->FirstBtnClick();
  form->DescEdit->SetText("A, being edited");  // not yet stored
  p.timers.AdvanceMs(2 * 60 * 1000);
  EXPECT_EQ(p.starter.opened, (std::vector<std::string>{"C:\\once.exe"}));
  EXPECT_EQ(form->ListBox1->Items()->Lines(),
            (std::vector<std::string>{"A, being edited", "C"}));
  EXPECT_EQ(form->SlotAt(2)->CommandLine(), "C:\\c.exe");
  EXPECT_EQ(form->Position(), 2);
  EXPECT_EQ(form->DescEdit->Text(), "C");
  EXPECT_EQ(form->SlotAt(3)->CommandLine(), "");
}

TEST_F(Launching, WeeklyScheduleMovesToItsNextSelectedDay) {
  struct Case {
    int day;                // 4 March 2024 + day: 0 Monday
    std::string digits;     // selected days
    TLaunchWeekDay expect;  // WeekDay after the launch
  };
  const Case cases[] = {{0, "13", ldWednesday}, {2, "13", ldMonday}, {0, "1", ldMonday},
                        {5, "06", ldSunday},    {6, "06", ldSaturday}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.digits + " on day " + std::to_string(c.day));
    form.reset();
    settings.fs.files.clear();  // a fresh start for each case
    p.clock.Set(At(2024, 3, 4 + c.day, 9, 0));
    form = MakeShownForm(host);
    p.timers.AdvanceMs(1000);
    Add("Weekly", "C:\\w.exe", 9, 1, c.digits, true);
    const size_t before = p.starter.opened.size();
    p.timers.AdvanceMs(2 * 60 * 1000);
    ASSERT_EQ(p.starter.opened.size(), before + 1);
    EXPECT_EQ(form->SlotAt(1)->WeekDay(), c.expect);
  }
}

TEST_F(Launching, TwoAnnouncedSchedulesDueTogetherEachResolveTheirOwn) {
  Add("Keep", "C:\\keep.exe", 9, 1, "79");
  Add("Once", "C:\\once.exe", 9, 1, "789");
  Add("Third", "C:\\third.exe", 9, 1, "79");
  // The first announcement stays up while the others come due and resolve
  // inside it; "Once" removes itself, moving "Third" up a position.
  int depth = 0;
  host.whileModal = [&](TForm& f) {
    auto& a = static_cast<TAnnounceForm&>(f);
    if (depth++ == 0) {
      p.timers.AdvanceMs(30000);  // the others run nested meanwhile
      a.LaunchBtnClick();
    } else if (a.Caption() == "Scheduled Launch For third.exe") {
      a.CancelBtnClick();
    }
  };
  p.timers.AdvanceMs(2 * 60 * 1000);
  EXPECT_EQ(host.modalCaptions.size(), 3u);
  EXPECT_EQ(form->ListBox1->Items()->Lines(), (std::vector<std::string>{"Keep", "Third"}));
  EXPECT_EQ(States(), (std::vector<std::string>{"DONE", "DONE"}));
  std::vector<std::string> opened = p.starter.opened;
  std::sort(opened.begin(), opened.end());
  EXPECT_EQ(opened, (std::vector<std::string>{"C:\\keep.exe", "C:\\once.exe"}));
  EXPECT_EQ(host.animations.front(), true);
  EXPECT_EQ(host.animations.back(), false);
  EXPECT_EQ(host.animations.size(), 2u);  // one animation across the nested launches
}

TEST_F(Launching, SummarySentences) {
  EXPECT_EQ(form->SummaryText(), "There are no schedules set");
  Add("A", "C:\\a.exe", 23, 0);
  form->DateList->Items()->Put(0, "DONE");
  EXPECT_EQ(form->SummaryText(),
            "There is 1 set schedule of which 1 has launched today\n0 Schedules still to launch "
            "(though not necassarily today)");
  form->DateList->Items()->Put(0, "YES");
  Add("B", "C:\\b.exe", 23, 0);
  EXPECT_EQ(form->SummaryText(),
            "There are 2 set schedules of which 0 have launched today\n2 Schedules still to "
            "launch (though not necassarily today)");
  Add("C", "C:\\c.exe", 23, 0);
  form->DateList->Items()->SetLines({"DONE", "YES", "NO"});
  EXPECT_EQ(form->SummaryText(),
            "There are 3 set schedules of which 1 has launched today\n1 Schedule still to launch "
            "(though not necassarily today)");
  // Opened while hidden: shown under the box, hidden again afterwards.
  ASSERT_TRUE(form->ManagerHidden());
  bool hiddenDuringBox = true;
  host.onMessage = [&](MessageKind, const std::string&) { hiddenDuringBox = form->ManagerHidden(); };
  form->NumSchedsMiClick();
  EXPECT_FALSE(hiddenDuringBox);
  EXPECT_TRUE(form->ManagerHidden());
}

TEST(FlagDigitsTest, OldValuesReadByDigitAndNewOnesKeepEveryChoice) {
  EXPECT_EQ(FlagDigits::FromTag(0).Digits(), "0");  // Sunday alone
  EXPECT_EQ(FlagDigits::FromTag(1379).Digits(), "1379");
  EXPECT_EQ(FlagDigits::FromTag(97).Digits(), "79");  // any order of digits
  EXPECT_EQ(FlagDigits::FromTag(123456789).Digits(), "123456789");
  for (uint32_t mask = 0; mask < 1024; ++mask) {
    FlagDigits f;
    for (int d = 0; d < 10; ++d) f.Set(d, mask >> d & 1);
    const int32_t tag = f.ToTag();
    ASSERT_EQ(FlagDigits::FromTag(tag).Digits(), f.Digits()) << mask;
    // The plain number whenever it keeps every digit.
    if (!f.Empty() && (f.Digits()[0] != '0' || f.Digits() == "0")) {
      ASSERT_EQ(std::to_string(tag), f.Digits());
    }
  }
  EXPECT_EQ(FlagDigits().ToTag(), -1);
  EXPECT_NE(FlagDigits().ToTag(), FlagDigits::FromDigits("0").ToTag());
}

}  // namespace
}  // namespace marrowby
