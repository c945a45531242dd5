// The main window's model: start-up and tray residence, the editor, the
// navigation and management of schedules, the change of day.
#include <gtest/gtest.h>

#include "app/main_form.h"
#include "core/errors.h"
#include "tests/support/fake_store_platform.h"
#include "tests/unit/app_fakes.h"

namespace marrowby {
namespace {

using testing::FakeHost;
using testing::FakePlatform;

using testing::At;
using testing::MakeShownForm;

class MainForm : public ::testing::Test {
 protected:
  void SetUp() override {
    p.clock.Set(At(2024, 3, 4, 9, 0));  // a Monday
    form = MakeShownForm(host);
    form->DoActivate();
  }

  // Creates a schedule through the editor as a user would, and stores it.
  void Add(const std::string& desc, const std::string& item, bool enabled = true) {
    form->NewBtnClick();
    form->DescEdit->SetText(desc);
    form->CommandEdit->SetFileName(item);
    form->EnableCb->SetChecked(enabled);
    form->SetSchedValues();
  }
  std::vector<std::string> Descs() const { return form->ListBox1->Items()->Lines(); }
  std::vector<std::string> States() const { return form->DateList->Items()->Lines(); }
  std::string LastMessage() const {
    return host.messages.empty() ? "" : host.messages.back().text;
  }

