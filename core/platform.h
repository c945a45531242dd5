// What the portable code needs from the platform: the clock and periodic
// timers delivered on the user-interface thread. The Win32 layer implements
// them once; tests install fakes.
#pragma once

#include <cstdint>
#include <functional>

#include "core/datetime.h"

namespace marrowby {

class Clock {
 public:
  virtual ~Clock() = default;
  // The current local date and time of day.
  virtual TDateTime Now() = 0;
};

using TimerId = uint64_t;

class TimerHost {
 public:
  virtual ~TimerHost() = default;
  // Starts a periodic timer that calls tick every periodMs milliseconds on the
  // user-interface thread. Returns a nonzero id, or 0 when the system refuses
  // another timer.
  virtual TimerId Start(uint32_t periodMs, std::function<void()> tick) = 0;
  // Stops a timer; an unknown or already stopped id is ignored.
  virtual void Stop(TimerId id) = 0;

  // The timer's owner knows that its ticks before the local time `at` would
  // do nothing: the host may leave it asleep until then, and runs it next at
  // the later of `at` and its next period. A host that ignores this simply
  // ticks every period. An instant already passed ends a deferral.
  virtual void Defer(TimerId id, TDateTime at) {
    (void)id;
    (void)at;
  }
  // Whether Defer does anything: owners need not work out when to wake
  // otherwise.
  virtual bool Defers() const { return false; }
  // The clock was set, the time zone changed or the machine resumed: every
  // deferral ends, so that the owners look again with the new clock.
  virtual void ClockChanged() {}
};

// The whole milliseconds from `now` to `at` on the local clock, rounded; at
// least 1 when `at` is later at all (so a timer woken a hair early is not
// woken again at the same moment), 0 when it is not.
uint64_t MillisecondsUntil(TDateTime at, TDateTime now);

// The clock and timer host in use. Passing null restores the platform's own.
Clock& CurrentClock();
void SetCurrentClock(Clock* clock);
TimerHost& CurrentTimerHost();
void SetCurrentTimerHost(TimerHost* host);

// A fresh reading of the current clock.
TDateTime Now();
// The same in whole milliseconds since 30 December 1899 (for comparing the
// clock with a monotonic counter).
int64_t WallClockMs();

// The application's terminating flag: set when the message loop has been
// asked to quit. Waits that dispatch messages end when it is set.
bool ApplicationTerminated();
void SetApplicationTerminated(bool terminated);

// Provided by the platform layer (platform_win32.cpp or platform_posix.cpp).
Clock& PlatformClock();
TimerHost& PlatformTimerHost();

}  // namespace marrowby
