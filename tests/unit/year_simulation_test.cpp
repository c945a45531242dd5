// A simulated leap year of 100 slots with random criteria, re-armed every
// midnight as the main window does at the change of day: each slot launches at
// most once per arming, and exactly at the first tick at which its criteria
// hold (read independently of the due test).
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
  testing::FakePlatform p;
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

}  // namespace
}  // namespace marrowby
