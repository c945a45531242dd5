// Launching a due schedule: the announcement, the start through the shell,
// the failure report and the bookkeeping (Launch Once removes, any other is
// marked done and moves on to its next weekday).
#include <algorithm>

#include "app/announce_form.h"
#include "app/main_form.h"
#include "core/errors.h"
#include "core/platform.h"
#include "scheduler/item_starter.h"
#include "store/form_placement.h"

namespace marrowby {

int TMainForm::NextWeekDayAfter(const FlagDigits& flags, int today) {
  for (int k = 1; k <= 7; ++k) {
    // Tomorrow up to Saturday, then from Sunday on.
    const int d = today + k <= 6 ? today + k : (today + k) - 7;
    if (flags.Day(d)) return d;
  }
  return -1;
}

void TMainForm::Launcher1BeforeLaunch(TObject* Sender, bool& Cancel) {
  Cancel = true;
  auto* timer = dynamic_cast<TComponent*>(Sender);
  auto* slot = timer ? dynamic_cast<TLauncher*>(timer->Owner()) : nullptr;
  if (!slot) return;
  // A new day that nobody announced (the clock moved without a word) is
  // seen before the launch, so that the re-arming that comes with it does
  // not arm this schedule again once it has launched; a schedule the new day
  // leaves disarmed (its state is NO) does not launch.
  const bool newDay = SetEnables();
  slot->SetEnabled(false);
  // Follow the schedule, not the slot: a nested launch may remove an earlier
  // schedule meanwhile and so move this one to another slot.
  int position = PositionOf(slot);
  if (newDay && Schedules().IsSet(position) && Schedules().State(position) == LaunchState::No) return;

  launchesInProgress_.push_back(&position);
  struct Done {
    TMainForm* form;
    int* position;
    ~Done() {
      auto& v = form->launchesInProgress_;
      v.erase(std::remove(v.begin(), v.end(), position), v.end());
      if (--form->animations_ == 0) form->host_->SetTrayAnimated(false);
      CallGuarded([this] { form->ShowNextLaunch(); });
    }
  } done{this, &position};
  if (animations_++ == 0) host_->SetTrayAnimated(true);

  const FlagDigits flags = FlagDigits::FromTag(slot->Tag());
  const std::string commandLine = slot->CommandLine();
  const std::string description =
      Schedules().IsSet(position) ? Schedules().Description(position) : "";
  bool cancelled = false;
  if (flags.Announce()) cancelled = Announce(commandLine, description, flags);
  StartResult result{LaunchOutcome::Cancelled, StartWay::None, ""};
  // The history gives the moment of the attempt, not the moment the user
  // closed the failure box that the attempt may show.
  const TDateTime attempted = Now();
  if (!cancelled) result = StartItem(commandLine, position);
  RecordLaunch(position, description, commandLine, result, attempted);
  if (Schedules().IsSet(position)) LastLaunchAt(position) = {attempted, result.outcome, true};
  // A removal meanwhile (position 0) leaves nothing to mark.
  if (Schedules().IsSet(position)) AfterLaunch(position, flags);
}

bool TMainForm::Announce(const std::string& commandLine, const std::string& description,
                         const FlagDigits& flags) {
  auto form = MakeComponent<TAnnounceForm>(nullptr);
  host_->AttachView(*form);
  form->Prepare(commandLine, description, flags.AllowCancel());
  form->ShowModal();
  // Its place is kept in the settings file under the one rule for a file
  // that cannot be written (told once), not by its own store.
  form->FormPlacement1->SetActive(false);
  TAnnounceForm& shown = *form;
  WriteSettings([&shown] { shown.FormPlacement1->SaveFormPlacement(); });
  return form->Cancelled();
}

// The item through the one starter (the whole line through the shell, or
// the program it names with its parameters); a failure is shown at once.
TMainForm::StartResult TMainForm::StartItem(const std::string& commandLine, int position) {
  const ItemStart start = OpenItem(commandLine);
  if (start.started) return {LaunchOutcome::Started, start.way, ""};
  StartResult result{LaunchOutcome::Failed, start.way, host_->SystemErrorText(start.error)};
  host_->Message(MessageKind::Error, "Failure to launch schedule " + std::to_string(position) +
                                         ":" + "\n" + commandLine);
  return result;
}

THistoryForm* TMainForm::HistoryWindow() const {
  return history_ && !history_->Released() ? history_.get() : nullptr;
}

void TMainForm::HistoryMiClick() {
  if (!HistoryWindow()) {
    // Closed for good, or never opened: made anew.
    history_ = MakeComponent<THistoryForm>(nullptr, *host_, [this] { return History(); });
    host_->AttachView(*history_);
  }
  history_->Reload();
  history_->Show();
}

LaunchHistory TMainForm::History() const { return ProgramLaunchHistory(); }

void TMainForm::RecordLaunch(int position, const std::string& description,
                             const std::string& commandLine, const StartResult& result,
                             TDateTime at) {
  HistoryEntry entry;
  entry.time = HistoryTime(at);
  entry.position = position;
  entry.description = description;
  entry.item = commandLine;
  entry.outcome = result.outcome;
  entry.error = result.error;
  entry.way = result.way;
  LaunchHistory history = History();
  bool recorded = false;
  try {
    recorded = history.Record(entry);
  } catch (const std::exception&) {
    // Out of memory or the like: the launch has happened all the same.
  }
  if (recorded) {
    historyFailed_ = false;
    if (THistoryForm* window = HistoryWindow()) window->Reload();
    return;
  }
  if (historyFailed_) return;  // already shown
  historyFailed_ = true;
  StatusBar1->SetPanelText("The launch history could not be written to " + history.Path());
}

void TMainForm::AfterLaunch(int position, const FlagDigits& flags) {
  TLauncher* slot = SlotAt(position);
  if (flags.LaunchOnce()) {
    // What the user was editing is stored first, so that loading the
    // schedule to remove does not throw it away.
    CallGuarded([this] { SetSchedValues(); });
    CurrentSpin->SetTag(position);
    GetSchedValues(slot->ComponentIndex());
    RemoveBtnClick();
    return;
  }
  if (slot->Checks().Contains(lcWeekDay)) {
    const int next = NextWeekDayAfter(flags, WeekDayOf(Now()));
    if (next >= 0) slot->SetWeekDay(static_cast<TLaunchWeekDay>(next));
  }
  // Launched: DONE, unless the user stored it meanwhile disabled (it stays
  // NO) or armed it again (it stays YES).
  if (Schedules().State(position) != LaunchState::No && !slot->Enabled()) {
    Schedules().SetState(position, LaunchState::Done);
  }
  // The editor showing this schedule shows it disarmed now (unless the user
  // has changed the box), and the status bar says why.
  if (Position() == position && !enableTouched_) {
    Loading loading(this);
    EnableCb->SetChecked(slot->Enabled());
  }
  SaveStoresNow();
}

}  // namespace marrowby
