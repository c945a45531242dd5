// The schedule editor's controls as the user meets them: the state of
// "Allow Cancel" after the first load, spin edits being retyped, dates in the
// user's own format, the order of the Tab key.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/main_form.h"
#include "tests/support/fake_store_platform.h"
#include "tests/unit/app_fakes.h"
#include "ui/date_format.h"

namespace marrowby {
namespace {

using testing::At;

class Editor : public ::testing::Test {
 protected:
  void SetUp() override {
    p.clock.Set(At(2024, 3, 4, 9, 41));
    Start();
  }
  void TearDown() override {
    form.reset();
    SetUserShortDateFormat("dd/MM/yyyy");
  }
  // Starts the program over the settings saved so far.
  void Start() {
    form.reset();
    form = testing::MakeShownForm(host);
    form->DoActivate();
  }
  void Add(const std::string& desc, bool announce, bool allowCancel) {
    form->NewBtnClick();
    form->DescEdit->SetText(desc);
    form->CommandEdit->SetFileName("C:\\tools\\" + desc + ".exe");
    form->AnnounceCb->SetChecked(announce);
    form->DelayCb->SetChecked(allowCancel);
    form->SetSchedValues();
  }

  testing::FakePlatform p;
  testing::FakeStorePlatform settings;
  testing::FakeHost host{p.timers};
  ComponentPtr<TMainForm> form;
};

TEST_F(Editor, AllowCancelFollowsAnnounceFromTheFirstLoadOn) {
  // Allow Cancel ticked without Announce, as unticking Announce leaves it.
  Add("quiet", false, true);
  Add("announced", true, true);
  Start();
  ASSERT_EQ(form->Position(), 1);
  EXPECT_TRUE(form->DelayCb->Checked());
  EXPECT_FALSE(form->DelayCb->Enabled());
  EXPECT_TRUE(form->OnceCb->Enabled());
  form->CurrentSpinBottomClick();
  EXPECT_TRUE(form->DelayCb->Enabled());
  form->CurrentSpinTopClick();
  EXPECT_FALSE(form->DelayCb->Enabled());
  // New enables the editor from nothing: the rule holds there too.
  form->RemoveBtnClick();
  form->RemoveBtnClick();
  form->NewBtnClick();
  EXPECT_FALSE(form->DelayCb->Enabled());
}

TEST_F(Editor, RetypedTimesStoreWhatTheEditsShow) {
  Add("job", false, false);
  form->Hours->SetText("25");
  form->Minutes->SetText("");  // emptied, being retyped
  form->Seconds->SetText("7");
  form->SetSchedValues();  // a deactivation while the user types
  TLauncher* slot = form->SlotAt(1);
  EXPECT_EQ(slot->Time()->Hour(), 23);
  EXPECT_EQ(slot->Time()->Min(), 41);  // what the edit held before
  EXPECT_EQ(slot->Time()->Sec(), 7);
  EXPECT_EQ(form->Hours->Text(), "23");
  EXPECT_FALSE(form->EditFlag());
}

// The names of the controls that Tab visits from the start, once round.
std::vector<std::string> TabWalk(const TForm& form, bool forward) {
  std::vector<std::string> names;
  const TControl* at = nullptr;
  while ((at = form.NextTabStop(at, forward)) && names.size() < 100) {
    if (!names.empty() && names.front() == at->Name()) break;
    names.push_back(at->Name());
  }
  return names;
}

TEST_F(Editor, TabFollowsTheVisualOrderAndSkipsWhatPanelsHideOrCover) {
  const std::vector<std::string> bottom = {"HideBtn", "HelpBtn", "HistoryBtn", "CloseBtn"};
  auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  auto checkWalk = [&](const std::vector<std::string>& expected, const char* state) {
    EXPECT_EQ(TabWalk(*form, true), expected) << state;
    std::vector<std::string> back = TabWalk(*form, false);
    // Backwards from the start begins at the end: the same ring reversed.
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(back, expected) << state << ", Shift+Tab";
  };
  // No schedule: only New and the bottom row.
  checkWalk(with({"NewBtn"}, bottom), "no schedule");

  Add("job", true, false);  // announced: Allow Cancel is enabled
  const std::vector<std::string> criteria = {"DescEdit", "CommandEdit", "DateCb", "DateEdit1",
                                             "TimeCb", "Hours", "Minutes", "Seconds", "WDCb",
                                             "DaysBtn", "MDCb", "MDEdit"};
  const std::vector<std::string> actions = {"EnableCb", "AnnounceCb", "OnceCb", "DelayCb",
                                            "NewBtn", "RemoveBtn", "FirstBtn", "LastBtn",
                                            "GetBtn"};
  checkWalk(with(with(criteria, actions), bottom), "a schedule shown");

  // The day panel open covers the date, the time, its button and the month
  // day; its boxes and OK come after the Day of the Week box.
  form->DaysBtnClick();
  checkWalk(with(with({"DescEdit", "CommandEdit", "DateCb", "TimeCb", "WDCb", "Sunday", "Monday",
                       "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "OKBtn", "MDCb"},
                      actions),
                 bottom),
            "the day panel open");
  form->OKBtnClick();
  EXPECT_FALSE(form->CanFocus(form->Days[3]));
  EXPECT_FALSE(form->CanFocus(form->OKBtn));

  // The description list covers the whole editor; its OK waits for a line,
  // and Hide and Close wait for the list to close.
  form->GetBtnClick();
  checkWalk({"ListBox1", "CancelBtn", "HelpBtn", "HistoryBtn"}, "the description list open");
  form->ListBox1->SetItemIndex(0);
  form->ListBox1Click();
  EXPECT_TRUE(form->CanFocus(form->DescOKBtn));
  form->CancelBtnClick();
  checkWalk(with(with(criteria, actions), bottom), "the description list closed");
  // A control that no panel covers but that is disabled is passed over.
  form->AnnounceCb->SetChecked(false);
  EXPECT_FALSE(form->CanFocus(form->DelayCb));
}

TEST_F(Editor, DatesInTheUsersFormat) {
  SetUserShortDateFormat("M/d/yyyy");
  Start();
  Add("dated", false, false);
  form->DateEdit1->SetDate(At(2025, 12, 31));
  EXPECT_EQ(form->DateEdit1->Text(), "12/31/2025");
  form->Hours->SetValue(8);
  form->SetSchedValues();
  EXPECT_EQ(form->SlotAt(1)->DateTime(), At(2025, 12, 31, 8, 41, 0));
}

TEST_F(Editor, ASlotWhoseDateAndTimeCannotExistStillLoadsAndIsRepairedByAnEdit) {
  Add("damaged", false, false);
  TLauncher* slot = form->SlotAt(1);
  slot->Date()->SetMonth(13);  // as a damaged settings file restores it
  slot->Time()->SetHour(99);
  form->DateEdit1->SetDate(At(2024, 3, 4));
  form->Hours->SetValue(8);
  form->GetSchedValues(slot->ComponentIndex());
  EXPECT_EQ(form->DateEdit1->Date(), At(2024, 3, 4));
  EXPECT_EQ(form->Hours->Text(), "23");
  form->SetSchedValues();  // only viewed: it stays as it was read
  EXPECT_EQ(slot->Date()->Month(), 13);
  EXPECT_EQ(slot->Time()->Hour(), 99);
  form->DescEdit->SetText("repaired");
  form->SetSchedValues();
  EXPECT_EQ(form->SlotAt(1)->DateTime(), At(2024, 3, 4, 23, 41, 0));
}

}  // namespace
}  // namespace marrowby
