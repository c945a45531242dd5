#include "scheduler/launcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/errors.h"
#include "tests/support/error_log.h"
#include "tests/support/fake_platform.h"

namespace marrowby {
namespace {

using testing::FakePlatform;

using testing::At;
using testing::ErrorLog;

TEST(Slot, CreationState) {
  FakePlatform p;
  p.clock.Set(At(2001, 3, 1, 10, 15, 7, 123));
  TComponent owner(nullptr);
  auto* slot = new TLauncher(&owner);
  EXPECT_EQ(slot->Date()->Day(), 1);
  EXPECT_EQ(slot->Date()->Month(), 3);
  EXPECT_EQ(slot->Date()->Year(), 2001);
  EXPECT_EQ(slot->Time()->Hour(), 10);
  EXPECT_EQ(slot->Time()->Min(), 15);
  EXPECT_EQ(slot->Time()->Sec(), 7);
  EXPECT_EQ(slot->Time()->MSec(), 123);
  EXPECT_TRUE(slot->Checks() == TApplyChecks{lcTime});
  EXPECT_TRUE(slot->Enabled());
  EXPECT_EQ(slot->Interval(), 1000);
  EXPECT_EQ(slot->MonthDay(), 1);
  EXPECT_EQ(slot->WeekDay(), ldSunday);
  EXPECT_FALSE(slot->Wait());
  EXPECT_EQ(slot->LastResult(), -1);
  EXPECT_EQ(slot->LastError(), 0u);
  EXPECT_TRUE(slot->Timer()->Running());
  EXPECT_EQ(slot->Timer()->Owner(), slot);
  EXPECT_EQ(p.timers.Armed(), 1u);
  delete slot;  // stops its timer
  EXPECT_EQ(p.timers.Armed(), 0u);
  EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST(ValueObjects, SettersRaiseOnChangeOnlyForRealChanges) {
  TDateNum d;
  int changes = 0;
  d.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &d);
    ++changes;
  };
  d.SetDay(5);
  EXPECT_EQ(changes, 1);
  d.SetDay(5);
  EXPECT_EQ(changes, 1);
  d.SetDay(6);
  EXPECT_EQ(changes, 2);

  d.SetValue(EncodeDate(2001, 3, 1));  // one change, not one per field
  EXPECT_EQ(changes, 3);
  d.SetValue(EncodeDate(2001, 3, 1));
  EXPECT_EQ(changes, 3);
  d.SetValue(EncodeDate(2001, 3, 1) + 0.75);  // differs as a double: stored date unchanged
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(d.Value(), EncodeDate(2001, 3, 1));

