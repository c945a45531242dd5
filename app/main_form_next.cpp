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

void TMainForm::ShowNextLaunch() {
  // A notice of another kind in the status bar (a mended settings file, say)
  // is shown once: it stays until a hint takes its place.
  const std::string& shown = StatusBar1->PanelText();
  const bool notice = !hintShown_ && !shown.empty() && shown != nextLaunchText_;
  nextLaunchText_ = Position() > 0 ? NextLaunchText(Position()) : "";
  if (!hintShown_ && !notice) StatusBar1->SetPanelText(nextLaunchText_);
  host_->SetTrayHint(TrayHintText());
}

}  // namespace marrowby
