// Moving the editor between schedules, creating a schedule in the first
// unused slot, removing one by moving the later ones down, choosing one from
// the description list, and schedules made from dropped files.
#include "app/main_form.h"

#include "core/platform.h"

namespace marrowby {

namespace {
const char kNoSchedules[] =
    "You have no schedules currently assigned,\nSelect New from the list of buttons .";
const char kFirstAssigned[] = "This is the first assigned schedule";
const char kLastAssigned[] =
    "This is the last assigned schedule, Select New\nfrom the list of buttons to create a new "
    "schedule.";
const char kFirstSet[] = "This is the first set schedule";
const char kLastSet[] = "This is the last set schedule";
const char kIncomplete[] = "You haven't completed the current schedules command to launch";
const char kNoDescriptions[] = "There are no descriptions listed";
const char kAllSlotsUsed[] =
    "All 100 schedules are in use.\nRemove a schedule before creating a new one.";
}  // namespace

void TMainForm::ShowPosition(int position) {
  GetSchedValues(SlotAt(position)->ComponentIndex());
  DescEdit->SetText(ListBox1->Items()->Get(position - 1));
  CurrentSpin->SetTag(position);
  SchedNum->SetCaption(std::to_string(position));
  ShowNextLaunch();
}

void TMainForm::CurrentSpinTopClick() {
  if (Count() == 0) {
    host_->Message(MessageKind::Information, kNoSchedules);
  } else if (Position() < 2) {
    host_->Message(MessageKind::Information, kFirstAssigned);
  } else {
    SetSchedValues();
    ShowPosition(Position() - 1);
  }
}

void TMainForm::CurrentSpinBottomClick() {
  if (Count() == 0) {
    host_->Message(MessageKind::Information, kNoSchedules);
  } else if (Position() < Count()) {
    SetSchedValues();
    ShowPosition(Position() + 1);
  } else {
    host_->Message(MessageKind::Information, kLastAssigned);
  }
}

void TMainForm::FirstBtnClick() {
  if (Count() == 0) return;
  if (Position() == 1) {
    host_->Message(MessageKind::Information, kFirstSet);
  } else {
    ShowPosition(1);
  }
}

void TMainForm::LastBtnClick() {
  if (Count() == 0) return;
  if (Position() == Count()) {
    host_->Message(MessageKind::Information, kLastSet);
  } else {
    ShowPosition(Count());
  }
}

void TMainForm::NewBtnClick() {
  const int n = Count();
  if (n >= LaunchList->Items()->Count()) {
    host_->Message(MessageKind::Information, kAllSlotsUsed);
    return;
  }
  if (DescEdit->Enabled() && CommandEdit->Text().size() < 6) {
    host_->Message(MessageKind::Error, kIncomplete);
    NewBtn->SetEnabled(false);
    return;
  }
  if (!DescEdit->Enabled()) EnableGUI();
  SetSchedValues();
  TLauncher* slot = SlotAt(n + 1);
  slot->SetDateTime(Now());
  // A new schedule starts with no choices (an unused slot's Tag of 0 would
  // read as Sunday).
  slot->SetTag(FlagDigits().ToTag());
  GetSchedValues(slot->ComponentIndex());
  DescEdit->SetText("New Schedule");
  ListBox1->Items()->Add(DescEdit->Text());
  DateList->Items()->Add("NO");
  CurrentSpin->SetTag(n + 1);
  SchedNum->SetCaption(std::to_string(n + 1));
  TotalNum->SetCaption(std::to_string(n + 1));
  NewBtn->SetEnabled(false);
  SaveStoresNow();
  ShowNextLaunch();
}

void TMainForm::ClearSlot(TLauncher* slot) {
  slot->SetCommandLine("");
  slot->SetChecks({lcTime});
  slot->SetMonthDay(1);
  slot->SetTag(0);
  slot->SetEnabled(false);
}

void TMainForm::RemoveBtnClick() {
  const int p = Position();
  const int n = Count();
  if (p < 1 || p > n) return;
  removing_ = true;
  ListBox1->Items()->Delete(p - 1);
  DateList->Items()->Delete(p - 1);
  for (int q = p + 1; q <= n; ++q) {
    GetSchedValues(SlotAt(q)->ComponentIndex());
    edited_ = true;
    CurrentSpin->SetTag(q - 1);
    SetSchedValues();
  }
  ClearSlot(SlotAt(n));
  removing_ = false;
  // Launches in progress follow their schedules down the list.
  for (int* pos : launchesInProgress_) {
    if (*pos == p) {
      *pos = 0;
    } else if (*pos > p) {
      --*pos;
    }
  }
  TotalNum->SetCaption(std::to_string(n - 1));
  if (n - 1 == 0) {
    GetSchedValues(SlotAt(1)->ComponentIndex());
    DescEdit->SetText("");
    CurrentSpin->SetTag(0);
    SchedNum->SetCaption("0");
    DisableGUI();
  } else if (p > n - 1) {
    ShowPosition(n - 1);
  } else {
    ShowPosition(p);
  }
  edited_ = false;
  SaveStoresNow();
  ShowNextLaunch();
}

void TMainForm::GetBtnClick() {
  if (Count() == 0) {
    host_->Message(MessageKind::Error, kNoDescriptions);
    return;
  }
  host_->Message(MessageKind::Plain, "CurrentSpin.Tag = " + std::to_string(Position()));
  HideBtn->SetEnabled(false);
  CloseBtn->SetEnabled(false);
  DescPanel->SetTop(3);
}

void TMainForm::ListBox1Click() { DescOKBtn->SetEnabled(true); }

void TMainForm::DescOKBtnClick() {
  const int line = ListBox1->ItemIndex();
  // Nothing selected (the selection was lost): nothing to show.
  if (line < 0 || line >= Count()) return;
  ShowPosition(line + 1);
  HideBtn->SetEnabled(true);
  CloseBtn->SetEnabled(true);
  DescPanel->SetTop(-267);
  DescOKBtn->SetEnabled(false);
}

void TMainForm::CancelBtnClick() {
  HideBtn->SetEnabled(true);
  CloseBtn->SetEnabled(true);
  DescPanel->SetTop(-267);
}

void TMainForm::FileDrag1Drop(const std::vector<std::string>& files) {
  for (const std::string& file : files) {
    const int before = Count();
    NewBtnClick();
    // New refused (every slot used, or the shown schedule incomplete): the
    // file must not replace the shown schedule's item.
    if (Count() == before) return;
    CommandEdit->SetFileName(file);
  }
  // Stored now rather than at the next hide, so the last file is kept too.
  SetSchedValues();
}

}  // namespace marrowby
