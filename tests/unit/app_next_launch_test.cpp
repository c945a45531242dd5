// The next launch shown: the status bar for the schedule in the editor and
// the tray tooltip for the first of all, kept up to date through stores,
// launches, the change of day and hints.
#include <gtest/gtest.h>

#include "app/main_form.h"
#include "tests/support/fake_store_platform.h"
#include "tests/unit/app_fakes.h"

namespace marrowby {
namespace {

using testing::At;

class NextLaunchShown : public ::testing::Test {
 protected:
  void SetUp() override {
    p.clock.Set(At(2024, 3, 4, 9, 0));  // a Monday
    form = testing::MakeShownForm(host);
    p.timers.AdvanceMs(1000);  // hidden in the tray
  }
  // A schedule at the given time today; with a date, that of today.
  void Add(const std::string& desc, int h, int m, bool dated, bool enabled = true) {
    form->NewBtnClick();
    form->DescEdit->SetText(desc);
    form->CommandEdit->SetFileName("C:\\tools\\" + desc + ".exe");
    form->EnableCb->SetChecked(enabled);
    form->DateCb->SetChecked(dated);
    form->Hours->SetValue(h);
    form->Minutes->SetValue(m);
    form->Seconds->SetValue(0);
    form->SetSchedValues();
  }
  std::string Status() const { return form->StatusBar1->PanelText(); }
  std::string Tip(const std::string& second) const {
    return "Marrowby Schedule Manager\n" + second;
  }

  testing::FakePlatform p;
  testing::FakeStorePlatform settings;
  testing::FakeHost host{p.timers};
  ComponentPtr<TMainForm> form;
};

TEST_F(NextLaunchShown, FollowsStoresLaunchesAndTheChangeOfDay) {
  EXPECT_EQ(host.trayHint, Tip("No schedule to launch"));
  Add("Backup", 9, 5, false);
  EXPECT_EQ(Status(), "Next launch: 04/03/2024 09:05:00");
  EXPECT_EQ(host.trayHint, Tip("Backup: 04/03/2024 09:05:00"));
  Add("Idle", 8, 0, false, /*enabled=*/false);
  EXPECT_EQ(Status(), "Not armed");
  // A Specific Date schedule whose moment has passed: the status bar says
  // before the store that the store starts it; then it is due at the next
  // look.
  form->NewBtnClick();
  form->CommandEdit->SetFileName("C:\\tools\\Report.exe");
  form->DateCb->SetChecked(true);
  form->Hours->SetValue(8);
  EXPECT_EQ(Status(), "Not armed");
  form->EnableCb->SetChecked(true);
  EXPECT_EQ(Status(), "Due now: starts when stored");
  form->DescEdit->SetText("Report");
  form->SetSchedValues();
  EXPECT_EQ(Status(), "Due now");
  EXPECT_EQ(host.trayHint, Tip("Report: due now"));

  // Launched: the Enable box is unticked, and the status bar says why. Not
  // Launch Once, so armed again at the change of day, when its date and
  // time have passed for good: it launches again tomorrow.
  p.timers.AdvanceMs(1000);
  ASSERT_EQ(p.starter.opened.size(), 1u);
  EXPECT_FALSE(form->EnableCb->Checked());
  EXPECT_EQ(Status(), "Started today at 09:00; armed again tomorrow");
  EXPECT_EQ(host.trayHint, Tip("Backup: 04/03/2024 09:05:00"));
  p.timers.AdvanceMs(5 * 60 * 1000);
  ASSERT_EQ(p.starter.opened.size(), 2u);
  EXPECT_EQ(host.trayHint, Tip("Report: 05/03/2024 00:00:00"));

  // A hint shows over it while the mouse is over a control.
  form->AppEvents1Hint("Hide|Hide the manager in the notification area");
  EXPECT_EQ(Status(), "Hide the manager in the notification area");
  form->AppEvents1Hint("");
  EXPECT_EQ(Status(), "Started today at 09:00; armed again tomorrow");

  // The change of day re-arms both; Report launches at once, Backup is
  // armed for 09:05.
  p.timers.AdvanceMs(15 * 3600 * 1000);
  ASSERT_EQ(p.starter.opened.size(), 3u);
  EXPECT_EQ(Status(), "Started today at 00:00; armed again tomorrow");
  EXPECT_EQ(host.trayHint, Tip("Backup: 05/03/2024 09:05:00"));
  form->FirstBtnClick();
  EXPECT_EQ(Status(), "Next launch: 05/03/2024 09:05:00");
}

TEST_F(NextLaunchShown, TooltipKeepsTheTimeAndCutsALongDescription) {
  Add("A description far longer than the tooltip has room for", 23, 59, false);
  EXPECT_EQ(host.trayHint, Tip("A description...: 04/03/2024 23:59:00"));
  EXPECT_LE(host.trayHint.size(), 63u);
  // An impossible date shows as the due test's failure, and is left out of
  // the tooltip.
  form->SlotAt(1)->SetChecks({lcDate});
  form->SlotAt(1)->Date()->SetDay(31);
  form->SlotAt(1)->Date()->SetMonth(4);
  form->ShowNextLaunch();
  EXPECT_EQ(Status(), "Invalid argument to date encode");
  EXPECT_EQ(host.trayHint, Tip("No schedule to launch"));
}

}  // namespace
}  // namespace marrowby
