// The schedule editor: loading a slot into the controls and storing the
// controls into the slot at the current position, with the description and
// launch-state lists kept in step.
#include "app/main_form.h"

#include <optional>

#include "core/errors.h"
#include "core/platform.h"
#include "core/text.h"
#include "ui/date_format.h"

namespace marrowby {

bool TMainForm::ArmedToRun(const TLauncher& slot) {
  if (!slot.Enabled()) return false;
  try {
    slot.IsDueAt(Now());
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void TMainForm::GetSchedValues(int componentIndex) {
  // What a load shows is not an edit: a schedule that is only viewed is
  // written back exactly as it was read.
  Loading loading(this);
  auto* slot = static_cast<TLauncher*>(Components(componentIndex));
  CommandEdit->SetFileName(slot->CommandLine());
  const TApplyChecks checks = slot->Checks();
  DateCb->SetChecked(checks.Contains(lcDate));
  TimeCb->SetChecked(checks.Contains(lcTime));
  WDCb->SetChecked(checks.Contains(lcWeekDay));
  MDCb->SetChecked(checks.Contains(lcMonthDay));
  // Loading never fails, so the editor never shows part of one schedule
  // under another one's position: a date that cannot exist shows as today,
  // a time that cannot exist as far as the spin edits' ranges allow.
  TDateTime date;
  const TDateNum* slotDate = slot->Date();
  if (!TryEncodeDate(slotDate->Year(), slotDate->Month(), slotDate->Day(), &date)) {
    date = DateOf(Now());
  }
  DateEdit1->SetDate(date);
  Hours->SetValue(slot->Time()->Hour());
  Minutes->SetValue(slot->Time()->Min());
  Seconds->SetValue(slot->Time()->Sec());
  MDEdit->SetValue(slot->MonthDay());
  EnableCb->SetChecked(ArmedToRun(*slot));
  const FlagDigits flags = FlagDigits::FromTag(slot->Tag());
  for (int d = 0; d < 7; ++d) Days[d]->SetChecked(flags.Day(d));
  AnnounceCb->SetChecked(flags.Announce());
  OnceCb->SetChecked(flags.LaunchOnce());
  DelayCb->SetChecked(flags.AllowCancel());
  DelayCb->SetEnabled(AnnounceCb->Checked());
  ClearEdits();
}

void TMainForm::EditorChanged(EditKind kind) {
  if (loading_) return;
  edited_ = true;
  criteriaEdited_ |= kind == EditKind::Criteria || kind == EditKind::Days;
  daysEdited_ |= kind == EditKind::Days;
  enableTouched_ |= kind == EditKind::Enable;
  ShowNextLaunch();
}

bool TMainForm::LaunchedSinceArmed(int position) const {
  for (const int* p : launchesInProgress_) {
    if (*p == position) return true;
  }
  return Schedules().IsSet(position) && Schedules().State(position) == LaunchState::Done &&
         !SlotAt(position)->Enabled();
}

int TMainForm::EditorWeekDay(int position) const {
  // A schedule that launched today is not given today again.
  const int from = WeekDayOf(Now()) + (LaunchedSinceArmed(position) ? 1 : 0);
  for (int k = 0; k < 7; ++k) {
    const int d = (from + k) % 7;
    if (Days[d]->Checked()) return d;
  }
  return -1;
}

void TMainForm::SetSchedValues() {
  const int p = Position();
  if (!edited_ || p == 0) return;
  TLauncher* slot = SlotAt(p);
  if (!slot) return;
  const int weekDay = daysEdited_ ? EditorWeekDay(p) : -1;
  slot->SetCommandLine(CommandEdit->FileName());
  TApplyChecks checks;
  if (DateCb->Checked()) checks.Include(lcDate);
  if (TimeCb->Checked()) checks.Include(lcTime);
  if (WDCb->Checked()) checks.Include(lcWeekDay);
  if (MDCb->Checked()) checks.Include(lcMonthDay);
  slot->SetChecks(checks);
  // The spin edits give the numbers they show (an edit emptied to type anew
  // gives the one it held); the date is read in the user's short format. A
  // text that does not convert stops the store here, and with it the
  // operation that asked for it.
  slot->SetDateTime(StrToDateTime(DateEdit1->Text() + " " + std::to_string(Hours->Value()) + ":" +
                                  std::to_string(Minutes->Value()) + ":" +
                                  std::to_string(Seconds->Value())));
  slot->SetMonthDay(static_cast<TDay>(MDEdit->Value()));
  // The schedule is armed or disarmed only by the user's own change of the
  // Enable box, or armed afresh when they changed its criteria with the box
  // ticked. Anything else (a description, an item, a launch under way that
  // left the box ticked) leaves its arming and launch state as they are: a
  // schedule that is launching or has launched is not armed again.
  std::optional<LaunchState> state;
  if (enableTouched_) {
    slot->SetEnabled(EnableCb->Checked());
    state = EnableCb->Checked() ? LaunchState::Yes : LaunchState::No;
  } else if (criteriaEdited_ && EnableCb->Checked()) {
    slot->SetEnabled(true);
    state = LaunchState::Yes;
  }

  FlagDigits flags;
  for (int d = 0; d < 7; ++d) flags.Set(d, Days[d]->Checked());
  flags.Set(7, AnnounceCb->Checked());
  flags.Set(8, OnceCb->Checked());
  flags.Set(9, DelayCb->Checked());
  // The weekday is chosen again only when the user changed the days.
  if (weekDay >= 0) slot->SetWeekDay(static_cast<TLaunchWeekDay>(weekDay));
  slot->SetTag(flags.ToTag());

  const std::string desc = DescEdit->Text().empty() ? "Not Defined" : DescEdit->Text();
  if (!removing_) {
    ScheduleTable& table = Schedules();
    if (table.Count() < p) {
      table.Append(desc, EnableCb->Checked() ? LaunchState::Yes : LaunchState::No);
    } else {
      table.SetDescription(p, desc);
      if (state) table.SetState(p, *state);
    }
  }
  ClearEdits();
  if (removing_) return;
  SaveStoresNow();
  ShowNextLaunch();
}

void TMainForm::EnableGUI() { SetEditorEnabled(true); }

void TMainForm::DisableGUI() { SetEditorEnabled(false); }

void TMainForm::SetEditorEnabled(bool enabled) {
  for (TControl* c : std::initializer_list<TControl*>{
           CurrentSpin, DescEdit, CommandEdit, DateCb, TimeCb, WDCb, MDCb, DateEdit1, Hours,
           Minutes, Seconds, DaysBtn, MDEdit, EnableCb, AnnounceCb, OnceCb, DelayCb, RemoveBtn,
           FirstBtn, LastBtn, GetBtn}) {
    c->SetEnabled(enabled);
  }
  // "Allow Cancel" follows "Announce Launch" whenever the editor is enabled.
  if (enabled) DelayCb->SetEnabled(AnnounceCb->Checked());
}

void TMainForm::DaysBtnClick() { DayPanel->SetTop(7); }

void TMainForm::OKBtnClick() { DayPanel->SetTop(-125); }

}  // namespace marrowby
