// When a slot is next due, worked out from its due test, and an armed slot's
// timer sleeping until then.
#include "scheduler/next_due.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "scheduler/launcher.h"
#include "tests/support/fake_platform.h"

namespace marrowby {
namespace {

using testing::At;

struct Edge {
  const char* what;
  TApplyChecks checks;
  int weekDay, monthDay, hour;
  TDateTime from, expected;  // expected 0: none within the look-ahead
};

// The weekday and month-day rules where one year turns into the next: the
// week runs on from Saturday to Sunday, a month-day finds January, and the
// first of January counts as a day start like any other.
TEST(NextDue, WeekdayAndMonthDayRulesAtTheYearsEdges) {
  testing::FakePlatform p;
  TLauncher slot(nullptr);
  slot.SetEnabled(false);
  const Edge edges[] = {
      // 31 December 2022 was a Saturday, 1 January 2023 a Sunday.
      {"Sunday at nine, from Saturday night", {lcWeekDay, lcTime}, ldSunday, 1, 9,
       At(2022, 12, 31, 23), At(2023, 1, 1, 9)},
      {"Saturday, on Saturday", {lcWeekDay}, ldSaturday, 1, 0, At(2022, 12, 31, 8),
       At(2022, 12, 31, 8)},
      {"Saturday, from Sunday: a week on", {lcWeekDay}, ldSaturday, 1, 0, At(2023, 1, 1, 8),
       At(2023, 1, 7)},
      {"Friday at noon, on Friday afternoon: due (at or after)", {lcWeekDay, lcTime}, ldFriday,
       1, 12, At(2022, 12, 30, 13), At(2022, 12, 30, 13)},
      {"Friday at noon, from Saturday 31 December", {lcWeekDay, lcTime}, ldFriday, 1, 12,
       At(2022, 12, 31, 13), At(2023, 1, 6, 12)},
      {"31st at six, on 31 December before six", {lcMonthDay, lcTime}, ldSunday, 31, 6,
       At(2024, 12, 31, 5), At(2024, 12, 31, 6)},
      {"30th at six, on 31 December", {lcMonthDay, lcTime}, ldSunday, 30, 6,
       At(2024, 12, 31, 7), At(2025, 1, 30, 6)},
      {"1st, from the last evening of the year", {lcMonthDay}, ldSunday, 1, 0,
       At(2024, 12, 31, 20), At(2025, 1, 1)},
      {"the 1st on a Sunday", {lcMonthDay, lcWeekDay}, ldSunday, 1, 0, At(2022, 12, 2),
       At(2023, 1, 1)},
      {"the last day on a Wednesday", {lcMonthDay, lcWeekDay}, ldWednesday, 31, 0,
       At(2024, 12, 1), At(2025, 4, 30)},
      {"the day 0 never comes", {lcMonthDay}, ldSunday, 0, 0, At(2024, 12, 31), 0},
  };
  for (const Edge& e : edges) {
    slot.SetChecks(e.checks);
    slot.SetWeekDay(static_cast<TLaunchWeekDay>(e.weekDay));
    slot.SetMonthDay(static_cast<TDay>(e.monthDay));
    slot.Time()->SetValue(EncodeTime(e.hour, 0, 0, 0));
    const auto next = NextDueInstant(slot, e.from, 800);
    if (e.expected == 0) {
      EXPECT_FALSE(next) << e.what;
    } else {
      ASSERT_TRUE(next) << e.what;
      EXPECT_EQ(*next, e.expected) << e.what << ": " << *next;
    }
  }
}

// Whatever the rules say, the instant found is the first at which the due
// test holds: it holds there and at no whole minute (the slots' times are
// whole minutes here) between the start and it, nor a millisecond before.
TEST(NextDue, FirstInstantAtWhichTheDueTestHoldsAroundNewYears) {
  testing::FakePlatform p;
  TLauncher slot(nullptr);
  slot.SetEnabled(false);
  std::mt19937 rng(31);
  int found = 0;
  for (int round = 0; round < 400; ++round) {
    const int year = 2023 + round % 6;  // 2024 and 2028 leap years
    slot.SetChecks(TApplyChecks::FromBits(rng() % 16));
    slot.Date()->SetValue(EncodeDate(year, 12, 20) + static_cast<double>(rng() % 30));
    slot.Time()->SetValue(EncodeTime(static_cast<int>(rng() % 24), static_cast<int>(rng() % 60), 0, 0));
    slot.SetWeekDay(static_cast<TLaunchWeekDay>(rng() % 7));
    slot.SetMonthDay(static_cast<TDay>(rng() % 2 ? 28 + rng() % 4 : 1 + rng() % 31));
    const TDateTime from = EncodeDate(year, 12, 24) + static_cast<double>(rng() % 14) +
                           static_cast<double>(rng() % 1440) / 1440.0;
    const auto next = NextDueInstant(slot, from, 120);
    if (!next) continue;
    ++found;
    ASSERT_TRUE(slot.IsDueAt(*next));
    ASSERT_GE(*next, from);
    if (*next > from) {
      ASSERT_FALSE(slot.IsDueAt(*next - 1.0 / kMSecsPerDay)) << round;
    }
    for (TDateTime t = from; t < *next - 1e-9; t += 1.0 / 1440) {
      ASSERT_FALSE(slot.IsDueAt(t)) << "round " << round << " due at " << t << " before " << *next;
    }
  }
  EXPECT_GT(found, 300);
}

// An armed slot without OnTimer wakes at its moment and after a clock
// change, not every period (the timers' one watch of the wall clock wakes
// every 30 s); it plans afresh whenever its criteria, arming, period or
// OnTimer change, and within 30 s of a clock moved without a word.
TEST(NextDue, ArmedSlotSleepsUntilItsMomentAndPlansAfreshOnEveryChange) {
  testing::FakePlatform p;
  p.clock.Set(At(2026, 3, 2, 9, 15));
  TLauncher slot(nullptr);
  slot.SetCommandLine("job.exe");
  std::vector<uint64_t> launches;
  slot.BeforeLaunch = [&](TObject*, bool& cancel) {
    launches.push_back(p.timers.NowMs());
    cancel = true;
  };
  slot.Time()->SetValue(EncodeTime(11, 30, 0, 0));
  p.timers.AdvanceMs(3600000);  // to 10:15: the watch, and the slot at 10:00
  EXPECT_LE(p.timers.WakeUps(), 3600000u / 30000 + 1);
  slot.Time()->SetValue(EncodeTime(10, 20, 0, 500));  // sooner: planned afresh
  p.timers.AdvanceMs(10 * 60000);
  ASSERT_EQ(launches, (std::vector<uint64_t>{3900500}));  // 10:20:00.5 exactly

  // Due at 10:30; at 10:27:10 the clock slips to 10:41 and nobody says so:
  // the watch sees it within 30 s, and the slot launches a tick later.
  slot.Time()->SetValue(EncodeTime(10, 30, 0, 0));
  slot.SetEnabled(true);
  p.timers.AdvanceMs(2 * 60000 + 10000);
  EXPECT_EQ(launches.size(), 1u);
  p.clock.AdvanceMs(14 * 60000);
  const uint64_t slipped = p.timers.NowMs();
  p.timers.AdvanceMs(31000);
  ASSERT_EQ(launches.size(), 2u);
  EXPECT_LE(launches[1] - slipped, 31000u);
  launches.pop_back();
  p.clock.Set(At(2026, 3, 2, 10, 30));

  // Armed again when already due: its first look is one period later.
  slot.SetEnabled(true);
  p.timers.AdvanceMs(999);
  EXPECT_EQ(launches.size(), 1u);
  p.timers.AdvanceMs(1);
  EXPECT_EQ(launches.size(), 2u);

  // Due at 10:40; the clock put forward past it: due at the next period.
  slot.Time()->SetValue(EncodeTime(10, 40, 0, 0));
  slot.SetEnabled(true);
  p.timers.AdvanceMs(2000);
  EXPECT_EQ(launches.size(), 2u);
  p.clock.Set(At(2026, 3, 2, 10, 45));
  p.timers.AdvanceMs(1000);
  EXPECT_EQ(launches.size(), 3u);

  // With OnTimer it ticks at every period again.
  int ticks = 0;
  slot.SetChecks({lcDate});
  slot.Date()->SetValue(EncodeDate(2030, 1, 1));
  slot.SetEnabled(true);
  slot.OnTimer = [&](TObject*) { ++ticks; };
  p.timers.AdvanceMs(5000);
  EXPECT_EQ(ticks, 5);
  slot.OnTimer = nullptr;
  const uint64_t wakeUps = p.timers.WakeUps();
  p.timers.AdvanceMs(30 * 60000);
  EXPECT_LE(p.timers.WakeUps() - wakeUps, 30u * 60000 / 30000 + 2);
}

}  // namespace
}  // namespace marrowby
