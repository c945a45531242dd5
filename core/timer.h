// A timer component: ticks every Interval milliseconds while Enabled, through
// the current timer host, on the user-interface thread.
#pragma once

#include <cstdint>

#include "core/component.h"
#include "core/platform.h"

namespace marrowby {

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  bool Enabled() const { return enabled_; }
  // Writing a different value starts or stops the timer; the same value does
  // nothing. Fails with "Not enough timers available" when the system refuses
  // a timer; the new value is kept all the same.
  void SetEnabled(bool enabled);
  uint32_t Interval() const { return interval_; }
  // A different value restarts a running timer with the new period.
  void SetInterval(uint32_t interval);
  const TNotifyEvent& OnTimer() const { return onTimer_; }
  void SetOnTimer(TNotifyEvent handler);

  // True while the system timer runs: Enabled, Interval not 0, OnTimer assigned.
  bool Running() const { return id_ != 0; }

  // The ticks before the local time `at` would do nothing: the host may skip
  // them (see TimerHost::Defer). A passed instant ticks at the period again.
  // Nothing happens while the timer does not run.
  void DeferTo(TDateTime at);
  // True while the timer runs on a host that lets timers sleep.
  bool CanDefer() const { return id_ != 0 && host_->Defers(); }

 private:
  void UpdateTimer();

  bool enabled_ = true;
  uint32_t interval_ = 1000;
  TNotifyEvent onTimer_;
  TimerHost* host_ = nullptr;  // the host the running timer lives in
  TimerId id_ = 0;
};

// Makes a timer of a window: owned by owner, with its period, its handler and
// whether it runs from the start.
TTimer* NewTimer(TComponent* owner, const char* name, uint32_t interval, bool enabled,
                 TNotifyEvent onTimer);

}  // namespace marrowby
