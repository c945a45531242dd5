// A timer host for programs without a message loop: Run() sleeps until the
// earliest due timer and runs it, for a given time.
#pragma once

#include <cstdint>

#include "core/platform.h"
#include "core/timer_queue.h"

namespace marrowby {

class LoopTimerHost : public TimerHost {
 public:
  // Without deferrals every timer ticks every period.
  explicit LoopTimerHost(bool coalesce = true, bool deferrals = true);
  TimerId Start(uint32_t periodMs, std::function<void()> tick) override;
  void Stop(TimerId id) override;
  void Defer(TimerId id, TDateTime at) override;
  void ClockChanged() override;
  bool Defers() const override { return deferrals_; }

  // Runs due timers for durationMs milliseconds of monotonic time.
  void Run(uint64_t durationMs);
  // Times the loop woke up to run timers.
  uint64_t WakeUps() const { return wakeUps_; }
  // Time spent running the timers.
  double BusySeconds() const { return busySeconds_; }

 private:
  TimerQueue queue_;
  bool deferrals_;
  uint64_t wakeUps_ = 0;
  double busySeconds_ = 0;
};

}  // namespace marrowby
