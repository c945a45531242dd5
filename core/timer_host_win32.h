// The Win32 timer host: every armed timer of the process is served from one
// system timer on a hidden window, re-armed for the earliest due time (see
// TimerQueue for how timers share their instants and sleep when deferred).
// A thread of its own watches the wall clock every 30 s and ends every
// deferral when the clock was moved without a word.
// The window is a hidden top-level one, not message-only, so that it hears
// the system's broadcasts of a clock or time-zone change and of a resume.
#pragma once

#include <cstdint>

#include "core/platform.h"
#include "core/timer_queue.h"
#include "core/window_base.h"

namespace marrowby {

class Win32TimerHost : public TimerHost, private WindowBase {
 public:
  // Without deferrals every timer ticks at every period (the engine of old,
  // kept for the benchmarks' baseline).
  explicit Win32TimerHost(bool deferrals = true);
  ~Win32TimerHost() override;
  Win32TimerHost(const Win32TimerHost&) = delete;
  Win32TimerHost& operator=(const Win32TimerHost&) = delete;

  TimerId Start(uint32_t periodMs, std::function<void()> tick) override;
  void Stop(TimerId id) override;
  void Defer(TimerId id, TDateTime at) override;
  void ClockChanged() override;
  bool Defers() const override { return deferrals_; }

  // Expiries of the system timer so far, and the time spent running the
  // timers at them (for the benchmarks).
  uint64_t WakeUps() const { return wakeUps_; }
  double BusySeconds() const { return busySeconds_; }
  size_t ArmedCount() const { return queue_.Size(); }

  // Runs the due timers; the hidden window calls it on each expiry of the
  // system timer.
  void OnSystemTimer();

 private:
  intptr_t HandleMessage(unsigned message, uintptr_t wParam, intptr_t lParam) override;
  bool EnsureWindow();
  void Reschedule();

  bool deferrals_;
  TimerQueue queue_;
  uint64_t wakeUps_ = 0;
  double busySeconds_ = 0;
  uint64_t systemPeriod_ = 0;  // period of the running system timer, 0 when off
  uint64_t systemNext_ = 0;    // when it is expected to fire next
};

}  // namespace marrowby
