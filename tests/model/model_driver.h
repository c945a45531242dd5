// Runs the real main window of the schedule manager on the fake clock, timers,
// shell and message boxes through one sequence of a user's actions and of the
// clock's moves, decoded from bytes, and holds every launch and the settings
// file to the schedule model (schedule_oracle.h).
//
// The bytes: a header (how many schedules the settings file holds, the start
// date and time, the day stamp), eight bytes per schedule, then operations,
// each a kind byte and the bytes it reads. Boxes and announcements read how
// long they stay open and how they are answered from the same bytes. Bytes
// past the end read as 0. CaseBuilder writes such bytes by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace marrowby::model {

enum Op : uint8_t {
  kWait,           // a few seconds
  kWaitLonger,     // up to ten minutes
  kWaitToMidnight, // to ten seconds before the next midnight
  kClockSet,       // the clock set, and the program told
  kClockSlips,     // the clock moves and nobody says so
  kResume,         // the machine wakes from sleep
  kPrevious,
  kNext,
  kFirst,
  kLast,
  kGet,
  kDescription,
  kItem,
  kCriterion,      // Specific Date, Specific Time, Day of the Week, Day of the Month
  kSetTime,
  kSetDate,
  kSetMonthDay,
  kDay,
  kEnable,
  kAction,         // Announce, Launch Once, Allow Cancel
  kHide,
  kShow,
  kSwitchAway,     // another window takes the focus for a while
  kNew,
  kRemove,
  kDrop,
  kRestart,
  kReadOnly,       // the settings file made read-only, or writable again
  kRetype,         // digits deleted from a time field's end and others typed
  kOpCount
};

// A schedule in the settings file at the start, as its eight bytes say it.
struct ScheduleBytes {
  uint8_t checks = 0x12;  // bits 0-3 the criteria; bit 4 adds Specific Time
  uint8_t minutes = 20;   // minus 20: minutes from the start time; 250+: hour 24
  uint8_t second = 0;
  uint8_t date = 2;       // minus 2: days from the start date; 250+: 31 April
  uint8_t weekMonth = 0;  // weekday (mod 7), month day (div 7, mod 32)
  uint8_t days = 0;       // the days ticked in the day panel
  uint8_t actions = 0;    // 1 Announce, 2 Launch Once, 4 Allow Cancel, 8 an item that cannot open
  uint8_t state = 1;      // mod 3: NO, YES, DONE; bit 4: Enabled the other way round
};

class CaseBuilder {
 public:
  // startDay: days after 25 February 2024; stamp: 0 none, 1 yesterday, 2 today.
  CaseBuilder(int hour, int minute, int startDay = 3, int stamp = 2);
  CaseBuilder& Add(const ScheduleBytes& s);
  CaseBuilder& Do(Op op, std::initializer_list<uint8_t> params = {});
  // A byte read by whatever reads next: a box's time open, an announcement's
  // answer.
  CaseBuilder& Answer(uint8_t byte);
  std::string Bytes() const;

 private:
  std::vector<uint8_t> header_, schedules_, ops_;
};

// Runs one sequence; true when the program did what the model says. Report()
// says what went wrong and the steps that led there.
class ModelRun {
 public:
  ModelRun(const uint8_t* data, size_t size);
  ~ModelRun();
  ModelRun(const ModelRun&) = delete;
  ModelRun& operator=(const ModelRun&) = delete;
  bool Run();
  std::string Report() const;
  // What the run did, for the figures of a test.
  int Launches() const;
  int Steps() const;

 private:
  struct Impl;
  Impl* impl_;
};

// The libFuzzer-style entry: runs the bytes, true when they pass.
bool RunScheduleModel(const uint8_t* data, size_t size, std::string* report = nullptr);

}  // namespace marrowby::model
