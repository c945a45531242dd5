// When the schedules launch next: the status bar's text for the schedule in
// the editor and the tray icon's tooltip for the first of all. Both come from
// the slots' own due test (see scheduler/next_due.h), and both take in what
// the main window does at the change of day: a launched schedule is armed
// again then, so its next launch is the first due moment from tomorrow on
// (a Specific Date schedule that is not Launch Once, for instance, is due
// again every day).
#include <exception>

#include "app/main_form.h"
#include "core/platform.h"
#include "core/text.h"
#include "scheduler/next_due.h"

namespace marrowby {

namespace {

// Far enough for any combination of a weekday and a day of the month.
constexpr int kLookAheadDays = 4 * 366;
// The tooltip's room: 63 characters in the notification record.
constexpr size_t kTooltipRoom = 63;
const char kTooltipTitle[] = "Marrowby Schedule Manager";

}  // namespace

std::string MainFormHost::FormatDateTime(TDateTime value) {
  const DateTimeParts t = DecodeDateTime(value);
  return ZeroPadded(t.day, 2) + '/' + ZeroPadded(t.month, 2) + '/' + ZeroPadded(t.year, 4) + ' ' +
         ZeroPadded(t.hour, 2) + ':' + ZeroPadded(t.min, 2) + ':' + ZeroPadded(t.sec, 2);
}

TMainForm::NextLaunch TMainForm::NextLaunchOf(int position, TDateTime now) const {
  TLauncher* slot = SlotAt(position);
  const TStrings& states = *DateList->Items();
  if (!slot || position > states.Count() || states[position - 1] == "NO") return {};
  TDateTime from = now;
  if (slot->Enabled()) {
    if (slot->Interval() == 0) return {};  // it never ticks
    if (slot->IsDueAt(now)) return {NextLaunch::kDueNow, now};
  } else {
    from = DateOf(now) + 1;  // armed again at the change of day
  }
  const std::optional<TDateTime> at = NextDueInstant(*slot, from, kLookAheadDays);
  if (!at) return {NextLaunch::kNever, 0};
  return {NextLaunch::kAt, *at};
}

std::string TMainForm::NextLaunchText(int position) const {
  try {
    const NextLaunch next = NextLaunchOf(position, Now());
    switch (next.kind) {
      case NextLaunch::kNotArmed:
        return "Not armed";
      case NextLaunch::kDueNow:
        return "Due now";
      case NextLaunch::kNever:
        return "Next launch: never";
      case NextLaunch::kAt:
        break;
    }
    return "Next launch: " + host_->FormatDateTime(next.at);
  } catch (const std::exception& e) {
    return e.what();  // an impossible date or time: the same words as the tick's
  }
}

std::string TMainForm::TrayHintText() const {
  const TDateTime now = Now();
  int first = 0;
  NextLaunch best;
  for (int p = 1; p <= Count(); ++p) {
    NextLaunch next;
    try {
      next = NextLaunchOf(p, now);
    } catch (const std::exception&) {
      continue;
    }
    const bool sooner = next.kind == NextLaunch::kDueNow ||
                        (next.kind == NextLaunch::kAt && (first == 0 || next.at < best.at));
    if (sooner && best.kind != NextLaunch::kDueNow) {
      first = p;
      best = next;
    }
  }
  std::string title = kTooltipTitle;
  if (first == 0) return title + "\nNo schedule to launch";
  const std::string when =
      best.kind == NextLaunch::kDueNow ? "due now" : host_->FormatDateTime(best.at);
  // The description gives way, so that the time always shows.
  std::string desc = ListBox1->Items()->Get(first - 1);
  const size_t room = kTooltipRoom - title.size() - 1 - 2 - when.size();
  if (desc.size() > room) desc = desc.substr(0, room >= 3 ? room - 3 : 0) + "...";
  return title + "\n" + desc + ": " + when;
}

bool TMainForm::EditorDueNow() const {
  TApplyChecks checks;
  if (DateCb->Checked()) checks.Include(lcDate);
  if (TimeCb->Checked()) checks.Include(lcTime);
  if (WDCb->Checked()) checks.Include(lcWeekDay);
  if (MDCb->Checked()) checks.Include(lcMonthDay);
  const int chosen = daysEdited_ ? EditorWeekDay(Position()) : -1;
  const TLaunchWeekDay weekDay =
      chosen >= 0 ? static_cast<TLaunchWeekDay>(chosen) : SlotAt(Position())->WeekDay();
  TDateTime timeOfDay;
  if (!TryEncodeTime(Hours->Value(), Minutes->Value(), Seconds->Value(), 0, &timeOfDay)) return false;
  return TLauncher::CriteriaDueAt(checks, DateEdit1->Date(), timeOfDay, weekDay,
                                  static_cast<TDay>(MDEdit->Value()), Now());
}

TMainForm::LastLaunch& TMainForm::LastLaunchAt(int position) {
  if (static_cast<int>(lastLaunch_.size()) < position) lastLaunch_.resize(static_cast<size_t>(position));
  LastLaunch& last = lastLaunch_[static_cast<size_t>(position) - 1];
  if (last.at == 0 && !last.looked) {
    // Launched before this run: the history knows when.
    last.looked = true;
    try {
      const std::string item = SlotAt(position)->CommandLine();
      for (const HistoryEntry& e : History().ReadAll()) {
        if (e.position != position || e.item != HistoryField(item)) continue;
        int y, mo, d, h, mi, sec;
        if (std::sscanf(e.time.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &sec) == 6 &&
            TryEncodeDate(y, mo, d, &last.at)) {
          last.at += (h * 60.0 + mi) / (24 * 60);
          last.outcome = e.outcome;
        }
        break;
      }
    } catch (const std::exception&) {
    }
  }
  return last;
}

std::string TMainForm::EditorStatus() {
  const int p = Position();
  if (p == 0) return "";
  // A store that will arm the schedule while its criteria hold starts it.
  if (EnableCb->Checked() && (enableTouched_ || criteriaEdited_) && !SlotAt(p)->Enabled()) {
    try {
      if (EditorDueNow()) return "Due now: starts when stored";
    } catch (const std::exception&) {
    }
  }
  if (!EnableCb->Checked() && !enableTouched_ && LaunchedSinceArmed(p)) {
    const LastLaunch& last = LastLaunchAt(p);
    const char* what = last.outcome == LaunchOutcome::Cancelled ? "Cancelled"
                       : last.outcome == LaunchOutcome::Failed  ? "Failed to start"
                                                                : "Started";
    // Disarmed and marked launched: it launched today, if not when.
    std::string when = " today";
    if (last.at != 0) {
      const long long days =
          static_cast<long long>(DateOf(Now())) - static_cast<long long>(DateOf(last.at));
      const DateTimeParts t = DecodeDateTime(last.at);
      char at[16];
      std::snprintf(at, sizeof(at), " at %02d:%02d", t.hour, t.min);
      when = days == 0 ? std::string(" today") + at
             : days == 1 ? std::string(" yesterday") + at
                         : " on " + host_->FormatDateTime(last.at);
    }
    return std::string(what) + when + "; armed again tomorrow";
  }
  return NextLaunchText(p);
}

void TMainForm::ShowNextLaunch() {
  // A notice of another kind in the status bar (a mended settings file, say)
  // is shown once: it stays until a hint takes its place. A settings file
  // that cannot be written keeps its notice until a write goes through.
  const std::string& shown = StatusBar1->PanelText();
  const bool notice = !hintShown_ && !shown.empty() && shown != nextLaunchText_;
  nextLaunchText_ = EditorStatus();
  if (!writeNotice_.empty()) {
    if (!hintShown_) StatusBar1->SetPanelText(writeNotice_);
  } else if (!hintShown_ && !notice) {
    StatusBar1->SetPanelText(nextLaunchText_);
  }
  host_->SetTrayHint(TrayHintText());
}

}  // namespace marrowby
