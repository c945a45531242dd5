// Native (Linux) platform: the local clock, and a timer host driven by an
// explicit run loop (used by the native benchmarks; the unit tests use fakes).
#include <time.h>

#include <chrono>

#include "core/loop_timer_host.h"
#include "core/platform.h"

namespace marrowby {

namespace {

// Local time: the calendar fields are converted once per second (localtime_r
// consults the zone data each call), the milliseconds added to them.
class PosixClock : public Clock {
 public:
  TDateTime Now() override {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    if (ts.tv_sec != cachedSecond_) {
      tm local;
      localtime_r(&ts.tv_sec, &local);
      cachedBase_ = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
                    EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, 0);
      cachedSecond_ = ts.tv_sec;
    }
    return cachedBase_ + static_cast<TDateTime>(ts.tv_nsec / 1000000) /
                             static_cast<TDateTime>(kMSecsPerDay);
  }

 private:
  time_t cachedSecond_ = -1;
  TDateTime cachedBase_ = 0;
};

}  // namespace

Clock& PlatformClock() {
  static PosixClock clock;
  return clock;
}

TimerHost& PlatformTimerHost() {
  static LoopTimerHost host;
  return host;
}

}  // namespace marrowby
