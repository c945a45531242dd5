// The main window's life: creation, showing, tray residence, closing, the
// change of day that re-arms launched schedules, and the end of a session.
#include "app/main_form.h"

#include "core/errors.h"
#include "core/platform.h"
#include "core/text.h"
#include "store/form_storage.h"
#include "store/ini_file.h"

namespace marrowby {

namespace {
const char kQuitQuestion[] = "Do you wish to quit the Schedule Manager ?";
}

void TMainForm::FormCreate() {
  askOnClose_ = false;
  removing_ = false;
  // The slot table: every slot, in component order.
  std::vector<TLauncher*> slots;
  for (int i = 0; i < ComponentCount(); ++i) {
    if (auto* slot = dynamic_cast<TLauncher*>(Components(i))) slots.push_back(slot);
  }
  Schedules().SetSlots(std::move(slots));
  const uint64_t failedReads = TIniFile::ReadsFailed();
  RestoreStores();
  if (TIniFile::ReadsFailed() != failedReads) {
    unreadNotice_ = Stores[0]->StoreFileName() +
                    " could not be read: it is left as it is, and changes are not saved.";
  }
  // A damaged or hand-edited settings file: the lists are put in step before
  // anything reads them, and the user is told once, in the status bar.
  std::string mended = Schedules().Mend();
  if (mended.empty()) mended = !unreadNotice_.empty() ? unreadNotice_ : UnreadableSettingsReport();
  if (!mended.empty()) StatusBar1->SetPanelText(mended);
  SetEnables();
  ScheduleDayCheck();
}

void TMainForm::FormShow() {
  edited_ = false;
  askOnClose_ = true;
  Timer3->SetEnabled(true);
  host_->MakeProgramFolderCurrent();
  host_->SetDropEnabled(true);
  Timer1->SetEnabled(true);
  if (Count() == 0) Timer2->SetEnabled(true);
}

void TMainForm::FormActivate() {
  if (Position() != 0) return;
  const int n = Count();
  TotalNum->SetCaption(std::to_string(n));
  if (n == 0) return;
  {
    Loading loading(this);
    GetSchedValues(SlotAt(1)->ComponentIndex());
    DescEdit->SetText(Schedules().Description(1));
  }
  CurrentSpin->SetTag(1);
  SchedNum->SetCaption("1");
  EnableGUI();
  ShowNextLaunch();
}

void TMainForm::FormDeactivate() { SetSchedValues(); }

void TMainForm::FormClose(TCloseAction& action) {
  action = TCloseAction::caFree;
  if (!askOnClose_) return;
  if (host_->Confirm(kQuitQuestion)) return;
  if (hidden_) HideManager();
  action = TCloseAction::caNone;
}

void TMainForm::FormDestroy() {
  if (saveOnDestroy_) SaveStores();
}

void TMainForm::HideBtnClick() {
  SetSchedValues();
  host_->MinimizeApplication();
}

void TMainForm::HideManager() { HideBtnClick(); }

void TMainForm::CloseBtnClick() {
  SetSchedValues();
  Close();
}

void TMainForm::ShowMiClick() { host_->RestoreApplication(); }

void TMainForm::ShowManager() { ShowMiClick(); }

void TMainForm::ExitMiClick() {
  const bool wasHidden = hidden_;
  if (wasHidden) ShowManager();
  if (host_->Confirm(kQuitQuestion)) {
    askOnClose_ = false;
    if (wasHidden) HideManager();
    Close();
    return;
  }
  if (wasHidden) HideManager();
}

void TMainForm::HelpBtnClick() { host_->HelpContents(); }

void TMainForm::AppEvents1Minimize() {
  if (host_->SystemMajorVersion() >= 4) host_->ShowTaskbarEntry(false);
  hidden_ = true;
  host_->SetManagerHiddenMenu(true);
}

void TMainForm::AppEvents1Restore() {
  if (host_->SystemMajorVersion() >= 4) host_->ShowTaskbarEntry(true);
  hidden_ = false;
  host_->SetManagerHiddenMenu(false);
}

void TMainForm::AppEvents1Hint(const std::string& hint) {
  const std::string text = LongHint(hint);
  // Away from the controls the status bar tells when the schedule launches.
  hintShown_ = !text.empty();
  StatusBar1->SetPanelText(hintShown_ ? text : !writeNotice_.empty() ? writeNotice_ : nextLaunchText_);
}

void TMainForm::Timer1Timer() {
  HideBtnClick();
  Timer1->SetEnabled(false);
}

void TMainForm::Timer2Timer() {
  Timer2->SetEnabled(false);
  if (Count() == 0 && hidden_) {
    askOnClose_ = false;
    Close();
  }
}

void TMainForm::Timer3Timer() { SetEnables(); }

std::string TMainForm::StripDate(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != '/') out += c;
  }
  return out;
}

