#include "core/timer.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/errors.h"
#include "core/steady_ticks.h"
#include "core/timer_queue.h"
#include "tests/support/error_log.h"
#include "tests/support/fake_platform.h"

namespace marrowby {
namespace {

using testing::FakePlatform;

TEST(TimerQueue, WholeSecondTimersShareOneWakeUpASecond) {
  FakePlatform p;
  std::mt19937 rng(7);
  std::vector<int> ticks(100);
  std::vector<uint64_t> starts(100);
  for (int i = 0; i < 100; ++i) {
    p.timers.AdvanceMs(rng() % 37);
    starts[i] = p.timers.NowMs();
    p.timers.Start(1000, [&ticks, i] { ++ticks[i]; });
  }
  p.timers.AdvanceMs(2000);
  const uint64_t before = p.timers.WakeUps();
  p.timers.AdvanceMs(60000);
  EXPECT_EQ(p.timers.WakeUps() - before, 60u);
  for (int i = 0; i < 100; ++i) EXPECT_GE(ticks[i], 61);
}

// XP's 32-bit tick count wraps after 49.7 days: read through the widener, a
// one-second timer started just before the wrap ticks once a second across
// it, neither stopping (the count going back) nor firing in a burst.
TEST(TimerQueue, OneSecondTimerKeepsItsPaceAcrossTheTickCountWrap) {
  uint32_t ticks = 0xFFFFFFFFu - 30000;  // the injected tick source, 30 s before the wrap
  TickWidener widener;
  TimerQueue q(widener.Widen(ticks));
  int fired = 0;
  q.Add(widener.Widen(ticks), 1000, [&fired] { ++fired; });
  uint64_t last = widener.Widen(ticks);
  for (int step = 0; step < 600; ++step) {  // 60 s in 100 ms steps
    ticks += 100;                            // wraps like the real count
    const uint64_t now = widener.Widen(ticks);
    ASSERT_EQ(now, last + 100);
    last = now;
    q.RunDue(now);
  }
  EXPECT_GE(fired, 59);
  EXPECT_LE(fired, 60);
  EXPECT_GT(*q.NextDue(), last);
  EXPECT_LE(*q.NextDue(), last + 1000);
  // A reading taken a little earlier on another thread (just before the
  // wrap) is not a second wrap, and moves nothing back.
  EXPECT_EQ(widener.Widen(0xFFFFFFF0u), last - (ticks - 0xFFFFFFF0u));
  EXPECT_EQ(widener.Widen(ticks + 1), last + 1);
}

TEST(TimerQueue, FirstTickMovesAtMostHalfASecondAndShortPeriodsStayExact) {
  TimerQueue q(0);
  uint64_t fired = 0;
  q.Add(1234, 1000, [] {});
  EXPECT_EQ(*q.NextDue(), 2000u);  // 2234 rounded to the nearest second
  TimerQueue q2(0);
  q2.Add(1234, 10000, [] {});
  EXPECT_EQ(*q2.NextDue(), 11000u);
  TimerQueue q3(0);
  q3.Add(1234, 150, [&] { ++fired; });
  EXPECT_EQ(*q3.NextDue(), 1384u);
  q3.RunDue(1384);
  EXPECT_EQ(*q3.NextDue(), 1534u);
  EXPECT_EQ(fired, 1u);
}

TEST(TimerQueue, LateWakeUpRunsEachTimerOnceAndSkipsMissedPeriods) {
  TimerQueue q(0);
  int a = 0;
  q.Add(0, 1000, [&] { ++a; });
  q.RunDue(5400);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(*q.NextDue(), 6000u);
}

TEST(TimerQueue, TicksMayStopTimersAndReenterWithoutDoubleTicks) {
  TimerQueue q(0);
  std::vector<std::string> log;
  TimerQueue::Id a = 0, c = 0;
  a = q.Add(0, 1000, [&] {
    log.push_back("a");
    q.Remove(a);  // as a slot disarms itself before its launch
    q.RunDue(2000);  // a modal loop inside the tick runs the queue, nested
  });
  q.Add(0, 1000, [&] { log.push_back("b"); });
  c = q.Add(0, 1000, [&] { log.push_back("c"); });
  q.Add(0, 1000, [&] {
    log.push_back("d");
    q.Remove(c);
  });
  q.RunDue(1000);
  // The nested run ticks b, c and d at 2000 (d stops c); the outer run then
  // skips them, as the nested run has already ticked them.
  EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c", "d"}));
  q.RunDue(3000);
  EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c", "d", "b", "d"}));
}

TEST(TimerQueue, AFailingTickGoesToTheErrorHandlerAndOthersStillRun) {
  testing::ErrorLog errors;
  TimerQueue q(0);
  int ran = 0;
  q.Add(0, 1000, [] { throw EConvertError("Invalid argument to date encode"); });
  q.Add(0, 1000, [&] { ++ran; });
  q.RunDue(1000);
  EXPECT_EQ(errors.messages, (std::vector<std::string>{"Invalid argument to date encode"}));
  EXPECT_EQ(ran, 1);
}

TEST(TimerQueue, DeferredTimerRunsAtItsInstantExactlyThenBackOnItsGrid) {
  TimerQueue q(0);
  int runs = 0;
  const auto id = q.Add(0, 1000, [&] { ++runs; });
  q.Defer(id, 0, 500);  // a started timer still waits its first period
  EXPECT_EQ(*q.NextDue(), 1000u);
  q.Defer(id, 0, 2500);
  EXPECT_EQ(*q.NextDue(), 2500u);
  q.RunDue(2495, 10);  // no slack for an instant set exactly
  EXPECT_EQ(runs, 0);
  q.RunDue(2500);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(*q.NextDue(), 3000u);  // back on its grid
  // Woken a hair early by the system: it may sleep a few milliseconds more
  // rather than wait for its grid; an instant not ahead ends the deferral.
  q.Defer(id, 2500, 2503);
  EXPECT_EQ(*q.NextDue(), 2503u);
  q.Defer(id, 2500, 2500);
  EXPECT_EQ(*q.NextDue(), 3000u);
  // A clock change while it sleeps: its next instant on the grid after now.
  q.Defer(id, 2500, 3600000);
  q.EndDeferrals(7300);
  EXPECT_EQ(*q.NextDue(), 8000u);
}

TEST(Timer, RunsOnlyWhileEnabledWithIntervalAndHandler) {
  FakePlatform p;
  TTimer t(nullptr);
  int n = 0;
  EXPECT_FALSE(t.Running());  // no handler yet
  t.SetOnTimer([&](TObject* sender) {
    EXPECT_EQ(sender, &t);
    ++n;
  });
  EXPECT_TRUE(t.Running());
  p.timers.AdvanceMs(3000);
  EXPECT_EQ(n, 3);
  t.SetInterval(0);
  EXPECT_FALSE(t.Running());
  EXPECT_TRUE(t.Enabled());
  p.timers.AdvanceMs(3000);
  EXPECT_EQ(n, 3);
}

TEST(Timer, WritingTheSameValueDoesNotRestartTheCount) {
  FakePlatform p;
  TTimer t(nullptr);
  int n = 0;
  t.SetOnTimer([&](TObject*) { ++n; });
  p.timers.AdvanceMs(700);
  t.SetEnabled(true);
  t.SetInterval(1000);
  p.timers.AdvanceMs(300);
  EXPECT_EQ(n, 1);
  // A new period restarts the count.
  p.timers.AdvanceMs(700);
  t.SetInterval(2000);
  p.timers.AdvanceMs(1000);
  EXPECT_EQ(n, 1);
}

TEST(Timer, RefusedTimerFailsAndKeepsTheWrittenValue) {
  FakePlatform p;
  TTimer t(nullptr);
  t.SetEnabled(false);
  t.SetOnTimer([](TObject*) {});
  p.timers.RefuseStarts(1);
  try {
    t.SetEnabled(true);
    FAIL();
  } catch (const EOutOfResources& e) {
    EXPECT_EQ(e.Message(), "Not enough timers available");
  }
  EXPECT_TRUE(t.Enabled());
  EXPECT_FALSE(t.Running());
}

}  // namespace
}  // namespace marrowby
