// The Win32 timer host: every armed timer of the process is served from one
// system timer on a hidden message-only window, re-armed for the earliest due
// time (see TimerQueue for how timers share their instants).
#pragma once

#include <cstdint>

#include "core/message_window.h"
#include "core/platform.h"
#include "core/timer_queue.h"

namespace marrowby {

class Win32TimerHost : public TimerHost, private MessageWindow {
 public:
  Win32TimerHost();
  ~Win32TimerHost() override;
  Win32TimerHost(const Win32TimerHost&) = delete;
  Win32TimerHost& operator=(const Win32TimerHost&) = delete;

  TimerId Start(uint32_t periodMs, std::function<void()> tick) override;
  void Stop(TimerId id) override;

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

  TimerQueue queue_;
  uint64_t wakeUps_ = 0;
  double busySeconds_ = 0;
  uint64_t systemPeriod_ = 0;  // period of the running system timer, 0 when off
  uint64_t systemNext_ = 0;    // when it is expected to fire next
};

}  // namespace marrowby