  TTimeNum t;
  int tchanges = 0;
  t.OnChange = [&](TObject*) { ++tchanges; };
  t.SetHour(12);
  EXPECT_EQ(tchanges, 1);
  t.SetValue(EncodeTime(12, 0, 0, 0));  // the bare time already held
  EXPECT_EQ(tchanges, 1);
  t.SetValue(EncodeDate(2001, 3, 1) + 0.5);  // noon with a date: always a change
  EXPECT_EQ(tchanges, 2);
  EXPECT_EQ(t.Hour(), 12);
  EXPECT_EQ(t.Min(), 0);
}

TEST(ValueObjects, ImpossibleValuesAreStoredAndShowWhenEncoded) {
  FakePlatform p;
  p.clock.Set(At(2001, 3, 1, 9));
  TLauncher slot(nullptr);
  slot.Date()->SetMonth(4);
  slot.Date()->SetDay(31);
  EXPECT_EQ(slot.Date()->Value(), 0.0);
  try {
    (void)slot.DateTime();
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid argument to date encode");
  }
  slot.Date()->SetYear(2051);
  EXPECT_EQ(slot.Date()->Year(), 2051);
  slot.SetMonthDay(0);
  EXPECT_EQ(slot.MonthDay(), 0);
  slot.Time()->SetHour(24);
  EXPECT_THROW((void)slot.Time()->Value(), EConvertError);

  TDateNum copy;
  copy.SetYear(1999);
  copy.SetMonth(2);
  copy.SetDay(16);
  TDateNum other;
  other.Assign(&copy);
  EXPECT_EQ(other.Value(), EncodeDate(1999, 2, 16));
}

TEST(Slot, DateTimeWritesEveryFieldThroughItsSetter) {
  FakePlatform p;
  TLauncher slot(nullptr);
  slot.SetDateTime(At(2001, 3, 1, 14, 5, 9, 250));
  EXPECT_EQ(slot.Date()->Day(), 1);
  EXPECT_EQ(slot.Date()->Month(), 3);
  EXPECT_EQ(slot.Date()->Year(), 2001);
  EXPECT_EQ(slot.Time()->Hour(), 14);
  EXPECT_EQ(slot.Time()->Min(), 5);
  EXPECT_EQ(slot.Time()->Sec(), 9);
  EXPECT_EQ(slot.Time()->MSec(), 250);
  EXPECT_EQ(slot.DateTime(), At(2001, 3, 1, 14, 5, 9, 250));
  int dateChanges = 0, timeChanges = 0;
  slot.Date()->OnChange = [&](TObject*) { ++dateChanges; };
  slot.Time()->OnChange = [&](TObject*) { ++timeChanges; };
  slot.SetDateTime(At(2001, 4, 2, 14, 5, 10, 250));
  EXPECT_EQ(dateChanges, 2);  // month and day
  EXPECT_EQ(timeChanges, 1);  // second
}

TEST(Slot, ArmingAndPeriodFollowTheSetterRules) {
  FakePlatform p;
  TLauncher slot(nullptr);
  int ticks = 0;
  slot.OnTimer = [&](TObject*) { ++ticks; };
  slot.SetChecks({lcDate});
  slot.SetDateTime(At(2100, 1, 1));  // never due
  p.timers.AdvanceMs(600);
  slot.SetEnabled(true);   // already armed: the count goes on
  slot.SetInterval(1000);  // same period: likewise
  p.timers.AdvanceMs(400);
  EXPECT_EQ(ticks, 1);
  slot.SetInterval(0);  // stops the ticks, stays enabled
  EXPECT_TRUE(slot.Enabled());
  p.timers.AdvanceMs(5000);
  EXPECT_EQ(ticks, 1);
  slot.SetInterval(1000);
  p.timers.AdvanceMs(1000);
  EXPECT_EQ(ticks, 2);
  slot.SetEnabled(false);
  p.timers.AdvanceMs(5000);
  EXPECT_EQ(ticks, 2);

  p.timers.RefuseStarts(1);
  EXPECT_THROW(slot.SetEnabled(true), EOutOfResources);
  EXPECT_TRUE(slot.Enabled());
  EXPECT_FALSE(slot.Timer()->Running());
}

// ---- The due test against an independent reading of the criteria ----------

int64_t JulianDay(int y, int m, int d) {
  const int64_t a = (14 - m) / 12, yy = y + 4800 - a, mm = m + 12 * a - 3;
  return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}
int LastDay(int y, int m) {
  return static_cast<int>(JulianDay(m == 12 ? y + 1 : y, m == 12 ? 1 : m + 1, 1) -
                          JulianDay(y, m, 1));
}
// 31 stands for the last day of every month, and only for that day: a leap
// February's 28th is not its last day.
bool OracleMonthDay(int m, int y, int month, int d) {
  if (m == d) return true;
  return m == 31 && d == LastDay(y, month);
}

TEST(DueTest, MonthDayRuleOverTwoCenturies) {
  for (int y = 1900; y <= 2100; ++y) {
    for (int month = 1; month <= 12; ++month) {
      for (int d = 1; d <= LastDay(y, month); ++d) {
        for (int m = 0; m <= 32; ++m) {
          ASSERT_EQ(MonthDayMatches(m, y, month, d), OracleMonthDay(m, y, month, d))
              << m << " vs " << y << "-" << month << "-" << d;
        }
      }
    }
  }
}

struct Criteria {
  uint32_t checks;
  int y, mo, d;  // slot date
  int64_t timeMs;  // slot time of day
  int weekDay;
  int monthDay;
};

// Whether a slot is due at the instant (days since 30 December 1899, ms of day),
// read from the meaning of each combination.
bool OracleDue(const Criteria& c, int64_t day, int64_t ms) {
  const bool hasDate = c.checks & (1u << lcDate), hasTime = c.checks & (1u << lcTime);
  const int64_t slotDay = JulianDay(c.y, c.mo, c.d) - JulianDay(1899, 12, 30);
  bool due = true;
  if (hasDate && hasTime) {
    due = day > slotDay || (day == slotDay && ms >= c.timeMs);
  } else if (hasDate) {
    due = day >= slotDay;
  } else if (hasTime) {
    due = ms >= c.timeMs;
  }
  if (c.checks & (1u << lcWeekDay)) {
    const int weekday = static_cast<int>((day + JulianDay(1899, 12, 30) + 1) % 7);
    due = due && weekday == c.weekDay;
  }
  if (c.checks & (1u << lcMonthDay)) {
    int y, m, d;
    DecodeDate(static_cast<double>(day), &y, &m, &d);
    due = due && OracleMonthDay(c.monthDay, y, m, d);
  }
  return due;
}

void Configure(TLauncher& slot, const Criteria& c) {
  slot.SetChecks(TApplyChecks::FromBits(c.checks));
  slot.Date()->SetYear(static_cast<TYear>(c.y));
  slot.Date()->SetMonth(static_cast<TMonth>(c.mo));
  slot.Date()->SetDay(static_cast<TDay>(c.d));
  slot.Time()->SetHour(static_cast<THour>(c.timeMs / 3600000));
  slot.Time()->SetMin(static_cast<TMin>(c.timeMs / 60000 % 60));
  slot.Time()->SetSec(static_cast<TSec>(c.timeMs / 1000 % 60));
  slot.Time()->SetMSec(static_cast<TMSec>(c.timeMs % 1000));
  slot.SetWeekDay(static_cast<TLaunchWeekDay>(c.weekDay));
  slot.SetMonthDay(static_cast<TDay>(c.monthDay));
}

TEST(DueTest, EveryCombinationOfCriteriaAgainstTheOracle) {
  FakePlatform p;
  TLauncher slot(nullptr);
  slot.SetEnabled(false);
  const int64_t base = static_cast<int64_t>(EncodeDate(2004, 2, 26));
  const int64_t times[] = {0, 1, 14 * 3600000LL - 1, 14 * 3600000LL + 500, 23 * 3600000LL + 59 * 60000 + 59999};
  const int monthDays[] = {0, 1, 26, 28, 29, 30, 31};
  for (uint32_t checks = 0; checks < 16; ++checks) {
    for (int slotOffset = -1; slotOffset <= 1; ++slotOffset) {
      int y, mo, d;
      DecodeDate(static_cast<double>(base + 2 + slotOffset), &y, &mo, &d);
      for (int wd = 0; wd < 7; wd += 3) {
        for (int md : monthDays) {
          const Criteria c{checks, y, mo, d, 14 * 3600000LL, wd, md};
          Configure(slot, c);
          for (int64_t day = base; day < base + 6; ++day) {
            for (int64_t ms : times) {
              p.clock.Set(static_cast<double>(day) + static_cast<double>(ms) / kMSecsPerDay);
              ASSERT_EQ(slot.IsDue(), OracleDue(c, day, ms))
                  << "checks " << checks << " day " << day << " ms " << ms << " wd " << wd
                  << " md " << md << " slot offset " << slotOffset;
            }
          }
        }
      }
    }
  }
}

// ---- Launches ---------------------------------------------------------------

TEST(Launch, DueSlotLaunchesOnceThenStaysDisarmed) {
  FakePlatform p;
  p.clock.Set(At(2001, 3, 1, 13, 59, 59));
  TComponent owner(nullptr);
  auto* slot = new TLauncher(&owner);
  slot->SetCommandLine("C:\\tools\\job.exe /x");
  slot->Time()->SetValue(EncodeTime(14, 0, 0, 0));
  std::vector<std::string> events;
  TObject* beforeSender = nullptr;
  slot->OnTimer = [&](TObject*) { events.push_back("timer"); };
  slot->BeforeLaunch = [&](TObject* sender, bool& cancel) {
    EXPECT_FALSE(cancel);
    EXPECT_FALSE(slot->Enabled());  // disarmed before the handler runs
    beforeSender = sender;
    events.push_back("before");
  };
  int32_t result = 0;
  slot->AfterLaunch = [&](TObject*, int32_t r) {
    result = r;
    events.push_back("after");
  };
  p.timers.AdvanceMs(60000);
  EXPECT_EQ(events, (std::vector<std::string>{"timer", "before", "after"}));
  EXPECT_EQ(beforeSender, slot->Timer());
  EXPECT_EQ(static_cast<TComponent*>(beforeSender)->Owner(), slot);
  ASSERT_EQ(p.starter.started, (std::vector<std::string>{"C:\\tools\\job.exe /x"}));
  EXPECT_NE(result, 0);
  EXPECT_EQ(slot->LastResult(), result);
  EXPECT_EQ(p.starter.closed, (std::vector<intptr_t>{result}));
  EXPECT_TRUE(p.starter.waited.empty());
  EXPECT_FALSE(slot->Enabled());

  // Re-armed later the same day it is due again at its first tick.
  p.clock.Set(At(2001, 3, 1, 15, 30));
  slot->SetEnabled(true);
  p.timers.AdvanceMs(999);
  EXPECT_EQ(p.starter.started.size(), 1u);
  p.timers.AdvanceMs(1);
  EXPECT_EQ(p.starter.started.size(), 2u);
}

TEST(Launch, OutcomeCodes) {
  FakePlatform p;
  p.clock.Set(At(2001, 3, 1, 12));
  TLauncher slot(nullptr);
  slot.SetChecks({});
  std::vector<int32_t> results;
  slot.AfterLaunch = [&](TObject*, int32_t r) { results.push_back(r); };

  slot.SetCommandLine("");
  p.timers.AdvanceMs(1000);  // empty: -3, nothing started
  slot.SetCommandLine("C:\\docs\\letter.doc");
  slot.BeforeLaunch = [](TObject*, bool& cancel) { cancel = true; };
  slot.SetEnabled(true);
  p.timers.AdvanceMs(1000);  // vetoed: -2
  slot.BeforeLaunch = nullptr;
  p.starter.startErrors["C:\\docs\\letter.doc"] = 193;  // not a valid program
  slot.SetEnabled(true);
  p.timers.AdvanceMs(1000);
  EXPECT_EQ(slot.LastError(), 193u);
  p.starter.startErrors.clear();
  slot.SetEnabled(true);
  p.timers.AdvanceMs(1000);
  EXPECT_EQ(slot.LastError(), 0u);  // cleared by the next start
  ASSERT_EQ(results.size(), 4u);
  EXPECT_EQ(results[0], -3);
  EXPECT_EQ(results[1], -2);
  EXPECT_EQ(results[2], 0);
  EXPECT_GT(results[3], 0);
  EXPECT_EQ(p.starter.started.size(), 2u);  // the failed one and the last
  EXPECT_FALSE(slot.Enabled());
}

TEST(Launch, WaitRaisesBeforeWaitAndKeepsTheHandleAsResult) {
  FakePlatform p;
  TLauncher slot(nullptr);
  slot.SetChecks({});
  slot.SetCommandLine("prog.exe");
  slot.SetWait(true);
  std::vector<std::string> order;
  int32_t waitResult = 0, afterResult = 0;
  slot.BeforeWait = [&](TObject* sender, int32_t r) {
    EXPECT_EQ(sender, slot.Timer());
    EXPECT_TRUE(p.starter.waited.empty());
    waitResult = r;
    order.push_back("beforewait");
  };
  slot.AfterLaunch = [&](TObject*, int32_t r) {
    EXPECT_EQ(p.starter.waited.size(), 1u);
    EXPECT_TRUE(p.starter.closed.empty());  // still open for the handler
    afterResult = r;
    order.push_back("after");
  };
  p.timers.AdvanceMs(1000);
  EXPECT_EQ(order, (std::vector<std::string>{"beforewait", "after"}));
  EXPECT_EQ(waitResult, afterResult);
  EXPECT_EQ(p.starter.waited, (std::vector<intptr_t>{afterResult}));
  EXPECT_EQ(p.starter.closed, (std::vector<intptr_t>{afterResult}));
}

TEST(Launch, AFailedTickIsReportedOnceAndDisarmsTheSlot) {
  FakePlatform p;
  ErrorLog errors;
  p.clock.Set(At(2001, 6, 1, 9));
  TLauncher slot(nullptr);
  slot.SetCommandLine("prog.exe");
  slot.SetChecks({lcDate});
  slot.Date()->SetMonth(6);
  slot.Date()->SetDay(31);  // 31 June
  p.timers.AdvanceMs(3000);
  EXPECT_EQ(errors.messages, (std::vector<std::string>{"Invalid argument to date encode"}));
  EXPECT_FALSE(slot.Enabled());
  EXPECT_TRUE(p.starter.started.empty());
  // Armed again, it fails again, once.
  slot.SetEnabled(true);
  p.timers.AdvanceMs(3000);
  EXPECT_EQ(errors.messages.size(), 2u);
  // Without lcDate the impossible date is never looked at.
  slot.SetChecks({lcTime});
  slot.Time()->SetValue(EncodeTime(8, 0, 0, 0));
  slot.SetEnabled(true);
  p.timers.AdvanceMs(1000);
  EXPECT_EQ(p.starter.started.size(), 1u);
  EXPECT_EQ(errors.messages.size(), 2u);

  // A failing BeforeLaunch: the slot is disarmed and nothing starts.
  slot.BeforeLaunch = [](TObject*, bool&) { throw Exception("handler failed"); };
  bool after = false;
  slot.AfterLaunch = [&](TObject*, int32_t) { after = true; };
  slot.SetEnabled(true);
  p.timers.AdvanceMs(1000);
  EXPECT_EQ(errors.messages.back(), "handler failed");
  EXPECT_FALSE(slot.Enabled());
  EXPECT_FALSE(after);
  EXPECT_EQ(p.starter.started.size(), 1u);
}

// The error display is modal: its message loop delivers the ticks of other
// slots. Their failures wait until it closes; a text already shown or waiting
// is not shown again.
TEST(Launch, FailedTicksNeverOpenASecondErrorDisplayInsideTheFirst) {
  FakePlatform p;
  p.clock.Set(At(2001, 6, 1, 9));
  std::vector<std::string> shown;
  int depth = 0, deepest = 0;
  SetExceptionHandler([&](const std::exception& e) {
    shown.push_back(e.what());
    deepest = std::max(deepest, ++depth);
    p.timers.AdvanceMs(15000);  // the user reads the box for 15 seconds
    --depth;
  });
  std::vector<std::unique_ptr<TLauncher>> slots;
  auto add = [&](uint8_t hour, uint8_t day) {
    slots.push_back(std::make_unique<TLauncher>(nullptr));
    slots.back()->SetCommandLine("prog.exe");
    slots.back()->SetChecks({lcDate, lcTime});
    slots.back()->Date()->SetDay(day);
    slots.back()->Time()->SetHour(hour);
  };
  add(24, 1);  // time encode
  add(25, 1);  // time encode again
  add(9, 31);  // date encode: 31 June
  TLauncher good(nullptr);
  good.SetCommandLine("good.exe");
  p.timers.AdvanceMs(60000);
  SetExceptionHandler(nullptr);
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(shown, (std::vector<std::string>{"Invalid argument to time encode",
                                             "Invalid argument to date encode"}));
  for (const auto& s : slots) EXPECT_FALSE(s->Enabled());
  EXPECT_EQ(p.starter.started, std::vector<std::string>{"good.exe"});
}

TEST(Launch, HandlerThatArmsAgainTicksAfterOnePeriod) {
  FakePlatform p;
  TLauncher slot(nullptr);
  slot.SetChecks({});
  slot.SetCommandLine("prog.exe");
  int launches = 0;
  slot.BeforeLaunch = [&](TObject*, bool&) {
    ++launches;
    if (launches < 3) slot.SetEnabled(true);
  };
  p.timers.AdvanceMs(10000);
  EXPECT_EQ(launches, 3);
}

TEST(Launch, DateCriteriaFollowTheClockAcrossMidnightAndClockChanges) {
  FakePlatform p;
  p.clock.Set(At(2004, 2, 28, 23, 59, 58));
  TLauncher tomorrow(nullptr);
  tomorrow.SetCommandLine("a.exe");
  tomorrow.SetChecks({lcDate});
  tomorrow.Date()->SetValue(EncodeDate(2004, 2, 29));
  TLauncher lastDay(nullptr);
  lastDay.SetCommandLine("b.exe");
  lastDay.SetChecks({lcMonthDay});
  lastDay.SetMonthDay(31);
  lastDay.SetEnabled(false);
  p.timers.AdvanceMs(1000);
  EXPECT_TRUE(p.starter.started.empty());
  p.timers.AdvanceMs(1000);  // the first tick of 29 February
  EXPECT_EQ(p.starter.started, (std::vector<std::string>{"a.exe"}));

  // 31 stands for the 29th of February too in a leap year.
  lastDay.SetEnabled(true);
  p.timers.AdvanceMs(1000);
  EXPECT_EQ(p.starter.started.back(), "b.exe");

  // The clock put back: a launched slot stays silent until armed again.
  TLauncher atTwo(nullptr);
  atTwo.SetCommandLine("c.exe");
  atTwo.Time()->SetValue(EncodeTime(14, 0, 0, 0));
  p.clock.Set(At(2004, 3, 1, 14, 0, 0, 500));
  p.timers.AdvanceMs(1000);
  EXPECT_EQ(p.starter.started.back(), "c.exe");
  p.clock.Set(At(2004, 3, 1, 13, 0));
  p.timers.AdvanceMs(2 * 3600 * 1000);
  EXPECT_EQ(p.starter.started.size(), 3u);
  // Put forward past the time while armed: due at the next tick.
  atTwo.SetEnabled(true);
  p.clock.Set(At(2004, 3, 1, 9));
  p.timers.AdvanceMs(5000);
  EXPECT_EQ(p.starter.started.size(), 3u);
  p.clock.Set(At(2004, 3, 1, 16));
  p.timers.AdvanceMs(1000);
  EXPECT_EQ(p.starter.started.size(), 4u);
}

}  // namespace
}  // namespace marrowby
