// The schedule lists as a settings file can leave them: more than 100
// schedules, lists out of step, unreadable launch states, an unused slot
// armed. The window starts with the lists in step, says once that it mended
// them, works through them without reaching a slot that does not exist, and
// saves them in step. And a removal that fails half-way.
#include <gtest/gtest.h>

#include "app/main_form.h"
#include "core/errors.h"
#include "tests/support/error_log.h"
#include "tests/support/fake_store_platform.h"
#include "tests/unit/app_fakes.h"

namespace marrowby {
namespace {

using testing::At;
using testing::FakeHost;
using testing::FakePlatform;
using testing::MakeShownForm;
using Lines = std::vector<std::string>;

const char kFile[] = "C:\\WINDOWS\\schedmgr.INI";

std::string Slot(int n, const std::string& item, bool enabled) {
  const std::string k = "Launcher" + std::to_string(n) + "_";
  return k + "CommandLine=" + item + "\r\n" + k + "Enabled=" + (enabled ? "True" : "False") + "\r\n";
}

std::string List(const std::string& name, const Lines& items, int count) {
  std::string s = "[TMainForm." + name + "_Items]\r\nCount=" + std::to_string(count) + "\r\n";
  for (size_t i = 0; i < items.size(); ++i) s += "Item" + std::to_string(i) + "=" + items[i] + "\r\n";
  return s;
}

Lines Numbered(const std::string& prefix, int n) {
  Lines out;
  for (int i = 0; i < n; ++i) out.push_back(prefix + std::to_string(i));
  return out;
}

class Restored : public ::testing::Test {
 protected:
  void Start(const std::string& file) {
    settings.fs.files[kFile] = file;
    form = MakeShownForm(host);
    form->DoActivate();
  }
  Lines Descs() const { return form->ListBox1->Items()->Lines(); }
  Lines States() const { return form->DateList->Items()->Lines(); }

