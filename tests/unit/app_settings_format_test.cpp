// What the main window's four stores put in the settings file and read back:
// the worked example byte for byte, the edge cases of the format, and a round
// trip of all 100 slots and the lists with random values.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "app/main_form.h"
#include "core/text.h"
#include "store/form_storage.h"
#include "store/prop_codec.h"
#include "tests/support/fake_platform.h"
#include "tests/support/error_log.h"
#include "tests/support/fake_placement_port.h"
#include "tests/support/fake_store_platform.h"
#include "tests/unit/app_fakes.h"

namespace marrowby {
namespace {

using testing::FakeHost;
using testing::FakePlacementPort;
using testing::FakePlatform;
using testing::FakeStorePlatform;

// The program's main window, loaded (its stores have resolved their lists)
// but not created: the tests call its stores themselves. Its window is a
// fake one with a placement of its own.
class Form {
 public:
  Form(FakeHost& host, NativeWindow window) : form_(MakeComponent<TMainForm>(nullptr, &host)) {
    host.AttachView(*form_);
    host.views.back()->handle = window;
    form_->SetSaveOnDestroy(false);
    form_->BeginLoading();
    form_->EndLoading();
  }
  TMainForm* operator->() const { return form_.get(); }
  TMainForm& operator*() const { return *form_; }
  TLauncher* Launcher(int n) const { return form_->Launchers.at(static_cast<size_t>(n - 1)); }
  void SaveAll() { form_->SaveStores(); }
  void RestoreAll() { form_->RestoreStores(); }

 private:
  ComponentPtr<TMainForm> form_;
};

const char kFile[] = "C:\\WINDOWS\\schedmgr.INI";
const std::string kPlacement =
    "Flags=0\r\nShowCmd=1\r\nPixelsPerInch=96\r\n"
    "MinMaxPos(1024x768)=-1,-1,-1,-1\r\nMinMaxPos=-1,-1,-1,-1\r\n"
    "NormPos(1024x768)=10,20,410,320\r\nNormPos=10,20,410,320\r\nVisible=0\r\n";
// Slot 1 of the worked example: a schedule on date and time, enabled, with
// the window's fixed date and time.
const std::string kWorkedSlot1 =
    "Launcher1_Checks=[lcDate,lcTime]\r\n"
    "Launcher1_CommandLine=\r\n"
    "Launcher1_DateDay=16\r\n"
    "Launcher1_DateMonth=2\r\n"
    "Launcher1_DateYear=1999\r\n"
    "Launcher1_Enabled=True\r\n"
    "Launcher1_MonthDay=1\r\n"
    "Launcher1_Tag=0\r\n"
    "Launcher1_TimeHour=19\r\n"
    "Launcher1_TimeMin=36\r\n"
    "Launcher1_TimeMSec=520\r\n"
    "Launcher1_TimeSec=49\r\n"
    "Launcher1_WeekDay=ldSunday\r\n";

class SettingsFormat : public ::testing::Test {
 protected:
  SettingsFormat() {
    WindowPlacement& p = windows.windows[window].placement;
    p.showCmd = 1;
    p.minPosition = {-1, -1};
    p.maxPosition = {-1, -1};
    p.normalPosition = {10, 20, 410, 320};
  }
  std::string& File() { return store.fs.files[kFile]; }
  // Sets the file and restores the four stores from it.
  void RestoreFrom(const std::string& text) {
    File() = text;
    form.RestoreAll();
  }
  // What a save reports to the error display.
  std::string SaveError() {
    testing::ErrorLog errors;
    form.SaveAll();
    return errors.messages.empty() ? "" : errors.messages.back();
  }

