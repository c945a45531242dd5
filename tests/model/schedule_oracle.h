// An independent model of when the schedule manager must start its items.
//
// It is written from the rules, not from the program: it keeps its own list
// of schedules, its own copy of what the editor shows, its own calendar and
// its own due test, and is told what happens (the user's actions, the clock,
// the windows that open and close, and each launch the program makes). It
// judges every launch as it happens and says what the settings file must
// hold.
//
// The rules it holds the program to:
//  - a schedule starts only while it is armed and due (never early), once
//    per arming;
//  - a schedule armed and due starts within 1 s of becoming due, or of the
//    first tick of its arming (a timer armed at t first ticks by t + 1.5 s);
//    within 60 s when the clock was moved without telling anyone;
//  - an announcement that is cancelled starts nothing; any other launch tries
//    the item once;
//  - the change of day re-arms every schedule whose state is not NO;
//  - storing the editor writes nothing unless the user edited the schedule;
//    it arms or disarms the schedule only when the user changed the Enable
//    box or the criteria, and never re-arms one that is launching or
//    launched since it was armed unless the user changed its criteria or
//    ticked Enable themselves; the weekday is chosen again only when the user
//    changed the days, and not today for a schedule that launched today;
//  - removing a schedule moves the later ones down exactly as they are.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace marrowby::model {

inline constexpr int64_t kDayMs = 86400000;

// The calendar, counted as the settings file's dates are: day 0 is
// 30 December 1899 (a Saturday).
struct Ymd {
  int y, m, d;
};
Ymd CivilFromDay(int64_t day);
int64_t DayFromCivil(int y, int m, int d);
int MonthLength(int y, int m);
bool DateExists(int y, int m, int d);
int WeekDayOfDay(int64_t day);  // Sunday 0 .. Saturday 6
int64_t FloorDiv(int64_t a, int64_t b);

enum class State { No, Yes, Done };
const char* StateName(State s);

// Criteria bits, in the order of the settings file's set.
enum : uint8_t { kDate = 1, kTime = 2, kWeekDay = 4, kMonthDay = 8 };

// The choices kept in a slot's Tag: bit d for digit d ("0" Sunday .. "6"
// Saturday, "7" Announce, "8" Launch Once, "9" Allow Cancel).
uint32_t ChoicesOfTag(int32_t tag);
int32_t TagOfChoices(uint32_t choices);

struct Schedule {
  int id = 0;  // the model's own name for it
  // As the settings file holds it.
  uint8_t checks = kTime;
  std::string item;
  int day = 1, month = 1, year = 2000;
  int hour = 0, min = 0, sec = 0, msec = 0;
  int monthDay = 1;
  int32_t tag = 0;
  int weekDay = 0;
  std::string description;
  State state = State::No;
  bool armed = false;  // the slot's Enabled
  // While the program runs.
  int64_t armedAt = 0;    // monotonic ms of the arming
  int launching = 0;      // launches of it under way
  int64_t dueSince = -1;  // monotonic ms since when armed and due, -1 if not
  int64_t changedAt = 0;  // monotonic ms of the last store that changed its criteria
  // Armed while its due test cannot be made: its first tick fails and
  // disarms it, by this monotonic ms at the latest (unless a store made it
  // sound before).
  int64_t restsBy = -1;
};

// Whether the due test holds at a local time (ms since day 0); `valid` is
// false when the test cannot be made (an impossible date or time that a
// criterion reads).
bool DueAt(const Schedule& s, int64_t clockMs, bool* valid);

// What the editor shows and what the user did to it since it was loaded.
struct Editor {
  int position = 0;
  std::string description, item;
  uint8_t checks = kTime;
  int64_t date = 0;  // day number
  int hour = 10, min = 0, sec = 0, monthDay = 1;
  bool enable = false;
  uint32_t choices = 0;  // days and the action boxes, as in Tag
  bool edited = false, criteria = false, days = false, enableTouched = false;
};

enum class Field { Description, Item, Checks, Date, Time, MonthDay, Days, Enable, Actions };

class ScheduleOracle {
 public:
  // Starts the model on a settings file's schedules, a day stamp (a day
  // number, or -1 for none) and the clock: the program has just started.
  void Start(std::vector<Schedule> schedules, int64_t stampDay, int64_t mono, int64_t clockMs);
  // The program ends (after a save) and starts again from its file.
  void Restart(int64_t mono);

  // The clock: time passing (monotonic ms; the local clock follows it), and
  // the clock set to another time, told to the program or not.
  void At(int64_t mono);
  void Jump(int64_t mono, int64_t clockMs, bool reported);
  int64_t Clock(int64_t mono) const { return clock0_ + (mono - mono0_); }
  int64_t Today() const;

  // The window.
  void Activated();
  void Deactivated() { Store(); }
  void Hidden() {
    Store();
    hidden_ = true;
  }
  void Shown() { hidden_ = false; }

  // The user's actions, applied as the program applies them.
  void Previous(bool* box);
  void Next(bool* box);
  void First(bool* box);
  void Last(bool* box);
  void ShowLine(int line);  // Get, then OK on a line
  void New(bool* box);
  void Remove();
  void Drop(const std::vector<std::string>& files);
  // An edit of the editor; the editor's new values are given whole.
  void Edit(Field field, const Editor& values);
  void Store();

  // A schedule armed while its due test cannot be made has failed its
  // first tick (the error box says which test: the date's or the time's).
  void TickFailed(bool dateError);

  // The program's launches.
  void LaunchBegins(int position, const std::string& item, int64_t mono);
  void AnnouncementAnswered(bool cancelled);
  void ItemOpened(const std::string& item, int64_t mono);
  void LaunchEnds(int64_t mono);

  const std::vector<Schedule>& Schedules() const { return list_; }
  const Editor& Editing() const { return ed_; }
  int64_t StampDay() const { return stampDay_; }
  bool IsHidden() const { return hidden_; }
  // The settings file's lines for the set schedules: key → value, keys as
  // "Section/Key".
  std::map<std::string, std::string> ExpectedSettings() const;
  // What went wrong, in order.
  const std::vector<std::string>& Failures() const { return failures_; }
  void Fail(const std::string& what);

 private:
  struct Launch {
    int id;
    uint32_t choices;  // the schedule's choices when it began
    std::string item;
    bool cancelled = false, opened = false;
  };
  Schedule* Find(int id);
  int PositionOf(int id) const;
  void Arm(Schedule& s, int64_t mono);
  void DayChange(int64_t mono);
  void Load(int position);
  void ShowPosition(int position);
  void RemoveAt(int position);
  bool LaunchedSinceArmed(const Schedule& s) const;
  // What the Enable box shows: armed, and able to make its due test.
  bool ShownArmed(const Schedule& s) const;
  void CheckDeadlines(int64_t mono);
  std::string Name(const Schedule& s) const;

  std::vector<Schedule> list_;
  Editor ed_;
  bool hidden_ = false;
  int64_t stampDay_ = -1;
  int64_t today_ = 0;
  int64_t mono0_ = 0, clock0_ = 0, now_ = 0;
  int64_t unreportedJump_ = -1;  // monotonic ms of the last unreported jump
  std::vector<Launch> launches_;
  int nextId_ = 1000;
  std::vector<std::string> failures_;
};

}  // namespace marrowby::model
