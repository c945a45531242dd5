// The bookkeeping behind a timer host: periodic timers with due times on a
// millisecond counter, run in due order. A host needs one system timer, set
// for NextDue(); Win32, the native loop and the test fakes share this code.
//
// Coalescing: the first due time of a timer whose period is a whole number of
// seconds is rounded to the nearest whole second of the counter (relative to
// the queue's origin). All such timers then share the same instants, so any
// number of armed 1000 ms timers cost one wake-up a second. The period itself
// is kept exactly; only the phase of the first tick moves, by at most 500 ms.
//
// Deferring: a timer whose owner knows that its ticks before a given instant
// would do nothing can be left asleep until then, and run at that instant
// exactly, off its grid (but never before its first due time: a started
// timer still waits one period). Afterwards it is back on its own grid, as if
// it had ticked all along.
//
// Watching the wall clock: what the owners of sleeping timers worked out from
// the wall clock no longer holds when it was moved and nobody said so (a
// time-sync step, a host that resumed a virtual machine). While any timer
// sleeps, the queue compares the wall clock with its counter every 30 s (one
// wake-up for all of them) and ends every deferral when the two have parted
// by more than 2 s.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace marrowby {

class TimerQueue {
 public:
  using Id = uint64_t;

  // Without coalescing every timer keeps the exact phase of its start (one
  // wake-up per timer and period; the benchmarks' baseline).
  explicit TimerQueue(uint64_t originMs = 0, bool coalesce = true)
      : origin_(originMs), coalesce_(coalesce) {}

  // Adds a timer started at nowMs; returns its id (never reused).
  Id Add(uint64_t nowMs, uint32_t periodMs, std::function<void()> tick);
  void Remove(Id id);
  bool Contains(Id id) const { return Find(id) != nullptr; }
  size_t Size() const { return live_; }

  // The earliest due time, if any timer is queued.
  std::optional<uint64_t> NextDue() const;

  // Lets a timer sleep until wakeMs, or wake earlier than its grid: it runs
  // next at wakeMs, but never before its first due time (a started timer
  // waits one period). A wakeMs at or before nowMs ends a deferral: the timer
  // runs at its next instant on its grid.
  void Defer(Id id, uint64_t nowMs, uint64_t wakeMs);
  // Ends every deferral (the clock was set or the machine resumed: what the
  // owners worked out from the old clock no longer holds). Each deferred
  // timer runs at its next instant on its grid after nowMs.
  void EndDeferrals(uint64_t nowMs);
  // The local wall clock in milliseconds, read at the watch instants; a
  // queue without one never watches.
  void WatchWallClock(std::function<int64_t()> wallMs);

  // Runs once every timer due at or before nowMs + slackMs, in due order
  // (ties in start order). A timer that fell behind by whole periods runs
  // once, as a system timer would. Ticks may stop, start or re-enter the
  // queue (a tick that runs a modal loop): a nested run first runs the
  // timers the outer run has taken and not reached yet, so a modal loop does
  // not hold them up. What a tick throws goes to the application's error
  // handler and the others still run.
  void RunDue(uint64_t nowMs, uint64_t slackMs = 0);

  // Called whenever the earliest due time may have changed (after Add, Remove
  // and before the ticks of RunDue run), so a host can re-arm its one timer.
  std::function<void()> OnScheduleChanged;

 private:
  struct Entry {
    Id id;
    uint32_t period;
    bool live;
    uint64_t due;   // on the timer's grid
    uint64_t wake;  // when it runs next: due, or another time while deferred
    std::function<void()> tick;
    bool ticked = false;  // has run since it was started
    // Taken by a run whose ticks have not reached it yet; a nested run (a
    // tick's modal loop) runs it instead, at once.
    bool pending = false;
    uint64_t readyAt = 0;  // when it was taken
  };
  struct Ready {
    uint64_t due;
    Id id;
  };
  static constexpr uint64_t kWatchMs = 30000;
  static constexpr int64_t kJumpMs = 2000;
  uint64_t FirstDue(uint64_t nowMs, uint32_t periodMs) const;
  // The first watch instant after nowMs (the same instants for every queue
  // of the same origin).
  uint64_t NextWatch(uint64_t nowMs) const;
  void StartWatch(uint64_t nowMs);
  void Watch(uint64_t nowMs);
  bool AnyDeferred() const;
  // A deferred timer's due time that has passed moves on along its grid, as
  // if it had ticked all along.
  static void CatchUp(Entry& e, uint64_t nowMs);
  Entry* Find(Id id);
  const Entry* Find(Id id) const;
  void Compact();
  void Changed();

  uint64_t origin_;
  bool coalesce_;
  Id nextId_ = 1;
  // In id order. A deque keeps a running tick's entry in place while ticks
  // add timers; stopped timers are only marked, and dropped when no run is in
  // progress.
  std::deque<Entry> entries_;
  size_t live_ = 0;
  int depth_ = 0;  // nesting of RunDue
  std::vector<Ready> ready_;  // reused by the outermost run
  std::function<int64_t()> wallMs_;
  uint64_t watchAt_ = 0;  // the next watch instant, 0 when not watching
  uint64_t watchCounter_ = 0;
  int64_t watchWall_ = 0;  // the wall clock at the counter's watchCounter_
};

}  // namespace marrowby
