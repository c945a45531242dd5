// The schedule table: a typed view of the main window's three state lists.
// The slot table (LaunchList: the component index of each slot, line k for
// position k+1), the description list (ListBox1) and the launch-state list
// (DateList: "NO", "YES", "DONE") are what the settings file and the window
// show; everything else reads and changes them through this class, in
// positions 1..N, with launch states as values. The state texts are converted
// here and nowhere else.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/strings.h"

namespace marrowby {

class TLauncher;

enum class LaunchState { No, Yes, Done };

class ScheduleTable {
 public:
  ScheduleTable(TStrings* slotLines, TStrings* descriptions, TStrings* states)
      : slotLines_(slotLines), descriptions_(descriptions), states_(states) {}

  // The list text of a state, and the state of a text ("yes", " DONE " read
  // as well); nullopt for any other text.
  static const char* StateText(LaunchState state);
  static std::optional<LaunchState> ParseState(const std::string& text);

  // Builds the slot table from the window's slots, in component order, and
  // writes their component indices to the slot lines.
  void SetSlots(std::vector<TLauncher*> slots);
  // S: the number of slots, the most schedules there can be.
  int SlotCount() const { return static_cast<int>(slots_.size()); }
  // N: the number of set schedules.
  int Count() const { return descriptions_->Count(); }
  bool IsSet(int position) const { return position >= 1 && position <= Count(); }

  // The slot at a position (1..S), null outside the slot table.
  TLauncher* Slot(int position) const;
  // The position of a slot in the slot table (1..S), 0 when it has none.
  int PositionOf(const TLauncher* slot) const;

  // The description and launch state of a set schedule (position 1..N).
  const std::string& Description(int position) const;
  void SetDescription(int position, const std::string& text);
  LaunchState State(int position) const;
  void SetState(int position, LaunchState state);

  // Adds a schedule at position N+1.
  void Append(const std::string& description, LaunchState state);
  // Deletes the lines of a set schedule; the later schedules' lines move
  // down one position. The slots themselves are moved by the caller.
  void MoveDownOver(int position);

  struct Tally {
    int set = 0;      // N
    int done = 0;     // launched today
    int pending = 0;  // enabled, not launched yet
  };
  Tally Counts() const;

  // After the lists were read from a settings file: keeps at most S
  // schedules, makes the state list as long as the description list (a
  // missing or unreadable state follows its slot's Enabled), writes every
  // state in its canonical text, and disarms the unused slots. Returns a
  // sentence saying what was mended, empty when the lists were sound.
  std::string Mend();

 private:
  TStrings* slotLines_;
  TStrings* descriptions_;
  TStrings* states_;
  std::vector<TLauncher*> slots_;
};

}  // namespace marrowby