  FakePlatform p;
  testing::FakeStorePlatform settings;
  FakeHost host{p.timers};
  ComponentPtr<TMainForm> form;
};

struct DamagedCase {
  const char* what;
  std::string file;
  Lines descs, states;
  bool reported;
};

TEST_F(Restored, DamagedListsAreMendedReportedOnceAndSavedInStep) {
  const std::string slots = "[TMainForm]\r\n" + Slot(1, "C:\\a.exe", true) +
                            Slot(2, "C:\\b.exe", true) + Slot(3, "C:\\c.exe", false);
  const Lines abc = {"a", "b", "c"};
  const DamagedCase cases[] = {
      {"102 descriptions", slots + List("ListBox1", Numbered("d", 102), 102) +
                               List("DateList", Lines(102, "YES"), 102),
       Numbered("d", 100), Lines(100, "YES"), true},
      {"a state list shorter than the descriptions",
       slots + List("ListBox1", abc, 3) + List("DateList", {"DONE"}, 1), abc, {"DONE", "YES", "NO"},
       true},
      {"a description count that lies", slots + List("ListBox1", {"a"}, 3) +
                                            List("DateList", {"NO", "NO", "NO"}, 1),
       {"a", "", ""}, {"NO", "YES", "NO"}, true},
      {"more states than descriptions",
       slots + List("ListBox1", {"a"}, 1) + List("DateList", {"YES", "DONE"}, 2),
       {"a", "Not Defined"}, {"YES", "DONE"}, true},
      {"an unreadable state", slots + List("ListBox1", abc, 3) +
                                  List("DateList", {"maybe", "YES", "maybe"}, 3),
       abc, {"YES", "YES", "NO"}, true},
      {"an unused slot armed", slots + Slot(50, "C:\\x.exe", true) + List("ListBox1", {"a"}, 1) +
                                   List("DateList", {"YES"}, 1),
       {"a"}, {"YES"}, true},
      {"states in other letters", slots + List("ListBox1", abc, 3) +
                                      List("DateList", {" yes", "Done", "no"}, 3),
       abc, {"YES", "DONE", "NO"}, false},
  };
  for (const DamagedCase& c : cases) {
    SCOPED_TRACE(c.what);
    host.messages.clear();
    Start(c.file);
    EXPECT_EQ(Descs(), c.descs);
    EXPECT_EQ(States(), c.states);
    EXPECT_EQ(form->TotalNum->Caption(), std::to_string(c.descs.size()));
    // Reported: the status bar tells of it rather than of the next launch.
    EXPECT_EQ(form->StatusBar1->PanelText() != form->NextLaunchStatus(), c.reported)
        << form->StatusBar1->PanelText();
    EXPECT_TRUE(host.messages.empty());
    for (int q = static_cast<int>(c.descs.size()) + 1; q <= 100; ++q) {
      ASSERT_FALSE(form->SlotAt(q)->Enabled()) << q;
    }
    // Every button reaches only schedules that exist.
    form->LastBtnClick();
    EXPECT_EQ(form->Position(), form->Count());
    form->CurrentSpinBottomClick();
    form->GetBtnClick();
    form->ListBox1->SetItemIndex(form->Count() - 1);
    form->DescOKBtnClick();
    form->RemoveBtnClick();
    EXPECT_EQ(form->Count(), static_cast<int>(c.descs.size()) - 1);
    EXPECT_EQ(form->DateList->Items()->Count(), form->Count());
    // The save writes both lists with one count.
    const int n = form->Count();
    form.reset();
    const std::string& saved = settings.fs.files[kFile];
    const std::string count = n ? "Count=" + std::to_string(n) + "\r\n" : "";
    EXPECT_EQ(saved.find("[TMainForm.ListBox1_Items]\r\n" + count) != std::string::npos, n > 0);
    EXPECT_EQ(saved.find("[TMainForm.DateList_Items]\r\n" + count) != std::string::npos, n > 0);
  }
}

// A file that is there but holds nothing this program wrote is named in the
// status bar, never passed over in silence; a missing or empty one is not.
TEST_F(Restored, ASettingsFileWithNothingReadableIsReported) {
  const struct {
    const char* what;
    std::string file;
    bool reported;
  } cases[] = {
      {"garbage", std::string("\x89PNG\r\n\x1a\n\x00\x01 x=y\r\n[", 14), true},
      {"other sections only", "[Other]\r\nLauncher1_Enabled=True\r\n", true},
      {"blank", " \r\n\r\n", false},
      {"a saved file with no schedule", "[TMainForm]\r\n" + Slot(1, "", false), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Start(c.file);
    const std::string text = form->StatusBar1->PanelText();
    EXPECT_EQ(text == std::string("The settings file ") + kFile + " holds no schedules that can be read.",
              c.reported)
        << text;
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(form->Count(), 0);
    form.reset();
  }
}

// A file held by another program when the window starts restores nothing.
// Once that program lets go, the window must still not put its empty table
// in place of the schedules it never read: every save is refused, told once.
TEST_F(Restored, ASettingsFileUnreadableAtTheStartIsNeverWrittenOver) {
  const std::string file = "[TMainForm]\r\n" + Slot(1, "C:\\a.exe", true) +
                           Slot(2, "C:\\b.exe", false) + List("ListBox1", {"a", "b"}, 2) +
                           List("DateList", {"YES", "NO"}, 2);
  settings.fs.unreadable.insert(kFile);
  testing::ErrorLog errors;
  Start(file);
  EXPECT_EQ(form->Count(), 0);
  EXPECT_EQ(form->StatusBar1->PanelText(),
            "schedmgr.INI could not be read: it is left as it is, and changes are not saved.");
  settings.fs.unreadable.clear();  // the lock has gone
  form->NewBtnClick();
  form->CommandEdit->SetText("C:\\new.exe");
  form->HideBtnClick();
  form->NewBtnClick();
  form.reset();
  EXPECT_EQ(settings.fs.files[kFile], file);
  EXPECT_EQ(errors.messages, Lines{"Unable to write to schedmgr.INI"});
}

TEST_F(Restored, ASlotThatCannotBeLoadedStillShowsWholeAndMoves) {
  Start("[TMainForm]\r\n" + Slot(1, "C:\\a.exe", false) + Slot(2, "C:\\b.exe", false) +
        "Launcher2_TimeHour=24\r\nLauncher2_DateDay=31\r\nLauncher2_DateMonth=6\r\n" +
        List("ListBox1", {"a", "b"}, 2) + List("DateList", {"NO", "NO"}, 2));
  form->CurrentSpinBottomClick();
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(form->Position(), 2);
  EXPECT_EQ(form->DescEdit->Text(), "b");
  EXPECT_EQ(form->CommandEdit->Text(), "C:\\b.exe");
  EXPECT_EQ(form->Hours->Value(), 23);
  // Removing the first moves it down through the editor, as the editor
  // shows it.
  form->FirstBtnClick();
  form->RemoveBtnClick();
  EXPECT_EQ(Descs(), Lines{"b"});
  EXPECT_EQ(form->SlotAt(1)->CommandLine(), "C:\\b.exe");
}

TEST_F(Restored, ARemovalThatFailsHalfWayKeepsTheListsInStep) {
  Start("[TMainForm]\r\n" + Slot(1, "C:\\a.exe", false) + Slot(2, "C:\\b.exe", true) +
        Slot(3, "C:\\c.exe", true) + List("ListBox1", {"a", "b", "c"}, 3) +
        List("DateList", {"NO", "YES", "YES"}, 3));
  ASSERT_EQ(form->Position(), 1);
  // Moving b into the disarmed slot 1 arms it: the system has no timer left.
  p.timers.RefuseStarts(1);
  EXPECT_THROW(form->RemoveBtnClick(), EOutOfResources);
  EXPECT_FALSE(form->Removing());
  EXPECT_EQ(Descs(), (Lines{"b", "c"}));
  EXPECT_EQ(States(), (Lines{"YES", "YES"}));
  EXPECT_EQ(form->SlotAt(1)->CommandLine(), "C:\\b.exe");
  EXPECT_TRUE(form->SlotAt(1)->Enabled());
  EXPECT_EQ(form->SlotAt(2)->CommandLine(), "C:\\c.exe");
  EXPECT_EQ(form->SlotAt(3)->CommandLine(), "");
  EXPECT_FALSE(form->SlotAt(3)->Enabled());
  EXPECT_EQ(form->DescEdit->Text(), "b");
  // Later stores keep the lists up to date again.
  form->DescEdit->SetText("b, renamed");
  form->SetSchedValues();
  EXPECT_EQ(Descs(), (Lines{"b, renamed", "c"}));
}

TEST_F(Restored, AnArmedSlotThatCannotTickRestsUntilStoredOrTheNextDay) {
  std::vector<std::string> errors;
  SetExceptionHandler([&](const std::exception& e) { errors.push_back(e.what()); });
  p.clock.Set(At(2024, 3, 4, 9, 0));
  Start("[TMainForm]\r\n" + Slot(1, "C:\\a.exe", false) + Slot(2, "C:\\b.exe", true) +
        "Launcher2_TimeHour=24\r\n" + List("ListBox1", {"a", "b"}, 2) +
        List("DateList", {"NO", "YES"}, 2));
  p.timers.AdvanceMs(10000);
  EXPECT_EQ(errors, Lines{"Invalid argument to time encode"});
  EXPECT_FALSE(form->SlotAt(2)->Enabled());
  EXPECT_EQ(States(), (Lines{"NO", "YES"}));
  // The next day re-arms it: one more report.
  p.timers.AdvanceMs(15 * 3600 * 1000LL + 10000);
  EXPECT_EQ(errors.size(), 2u);
  EXPECT_FALSE(form->SlotAt(2)->Enabled());
  // Stored from the editor (which holds hour 23 at most) it is sound again.
  form->CurrentSpinBottomClick();
  form->Minutes->SetValue(0);
  form->EnableCb->SetChecked(true);
  form->SetSchedValues();
  p.timers.AdvanceMs(10000);
  EXPECT_EQ(errors.size(), 2u);
  EXPECT_TRUE(form->SlotAt(2)->Enabled());  // waiting for 23:00
  EXPECT_EQ(form->SlotAt(2)->Time()->Hour(), 23);
  SetExceptionHandler(nullptr);
}

}  // namespace
}  // namespace marrowby
