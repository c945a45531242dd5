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

  // Runs once every timer due at or before nowMs + slackMs, in due order
  // (ties in start order). A timer that fell behind by whole periods runs
  // once, as a system timer would. Ticks may stop, start or re-enter the
  // queue (a tick that runs a modal loop); what a tick throws goes to the
  // application's error handler and the others still run.
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
  };
  struct Ready {
    uint64_t due;
    Id id;
    uint64_t next;  // the due time set for it; if it moved, a nested run ticked it
  };
  uint64_t FirstDue(uint64_t nowMs, uint32_t periodMs) const;
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
};

}  // namespace marrowby