  FakePlatform p;
  testing::FakeStorePlatform settings;  // the settings file, in memory
  FakeHost host{p.timers};
  ComponentPtr<TMainForm> form;
};

TEST_F(MainForm, FirstRunBuildsTheSlotTableAndHidesAfterASecond) {
  ASSERT_EQ(form->LaunchList->Items()->Count(), 100);
  for (int k = 0; k < 100; ++k) EXPECT_EQ(form->SlotAt(k + 1), form->Launchers[k]);
  EXPECT_FALSE(form->ManagerHidden());
  EXPECT_TRUE(host.dropEnabled);
  EXPECT_EQ(host.folderMadeCurrent, 1);
  // The editor starts disabled but for the spin button and New.
  EXPECT_FALSE(form->DescEdit->Enabled());
  EXPECT_FALSE(form->RemoveBtn->Enabled());
  EXPECT_TRUE(form->CurrentSpin->Enabled());
  EXPECT_TRUE(form->NewBtn->Enabled());
  EXPECT_TRUE(form->TimeCb->Checked());
  EXPECT_EQ(form->Hours->Value(), 10);
  p.timers.AdvanceMs(1000);
  EXPECT_TRUE(form->ManagerHidden());
  EXPECT_TRUE(host.menuHidden);
  EXPECT_FALSE(host.taskbarShown);
  EXPECT_FALSE(form->Timer1->Enabled());
  EXPECT_EQ(form->StatusBar1->Tag(), 40324);  // 04/03/24 without its leading zero
}

TEST_F(MainForm, IdleExitOnlyWithoutSchedulesAndWhileHidden) {
  const auto released = [this] { return static_cast<testing::FakeFormView*>(form->View())->releases; };
  p.timers.AdvanceMs(1000);
  form->ShowMiClick();  // shown again: no idle exit
  p.timers.AdvanceMs(300000);
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(released(), 0);
  EXPECT_FALSE(form->Timer2->Enabled());  // one check only
  EXPECT_TRUE(host.questions.empty());

  // Hidden with no schedule: the program quits by itself, without asking.
  form = MakeShownForm(host);
  p.timers.AdvanceMs(300000);
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(released(), 1) << "the window is freed, which ends the program, not merely hidden";
  EXPECT_TRUE(host.questions.empty());
}

TEST_F(MainForm, SchedulesSurviveARestartAndKeepTheIdleExitOff) {
  Add("Backup", "C:\\tools\\backup.exe");
  form->Days[0]->SetChecked(true);
  form->Days[4]->SetChecked(true);
  form->SetSchedValues();
  Add("Report", "\"C:\\Program Files\\rep.exe\"", false);
  form.reset();  // saves
  form = MakeShownForm(host);
  EXPECT_EQ(Descs(), (std::vector<std::string>{"Backup", "Report"}));
  EXPECT_EQ(States(), (std::vector<std::string>{"YES", "NO"}));
  EXPECT_EQ(form->SlotAt(1)->CommandLine(), "C:\\tools\\backup.exe");
  EXPECT_EQ(form->SlotAt(2)->CommandLine(), "\"C:\\Program Files\\rep.exe\"");
  EXPECT_EQ(FlagDigits::FromTag(form->SlotAt(1)->Tag()).Digits(), "04");  // Sunday kept
  EXPECT_TRUE(form->SlotAt(1)->Enabled());   // re-armed at the change of day...
  EXPECT_FALSE(form->SlotAt(2)->Enabled());  // ...but for a disabled one
  EXPECT_FALSE(form->Timer2->Enabled());
  p.timers.AdvanceMs(400000);
  EXPECT_TRUE(form->ManagerHidden());  // still running, hidden
}

TEST_F(MainForm, EveryStoreAndLaunchIsSavedAtOnce) {
  Add("Backup", "C:\\tools\\backup.exe");
  // Saved without the window going: a crash now loses nothing.
  const std::string saved = settings.fs.files.begin()->second;
  EXPECT_NE(saved.find("Launcher1_CommandLine=C:\\tools\\backup.exe"), std::string::npos);
  EXPECT_NE(saved.find("Item0=Backup"), std::string::npos);
}

TEST_F(MainForm, NavigationMessagesWithoutSchedules) {
  form->CurrentSpinTopClick();
  form->CurrentSpinBottomClick();
  ASSERT_EQ(host.messages.size(), 2u);
  for (const auto& m : host.messages) {
    EXPECT_EQ(m.kind, MessageKind::Information);
    EXPECT_EQ(m.text,
              "You have no schedules currently assigned,\nSelect New from the list of buttons .");
  }
  form->GetBtnClick();
  EXPECT_EQ(host.messages.back().kind, MessageKind::Error);
  EXPECT_EQ(LastMessage(), "There are no descriptions listed");
}

TEST_F(MainForm, NewStoresTheShownScheduleAndRefusesAnIncompleteItem) {
  form->NewBtnClick();
  EXPECT_EQ(Descs(), (std::vector<std::string>{"New Schedule"}));
  EXPECT_EQ(States(), (std::vector<std::string>{"NO"}));
  EXPECT_EQ(form->Position(), 1);
  EXPECT_EQ(form->TotalNum->Caption(), "1");
  EXPECT_FALSE(form->NewBtn->Enabled());
  EXPECT_TRUE(form->DescEdit->Enabled());
  // A new schedule starts without choices (no Sunday) and at the time of its creation.
  for (TCheckBox* d : form->Days) EXPECT_FALSE(d->Checked());
  EXPECT_EQ(form->Hours->Value(), 9);

  form->CommandEdit->SetFileName("a.exe");  // five characters
  EXPECT_TRUE(form->NewBtn->Enabled());
  form->NewBtnClick();
  EXPECT_EQ(host.messages.back().kind, MessageKind::Error);
  EXPECT_EQ(LastMessage(), "You haven't completed the current schedules command to launch");
  EXPECT_FALSE(form->NewBtn->Enabled());
  EXPECT_EQ(form->Count(), 1);

  form->CommandEdit->SetFileName("C:\\a.exe");
  form->DescEdit->SetText("");
  form->NewBtnClick();
  EXPECT_EQ(Descs(), (std::vector<std::string>{"Not Defined", "New Schedule"}));
  EXPECT_EQ(form->SlotAt(1)->CommandLine(), "C:\\a.exe");
}

TEST_F(MainForm, NewWhilePositionTwoOfFiveIsShownCreatesPositionSix) {
  for (int i = 1; i <= 5; ++i) Add("S" + std::to_string(i), "C:\\job" + std::to_string(i) + ".exe");
  form->FirstBtnClick();
  form->CurrentSpinBottomClick();
  ASSERT_EQ(form->Position(), 2);
  form->DescEdit->SetText("Second, renamed");
  form->NewBtnClick();
  EXPECT_EQ(form->Position(), 6);
  EXPECT_EQ(Descs()[1], "Second, renamed");
  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(form->SlotAt(i)->CommandLine(), "C:\\job" + std::to_string(i) + ".exe");
  }
}

TEST_F(MainForm, EveryNavigationMessage) {
  Add("One", "C:\\one.exe");
  Add("Two", "C:\\two.exe");
  form->CurrentSpinBottomClick();
  EXPECT_EQ(LastMessage(),
            "This is the last assigned schedule, Select New\nfrom the list of buttons to create a "
            "new schedule.");
  form->LastBtnClick();
  EXPECT_EQ(LastMessage(), "This is the last set schedule");
  form->CurrentSpinTopClick();
  EXPECT_EQ(form->Position(), 1);
  EXPECT_EQ(form->DescEdit->Text(), "One");
  form->CurrentSpinTopClick();
  EXPECT_EQ(LastMessage(), "This is the first assigned schedule");
  form->FirstBtnClick();
  EXPECT_EQ(LastMessage(), "This is the first set schedule");
  form->LastBtnClick();
  EXPECT_EQ(form->Position(), 2);
  EXPECT_EQ(form->SchedNum->Caption(), "2");
  EXPECT_EQ(form->DescEdit->Text(), "Two");
}

TEST_F(MainForm, FirstAndLastDoNotStoreTheEditorFirst) {
  Add("One", "C:\\one.exe");
  Add("Two", "C:\\two.exe");
  form->DescEdit->SetText("edited, not stored");
  form->FirstBtnClick();
  EXPECT_EQ(Descs()[1], "Two");
  EXPECT_FALSE(form->EditFlag());  // what a load shows is no edit: nothing to write back
}

TEST_F(MainForm, RemoveAtPositionTwoOfFourMovesTheLaterOnesDown) {
  Add("A", "C:\\a.exe");
  Add("B", "C:\\b.exe", false);
  Add("C", "C:\\c.exe");
  form->WDCb->SetChecked(true);
  form->Days[3]->SetChecked(true);
  form->Days[0]->SetChecked(true);
  form->SetSchedValues();
  Add("D", "C:\\d.exe", false);
  form->DateList->Items()->Put(2, "DONE");  // C launched today: done and disarmed
  form->SlotAt(3)->SetEnabled(false);
  form->CurrentSpinTopClick();
  form->CurrentSpinTopClick();
  ASSERT_EQ(form->Position(), 2);
  form->RemoveBtnClick();
  EXPECT_EQ(Descs(), (std::vector<std::string>{"A", "C", "D"}));
  EXPECT_EQ(States(), (std::vector<std::string>{"YES", "DONE", "NO"}));
  EXPECT_EQ(form->SlotAt(2)->CommandLine(), "C:\\c.exe");
  EXPECT_TRUE(form->SlotAt(2)->Checks().Contains(lcWeekDay));
  const FlagDigits moved = FlagDigits::FromTag(form->SlotAt(2)->Tag());
  EXPECT_TRUE(moved.Day(0));  // Sunday survives the move with Wednesday
  EXPECT_TRUE(moved.Day(3));
  EXPECT_EQ(form->SlotAt(3)->CommandLine(), "C:\\d.exe");
  TLauncher* cleared = form->SlotAt(4);
  EXPECT_EQ(cleared->CommandLine(), "");
  EXPECT_FALSE(cleared->Enabled());
  EXPECT_EQ(cleared->Tag(), 0);
  EXPECT_TRUE(cleared->Checks() == TApplyChecks{lcTime});
  EXPECT_EQ(form->Position(), 2);
  EXPECT_EQ(form->DescEdit->Text(), "C");
  EXPECT_EQ(form->TotalNum->Caption(), "3");
  EXPECT_FALSE(form->EditFlag());
}

TEST_F(MainForm, RemovingTheLastAndTheOnlySchedule) {
  Add("A", "C:\\a.exe");
  Add("B", "C:\\b.exe");
  form->RemoveBtnClick();
  EXPECT_EQ(form->Position(), 1);
  EXPECT_EQ(form->DescEdit->Text(), "A");
  form->RemoveBtnClick();
  EXPECT_EQ(form->Position(), 0);
  EXPECT_EQ(form->SchedNum->Caption(), "0");
  EXPECT_EQ(form->DescEdit->Text(), "");
  EXPECT_FALSE(form->DescEdit->Enabled());
  EXPECT_FALSE(form->CurrentSpin->Enabled());
  EXPECT_TRUE(Descs().empty());
}

TEST_F(MainForm, NewWithEverySlotUsedReportsAndChangesNothing) {
  for (int i = 0; i < 100; ++i) {
    form->NewBtnClick();
    form->CommandEdit->SetFileName("C:\\job" + std::to_string(i) + ".exe");
  }
  form->SetSchedValues();
  ASSERT_EQ(form->Count(), 100);
  host.messages.clear();
  form->NewBtnClick();
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].kind, MessageKind::Information);
  EXPECT_EQ(form->Count(), 100);
  // A dropped file does not overwrite the shown schedule either.
  form->FileDrag1Drop({"C:\\dropped.doc"});
  EXPECT_EQ(form->CommandEdit->Text(), "C:\\job99.exe");
}

