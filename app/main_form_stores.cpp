// The settings stores of the main window: four stores of 25 slots each, the
// first also keeping the description and launch-state lists and the day
// stamp. They act only when called: restored at creation, saved whenever a
// schedule is stored, created, removed or marked, and at destruction. A file
// that cannot be written is told once (WriteSettings).
#include "app/main_form.h"
#include "core/file_system.h"
#include "store/form_storage.h"
#include "store/ini_file.h"
#include "store/profile_file.h"
#include "store/profile_location.h"

namespace marrowby {

void TMainForm::BuildStores() {
  for (int s = 1; s <= kStoreCount; ++s) {
    auto* store = new TFormStorage(this);
    store->SetName("FormStorage" + std::to_string(s));
    store->SetActive(false);
    store->SetOptions({});
    store->SetUserFolder(kUserSettingsFolder);
    TStringList list;
    list.SetLines(StoredPropsOfStore(s));
    store->SetStoredProps(&list);
    Stores[s - 1] = store;
  }
}

void TMainForm::RestoreStores() {
  for (TFormStorage* store : Stores) store->RestoreStoredProps();
}

// A settings file that is there but holds nothing the stores wrote (it was
// overwritten with other data, or damaged past reading) would otherwise start
// an empty schedule table without a word.
std::string TMainForm::UnreadableSettingsReport() {
  FileSystem& files = CurrentFileSystem();
  const ProfileLocation where =
      LocateProfile(files, Stores[0]->StoreFileName(), Stores[0]->UserFolder());
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
  for (int n = 1; n <= kSlotCount; ++n) {
    for (const char* prop : kSlotProperties) {
      if (profile.HasValue(section, SlotName(n) + "_" + prop)) return "";
    }
  }
  return "The settings file " + path + " holds no schedules that can be read.";
}

void TMainForm::SaveStores() {
  const bool saved = WriteSettings([this] {
    // The file's schedules were never read: they are not written over, even
    // when the file can be read again (the lock that kept it has gone).
    if (!unreadNotice_.empty()) {
      throw EIniFileError(FormatMessage(msg::kUnableToWrite, {Stores[0]->StoreFileName()}));
    }
    for (TFormStorage* store : Stores) store->SaveStoredProps();
  });
  if (saved) host_->SettingsSaved();
}

}  // namespace marrowby
