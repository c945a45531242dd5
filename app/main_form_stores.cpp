// The settings stores of the main window: four stores of 25 slots each, the
// first also keeping the description and launch-state lists and the day
// stamp. They act only when called: restored at creation, saved whenever a
// schedule is stored, created, removed or marked, and at destruction. A file
// that cannot be written is told once (WriteSettings).
#include "app/main_form.h"
#include "store/file_system.h"
#include "store/form_placement.h"
#include "store/form_storage.h"
#include "store/profile_file.h"
#include "store/store_platform.h"

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

// A settings file that is there but holds nothing the stores wrote (it was
// overwritten with other data, or damaged past reading) would otherwise start
// an empty schedule table without a word.
std::string TMainForm::UnreadableSettingsReport() {
  StorePlatform& platform = CurrentStorePlatform();
  ProfileFileSystem& files = platform.Files();
  const ProfileLocation where = files.Locate(DefaultIniFileName(platform.ExeName()));
  std::string path = where.fallback;
  std::string bytes;
  FileStatus status = path.empty() ? FileStatus::NotFound : files.Read(path, &bytes);
  if (status == FileStatus::NotFound) {
    path = where.primary;
    status = files.Read(path, &bytes);
  }
  if (status != FileStatus::Ok || bytes.find_first_not_of(" \t\r\n") == std::string::npos) return "";
  const ProfileFile profile(bytes);
  const std::string section = ClassName();
  if (profile.HasValue(section + ".ListBox1_Items", "Count")) return "";
  for (int n = 1; n <= 100; ++n) {
    for (const char* prop : kSlotProperties) {
      if (profile.HasValue(section, "Launcher" + std::to_string(n) + "_" + prop)) return "";
    }
  }
  return "The settings file " + path + " holds no schedules that can be read.";
}

void TMainForm::SaveStores() {
  const bool saved = WriteSettings([this] {
    for (TFormStorage* store : Stores) store->SaveStoredProps();
  });
  if (saved) host_->SettingsSaved();
}

}  // namespace marrowby
