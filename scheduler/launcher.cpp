#include "scheduler/launcher.h"

#include <algorithm>
#include <deque>

#include "core/errors.h"
#include "core/platform.h"
#include "scheduler/item_starter.h"
#include "scheduler/next_due.h"

namespace marrowby {

namespace {

// The error display of failed ticks shows one message at a time. The display
// is modal and its message loop delivers further ticks: a failure meanwhile
// waits until the open message is closed, and a text that is open or waiting
// already is not shown again.
struct TickFailures {
  bool showing = false;
  std::string open;
  std::deque<std::string> waiting;
};

TickFailures& Failures() {
  static TickFailures failures;
  return failures;
}

void ReportTickFailure(const std::string& text) {
  TickFailures& f = Failures();
  if (f.showing) {
    if (text != f.open && std::find(f.waiting.begin(), f.waiting.end(), text) == f.waiting.end()) {
      f.waiting.push_back(text);
    }
    return;
  }
  f.showing = true;
  struct Done {
    TickFailures& f;
    ~Done() {
      f.showing = false;
      f.open.clear();
    }
  } done{f};
  f.open = text;
  HandleException(Exception(text));
  while (!f.waiting.empty()) {
    f.open = f.waiting.front();
    f.waiting.pop_front();
    HandleException(Exception(f.open));
  }
}

}  // namespace

namespace {
const char* const kLaunchChecksNames[] = {"lcDate", "lcTime", "lcWeekDay", "lcMonthDay"};
const char* const kWeekDayNames[] = {"ldSunday",   "ldMonday", "ldTuesday", "ldWednesday",
                                     "ldThursday", "ldFriday", "ldSaturday"};
}  // namespace

const TypeInfo kLaunchChecksType = EnumTypeInfo("TLaunchChecks", kLaunchChecksNames);
const TypeInfo kApplyChecksType = SetTypeInfo("TApplyChecks", &kLaunchChecksType, OrdType::UByte);
const TypeInfo kLaunchWeekDayType = EnumTypeInfo("TLaunchWeekDay", kWeekDayNames);

namespace {
const TypeInfo kDateNumType = ClassTypeInfo("TDateNum", &TDateNum::kClassInfo);
const TypeInfo kTimeNumType = ClassTypeInfo("TTimeNum", &TTimeNum::kClassInfo);
const TypeInfo kBeforeLaunchType = SimpleTypeInfo(TypeKind::Method, "TBeforeLaunchEvent");
const TypeInfo kAfterLaunchType = SimpleTypeInfo(TypeKind::Method, "TAfterLaunchEvent");

const PropInfo kLauncherProps[] = {
    OrdProp<TLauncher, &TLauncher::Checks, &TLauncher::SetChecks>(
        "Checks", &kApplyChecksType, true, 1u << lcTime),
    StrProp<TLauncher, &TLauncher::CommandLine, &TLauncher::SetCommandLine>("CommandLine"),
    ObjectProp<TLauncher, &TLauncher::Date>("Date", &kDateNumType),
    OrdProp<TLauncher, &TLauncher::Enabled, &TLauncher::SetEnabled>("Enabled", &kBooleanType,
                                                                      true, 1),
    OrdProp<TLauncher, &TLauncher::Interval, &TLauncher::SetInterval>("Interval", &kWordType,
                                                                        true, 1000),
    OrdProp<TLauncher, &TLauncher::MonthDay, &TLauncher::SetMonthDay>("MonthDay", &kDayType,
                                                                        true, 1),
    ObjectProp<TLauncher, &TLauncher::Time>("Time", &kTimeNumType),
    OrdProp<TLauncher, &TLauncher::Wait, &TLauncher::SetWait>("Wait", &kBooleanType),
    OrdProp<TLauncher, &TLauncher::WeekDay, &TLauncher::SetWeekDay>("WeekDay",
                                                                      &kLaunchWeekDayType),
    EventProp("BeforeLaunch", &kBeforeLaunchType),
    EventProp("AfterLaunch", &kAfterLaunchType),
    EventProp("BeforeWait", &kAfterLaunchType),
    EventProp("OnTimer"),
};
}  // namespace

const ClassInfo TLauncher::kClassInfo = {"TLauncher", &TComponent::kClassInfo, kLauncherProps,
                                         std::size(kLauncherProps)};

TSlotTimerEvent& TSlotTimerEvent::operator=(TNotifyEvent handler) {
  const bool had = static_cast<bool>(handler_);
  handler_ = std::move(handler);
  if (had != static_cast<bool>(handler_)) slot_->Reschedule();
  return *this;
}

TLauncher::TLauncher(TComponent* owner) : TComponent(owner) {
  lastResult_ = kNeverLaunched;
  date_.OwnerNotify = [this] { Reschedule(); };
  time_.OwnerNotify = [this] { Reschedule(); };
  date_.SetDay(1);
  date_.SetMonth(1);
  date_.SetYear(1);
  date_.SetValue(Now());
  time_.SetValue(Now());
  timer_ = new TTimer(this);
  timer_->SetEnabled(false);
  timer_->SetOnTimer([this](TObject* sender) { Tick(sender); });
  SetInterval(1000);
  SetEnabled(true);
  checks_ = TApplyChecks{lcTime};
  monthDay_ = 1;
}

TLauncher::~TLauncher() {
  // The timer first (it stops); the value objects go with the slot's fields.
  Free(timer_);
  timer_ = nullptr;
}

void TLauncher::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  timer_->SetEnabled(v);
  Reschedule();
}

