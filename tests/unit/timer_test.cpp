#include "core/timer.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/errors.h"
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