int32_t TMainForm::DayStamp(TDateTime today) {
  int y, m, d;
  DecodeDate(today, &y, &m, &d);
  return std::stoi(StripDate(ZeroPadded(d % 100, 2) + ZeroPadded(m % 100, 2) + ZeroPadded(y % 100, 2)));
}

bool TMainForm::SetEnables() {
  const int32_t today = DayStamp(DateOf(Now()));
  if (today == StatusBar1->Tag()) return false;
  const ScheduleTable& table = Schedules();
  for (int p = 1; p <= table.Count(); ++p) {
    table.Slot(p)->SetEnabled(table.State(p) != LaunchState::No);
  }
  StatusBar1->SetTag(today);
  // The Enable box of the shown schedule follows, unless the user has
  // changed it.
  const int shown = Position();
  if (table.IsSet(shown) && !enableTouched_) {
    Loading loading(this);
    EnableCb->SetChecked(ArmedToRun(*table.Slot(shown)));
  }
  ShowNextLaunch();
  return true;
}

void TMainForm::TimeChanged() {
  SetEnables();
  ScheduleDayCheck();
  ShowNextLaunch();
}

void TMainForm::DayTimerTimer() {
  SetEnables();
  ScheduleDayCheck();
}

void TMainForm::ScheduleDayCheck() {
  DayTimer->SetEnabled(true);
  const TDateTime now = Now();
  if (DayTimer->CanDefer()) {
    // Asleep until midnight; the timer host wakes it at least every 30 s
    // all the same, so that a clock moved without a word is seen soon.
    DayTimer->DeferTo(DateOf(now) + 1.0);
    return;
  }
  const double untilMidnight = (DateOf(now) + 1.0 - now) * kMSecsPerDay;
  // A second past midnight, so that the check sees the new day.
  DayTimer->SetInterval(static_cast<uint32_t>(untilMidnight) + 1000);
}

bool TMainForm::QueryEndSession() {
  // The session is ending: no question may hold it up.
  return true;
}

void TMainForm::EndSession(bool ending) {
  if (!ending) return;
  askOnClose_ = false;
  CallGuarded([this] { SetSchedValues(); });
  SaveStoresNow();
}

void TMainForm::SaveStoresNow() {
  CallGuarded([this] { SaveStores(); });
}

bool TMainForm::WriteSettings(const std::function<void()>& write) {
  const uint64_t written = TIniFile::FilesWritten();
  try {
    write();
  } catch (const EIniFileError& e) {
    if (!writeNotice_.empty()) return false;  // told already; tried again at the next save
    writeNotice_ = !unreadNotice_.empty()
                       ? unreadNotice_
                       : std::string(e.what()) + ": changes are kept and saved when the file can be written";
    StatusBar1->SetPanelText(writeNotice_);
    HandleException(e);
    return false;
  }
  // A save that had nothing to write says nothing about the file.
  // A file that was never read stays refused, whatever else was written.
  if (!writeNotice_.empty() && unreadNotice_.empty() && TIniFile::FilesWritten() != written) {
    if (StatusBar1->PanelText() == writeNotice_) StatusBar1->SetPanelText(nextLaunchText_);
    writeNotice_.clear();
    ShowNextLaunch();
  }
  return true;
}

}  // namespace marrowby