void TLauncher::SetInterval(uint16_t v) {
  if (v == interval_) return;
  interval_ = v;
  timer_->SetInterval(v);
  Reschedule();
}

void TLauncher::SetChecks(TApplyChecks v) {
  checks_ = v;
  Reschedule();
}

void TLauncher::SetMonthDay(TDay v) {
  monthDay_ = v;
  Reschedule();
}

void TLauncher::SetWeekDay(TLaunchWeekDay v) {
  weekDay_ = v;
  Reschedule();
}

void TLauncher::Reschedule() {
  if (!timer_ || !timer_->CanDefer()) return;
  if (OnTimer) {
    timer_->DeferTo(0);  // every tick is seen by the handler
    return;
  }
  TDateTime wake = 0;  // a failing due test is left to the next tick to report
  try {
    wake = NextCheck(*this, Now());
  } catch (const std::exception&) {
  }
  timer_->DeferTo(wake);
}

TDateTime TLauncher::DateTime() const {
  return EncodeDate(date_.Year(), date_.Month(), date_.Day()) +
         EncodeTime(time_.Hour(), time_.Min(), time_.Sec(), time_.MSec());
}

void TLauncher::SetDateTime(TDateTime v) {
  int y, mo, d, h, mi, s, ms;
  DecodeDate(v, &y, &mo, &d);
  DecodeTime(v, &h, &mi, &s, &ms);
  date_.SetYear(static_cast<TYear>(y));
  date_.SetMonth(static_cast<TMonth>(mo));
  date_.SetDay(static_cast<TDay>(d));
  time_.SetHour(static_cast<THour>(h));
  time_.SetMin(static_cast<TMin>(mi));
  time_.SetSec(static_cast<TSec>(s));
  time_.SetMSec(static_cast<TMSec>(ms));
}

namespace {

// The due test, written once: `now` gives every reading of the clock, fresh
// ones for the tick, a fixed instant when working out the next due moment.
template <class NowFn>
bool DueTest(TApplyChecks checks, const TDateNum& date, const TTimeNum& time,
             TLaunchWeekDay weekDay, TDay monthDay, NowFn now) {
  bool due = true;
  TDateTime target = now();
  if (checks.Contains(lcDate)) {
    target = EncodeDate(date.Year(), date.Month(), date.Day()) + TimeOf(target);
  }
  if (checks.Contains(lcTime)) {
    target = DateOf(target) + EncodeTime(time.Hour(), time.Min(), time.Sec(), time.MSec());
  }
  if (checks.Contains(lcDate) || checks.Contains(lcTime)) due = now() >= target;
  if (checks.Contains(lcWeekDay)) due = due && WeekDayOf(now()) == static_cast<int>(weekDay);
  if (checks.Contains(lcMonthDay)) {
    int y, m, d;
    DecodeDate(DateOf(now()), &y, &m, &d);
    due = due && MonthDayMatches(monthDay, y, m, d);
  }
  return due;
}

}  // namespace

bool TLauncher::IsDue() const {
  return DueTest(checks_, date_, time_, weekDay_, monthDay_, [] { return Now(); });
}

bool TLauncher::IsDueAt(TDateTime now) const {
  return DueTest(checks_, date_, time_, weekDay_, monthDay_, [now] { return now; });
}

bool TLauncher::CriteriaDueAt(TApplyChecks checks, TDateTime date, TDateTime timeOfDay,
                              TLaunchWeekDay weekDay, TDay monthDay, TDateTime now) {
  TDateNum d;
  d.SetValue(date);
  TTimeNum t;
  t.SetValue(timeOfDay);
  return DueTest(checks, d, t, weekDay, monthDay, [now] { return now; });
}

void TLauncher::Tick(TObject* sender) {
  std::string failure;
  try {
    if (OnTimer) {
      // A copy: the handler may replace itself.
      const TNotifyEvent handler = OnTimer.Handler();
      handler(sender);
    }
    if (IsDue()) {
      Launch(sender);
      return;
    }
    if (!OnTimer) Reschedule();
    return;
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = "Unknown error";
  }
  // A slot whose tick failed (an impossible date or time, a failing handler)
  // would fail the same way a second later: it stays disarmed until its owner
  // arms it again, and the failure is shown once.
  SetEnabled(false);
  ReportTickFailure(failure);
}

void TLauncher::Launch(TObject* sender) {
  SetEnabled(false);
  bool cancel = false;
  if (BeforeLaunch) BeforeLaunch(sender, cancel);
  intptr_t process = 0;
  // Once the handle value has been reported nothing needs the handle any more;
  // it is released even when a handler fails.
  struct CloseOnExit {
    intptr_t& handle;
    ~CloseOnExit() {
      if (handle) CurrentItemStarter().CloseProcess(handle);
    }
  } closer{process};
  lastResult_ = cancel ? kLaunchVetoed : BuiltInStart(sender, &process);
  if (AfterLaunch) AfterLaunch(sender, lastResult_);
}

int32_t TLauncher::BuiltInStart(TObject* sender, intptr_t* process) {
  lastError_ = 0;
  if (commandLine_.empty()) return kNoCommandLine;
  uint32_t error = 0;
  *process = CurrentItemStarter().StartProcess(commandLine_, &error);
  if (!*process) {
    lastError_ = error;
    return kStartFailed;
  }
  // Process handle values are small multiples of 4 on both architectures.
  const int32_t result = static_cast<int32_t>(*process);
  if (!wait_) return result;
  if (BeforeWait) BeforeWait(sender, result);
  CurrentItemStarter().WaitForProcess(*process);
  return result;
}

}  // namespace marrowby
