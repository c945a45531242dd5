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
};

// The clock and timer host in use. Passing null restores the platform's own.
Clock& CurrentClock();
void SetCurrentClock(Clock* clock);
TimerHost& CurrentTimerHost();
void SetCurrentTimerHost(TimerHost* host);

// A fresh reading of the current clock.
TDateTime Now();

// The application's terminating flag: set when the message loop has been
// asked to quit. Waits that dispatch messages end when it is set.
bool ApplicationTerminated();
void SetApplicationTerminated(bool terminated);

// Provided by the platform layer (platform_win32.cpp or platform_posix.cpp).
Clock& PlatformClock();
TimerHost& PlatformTimerHost();

}  // namespace marrowby
