#include "core/platform.h"

#include <cmath>

namespace marrowby {

namespace {
Clock* g_clock = nullptr;
TimerHost* g_timers = nullptr;
bool g_terminated = false;
}  // namespace

Clock& CurrentClock() { return g_clock ? *g_clock : PlatformClock(); }
void SetCurrentClock(Clock* clock) { g_clock = clock; }
TimerHost& CurrentTimerHost() { return g_timers ? *g_timers : PlatformTimerHost(); }
void SetCurrentTimerHost(TimerHost* host) { g_timers = host; }
TDateTime Now() { return CurrentClock().Now(); }
int64_t WallClockMs() { return std::llround(Now() * static_cast<double>(kMSecsPerDay)); }
uint64_t MillisecondsUntil(TDateTime at, TDateTime now) {
  if (!(at > now)) return 0;
  const double ms = (at - now) * static_cast<double>(kMSecsPerDay);
  // Beyond a year the answer no longer matters: deferrals are far shorter.
  if (ms >= 365.0 * kMSecsPerDay) return 365ull * kMSecsPerDay;
  const uint64_t whole = static_cast<uint64_t>(ms + 0.5);
  return whole ? whole : 1;
}
bool ApplicationTerminated() { return g_terminated; }
void SetApplicationTerminated(bool terminated) { g_terminated = terminated; }

}  // namespace marrowby
