#include "core/platform.h"

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
bool ApplicationTerminated() { return g_terminated; }
void SetApplicationTerminated(bool terminated) { g_terminated = terminated; }

}  // namespace marrowby