TEST_F(MainForm, GetPanelShowsTheChosenSchedule) {
  Add("A", "C:\\a.exe");
  Add("B", "C:\\b.exe");
  form->GetBtnClick();
  EXPECT_EQ(host.messages.back().kind, MessageKind::Plain);
  EXPECT_EQ(LastMessage(), "CurrentSpin.Tag = 2");
  EXPECT_EQ(form->DescPanel->Top(), 3);
  EXPECT_FALSE(form->HideBtn->Enabled());
  EXPECT_FALSE(form->CloseBtn->Enabled());
  form->DescOKBtnClick();  // nothing selected: nothing happens
  EXPECT_EQ(form->DescPanel->Top(), 3);
  form->ListBox1->SetItemIndex(0);
  form->ListBox1Click();
  EXPECT_TRUE(form->DescOKBtn->Enabled());
  form->DescOKBtnClick();
  EXPECT_EQ(form->Position(), 1);
  EXPECT_EQ(form->DescEdit->Text(), "A");
  EXPECT_EQ(form->DescPanel->Top(), -267);
  EXPECT_FALSE(form->DescOKBtn->Enabled());
  EXPECT_TRUE(form->HideBtn->Enabled());
  form->GetBtnClick();
  form->CancelBtnClick();
  EXPECT_EQ(form->DescPanel->Top(), -267);
  EXPECT_TRUE(form->CloseBtn->Enabled());
}

