#include "core/loop_timer_host.h"

#include <chrono>
#include <thread>

namespace marrowby {

namespace {
uint64_t MonotonicMs() {
  using namespace std::chrono;
  return static_cast<uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
}  // namespace

LoopTimerHost::LoopTimerHost(bool coalesce, bool deferrals)
    : queue_(MonotonicMs(), coalesce), deferrals_(deferrals) {
  queue_.WatchWallClock([] { return WallClockMs(); });
}

TimerId LoopTimerHost::Start(uint32_t periodMs, std::function<void()> tick) {
  return queue_.Add(MonotonicMs(), periodMs, std::move(tick));
}

void LoopTimerHost::Stop(TimerId id) { queue_.Remove(id); }

void LoopTimerHost::Defer(TimerId id, TDateTime at) {
  if (!deferrals_) return;
  const uint64_t now = MonotonicMs();
  queue_.Defer(id, now, now + MillisecondsUntil(at, CurrentClock().Now()));
}

void LoopTimerHost::ClockChanged() { queue_.EndDeferrals(MonotonicMs()); }

void LoopTimerHost::Run(uint64_t durationMs) {
  const uint64_t end = MonotonicMs() + durationMs;
  for (;;) {
    const auto next = queue_.NextDue();
    const uint64_t wake = next && *next < end ? *next : end;
    const uint64_t now = MonotonicMs();
    if (wake > now) std::this_thread::sleep_for(std::chrono::milliseconds(wake - now));
    if (wake >= end && (!next || *next >= end)) break;
    ++wakeUps_;
    const auto start = std::chrono::steady_clock::now();
    queue_.RunDue(MonotonicMs());
    busySeconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
}

}  // namespace marrowby
