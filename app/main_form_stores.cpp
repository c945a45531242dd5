// The settings stores of the main window: four stores of 25 slots each, the
// first also keeping the description and launch-state lists and the day
// stamp. They act only when called: restored at creation, saved whenever a
// schedule is stored, created, removed or marked, and at destruction.
#include "app/main_form.h"
#include "store/form_storage.h"

namespace marrowby {

namespace {
const char* const kSlotProperties[] = {"Checks", "CommandLine", "Date", "Enabled",
                                       "MonthDay", "Tag", "Time", "WeekDay"};
}  // namespace

void TMainForm::BuildStores() {
  for (int s = 0; s < 4; ++s) {
    auto* store = new TFormStorage(this);
    store->SetName("FormStorage" + std::to_string(s + 1));
    store->SetActive(false);
    store->SetOptions({});
    TStringList list;
    for (int n = s * 25 + 1; n <= s * 25 + 25; ++n) {
      for (const char* prop : kSlotProperties) list.Add("Launcher" + std::to_string(n) + "." + prop);
    }
    if (s == 0) {
      for (const char* extra : {"LaunchList.Tag", "ListBox1.Items", "DateList.Items", "StatusBar1.Tag"}) {
        list.Add(extra);
      }
    }
    store->SetStoredProps(&list);
    Stores[s] = store;
  }
}

void TMainForm::RestoreStores() {
  for (TFormStorage* store : Stores) store->RestoreStoredProps();
}

void TMainForm::SaveStores() {
  for (TFormStorage* store : Stores) store->SaveStoredProps();
  host_->SettingsSaved();
}

}  // namespace marrowby
