// The schedule slot: one schedule's item and criteria, its own periodic timer,
// the due test on every tick and the launch when due.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/component.h"
#include "core/set.h"
#include "core/timer.h"
#include "scheduler/datenum.h"
#include "scheduler/month_day.h"

namespace marrowby {

enum TLaunchChecks : uint8_t { lcDate, lcTime, lcWeekDay, lcMonthDay };
using TApplyChecks = Set<TLaunchChecks>;

enum TLaunchWeekDay : uint8_t {
  ldSunday, ldMonday, ldTuesday, ldWednesday, ldThursday, ldFriday, ldSaturday
};

extern const TypeInfo kLaunchChecksType;   // the enumeration lcDate .. lcMonthDay
extern const TypeInfo kApplyChecksType;    // the set of it
extern const TypeInfo kLaunchWeekDayType;  // ldSunday .. ldSaturday

using TBeforeLaunchEvent = std::function<void(TObject* Sender, bool& Cancel)>;
using TAfterLaunchEvent = std::function<void(TObject* Sender, int32_t Result)>;

// LastResult values other than a process handle.
inline constexpr int32_t kNeverLaunched = -1;
inline constexpr int32_t kLaunchVetoed = -2;
inline constexpr int32_t kNoCommandLine = -3;
inline constexpr int32_t kStartFailed = 0;

class TLauncher;

// A slot's OnTimer: an event like any other, except that the slot hears when
// it is assigned or cleared. A slot without one need not tick at every period
// (nothing observable happens at a tick before the slot can be due), so it
// lets its timer sleep until then; with one, it ticks at every period.
class TSlotTimerEvent {
 public:
  explicit TSlotTimerEvent(TLauncher* slot) : slot_(slot) {}
  TSlotTimerEvent(const TSlotTimerEvent&) = delete;
  TSlotTimerEvent& operator=(const TSlotTimerEvent&) = delete;
  TSlotTimerEvent& operator=(TNotifyEvent handler);
  explicit operator bool() const { return static_cast<bool>(handler_); }
  void operator()(TObject* sender) const { handler_(sender); }
  const TNotifyEvent& Handler() const { return handler_; }

 private:
  TLauncher* slot_;
  TNotifyEvent handler_;
};

class TLauncher : public TComponent {
 public:
  explicit TLauncher(TComponent* owner);
  ~TLauncher() override;

  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  TApplyChecks Checks() const { return checks_; }
  void SetChecks(TApplyChecks v);
  const std::string& CommandLine() const { return commandLine_; }
  void SetCommandLine(const std::string& v) { commandLine_ = v; }
  TDateNum* Date() const { return &date_; }
  // Arming: a different value starts or stops the timer to match.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  uint16_t Interval() const { return interval_; }
  void SetInterval(uint16_t v);
  TDay MonthDay() const { return monthDay_; }
  void SetMonthDay(TDay v);
  TTimeNum* Time() const { return &time_; }
  bool Wait() const { return wait_; }
  void SetWait(bool v) { wait_ = v; }
  TLaunchWeekDay WeekDay() const { return weekDay_; }
  void SetWeekDay(TLaunchWeekDay v);

  TBeforeLaunchEvent BeforeLaunch;
  TAfterLaunchEvent AfterLaunch;
  TAfterLaunchEvent BeforeWait;
  TSlotTimerEvent OnTimer{this};

  int32_t LastResult() const { return lastResult_; }
  uint32_t LastError() const { return lastError_; }
  // The slot's own timer; the Sender of every event the slot raises.
  TTimer* Timer() const { return timer_; }

  // Date plus Time; reading fails with the encoders' messages for an
  // impossible date or time. Writing sets Year, Month, Day, then Hour, Min,
  // Sec, MSec, each through its own setter.
  TDateTime DateTime() const;
  void SetDateTime(TDateTime v);

  // The due test against the current clock.
  bool IsDue() const;
  // The due test of criteria that are not (yet) a slot's, at `now`: a date
  // and a time of day as TDateTime values.
  static bool CriteriaDueAt(TApplyChecks checks, TDateTime date, TDateTime timeOfDay,
                            TLaunchWeekDay weekDay, TDay monthDay, TDateTime now);
  // The same test with every reading of the clock giving `now`.
  bool IsDueAt(TDateTime now) const;

 private:
  friend class TSlotTimerEvent;
  // The criteria, the arming, the period or OnTimer changed: an armed slot
  // without OnTimer works out afresh when its timer must next wake.
  void Reschedule();
  // A tick that fails (an impossible date or time, a failing handler)
  // disarms the slot and hands the failure to the error display, which shows
  // one such failure at a time; the slot rests until its owner arms it again.
  void Tick(TObject* sender);
  void Launch(TObject* sender);
  int32_t BuiltInStart(TObject* sender, intptr_t* process);

  // Instance fields in their published order of declaration.
  int32_t lastResult_ = 0;
  uint32_t lastError_ = 0;
  TTimer* timer_ = nullptr;
  std::string commandLine_;
  uint16_t interval_ = 0;
  TLaunchWeekDay weekDay_ = ldSunday;
  TDay monthDay_ = 0;
  // Owned value objects, held inline (a tick reads them, and with 100 slots
  // every cache line a tick touches counts). Like the objects they stand for,
  // they can be changed through a const slot.
  mutable TDateNum date_;
  mutable TTimeNum time_;
  TApplyChecks checks_;
  bool enabled_ = false;
  bool wait_ = false;
};

}  // namespace marrowby
