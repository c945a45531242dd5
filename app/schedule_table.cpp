#include "app/schedule_table.h"

#include <algorithm>

#include "core/text.h"
#include "scheduler/launcher.h"

namespace marrowby {

namespace {
// What the editor stores for a schedule without a description.
const char kNoDescription[] = "Not Defined";
}  // namespace

const char* ScheduleTable::StateText(LaunchState state) {
  switch (state) {
    case LaunchState::Yes: return "YES";
    case LaunchState::Done: return "DONE";
    case LaunchState::No: break;
  }
  return "NO";
}

std::optional<LaunchState> ScheduleTable::ParseState(const std::string& text) {
  const std::string t = Trim(text);
  for (LaunchState s : {LaunchState::No, LaunchState::Yes, LaunchState::Done}) {
    if (SameText(t, StateText(s))) return s;
  }
  return std::nullopt;
}

void ScheduleTable::SetSlots(std::vector<TLauncher*> slots) {
  slots_ = std::move(slots);
  std::vector<std::string> lines;
  lines.reserve(slots_.size());
  for (const TLauncher* slot : slots_) lines.push_back(std::to_string(slot->ComponentIndex()));
  slotLines_->SetLines(std::move(lines));
}

TLauncher* ScheduleTable::Slot(int position) const {
  if (position < 1 || position > SlotCount()) return nullptr;
  return slots_[static_cast<size_t>(position - 1)];
}

int ScheduleTable::PositionOf(const TLauncher* slot) const {
  const auto it = std::find(slots_.begin(), slots_.end(), slot);
  return it == slots_.end() ? 0 : static_cast<int>(it - slots_.begin()) + 1;
}

const std::string& ScheduleTable::Description(int position) const {
  return descriptions_->Get(position - 1);
}

void ScheduleTable::SetDescription(int position, const std::string& text) {
  descriptions_->Put(position - 1, text);
}

LaunchState ScheduleTable::State(int position) const {
  if (position < 1 || position > states_->Count()) return LaunchState::No;
  return ParseState(states_->Get(position - 1)).value_or(LaunchState::No);
}

void ScheduleTable::SetState(int position, LaunchState state) {
  while (states_->Count() < position) states_->Add(StateText(LaunchState::No));
  states_->Put(position - 1, StateText(state));
}

void ScheduleTable::Append(const std::string& description, LaunchState state) {
  descriptions_->Add(description);
  SetState(Count(), state);
}

void ScheduleTable::MoveDownOver(int position) {
  descriptions_->Delete(position - 1);
  states_->Delete(position - 1);
}

ScheduleTable::Tally ScheduleTable::Counts() const {
  Tally t;
  t.set = Count();
  for (int p = 1; p <= t.set; ++p) {
    const LaunchState s = State(p);
    t.done += s == LaunchState::Done;
    t.pending += s == LaunchState::Yes;
  }
  return t;
}

std::string ScheduleTable::Mend() {
  const int read = std::max(descriptions_->Count(), states_->Count());
  const int n = std::min(read, SlotCount());
  bool damaged = descriptions_->Count() != states_->Count();

  std::vector<std::string> descriptions = descriptions_->Lines();
  descriptions.resize(static_cast<size_t>(n), kNoDescription);
  std::vector<std::string> states;
  states.reserve(static_cast<size_t>(n));
  for (int p = 1; p <= n; ++p) {
    std::optional<LaunchState> s;
    if (p <= states_->Count()) s = ParseState(states_->Get(p - 1));
    if (!s && p <= states_->Count()) damaged = true;
    // A missing or unreadable state: the slot's own armed state decides.
    if (!s) s = Slot(p)->Enabled() ? LaunchState::Yes : LaunchState::No;
    states.push_back(StateText(*s));
  }
  if (descriptions != descriptions_->Lines()) descriptions_->SetLines(std::move(descriptions));
  if (states != states_->Lines()) states_->SetLines(std::move(states));

  // Unused slots never tick.
  for (int p = n + 1; p <= SlotCount(); ++p) {
    TLauncher* slot = Slot(p);
    if (slot->Enabled()) {
      damaged = true;
      slot->SetEnabled(false);
    }
  }

  std::string report;
  if (read > n) {
    report = "The settings file lists " + std::to_string(read) + " schedules; the first " +
             std::to_string(n) + " are kept.";
  }
  if (damaged) {
    if (!report.empty()) report += " ";
    report += "The settings file's schedule lists did not agree and have been repaired.";
  }
  return report;
}

}  // namespace marrowby
