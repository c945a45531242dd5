// The schedule editor's controls as the user meets them: the state of
// "Allow Cancel" after the first load, spin edits being retyped, dates in the
// user's own format.
#include <gtest/gtest.h>

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