  FakePlatform platform;
  FakeStorePlatform store;
  FakePlacementPort windows;
  FakeHost host{platform.timers};
  int windowTag = 0;
  const NativeWindow window = FakePlacementPort::HandleOf(&windowTag);
  Form form{host, window};
};

TEST_F(SettingsFormat, TheWorkedExampleByteForByte) {
  TLauncher* slot = form.Launcher(1);
  slot->SetChecks({lcDate, lcTime});
  slot->SetCommandLine("");
  slot->SetEnabled(true);
  form->ListBox1->Items()->SetLines({"Nightly backup", "Weekly report"});
  // A store of slot 1 and the description list alone shows the whole file.
  TFormStorage one(&*form);
  one.SetActive(false);
  TStringList list;
  list.SetLines({"Launcher1.Checks", "Launcher1.CommandLine", "Launcher1.Date", "Launcher1.Enabled",
                 "Launcher1.MonthDay", "Launcher1.Tag", "Launcher1.Time", "Launcher1.WeekDay",
                 "ListBox1.Items"});
  one.SetStoredProps(&list);
  one.SaveStoredProps();
  // The platform's profile writer puts no blank line between sections.
  EXPECT_EQ(File(),
            "[TMainForm]\r\n" + kPlacement + kWorkedSlot1 +
                "[TMainForm.ListBox1_Items]\r\n"
                "Count=2\r\n"
                "Item0=Nightly backup\r\n"
                "Item1=Weekly report\r\n");
}

// The same through the window's own four stores: slot 1 is written at the
// head of the section, and every slot, used or not, carries the window's
// fixed date and time unless a schedule set its own.
TEST_F(SettingsFormat, TheWorkedExampleThroughTheWindowsStores) {
  TLauncher* slot = form.Launcher(1);
  slot->SetChecks({lcDate, lcTime});
  slot->SetEnabled(true);
  form->ListBox1->Items()->SetLines({"Nightly backup", "Weekly report"});
  form.SaveAll();
  const std::string& f = File();
  EXPECT_EQ(f.find("[TMainForm]\r\n" + kPlacement + kWorkedSlot1 +
                   "Launcher2_Checks=[lcTime]\r\n"),
            0u);
  EXPECT_NE(f.find("[TMainForm.ListBox1_Items]\r\nCount=2\r\nItem0=Nightly backup\r\n"
                   "Item1=Weekly report\r\n"),
            std::string::npos);
  for (int n = 2; n <= 100; ++n) {
    const std::string k = "Launcher" + std::to_string(n);
    EXPECT_NE(f.find(k + "_DateDay=16\r\n" + k + "_DateMonth=2\r\n" + k + "_DateYear=1999\r\n" + k +
                     "_Enabled=False\r\n" + k + "_MonthDay=1\r\n" + k + "_Tag=0\r\n" + k +
                     "_TimeHour=19\r\n" + k + "_TimeMin=36\r\n" + k + "_TimeMSec=520\r\n" + k +
                     "_TimeSec=49\r\n" + k + "_WeekDay=ldSunday\r\n"),
              std::string::npos)
        << k;
  }
}

TEST_F(SettingsFormat, TheFourStoresShareOneSectionInListOrder) {
  form->StatusBar1->SetTag(80624);
  form->DateList->Items()->SetLines({"YES"});
  form.SaveAll();
  const std::string& f = File();
  EXPECT_EQ(f.find("[TMainForm]\r\n" + kPlacement + "Launcher1_Checks=[lcTime]\r\n"), 0u);
  const size_t l25 = f.find("Launcher25_WeekDay=ldSunday\r\nLaunchList_Tag=0\r\nStatusBar1_Tag=80624\r\n"
                            "Launcher26_Checks=");
  EXPECT_NE(l25, std::string::npos);
  EXPECT_NE(f.find("Launcher100_WeekDay=ldSunday\r\n[TMainForm.DateList_Items]\r\nCount=1\r\nItem0=YES\r\n"),
            std::string::npos);
  EXPECT_EQ(f.find("ListBox1_Items"), std::string::npos) << "an empty list leaves no section";
  EXPECT_EQ(f.find("Interval"), std::string::npos);
  EXPECT_EQ(f.find("Wait"), std::string::npos);
  EXPECT_EQ(store.fs.replaces, 4) << "one write per store";
}

TEST_F(SettingsFormat, AFreshInstallationRestoresNothingAndRaisesNothing) {
  form.Launcher(7)->SetCommandLine("  keep me ");
  form->ListBox1->Items()->SetLines({"a"});
  EXPECT_NO_THROW(form.RestoreAll());
  EXPECT_EQ(form.Launcher(7)->CommandLine(), "  keep me ") << "a missing key changes nothing";
  EXPECT_EQ(form->ListBox1->Items()->Count(), 1);
  EXPECT_TRUE(store.fs.files.empty());
}

TEST_F(SettingsFormat, AnEmptySavedListErasesItsSectionAndRestoreKeepsTheCurrentLines) {
  form->ListBox1->Items()->SetLines({"old"});
  form.SaveAll();
  ASSERT_NE(File().find("[TMainForm.ListBox1_Items]"), std::string::npos);
  form->ListBox1->Items()->Clear();
  form.SaveAll();
  EXPECT_EQ(File().find("ListBox1_Items"), std::string::npos);
  form->ListBox1->Items()->SetLines({"current"});
  form.RestoreAll();
  EXPECT_EQ(form->ListBox1->Items()->Lines(), std::vector<std::string>{"current"});
}

TEST_F(SettingsFormat, ListSectionsReadBackAsStored) {
  RestoreFrom("[TMainForm.ListBox1_Items]\r\nCount=3\r\nItem0=first\r\nItem2=third\r\n"
              "[TMainForm.DateList_Items]\r\nCount= $2 \r\nItem0=YES\r\nItem1=DONE\r\n");
  EXPECT_EQ(form->ListBox1->Items()->Lines(), (std::vector<std::string>{"first", "", "third"}));
  EXPECT_EQ(form->DateList->Items()->Lines(), (std::vector<std::string>{"YES", "DONE"}));
  form->ListBox1->Items()->SetLines({"x"});
  RestoreFrom("[TMainForm.ListBox1_Items]\r\nCount=many\r\nItem0=y\r\n");
  EXPECT_EQ(form->ListBox1->Items()->Lines(), std::vector<std::string>{"x"}) << "no count, no change";
  RestoreFrom("[TMainForm.ListBox1_Items]\r\nCount=-4\r\n");
  EXPECT_EQ(form->ListBox1->Items()->Lines(), std::vector<std::string>{"x"});
}

TEST_F(SettingsFormat, AHugeCountIsReadOnlyUpToTheLimit) {
  RestoreFrom("[TMainForm.ListBox1_Items]\r\nCount=2000000000\r\nItem0=a\r\n");
  EXPECT_EQ(form->ListBox1->Items()->Count(), kMaxStoredListLines);
  EXPECT_EQ(form->ListBox1->Items()->Get(0), "a");
}

TEST_F(SettingsFormat, EnumerationsAndBooleansByIdentifierOnly) {
  TLauncher* s5 = form.Launcher(5);
  RestoreFrom("[TMainForm]\r\nLauncher5_Enabled=yes\r\nLauncher5_WeekDay=LDFRIDAY\r\n");
  EXPECT_FALSE(s5->Enabled()) << "'yes' is no identifier of the type";
  EXPECT_EQ(s5->WeekDay(), ldFriday);
  RestoreFrom("[TMainForm]\r\nLauncher5_Enabled=true\r\nLauncher5_WeekDay=ldNever\r\n");
  EXPECT_TRUE(s5->Enabled());
  EXPECT_EQ(s5->WeekDay(), ldFriday);
}

TEST_F(SettingsFormat, SetsWordByWordSkippingUnknownWords) {
  TLauncher* s5 = form.Launcher(5);
  RestoreFrom("[TMainForm]\r\nLauncher5_Checks=[lcTime, bogus ,lcWeekDay]\r\n");
  EXPECT_EQ(s5->Checks(), (TApplyChecks{lcTime, lcWeekDay}));
  RestoreFrom("[TMainForm]\r\nLauncher5_Checks=LCMONTHDAY\r\n");
  EXPECT_EQ(s5->Checks(), TApplyChecks{lcMonthDay});
  RestoreFrom("[TMainForm]\r\nLauncher5_Checks=\r\n");
  EXPECT_TRUE(s5->Checks().Empty());
}

TEST_F(SettingsFormat, IntegersThatDoNotParseGiveZero) {
  TLauncher* s5 = form.Launcher(5);
  s5->SetMonthDay(9);
  RestoreFrom("[TMainForm]\r\nLauncher5_MonthDay=abc\r\nLauncher5_Tag=$FF\r\n");
  EXPECT_EQ(s5->MonthDay(), 0);
  EXPECT_EQ(s5->Tag(), 255);
  s5->SetMonthDay(9);
  RestoreFrom("[TMainForm]\r\nLauncher5_MonthDay=\r\nLauncher5_Tag=-12\r\nLauncher5_DateYear=70000\r\n");
  EXPECT_EQ(s5->MonthDay(), 0);
  EXPECT_EQ(s5->Tag(), -12);
  EXPECT_EQ(s5->Date()->Year(), 70000 & 0xFFFF) << "kept to the field's width";
}

TEST_F(SettingsFormat, CommandLinesTrimmedQuotedAndCut) {
  TLauncher* s = form.Launcher(3);
  s->SetCommandLine("  notepad.exe c:\\a.txt \t");
  form.SaveAll();
  s->SetCommandLine("");
  form.RestoreAll();
  EXPECT_EQ(s->CommandLine(), "notepad.exe c:\\a.txt");

  s->SetCommandLine("\"C:\\Program Files\\App\\app.exe\"");
  form.SaveAll();
  EXPECT_NE(File().find("Launcher3_CommandLine=\"\"C:\\Program Files\\App\\app.exe\"\"\r\n"),
            std::string::npos);
  s->SetCommandLine("");
  form.RestoreAll();
  EXPECT_EQ(s->CommandLine(), "\"C:\\Program Files\\App\\app.exe\"");

  s->SetCommandLine(std::string(1500, 'c'));
  form.SaveAll();
  form.RestoreAll();
  EXPECT_EQ(s->CommandLine(), std::string(1023, 'c'));
}

TEST_F(SettingsFormat, LineBreaksInValuesCannotInjectKeys) {
  form.Launcher(2)->SetCommandLine("evil.exe\r\nLauncher1_CommandLine=format.com");
  form->ListBox1->Items()->SetLines({"one\r\n[TMainForm]", "two"});
  form.SaveAll();
  form.Launcher(1)->SetCommandLine("good.exe");
  form.SaveAll();
  form.RestoreAll();
  EXPECT_EQ(form.Launcher(1)->CommandLine(), "good.exe");
  EXPECT_EQ(form.Launcher(2)->CommandLine(), "evil.exe  Launcher1_CommandLine=format.com");
  EXPECT_EQ(form->ListBox1->Items()->Lines(), (std::vector<std::string>{"one  [TMainForm]", "two"}));
}

TEST_F(SettingsFormat, FieldsAreAssignedInNameOrder) {
  std::vector<std::string> order;
  TLauncher* s = form.Launcher(4);
  s->Date()->OnChange = [&](TObject*) {
    order.push_back("D" + std::to_string(s->Date()->Day()) + "/" + std::to_string(s->Date()->Month()) +
                    "/" + std::to_string(s->Date()->Year()));
  };
  s->Time()->OnChange = [&](TObject*) {
    const TTimeNum* t = s->Time();
    order.push_back("T" + std::to_string(t->Hour()) + ":" + std::to_string(t->Min()) + ":" +
                    std::to_string(t->Sec()) + "." + std::to_string(t->MSec()));
  };
  RestoreFrom("[TMainForm]\r\nLauncher4_DateYear=2001\r\nLauncher4_DateMonth=3\r\nLauncher4_DateDay=1\r\n"
              "Launcher4_TimeSec=9\r\nLauncher4_TimeMSec=250\r\nLauncher4_TimeMin=5\r\nLauncher4_TimeHour=14\r\n");
  EXPECT_EQ(order, (std::vector<std::string>{"D1/2/1999", "D1/3/1999", "D1/3/2001", "T14:36:49.520",
                                             "T14:5:49.520", "T14:5:49.250", "T14:5:9.250"}));
}

TEST_F(SettingsFormat, AReadOnlyFileFailsNamingItAndStaysAsItWas) {
  File() = "[TMainForm]\r\nLauncher1_Tag=5\r\n";
  store.fs.readOnly.insert(kFile);
  form.Launcher(1)->SetTag(6);
  EXPECT_EQ(SaveError(), "Unable to write to schedmgr.INI");
  EXPECT_EQ(File(), "[TMainForm]\r\nLauncher1_Tag=5\r\n");
}

TEST_F(SettingsFormat, AFailedSaveWritesNothingAtAll) {
  form.SaveAll();
  const std::string before = File();
  form.Launcher(1)->SetTag(1234);
  form->ListBox1->Items()->SetLines({"new"});
  store.fs.failReplaces = 1;
  EXPECT_EQ(SaveError(), "Unable to write to schedmgr.INI");
  EXPECT_EQ(File(), before);
}

// Every stored property of every slot, the lists and the day stamp with
// random values: what is saved comes back.
TEST_F(SettingsFormat, AllHundredSlotsRoundTripWithRandomValues) {
  std::mt19937 rng(7);
  auto rnd = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto text = [&](int maxLen) {
    static const std::string chars = "abcXYZ019 _-.:\\\"'=[];,$%&()\xE9\xFC";
    std::string s;
    const int n = rnd(0, maxLen);
    for (int i = 0; i < n; ++i) s += chars[static_cast<size_t>(rnd(0, static_cast<int>(chars.size()) - 1))];
    return Trim(s);
  };
  for (int n = 1; n <= 100; ++n) {
    TLauncher* s = form.Launcher(n);
    s->SetChecks(TApplyChecks::FromBits(static_cast<uint32_t>(rnd(0, 15))));
    s->SetCommandLine(rnd(0, 4) == 0 ? "\"" + text(20) + "\"" : text(60));
    s->Date()->SetDay(static_cast<TDay>(rnd(0, 255)));
    s->Date()->SetMonth(static_cast<TMonth>(rnd(0, 255)));
    s->Date()->SetYear(static_cast<TYear>(rnd(0, 65535)));
    s->SetEnabled(rnd(0, 1) == 1);
    s->SetMonthDay(static_cast<TDay>(rnd(0, 255)));
    s->SetTag(static_cast<int32_t>(rng()));
    s->Time()->SetHour(static_cast<THour>(rnd(0, 255)));
    s->Time()->SetMin(static_cast<TMin>(rnd(0, 255)));
    s->Time()->SetSec(static_cast<TSec>(rnd(0, 255)));
    s->Time()->SetMSec(static_cast<TMSec>(rnd(0, 65535)));
    s->SetWeekDay(static_cast<TLaunchWeekDay>(rnd(0, 6)));
  }
  std::vector<std::string> descriptions, states;
  for (int i = 0; i < 100; ++i) {
    descriptions.push_back(text(40));
    states.push_back(rnd(0, 2) == 0 ? "YES" : rnd(0, 1) ? "NO" : "DONE");
  }
  form->ListBox1->Items()->SetLines(descriptions);
  form->DateList->Items()->SetLines(states);
  form->StatusBar1->SetTag(311299);
  form->LaunchList->SetTag(-7);
  form.SaveAll();

  Form other{host, nullptr};
  other.RestoreAll();
  for (int n = 1; n <= 100; ++n) {
    const TLauncher* a = form.Launcher(n);
    const TLauncher* b = other.Launcher(n);
    SCOPED_TRACE("Launcher" + std::to_string(n));
    EXPECT_EQ(a->Checks(), b->Checks());
    EXPECT_EQ(a->CommandLine(), b->CommandLine());
    EXPECT_EQ(a->Date()->Day(), b->Date()->Day());
    EXPECT_EQ(a->Date()->Month(), b->Date()->Month());
    EXPECT_EQ(a->Date()->Year(), b->Date()->Year());
    EXPECT_EQ(a->Enabled(), b->Enabled());
    EXPECT_EQ(a->MonthDay(), b->MonthDay());
    EXPECT_EQ(a->Tag(), b->Tag());
    EXPECT_EQ(a->Time()->Hour(), b->Time()->Hour());
    EXPECT_EQ(a->Time()->Min(), b->Time()->Min());
    EXPECT_EQ(a->Time()->Sec(), b->Time()->Sec());
    EXPECT_EQ(a->Time()->MSec(), b->Time()->MSec());
    EXPECT_EQ(a->WeekDay(), b->WeekDay());
  }
  EXPECT_EQ(other->ListBox1->Items()->Lines(), descriptions);
  EXPECT_EQ(other->DateList->Items()->Lines(), states);
  EXPECT_EQ(other->StatusBar1->Tag(), 311299);
  EXPECT_EQ(other->LaunchList->Tag(), -7);
}

}  // namespace
}  // namespace marrowby