TEST_F(MainForm, DroppedFilesBecomeNewSchedules) {
  form->FileDrag1Drop({"C:\\Docs\\report.final.doc", "C:\\My.Dir\\readme.txt", "D:\\x.exe"});
  EXPECT_EQ(Descs(), (std::vector<std::string>(3, "New Schedule")));
  EXPECT_EQ(form->SlotAt(1)->CommandLine(), "C:\\Docs\\report.final.doc");
  EXPECT_EQ(form->SlotAt(2)->CommandLine(), "C:\\My.Dir\\readme.txt");
  EXPECT_EQ(form->SlotAt(3)->CommandLine(), "D:\\x.exe");
  EXPECT_EQ(form->Position(), 3);
}

TEST_F(MainForm, StoreAndLoadRoundTripEveryControl) {
  form->NewBtnClick();
  form->CommandEdit->SetFileName("\"C:\\Program Files\\x.exe\" /y");
  form->DateCb->SetChecked(true);
  form->WDCb->SetChecked(true);
  form->MDCb->SetChecked(true);
  form->TimeCb->SetChecked(false);
  form->DateEdit1->SetDate(At(2025, 12, 31));
  form->Hours->SetValue(23);
  form->Minutes->SetValue(59);
  form->Seconds->SetValue(58);
  form->MDEdit->SetValue(31);
  form->EnableCb->SetChecked(true);
  form->AnnounceCb->SetChecked(true);
  form->OnceCb->SetChecked(true);
  form->DelayCb->SetChecked(true);
  for (int d : {0, 2, 6}) form->Days[d]->SetChecked(true);
  form->SetSchedValues();
  TLauncher* slot = form->SlotAt(1);
  EXPECT_EQ(slot->CommandLine(), "\"C:\\Program Files\\x.exe\" /y");
  EXPECT_TRUE(slot->Checks() == (TApplyChecks{lcDate, lcWeekDay, lcMonthDay}));
  EXPECT_EQ(slot->DateTime(), At(2025, 12, 31, 23, 59, 58));
  EXPECT_EQ(slot->MonthDay(), 31);
  EXPECT_TRUE(slot->Enabled());
  EXPECT_EQ(slot->WeekDay(), ldTuesday);  // stored on a Monday: Tuesday comes first
  EXPECT_EQ(FlagDigits::FromTag(slot->Tag()).Digits(), "026789");

  // Load into a fresh editor state.
  form->NewBtnClick();
  form->FirstBtnClick();
  EXPECT_EQ(form->CommandEdit->Text(), "\"C:\\Program Files\\x.exe\" /y");
  EXPECT_TRUE(form->DateCb->Checked());
  EXPECT_FALSE(form->TimeCb->Checked());
  EXPECT_EQ(form->DateEdit1->Text(), "31/12/2025");
  EXPECT_EQ(form->Seconds->Value(), 58);
  EXPECT_TRUE(form->Days[0]->Checked());
  EXPECT_FALSE(form->Days[1]->Checked());
  EXPECT_TRUE(form->DelayCb->Enabled());
  form->AnnounceCb->SetChecked(false);  // disables Allow Cancel, keeps its tick
  EXPECT_FALSE(form->DelayCb->Enabled());
  form->SetSchedValues();
  EXPECT_TRUE(FlagDigits::FromTag(slot->Tag()).AllowCancel());
}

