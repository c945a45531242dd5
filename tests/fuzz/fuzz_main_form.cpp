// The main window restored from arbitrary settings text, then worked as a
// user and the clock would: navigation, New, Remove, Get, a store, launches
// and changes of day on the fake clock, a save and a restart. After every step
// the schedule lists must be in step; the restart must give back what was
// saved.
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "core/errors.h"
#include "store/profile_text.h"
#include "tests/fuzz/fuzz_targets.h"
#include "tests/support/fake_platform.h"
#include "tests/support/fake_store_platform.h"
#include "tests/unit/app_fakes.h"

namespace marrowby::fuzz {

namespace {

const char kFile[] = "C:\\WINDOWS\\schedmgr.INI";

// The lists hold together: at most 100 schedules, one launch state each in
// its list text, the shown position among them, no removal left half done,
// unused slots disarmed.
bool InStep(const TMainForm& form) {
  const ScheduleTable& t = form.Schedules();
  const int n = t.Count();
  if (n > t.SlotCount() || t.SlotCount() != kSlotCount) return false;
  if (form.DateList->Items()->Count() != n) return false;
  for (const std::string& line : form.DateList->Items()->Lines()) {
    if (line != "NO" && line != "YES" && line != "DONE") return false;
  }
  if (form.Position() < 0 || form.Position() > n || form.Removing()) return false;
  for (int p = n + 1; p <= t.SlotCount(); ++p) {
    if (t.Slot(p)->Enabled()) return false;
  }
  return true;
}

// What a restart must give back: the lists as the profile reader returns
// lines (trimmed; long ones may be cut) and each set schedule's item.
std::string Snapshot(const TMainForm& form) {
  std::string out;
  const ScheduleTable& t = form.Schedules();
  for (int p = 1; p <= t.Count(); ++p) {
    const std::string& d = t.Description(p);
    out += (d.size() < 1000 ? TrimProfile(d) : "") + "|" + ScheduleTable::StateText(t.State(p)) +
           "|" + (t.Slot(p)->CommandLine().size() < 1000 ? t.Slot(p)->CommandLine() : "") + "\n";
  }
  return out;
}

// One step of the user or the clock, chosen by a byte.
void Step(TMainForm& form, testing::FakePlatform& p, uint8_t op) {
  switch (op % 12) {
    case 0: form.CurrentSpinTopClick(); break;
    case 1: form.CurrentSpinBottomClick(); break;
    case 2: form.FirstBtnClick(); break;
    case 3: form.LastBtnClick(); break;
    case 4:
      form.NewBtnClick();
      form.CommandEdit->SetFileName("C:\\job" + std::to_string(op) + ".exe");
      break;
    case 5: form.RemoveBtnClick(); break;
    case 6:
      form.GetBtnClick();
      form.ListBox1->SetItemIndex(op / 12 % (form.Count() + 1) - 1);
      form.ListBox1Click();
      form.DescOKBtnClick();
      form.CancelBtnClick();
      break;
    case 7:
      // An edit that arms the shown schedule (or not), then a store.
      form.EnableCb->SetChecked(op & 0x10);
      form.AnnounceCb->SetChecked(op & 0x20);
      form.OnceCb->SetChecked(op & 0x40);
      form.WDCb->SetChecked(op & 0x80);
      form.Days[op % 7]->SetChecked(true);
      form.HideBtnClick();
      form.ShowMiClick();
      break;
    case 8: p.timers.AdvanceMs(1000u * (op / 12 + 1)); break;
    case 9:
      p.clock.AdvanceMs(kMSecsPerDay);
      form.TimeChanged();
      break;
    case 10: form.NumSchedsMiClick(); break;
    default: form.FileDrag1Drop({"C:\\dropped\\file" + std::to_string(op) + ".doc"}); break;
  }
}

ComponentPtr<TMainForm> Start(testing::FakeHost& host) {
  auto form = testing::MakeShownForm(host);
  form->DoActivate();
  return form;
}

}  // namespace

bool FuzzMainForm(const uint8_t* data, size_t size) {
  static testing::FakePlatform platform;
  platform.clock.Set(EncodeDate(2024, 2, 28) + EncodeTime(23, 59, 0, 0));
  // Failures go to the error display, which here only counts them.
  int errors = 0;
  SetExceptionHandler([&](const std::exception&) { ++errors; });
  testing::FakeStorePlatform store;
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t nul = input.find('\0');
  store.fs.files[kFile] = input.substr(0, nul);
  const std::string ops = nul == std::string::npos ? "" : input.substr(nul + 1, 16);

  bool ok = true;
  {
    testing::FakeTimerHost& timers = platform.timers;
    testing::FakeHost host(timers);
    // Announcements are cancelled at once (a countdown costs time only).
    host.whileModal = [](TForm& modal) { modal.Close(); };
    auto form = Start(host);
    ok = InStep(*form);
    for (size_t i = 0; ok && i < ops.size(); ++i) {
      try {
        Step(*form, platform, static_cast<uint8_t>(ops[i]));
      } catch (const std::exception& e) {
        HandleException(e);
      }
      ok = InStep(*form);
    }
    if (ok) {
      try {
        form->SetSchedValues();
      } catch (const std::exception& e) {
        HandleException(e);
      }
      const std::string before = Snapshot(*form);
      form.reset();  // saves
      form = Start(host);
      ok = InStep(*form) && Snapshot(*form) == before;
    }
    form.reset();
  }
  SetExceptionHandler(nullptr);
  return ok;
}

}  // namespace marrowby::fuzz
