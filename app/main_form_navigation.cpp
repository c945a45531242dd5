// Moving the editor between schedules, creating a schedule in the first
// unused slot, removing one by moving the later ones down, choosing one from
// the description list, and schedules made from dropped files.
#include "app/main_form.h"

#include <exception>

#include "core/errors.h"
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
  if (!Schedules().IsSet(position)) return;
  {
    Loading loading(this);
    GetSchedValues(SlotAt(position)->ComponentIndex());
    DescEdit->SetText(Schedules().Description(position));
  }
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

void TMainForm::NewBtnClick() { NewSchedule(); }

bool TMainForm::NewSchedule() {
  const int n = Count();
  if (n >= Schedules().SlotCount()) {
    host_->Message(MessageKind::Information, kAllSlotsUsed);
    return false;
  }
  if (DescEdit->Enabled() && CommandEdit->Text().size() < 6) {
    host_->Message(MessageKind::Error, kIncomplete);
    NewBtn->SetEnabled(false);
    return false;
  }
  if (!DescEdit->Enabled()) EnableGUI();
  SetSchedValues();
  TLauncher* slot = SlotAt(n + 1);
  slot->SetDateTime(Now());
  // A new schedule starts with no choices (an unused slot's Tag of 0 would
  // read as Sunday), and on Sunday whatever schedule last used the slot.
  slot->SetTag(FlagDigits().ToTag());
  slot->SetWeekDay(ldSunday);
  {
    Loading loading(this);
    GetSchedValues(slot->ComponentIndex());
    DescEdit->SetText("New Schedule");
  }
  Schedules().Append(DescEdit->Text(), LaunchState::No);
  CurrentSpin->SetTag(n + 1);
  SchedNum->SetCaption(std::to_string(n + 1));
  TotalNum->SetCaption(std::to_string(n + 1));
  NewBtn->SetEnabled(false);
  SaveStoresNow();
  ShowNextLaunch();
  return true;
}

void TMainForm::ClearSlot(TLauncher* slot) {
  slot->SetCommandLine("");
  slot->SetChecks({lcTime});
  slot->SetMonthDay(1);
  slot->SetTag(0);
  slot->SetEnabled(false);
}

void TMainForm::MoveSchedule(TLauncher* from, TLauncher* to) {
  // Every stored property exactly as it is: a schedule moved down the list
  // is not edited (its next weekday, an impossible hour, its milliseconds
  // stay).
  to->SetCommandLine(from->CommandLine());
  to->SetChecks(from->Checks());
  to->Date()->SetYear(from->Date()->Year());
  to->Date()->SetMonth(from->Date()->Month());
  to->Date()->SetDay(from->Date()->Day());
  to->Time()->SetHour(from->Time()->Hour());
  to->Time()->SetMin(from->Time()->Min());
  to->Time()->SetSec(from->Time()->Sec());
  to->Time()->SetMSec(from->Time()->MSec());
  to->SetMonthDay(from->MonthDay());
  to->SetWeekDay(from->WeekDay());
  to->SetTag(from->Tag());
  to->SetEnabled(from->Enabled());
}

void TMainForm::RemoveBtnClick() {
  const int p = Position();
  const int n = Count();
  if (p < 1 || p > n) return;
  std::exception_ptr failure;
  {
    // Stores during the moves leave the lists alone, and whatever fails,
    // later stores update them again.
    removing_ = true;
    struct ClearFlag {
      bool& flag;
      ~ClearFlag() { flag = false; }
    } clearFlag{removing_};
    Schedules().MoveDownOver(p);
    for (int q = p + 1; q <= n; ++q) {
      try {
        MoveSchedule(SlotAt(q), SlotAt(q - 1));
      } catch (...) {
        // Arming keeps the value even when the system has no timer left;
        // the first such failure is reported when the removal is complete.
        if (!failure) failure = std::current_exception();
      }
    }
    ClearSlot(SlotAt(n));
    if (static_cast<int>(lastLaunch_.size()) >= p) lastLaunch_.erase(lastLaunch_.begin() + (p - 1));
  }
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
    Loading loading(this);
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
  ClearEdits();
  SaveStoresNow();
  ShowNextLaunch();
  if (failure) std::rethrow_exception(failure);
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
    // New refused (every slot used, or the shown schedule incomplete): the
    // file must not replace the shown schedule's item. (A launch while its
    // box is open may remove a schedule meanwhile: the count says nothing.)
    if (!NewSchedule()) return;
    CommandEdit->SetFileName(file);
  }
  // Stored now rather than at the next hide, so the last file is kept too.
  SetSchedValues();
}

}  // namespace marrowby