TEST_F(MainForm, WeekDayChosenFromTodayOnEachDay) {
  // Monday and Wednesday selected, stored on each day of a week.
  const int expected[7] = {1, 1, 3, 3, 1, 1, 1};  // Sunday .. Saturday
  form->NewBtnClick();
  form->CommandEdit->SetFileName("C:\\w.exe");
  form->Days[1]->SetChecked(true);
  form->Days[3]->SetChecked(true);
  for (int day = 0; day < 7; ++day) {
    p.clock.Set(At(2024, 3, 3 + day, 12));  // 3 March 2024 is a Sunday
    form->Days[3]->SetChecked(false);
    form->Days[3]->SetChecked(true);  // an edit, so the store runs
    form->SetSchedValues();
    EXPECT_EQ(form->SlotAt(1)->WeekDay(), expected[day]) << "stored on day " << day;
  }
}

TEST_F(MainForm, LaunchStateFollowsTheEnableBox) {
  Add("A", "C:\\a.exe", false);
  EXPECT_EQ(States()[0], "NO");
  form->EnableCb->SetChecked(true);
  form->SetSchedValues();
  EXPECT_EQ(States()[0], "YES");
  form->DateList->Items()->Put(0, "DONE");
  form->DescEdit->SetText("renamed");
  form->SetSchedValues();
  EXPECT_EQ(States()[0], "DONE");  // a store that leaves the box alone leaves the state
  form->EnableCb->SetChecked(false);
  form->SetSchedValues();
  EXPECT_EQ(States()[0], "NO");  // unticked by the user: not armed again tomorrow
  form->EnableCb->SetChecked(true);
  form->SetSchedValues();
  EXPECT_EQ(States()[0], "YES");
  form->EnableCb->SetChecked(false);
  form->SetSchedValues();
  EXPECT_EQ(States()[0], "NO");
}

