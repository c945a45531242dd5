// A simulated leap year of 100 slots with random criteria, re-armed every
// midnight as the main window does at the change of day: each slot launches at
// most once per arming, and exactly at the first tick at which its criteria
// hold (read independently of the due test). Then the engine whose timers
// sleep until a slot can be due, beside the one that ticks every period,
// through a year with the clock put forward and back: the same launches, each
// within the same tick.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <vector>

#include "scheduler/launcher.h"
#include "tests/support/fake_platform.h"

namespace marrowby {
namespace {

constexpr int64_t kDay = kMSecsPerDay;

struct SimSlot {
  uint32_t checks;
  int64_t dateDay;  // days since 30 December 1899
  int64_t timeMs;
  int weekDay;
  int monthDay;
};

bool MonthDayRule(int m, int y, int month, int d) {
  if (m == d) return true;
  return m == 31 && d == DaysInMonth(y, month);
}

bool Due(const SimSlot& s, int64_t absMs) {
  const int64_t day = absMs / kDay, ms = absMs % kDay;
  const bool hasDate = s.checks & 1u, hasTime = s.checks & 2u;
  bool due = true;
  if (hasDate && hasTime) {
    due = absMs >= s.dateDay * kDay + s.timeMs;
  } else if (hasDate) {
    due = day >= s.dateDay;
  } else if (hasTime) {
    due = ms >= s.timeMs;
  }
  // 30 December 1899 was a Saturday.
  if (s.checks & 4u) due = due && (day + 6) % 7 == s.weekDay;
  if (s.checks & 8u) {
    int y, m, d;
    DecodeDate(static_cast<double>(day), &y, &m, &d);
    due = due && MonthDayRule(s.monthDay, y, m, d);
  }
  return due;
}

TEST(YearSimulation, HundredSlotsLaunchExactlyWhenDueAndOncePerArming) {
  testing::FakePlatform p(/*deferrals=*/false);  // every slot ticks every period
  std::mt19937 rng(2024);
  const int64_t firstDay = static_cast<int64_t>(EncodeDate(2024, 1, 1));
  const int kDays = 366;
  const uint16_t kPeriod = 60000;  // a minute keeps the year fast
  // Virtual time 0 is 31 December 2023, 23:55.
  const int64_t origin = (firstDay - 1) * kDay + 23 * 3600000LL + 55 * 60000LL;
  p.clock.Set(static_cast<double>(origin) / kDay);

  TComponent owner(nullptr);
  std::vector<TLauncher*> slots;
  std::vector<SimSlot> sim;
  std::map<TObject*, int> indexOfTimer;
  std::vector<std::vector<int64_t>> launches(100);
  for (int i = 0; i < 100; ++i) {
    auto* slot = new TLauncher(&owner);
    slot->SetInterval(kPeriod);
    SimSlot s;
    s.checks = rng() % 16;
    s.dateDay = firstDay + static_cast<int64_t>(rng() % 380) - 7;
    s.timeMs = static_cast<int64_t>(rng() % kDay) | 1;  // never exactly on a tick
    s.weekDay = static_cast<int>(rng() % 7);
    s.monthDay = static_cast<int>(rng() % 4 == 0 ? 28 + rng() % 4 : rng() % 32);
    int y, m, d;
    DecodeDate(static_cast<double>(s.dateDay), &y, &m, &d);
    slot->SetChecks(TApplyChecks::FromBits(s.checks));
    slot->Date()->SetValue(EncodeDate(y, m, d));
    slot->Time()->SetHour(static_cast<THour>(s.timeMs / 3600000));
    slot->Time()->SetMin(static_cast<TMin>(s.timeMs / 60000 % 60));
    slot->Time()->SetSec(static_cast<TSec>(s.timeMs / 1000 % 60));
    slot->Time()->SetMSec(static_cast<TMSec>(s.timeMs % 1000));
    slot->SetWeekDay(static_cast<TLaunchWeekDay>(s.weekDay));
    slot->SetMonthDay(static_cast<TDay>(s.monthDay));
    slot->SetCommandLine("job" + std::to_string(i) + ".exe");
    indexOfTimer[slot->Timer()] = i;
    slot->BeforeLaunch = [&, i](TObject* sender, bool& cancel) {
      EXPECT_EQ(indexOfTimer.at(sender), i);
      launches[i].push_back(origin + static_cast<int64_t>(p.timers.NowMs()));
      cancel = true;
    };
    slots.push_back(slot);
    sim.push_back(s);
  }

  // The oracle walks the same ticks: from its arming, a slot ticks every
  // period and launches at the first tick at which it is due.
  std::vector<int64_t> armedAt(100, origin);
  std::vector<bool> armed(100, true);
  std::vector<std::vector<int64_t>> expected(100);
  auto oracleUntil = [&](int64_t end) {
    for (int i = 0; i < 100; ++i) {
      if (!armed[i]) continue;
      for (int64_t t = armedAt[i] + kPeriod; t <= end; t += kPeriod) {
        if (Due(sim[i], t)) {
          expected[i].push_back(t);
          armed[i] = false;
          break;
        }
        armedAt[i] = t;
      }
    }
  };

  p.timers.AdvanceMs(5 * 60000);  // to midnight of 1 January
  oracleUntil(origin + 5 * 60000);
  int64_t now = origin + 5 * 60000;
  for (int day = 0; day < kDays; ++day) {
    for (int i = 0; i < 100; ++i) {
      if (!slots[i]->Enabled()) {
        slots[i]->SetEnabled(true);
        armed[i] = true;
        armedAt[i] = now;
      }
    }
    p.timers.AdvanceMs(kDay);
    now += kDay;
    oracleUntil(now);
  }

  int total = 0;
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(launches[i], expected[i]) << "slot " << i << " checks " << sim[i].checks;
    total += static_cast<int>(launches[i].size());
  }
  EXPECT_GT(total, 5000);  // the daily ones launch every day
}

struct YearRun {
  std::vector<std::vector<uint64_t>> launches;  // per slot, on the timers' counter
  uint64_t wakeUps = 0;
  int clockChanges = 0;
};

// 100 random schedules for a year with a period of a minute; every slot is
// re-armed at the first period after the clock's day changes, and now and
// then the clock is put back by up to a day or forward by up to two.
YearRun RunYear(bool deferrals, uint32_t seed) {
  testing::FakePlatform p(deferrals);
  std::mt19937 rng(seed);
  const uint16_t kPeriod = 60000;
  const int64_t firstDay = static_cast<int64_t>(EncodeDate(2024, 1, 1));
  p.clock.Set(EncodeDate(2023, 12, 31) + EncodeTime(23, 55, 0, 0));
  YearRun run;
  run.launches.resize(100);
  TComponent owner(nullptr);
  std::vector<TLauncher*> slots;
  for (int i = 0; i < 100; ++i) {
    auto* slot = new TLauncher(&owner);
    slot->SetInterval(kPeriod);
    slot->SetChecks(TApplyChecks::FromBits(rng() % 16));
    slot->Date()->SetValue(static_cast<double>(firstDay + static_cast<int64_t>(rng() % 380) - 7));
    // Whole minutes, as whole seconds are for the program's one-second period.
    const uint32_t minute = rng() % 1440;
    slot->Time()->SetValue(EncodeTime(static_cast<int>(minute / 60), static_cast<int>(minute % 60), 0, 0));
    slot->SetWeekDay(static_cast<TLaunchWeekDay>(rng() % 7));
    slot->SetMonthDay(static_cast<TDay>(rng() % 4 == 0 ? 28 + rng() % 4 : rng() % 32));
    slot->SetCommandLine("job.exe");
    slot->BeforeLaunch = [&run, &p, i](TObject*, bool& cancel) {
      run.launches[i].push_back(p.timers.NowMs());
      cancel = true;
    };
    slots.push_back(slot);
  }
  int64_t stamp = static_cast<int64_t>(DateOf(p.clock.Now()));
  for (int step = 0; step < 366 * 1440; ++step) {
    p.timers.AdvanceMs(kPeriod);
    if (rng() % 4000 == 0) {
      const int64_t jumpMs = static_cast<int64_t>(rng() % (3 * kDay)) - kDay;
      p.clock.Set(p.clock.Now() + static_cast<double>(jumpMs) / kDay);
      ++run.clockChanges;
    }
    const int64_t today = static_cast<int64_t>(DateOf(p.clock.Now()));
    if (today == stamp) continue;
    stamp = today;
    for (TLauncher* slot : slots) slot->SetEnabled(true);
  }
  run.wakeUps = p.timers.WakeUps();
  return run;
}

TEST(YearSimulation, SleepingTimersLaunchWithinTheSameTickAsTickingOnesThroughClockChanges) {
  const YearRun ticking = RunYear(false, 1914);
  const YearRun sleeping = RunYear(true, 1914);
  EXPECT_GT(ticking.clockChanges, 50);
  size_t total = 0;
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(sleeping.launches[i].size(), ticking.launches[i].size()) << "slot " << i;
    for (size_t k = 0; k < ticking.launches[i].size(); ++k) {
      // The ticking engine launches at the first tick at or after the moment;
      // the sleeping one at the moment itself, so within the period before.
      EXPECT_LE(sleeping.launches[i][k], ticking.launches[i][k]) << "slot " << i << " launch " << k;
      EXPECT_GT(sleeping.launches[i][k] + 60000, ticking.launches[i][k]) << "slot " << i;
    }
    total += ticking.launches[i].size();
  }
  EXPECT_GT(total, 5000u);
  // The sleeping engine wakes at due moments, after clock changes and at its
  // watch of the wall clock every 30 s, whatever the number of slots.
  const uint64_t watches = 366ull * kDay / 30000;
  EXPECT_LE(sleeping.wakeUps, watches + 3 * total + 100ull * static_cast<uint64_t>(ticking.clockChanges));
}

}  // namespace
}  // namespace marrowby
