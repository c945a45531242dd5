#include "core/timer_queue.h"

#include <algorithm>

#include "core/errors.h"

namespace marrowby {

namespace {
constexpr uint64_t kGridMs = 1000;
}

uint64_t TimerQueue::NextWatch(uint64_t nowMs) const {
  if (nowMs < origin_) return origin_;
  return origin_ + ((nowMs - origin_) / kWatchMs + 1) * kWatchMs;
}

uint64_t TimerQueue::FirstDue(uint64_t nowMs, uint32_t periodMs) const {
  uint64_t due = nowMs + periodMs;
  if (coalesce_ && periodMs >= kGridMs && periodMs % kGridMs == 0 && due >= origin_) {
    const uint64_t rel = due - origin_;
    due = origin_ + (rel + kGridMs / 2) / kGridMs * kGridMs;
  }
  return due;
}

TimerQueue::Entry* TimerQueue::Find(Id id) {
  auto it = std::lower_bound(entries_.begin(), entries_.end(), id,
                             [](const Entry& e, Id key) { return e.id < key; });
  return it != entries_.end() && it->id == id && it->live ? &*it : nullptr;
}

const TimerQueue::Entry* TimerQueue::Find(Id id) const {
  return const_cast<TimerQueue*>(this)->Find(id);
}

TimerQueue::Id TimerQueue::Add(uint64_t nowMs, uint32_t periodMs, std::function<void()> tick) {
  const Id id = nextId_++;
  const uint64_t first = FirstDue(nowMs, periodMs);
  entries_.push_back(Entry{id, periodMs, true, first, first, std::move(tick), false});
  ++live_;
  Changed();
  return id;
}

void TimerQueue::Remove(Id id) {
  Entry* e = Find(id);
  if (!e) return;
  e->live = false;
  --live_;
  if (depth_ == 0) Compact();
  Changed();
}

void TimerQueue::Compact() {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                [](const Entry& e) { return !e.live; }),
                 entries_.end());
}

std::optional<uint64_t> TimerQueue::NextDue() const {
  std::optional<uint64_t> next;
  for (const Entry& e : entries_) {
    const uint64_t at = e.pending ? e.readyAt : e.wake;
    if (e.live && (!next || at < *next)) next = at;
  }
  if (watchAt_ != 0 && (!next || watchAt_ < *next)) next = watchAt_;
  return next;
}

void TimerQueue::CatchUp(Entry& e, uint64_t nowMs) {
  if (e.wake == e.due || e.due > nowMs) return;
  const uint64_t period = e.period ? e.period : 1;
  e.due += ((nowMs - e.due) / period + 1) * period;
}

void TimerQueue::Defer(Id id, uint64_t nowMs, uint64_t wakeMs) {
  Entry* e = Find(id);
  if (!e) return;
  CatchUp(*e, nowMs);
  uint64_t wake = e->due;
  if (wakeMs > nowMs) wake = e->ticked || wakeMs > e->due ? wakeMs : e->due;
  if (wake != e->due) StartWatch(nowMs);
  if (wake == e->wake) return;
  e->wake = wake;
  Changed();
}

void TimerQueue::WatchWallClock(std::function<int64_t()> wallMs) {
  wallMs_ = std::move(wallMs);
  watchAt_ = 0;
}

void TimerQueue::StartWatch(uint64_t nowMs) {
  if (!wallMs_ || watchAt_ != 0) return;
  watchAt_ = NextWatch(nowMs);
  watchCounter_ = nowMs;
  watchWall_ = wallMs_();
}

bool TimerQueue::AnyDeferred() const {
  for (const Entry& e : entries_) {
    if (e.live && e.wake != e.due) return true;
  }
  return false;
}

void TimerQueue::Watch(uint64_t nowMs) {
  const int64_t wall = wallMs_();
  const int64_t expected = watchWall_ + static_cast<int64_t>(nowMs - watchCounter_);
  watchCounter_ = nowMs;
  watchWall_ = wall;
  watchAt_ = 0;
  if (wall - expected > kJumpMs || expected - wall > kJumpMs) EndDeferrals(nowMs);
  if (AnyDeferred()) StartWatch(nowMs);
}

void TimerQueue::EndDeferrals(uint64_t nowMs) {
  // The owners look again with the clock as it is now.
  watchAt_ = 0;
  bool changed = false;
  for (Entry& e : entries_) {
    if (!e.live || e.wake == e.due) continue;
    CatchUp(e, nowMs);
    e.wake = e.due;
    changed = true;
  }
  if (changed) Changed();
}

void TimerQueue::RunDue(uint64_t nowMs, uint64_t slackMs) {
  if (watchAt_ != 0 && watchAt_ <= nowMs + slackMs) Watch(nowMs);
  // The outermost run reuses one list; nested runs (rare) have their own.
  std::vector<Ready> nestedList;
  std::vector<Ready>& ready = depth_ == 0 ? ready_ : nestedList;
  ready.clear();
  for (Entry& e : entries_) {
    if (!e.live) continue;
    const uint64_t period = e.period ? e.period : 1;
    if (e.pending) {
      // Taken by the outer run, which is held up in this tick's modal loop:
      // it runs here, once for the periods it has missed meanwhile.
      if (e.due <= nowMs) e.due += ((nowMs - e.due) / period + 1) * period;
      e.wake = e.due;
      ready.push_back({e.readyAt, e.id});
      continue;
    }
    // A deferred timer was set for its instant exactly: no slack.
    const bool deferred = e.wake != e.due;
    if (deferred ? e.wake > nowMs : e.due > nowMs + slackMs) continue;
    const uint64_t was = e.wake;
    // Next due time: one period on; missed periods are skipped. A deferred
    // timer woken before its grid instant keeps that instant.
    if (!deferred || e.due <= nowMs) {
      e.due += period;
      if (e.due <= nowMs) e.due += (nowMs - e.due) / period * period + period;
    }
    e.wake = e.due;
    e.ticked = true;
    e.pending = true;
    e.readyAt = was;
    ready.push_back({was, e.id});
  }
  if (ready.empty()) return;
  std::stable_sort(ready.begin(), ready.end(),
                   [](const Ready& a, const Ready& b) { return a.due < b.due; });
  Changed();
  ++depth_;
  for (size_t i = 0; i < ready.size(); ++i) {
    const Ready r = ready[i];
    Entry* e = Find(r.id);
    if (!e) continue;           // stopped by an earlier tick
    if (!e->pending) continue;  // ticked meanwhile by a nested run
    e->pending = false;
    // The entry stays in place while its tick runs: the deque does not move
    // it when timers are added, and a stopped timer is only marked.
    CallGuarded(e->tick);
  }
  --depth_;
  if (depth_ == 0 && live_ != entries_.size()) Compact();
}

void TimerQueue::Changed() {
  if (OnScheduleChanged) OnScheduleChanged();
}

}  // namespace marrowby
