// The schedule editor: loading a slot into the controls and storing the
// controls into the slot at the current position, with the description and
// launch-state lists kept in step.
#include "app/main_form.h"

#include <cstdio>

#include "core/errors.h"
#include "core/platform.h"
#include "core/text.h"

namespace marrowby {

namespace {

// The editor's date and time text ("dd/mm/yyyy h:m:s") as a value; text that
// is no valid date and time fails as the run-time library's conversion does.
TDateTime StrToDateTime(const std::string& text) {
  int d, m, y, h, mi, s;
  char tail;
  TDateTime date, time;
  if (std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%d%c", &d, &m, &y, &h, &mi, &s, &tail) != 6 ||
      !TryEncodeDate(y, m, d, &date) || !TryEncodeTime(h, mi, s, 0, &time)) {
    throw EConvertError("'" + text + "' is not a valid date and time");
  }
  return date + time;
}

}  // namespace

void TMainForm::GetSchedValues(int componentIndex) {
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
  EnableCb->SetChecked(slot->Enabled());
  const FlagDigits flags = FlagDigits::FromTag(slot->Tag());
  for (int d = 0; d < 7; ++d) Days[d]->SetChecked(flags.Day(d));
  AnnounceCb->SetChecked(flags.Announce());
  OnceCb->SetChecked(flags.LaunchOnce());
  DelayCb->SetChecked(flags.AllowCancel());
  DelayCb->SetEnabled(AnnounceCb->Checked());
}

void TMainForm::SetSchedValues() {
  const int p = Position();
  if (!edited_ || p == 0) return;
  TLauncher* slot = SlotAt(p);
  if (!slot) return;
  slot->SetCommandLine(CommandEdit->FileName());
  TApplyChecks checks;
  if (DateCb->Checked()) checks.Include(lcDate);
  if (TimeCb->Checked()) checks.Include(lcTime);
  if (WDCb->Checked()) checks.Include(lcWeekDay);
  if (MDCb->Checked()) checks.Include(lcMonthDay);
  slot->SetChecks(checks);
  // A text that does not convert stops the store here, and with it the
  // operation that asked for it.
  slot->SetDateTime(StrToDateTime(DateEdit1->Text() + " " + Hours->Text() + ":" +
                                  Minutes->Text() + ":" + Seconds->Text()));
  slot->SetMonthDay(static_cast<TDay>(MDEdit->Value()));
  slot->SetEnabled(EnableCb->Checked());

  FlagDigits flags;
  for (int d = 0; d < 7; ++d) flags.Set(d, Days[d]->Checked());
  flags.Set(7, AnnounceCb->Checked());
  flags.Set(8, OnceCb->Checked());
  flags.Set(9, DelayCb->Checked());
  // The first selected weekday from today up to Saturday, else from Sunday.
  const int today = WeekDayOf(Now());
  for (int k = 0; k < 7; ++k) {
    const int d = (today + k) % 7;
    if (flags.Day(d)) {
      slot->SetWeekDay(static_cast<TLaunchWeekDay>(d));
      break;
    }
  }
  slot->SetTag(flags.ToTag());

  const std::string desc = DescEdit->Text().empty() ? "Not Defined" : DescEdit->Text();
  if (!removing_) {
    ScheduleTable& table = Schedules();
    if (table.Count() < p) {
      table.Append(desc, EnableCb->Checked() ? LaunchState::Yes : LaunchState::No);
    } else {
      table.SetDescription(p, desc);
      // Disabling leaves a "DONE" as it is.
      if (EnableCb->Checked()) {
        table.SetState(p, LaunchState::Yes);
      } else if (table.State(p) == LaunchState::Yes) {
        table.SetState(p, LaunchState::No);
      }
    }
  }
  edited_ = false;
  if (!removing_) SaveStoresNow();
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
}

void TMainForm::DaysBtnClick() { DayPanel->SetTop(7); }

void TMainForm::OKBtnClick() { DayPanel->SetTop(-125); }

}  // namespace marrowby