TEST_F(MainForm, AnUnconvertibleDateStopsTheStoreAfterTheCriteria) {
  Add("A", "C:\\a.exe");
  form->CommandEdit->SetFileName("C:\\changed.exe");
  form->MDCb->SetChecked(true);
  form->DateEdit1->SetText("");  // an emptied date
  form->MDEdit->SetValue(9);
  try {
    form->SetSchedValues();
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_NE(std::string(e.what()).find("is not a valid date and time"), std::string::npos);
  }
  TLauncher* slot = form->SlotAt(1);
  EXPECT_EQ(slot->CommandLine(), "C:\\changed.exe");
  EXPECT_TRUE(slot->Checks().Contains(lcMonthDay));
  EXPECT_EQ(slot->MonthDay(), 1);  // the rest is unchanged
  EXPECT_TRUE(form->EditFlag());
}

TEST_F(MainForm, ChangeOfDayReArmsOnceADayAndRightAfterMidnight) {
  Add("Yes", "C:\\y.exe");
  Add("No", "C:\\n.exe", false);
  Add("Done", "C:\\d.exe");
  form->DateList->Items()->Put(2, "DONE");
  for (int i = 1; i <= 3; ++i) form->SlotAt(i)->SetEnabled(false);
  form->SetEnables();  // same day: nothing
  EXPECT_FALSE(form->SlotAt(1)->Enabled());
  // The first check after midnight (09:00 now; midnight is 15 hours away).
  p.timers.AdvanceMs(15 * 3600 * 1000LL + 2000);
  EXPECT_TRUE(form->SlotAt(1)->Enabled());
  EXPECT_FALSE(form->SlotAt(2)->Enabled());
  EXPECT_TRUE(form->SlotAt(3)->Enabled());
  EXPECT_EQ(States()[2], "DONE");
  EXPECT_EQ(form->StatusBar1->Tag(), 50324);
  form->SlotAt(1)->SetEnabled(false);
  p.timers.AdvanceMs(3600 * 1000);  // the hourly check, same day
  EXPECT_FALSE(form->SlotAt(1)->Enabled());
  // The clock put forward a day: the time-change notice re-arms at once.
  p.clock.Set(At(2024, 3, 7, 8));
  form->TimeChanged();
  EXPECT_TRUE(form->SlotAt(1)->Enabled());
}

TEST_F(MainForm, ClosingAsksAndCancelKeepsRunning) {
  host.answers = {false};
  form->CloseBtnClick();
  EXPECT_EQ(host.questions, (std::vector<std::string>{"Do you wish to quit the Schedule Manager ?"}));
  EXPECT_TRUE(form->Visible());
  host.answers = {true};
  form->CloseBtnClick();
  EXPECT_FALSE(form->Visible());
}

TEST_F(MainForm, ExitFromTheTrayWhileHiddenShowsForTheQuestion) {
  p.timers.AdvanceMs(1000);
  ASSERT_TRUE(form->ManagerHidden());
  host.answers = {false};
  form->ExitMiClick();
  EXPECT_EQ(host.restored, 1);
  EXPECT_TRUE(form->ManagerHidden());  // hidden again after Cancel
  EXPECT_TRUE(form->Visible());
  host.answers = {true};
  form->ExitMiClick();
  EXPECT_EQ(host.questions.size(), 2u);  // no second question on closing
  EXPECT_FALSE(form->Visible());
}

TEST_F(MainForm, SessionEndStoresWithoutAsking) {
  Add("A", "C:\\a.exe");
  form->DescEdit->SetText("changed at log-off");
  EXPECT_TRUE(form->QueryEndSession());
  form->EndSession(true);
  EXPECT_EQ(Descs()[0], "changed at log-off");
  EXPECT_TRUE(host.questions.empty());
  form->Close();
  EXPECT_TRUE(host.questions.empty());
}

TEST_F(MainForm, HintsPutTheirLongPartInTheStatusBar) {
  form->AppEvents1Hint(form->NewBtn->Hint());
  EXPECT_EQ(form->StatusBar1->PanelText(), "Initialise a new schedule");
  form->AppEvents1Hint("no bar at all");
  EXPECT_EQ(form->StatusBar1->PanelText(), "no bar at all");
}

}  // namespace
}  // namespace marrowby
